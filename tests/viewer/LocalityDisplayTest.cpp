#include "MarkerPixels.h"
#include "TestMain.h"
#include "Workspace.h"

#include "DemoAtlas.h"
#include "toolkit/ComboText.h"
#include "toolkit/Hourglass.h"
#include "viewer/Canvas.h"
#include "viewer/MapImage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

using namespace orvena;
using orvena::test::Workspace;

namespace {

const QString kNE = QStringLiteral("valfonda_ne.bmp");
const QString kInexistent = QStringLiteral("Località inesistente.");

const demo::DemoPlace& place(const QString& area, const QString& name) {
    for (const auto& p : demo::demoPlaces())
        if (p.area == area && p.name == name) return p;
    qFatal("no demo place %s", qPrintable(name));
}

QStringList boxTexts(MainWindow& w) {
    QStringList texts;
    for (QLineEdit* b : w.coordinateBoxes())
        texts << b->text();
    return texts;
}

QStringList dmsTexts(const demo::DemoPlace& p) {
    QStringList texts;
    for (int v : {p.latDeg, p.latMin, p.latSec, p.lonDeg, p.lonMin, p.lonSec})
        texts << QString::number(v);
    return texts;
}

bool boxesShown(MainWindow& w) {
    for (QLineEdit* b : w.coordinateBoxes())
        if (!isShown(b)) return false;
    return isShown(w.Label4) && isShown(w.Label8);
}

bool boxesHidden(MainWindow& w) {
    for (QLineEdit* b : w.coordinateBoxes())
        if (isShown(b)) return false;
    return !isShown(w.Label4) && !isShown(w.Label8);
}

} // namespace

class LocalityDisplayTest : public QObject {
    Q_OBJECT
private slots:
    void arrowsAreShipped_data();
    void arrowsAreShipped();
    void arrowOnEitherSideOfTheBoundary_data();
    void arrowOnEitherSideOfTheBoundary();
    void nameBesideTheArrow_data();
    void nameBesideTheArrow();
    void markingsAccumulateUntilTheSheetIsLoaded();
    void arrowLandsOnTheFixedPointAtEveryZoom_data();
    void arrowLandsOnTheFixedPointAtEveryZoom();
    void choosingAPlaceMarksIt_data();
    void choosingAPlaceMarksIt();
    void lookupNeedsTheExactNames_data();
    void lookupNeedsTheExactNames();
    void typingInTheBoxDoesNothing();
    void positionThatIsNotANumber_data();
    void positionThatIsNotANumber();
};

void LocalityDisplayTest::arrowsAreShipped_data() {
    QTest::addColumn<bool>("down");
    QTest::newRow("freccia, tip at the bottom") << true;
    QTest::newRow("blusu, tip at the top") << false;
}

void LocalityDisplayTest::arrowsAreShipped() {
    QFETCH(bool, down);
    Workspace ws;
    MainWindow& w = ws.start();
    const QImage arrow = (down ? w.freccia : w.blusu)->pixmap().toImage();
    QCOMPARE(arrow.size(), QSize(17, 21));
    QCOMPARE(arrow, (down ? markers::downArrow() : markers::upArrow()));
    QCOMPARE(qAlpha(arrow.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(arrow.pixel(16, down ? 20 : 0)), 0);
    // Only the middle of the tip row is painted.
    const int tipRow = down ? 20 : 0;
    QVERIFY(qAlpha(arrow.pixel(8, tipRow)) > 128);
    QCOMPARE(qAlpha(arrow.pixel(4, tipRow)), 0);
    QVERIFY(qBlue(arrow.pixel(8, 10)) > 2 * qRed(arrow.pixel(8, 10)));
    QVERIFY(!isShown(w.freccia) && !isShown(w.blusu));
}

void LocalityDisplayTest::arrowOnEitherSideOfTheBoundary_data() {
    QTest::addColumn<double>("py");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QPoint>("corner"); // the arrow's top-left pixel on the sheet
    // The point is at PX 3140 (pixel 209.3), PY / 15 down.
    QTest::newRow("PY 809: up arrow below the point") << 809.0 << true << QPoint(207, 51);
    QTest::newRow("PY 810: down arrow above it") << 810.0 << false << QPoint(200, 27);
    QTest::newRow("PY 3000: down arrow above it") << 3000.0 << false << QPoint(200, 173);
}

void LocalityDisplayTest::arrowOnEitherSideOfTheBoundary() {
    QFETCH(double, py);
    QFETCH(bool, up);
    QFETCH(QPoint, corner);
    Workspace ws;
    MainWindow& w = ws.start();
    test::addLocality(w.Data2, kNE, QStringLiteral("PUNTO"), 3140.0, py);
    Workspace::choose(w.f1area, kNE);
    Workspace::choose(w.cmbloc, QStringLiteral("PUNTO"));
    QCOMPARE(ws.dialogs.texts(), QStringList());

    const QImage picture = w.Image1->picture();
    const QRect around(150, 0, 120, 240);
    const auto shown =
        test::findSprite(picture, up ? markers::upArrow() : markers::downArrow(), around);
    const auto other =
        test::findSprite(picture, up ? markers::downArrow() : markers::upArrow(), around);
    QCOMPARE(shown, std::optional<QPoint>(corner));
    QCOMPARE(other, std::nullopt);
    const double pointRow = py / 15;
    if (up)
        QVERIFY(corner.y() + 10 > pointRow); // its body lies below the point
    else
        QVERIFY(corner.y() + 21 <= pointRow); // wholly above it, tip down
    QCOMPARE(w.state().loadedPicture, test::sheetFromFile(ws.file(kNE)));
    QCOMPARE(w.Picture1->picture(), picture);
}

void LocalityDisplayTest::nameBesideTheArrow_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("px");
    QTest::addColumn<double>("py");
    QTest::addColumn<bool>("added");   // a record of the test's own, or a demo place
    QTest::addColumn<int>("textLeft"); // pixel where the written text begins
    QTest::addColumn<int>("cellTop");  // top pixel of its text line
    QTest::addColumn<int>("arrowLeft");
    QTest::newRow("short, right of the down arrow")
        << "POZZO" << 3140.0 << 3000.0 << true << 207 << 150 << 200;
    QTest::newRow("short, right of the up arrow")
        << "POZZO" << 3140.0 << 600.0 << true << 207 << 60 << 207;
    QTest::newRow("long near the right edge, left of the down arrow")
        << "CORTE NUOVA" << 22870.0 << 12531.0 << false << 1402 << 785 << 1515;
    QTest::newRow("long near the top right corner, left of the up arrow")
        << "CIMA DEL MONTE" << 23500.0 << 600.0 << true << 1412 << 60 << 1564;
}

void LocalityDisplayTest::nameBesideTheArrow() {
    QFETCH(QString, name);
    QFETCH(double, px);
    QFETCH(double, py);
    QFETCH(bool, added);
    QFETCH(int, textLeft);
    QFETCH(int, cellTop);
    QFETCH(int, arrowLeft);
    Workspace ws;
    MainWindow& w = ws.start();
    if (added) test::addLocality(w.Data2, kNE, name, px, py);
    Workspace::choose(w.f1area, kNE);
    Workspace::choose(w.cmbloc, name);

    const QRect text = test::textPixels(w.state().loadedPicture, w.Image1->picture());
    QVERIFY2(!text.isEmpty(), "no text-coloured pixels");
    QVERIFY2(text.left() >= textLeft && text.left() <= textLeft + 3,
             qPrintable(QString::number(text.left())));
    QVERIFY2(text.top() >= cellTop && text.bottom() < cellTop + 20,
             qPrintable(QStringLiteral("%1..%2").arg(text.top()).arg(text.bottom())));
    // Eleven or so pixels a character.
    QVERIFY(std::abs(text.width() - 11.4 * name.size()) < 12);
    if (name.size() < 10) // on the right, from the arrow's left edge on
        QVERIFY(text.left() >= arrowLeft);
    else // on the left, ending by the arrow
        QVERIFY(text.left() < arrowLeft - 8 * name.size());
}

void LocalityDisplayTest::markingsAccumulateUntilTheSheetIsLoaded() {
    Workspace ws;
    MainWindow& w = ws.start();
    Workspace::choose(w.f1area, kNE);
    const QImage clean = test::sheetFromFile(ws.file(kNE));
    const QRect everywhere(0, 0, 1600, 1200);
    const auto& first = place(kNE, QStringLiteral("VILLAFREDDA")); // down arrow
    const auto& second = place(kNE, QStringLiteral("MOLINO DEL PONTE"));
    const QRect nearFirst(int(first.px / 15) - 30, int(first.py / 15) - 40, 60, 60);
    const QRect nearSecond(int(second.px / 15) - 30, int(second.py / 15) - 40, 60, 60);

    Workspace::choose(w.cmbloc, first.name);
    Workspace::choose(w.cmbloc, second.name);
    const QImage marked = w.Image1->picture();
    QVERIFY(test::findSprite(marked, markers::downArrow(), nearFirst));
    QVERIFY(test::findSprite(marked, markers::downArrow(), nearSecond));
    QVERIFY(!test::textPixels(clean, marked).isEmpty());
    QCOMPARE(w.state().loadedPicture, clean);
    QCOMPARE(ws.dialogs.texts(), QStringList());

    Workspace::choose(w.f1area, kNE);
    QCOMPARE(w.Image1->picture(), clean);
    QCOMPARE(test::findSprite(w.Image1->picture(), markers::downArrow(), everywhere), std::nullopt);
}

void LocalityDisplayTest::arrowLandsOnTheFixedPointAtEveryZoom_data() {
    QTest::addColumn<int>("zoom");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("top");
    // VILLAFREDDA (PX 14064, PY 5110) with the image first at -2000, 500.
    QTest::newRow("100") << 100 << -8424.0 << -1210.0;
    QTest::newRow("150") << 150 << -15386.0 << -3565.0;
    QTest::newRow("70") << 70 << -4247.0 << 203.0;
}

void LocalityDisplayTest::arrowLandsOnTheFixedPointAtEveryZoom() {
    QFETCH(int, zoom);
    QFETCH(double, left);
    QFETCH(double, top);
    Workspace ws;
    MainWindow& w = ws.start();
    Workspace::choose(w.f1area, kNE);
    if (zoom != 100) {
        w.Image1->setStretch(true);
        w.Image1->setWidthTwips(w.state().naturalWidth * zoom / 100.0);
        w.Image1->setHeightTwips(w.state().naturalHeight * zoom / 100.0);
        w.f1ing->setText(QString::number(zoom));
    }
    w.Image1->move(-2000, 500);
    Workspace::choose(w.cmbloc, QStringLiteral("VILLAFREDDA"));

    QCOMPARE(w.state().markerLeft, 11924);
    QCOMPARE(w.state().markerTop, 5210);
    QCOMPARE(w.Image1->left(), left);
    QCOMPARE(w.Image1->top(), top);
    QVERIFY(w.Image1->shown());
    // The arrow's top-left corner at (5500, 3500) twips: pixel (367, 233).
    const double scale = zoom / 100.0;
    QVERIFY(test::arrowBlueNear(w, QPoint(367 + qRound(8 * scale), 233 + qRound(10 * scale))));
    QVERIFY(!test::arrowBlueNear(w, QPoint(367 + 60, 233 + 60)));
}

void LocalityDisplayTest::choosingAPlaceMarksIt_data() {
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << kNE << "FONTANELLE";
    QTest::newRow("apostrophe") << kNE << "SANT'ANNA";
    QTest::newRow("accent") << "valfonda_no.gif"
                            << "CÀ BIANCA";
    QTest::newRow("name on two sheets") << "valfonda_se.jpg"
                                        << "SAN MARTINO";
}

void LocalityDisplayTest::choosingAPlaceMarksIt() {
    QFETCH(QString, sheet);
    QFETCH(QString, name);
    Workspace ws;
    MainWindow& w = ws.start();
    Workspace::choose(w.f1area, sheet);
    QVERIFY(boxesHidden(w));
    Workspace::choose(w.cmbloc, name);

    QCOMPARE(ws.dialogs.texts(), QStringList());
    QCOMPARE(boxTexts(w), dmsTexts(place(sheet, name)));
    QVERIFY(boxesShown(w));
    QVERIFY(w.Image1->shown());
    QVERIFY(w.Image1->picture() != w.state().loadedPicture);
    QVERIFY(!isShown(w.Picture1));
    // The view stays on the locality's record.
    QCOMPARE(w.Data2->text("LOCALITA"), name);
    QCOMPARE(w.Data2->text("AREA"), sheet);
    QCOMPARE(w.Image1->left(), 5500 - (place(sheet, name).px - 140));
}

void LocalityDisplayTest::lookupNeedsTheExactNames_data() {
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("name");
    QTest::newRow("name in other letters") << kNE << "Fontanelle";
    QTest::newRow("area in other letters") << kNE.toUpper() << "FONTANELLE";
    QTest::newRow("place of another sheet") << kNE << "SAN ROCCO";
    QTest::newRow("quotes") << kNE << "FONTANELLE\" or \"1\"=\"1";
    QTest::newRow("column name") << kNE << "LOCALITA";
    QTest::newRow("empty") << kNE << "";
}

void LocalityDisplayTest::lookupNeedsTheExactNames() {
    QFETCH(QString, area);
    QFETCH(QString, name);
    Workspace ws;
    MainWindow& w = ws.start();
    Workspace::choose(w.f1area, kNE);
    const QRect geometry = w.Image1->geometry();
    combo::setText(w.f1area, area);
    combo::setText(w.cmbloc, name);
    w.cmbloc_Click();

    QCOMPARE(ws.dialogs.texts(), QStringList{kInexistent});
    QVERIFY(!ws.dialogs.shown().front().hourglassBusy);
    QCOMPARE(w.Image1->picture(), w.state().loadedPicture);
    QCOMPARE(w.Image1->geometry(), geometry);
    QVERIFY(boxesHidden(w));
    QCOMPARE(boxTexts(w), QStringList(6, QString()));
}

void LocalityDisplayTest::typingInTheBoxDoesNothing() {
    Workspace ws;
    MainWindow& w = ws.start();
    Workspace::choose(w.f1area, kNE);
    QTest::keyClicks(w.cmbloc->lineEdit(), QStringLiteral("FONTANELLE"));
    QCOMPARE(combo::text(w.cmbloc), QStringLiteral("FONTANELLE"));
    QCOMPARE(ws.dialogs.texts(), QStringList());
    QCOMPARE(w.Image1->picture(), w.state().loadedPicture);
    QVERIFY(boxesHidden(w));
}

void LocalityDisplayTest::positionThatIsNotANumber_data() {
    QTest::addColumn<QVariant>("px");
    QTest::addColumn<QVariant>("py");
    QTest::newRow("text") << QVariant(QStringLiteral("abc")) << QVariant(900.0);
    QTest::newRow("empty") << QVariant(3000.0) << QVariant();
}

void LocalityDisplayTest::positionThatIsNotANumber() {
    QFETCH(QVariant, px);
    QFETCH(QVariant, py);
    Workspace ws;
    MainWindow& w = ws.start();
    test::addLocality(w.Data2, kNE, QStringLiteral("SENZA POSTO"), px, py);
    Workspace::choose(w.f1area, kNE);
    const QRect geometry = w.Image1->geometry();
    Workspace::choose(w.cmbloc, QStringLiteral("SENZA POSTO"));

    QCOMPARE(
        ws.dialogs.texts(),
        QStringList{QStringLiteral("La posizione della località sulla cartina non è un numero.")});
    QVERIFY(!ws.dialogs.shown().front().hourglassBusy);
    QCOMPARE(w.Image1->picture(), w.state().loadedPicture);
    QCOMPARE(w.Image1->geometry(), geometry);
    QVERIFY(w.Image1->shown());
    QVERIFY(boxesHidden(w));
}

ORVENA_TEST_MAIN(LocalityDisplayTest)
#include "LocalityDisplayTest.moc"
