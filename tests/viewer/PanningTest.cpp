#include "TestMain.h"
#include "Workspace.h"

#include "DemoAtlas.h"
#include "Sheets.h"
#include "archive/SqlTexts.h"
#include "toolkit/ComboText.h"
#include "toolkit/Hourglass.h"
#include "toolkit/KeyPreview.h"
#include "viewer/ArrowImage.h"
#include "viewer/MapImage.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace orvena;
using orvena::test::Workspace;

namespace {

const QString kNotFound = QStringLiteral("Area non trovata");
// Every demo sheet is 1600 x 1200 pixels.
constexpr double kSheetWidth = 1600 * 15;
constexpr double kSheetHeight = 1200 * 15;

QString sheet(const char* quadrant) {
    for (const auto& l : demo::sheetLayouts())
        if (l.quadrant == QLatin1String(quadrant)) return l.name;
    qFatal("no sheet %s", quadrant);
}

QStringList placesOf(const QString& area) {
    QStringList names;
    for (const auto& p : demo::demoPlaces())
        if (p.area == area) names << p.name;
    names.sort();
    return names;
}

MainWindow& startOn(Workspace& ws, const QString& area) {
    MainWindow& w = ws.start();
    w.show();
    QApplication::setActiveWindow(&w);
    QCoreApplication::processEvents();
    Workspace::choose(w.f1area, area);
    return w;
}

// Changes one link of an area record.
void setLink(Workspace& ws, const QString& area, const QString& field, const QString& to) {
    RecordView* v = ws.archives.Data1;
    v->setRecordSource(sql::kAreaByName, {area});
    v->refresh();
    v->moveFirst();
    v->edit();
    v->setField(field, to);
    v->update();
}

void addArea(Workspace& ws, const QString& name, const QString& north) {
    RecordView* v = ws.archives.Data1;
    v->addNew();
    v->setField(QStringLiteral("AREA"), name);
    v->setField(QStringLiteral("COLA"), 20.0);
    v->setField(QStringLiteral("COLO"), 15.0);
    v->setField(QStringLiteral("NORD"), north);
    v->update();
}

ArrowImage* arrow(MainWindow& w, const QString& name) {
    return w.findChild<ArrowImage*>(name);
}

double coordinate(const MainWindow& w, bool horizontal) {
    return horizontal ? w.Image1->left() : w.Image1->top();
}

void setCoordinate(MainWindow& w, bool horizontal, double v) {
    horizontal ? w.Image1->setLeft(v) : w.Image1->setTop(v);
}

QWidget* focused(MainWindow& w) {
    QWidget* f = QApplication::focusWidget();
    return f && f->window() == &w ? f : &w;
}

} // namespace

class PanningTest : public QObject {
    Q_OBJECT
private slots:
    void edgeTestsAreStrict_data();
    void edgeTestsAreStrict();
    void arrowStepsWithTheMouse_data();
    void arrowStepsWithTheMouse();
    void arrowKeysStepAndStop_data();
    void arrowKeysStepAndStop();
    void otherKeysReachTheBoxes();
    void crossingEachNeighbourWithTheKeys_data();
    void crossingEachNeighbourWithTheKeys();
    void spinnersStopAtZero_data();
    void spinnersStopAtZero();
    void spinnerMovesThenChangesSheet_data();
    void spinnerMovesThenChangesSheet();
    void northPlacementUsesTheNewHeight();
    void zoomedSizeCarriesOver();
    void emptyLinkShowsItsMessage_data();
    void emptyLinkShowsItsMessage();
    void neighbourNotShownKeepsTheOldSheet_data();
    void neighbourNotShownKeepsTheOldSheet();
    void shownAreaDeletedMeanwhile_data();
    void shownAreaDeletedMeanwhile();
};

// For each arrow image: at the edge the image still moves; one twip past it
// the press changes the sheet without moving the image.
void PanningTest::edgeTestsAreStrict_data() {
    QTest::addColumn<QString>("arrowName");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<double>("atEdge");
    QTest::addColumn<double>("past");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("placed"); // the new sheet's coordinate
    QTest::newRow("west") << "imgsi" << sheet("NE") << sheet("NO") << true << 5500.0 << 5501.0
                          << 240.0 << 5501.0 - kSheetWidth;
    QTest::newRow("east") << "imgde" << sheet("NO") << sheet("NE") << true << 5500.0 - kSheetWidth
                          << 5499.0 - kSheetWidth << -240.0 << 5500.0;
    QTest::newRow("north") << "imgsu" << sheet("SO") << sheet("NO") << false << 3500.0 << 3501.0
                           << 240.0 << 3501.0 - kSheetHeight;
    QTest::newRow("south") << "imggiu" << sheet("NO") << sheet("SO") << false
                           << 3500.0 - kSheetHeight << 3499.0 - kSheetHeight << -240.0 << 3500.0;
}

void PanningTest::edgeTestsAreStrict() {
    QFETCH(QString, arrowName);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, horizontal);
    QFETCH(double, atEdge);
    QFETCH(double, past);
    QFETCH(double, step);
    QFETCH(double, placed);
    Workspace ws;
    MainWindow& w = startOn(ws, from);
    const double other = coordinate(w, !horizontal);

    setCoordinate(w, horizontal, atEdge);
    QTest::mouseClick(arrow(w, arrowName), Qt::LeftButton);
    QCOMPARE(combo::text(w.f1area), from);
    QCOMPARE(coordinate(w, horizontal), atEdge + step);

    setCoordinate(w, horizontal, past);
    QTest::mouseClick(arrow(w, arrowName), Qt::LeftButton);
    QCOMPARE(combo::text(w.f1area), to);
    QCOMPARE(coordinate(w, horizontal), placed);
    QCOMPARE(coordinate(w, !horizontal), other);
    QCOMPARE(ws.archives.Data1->text(QStringLiteral("AREA")), to);
    QCOMPARE(combo::lines(w.cmbloc), placesOf(to));
    QVERIFY(w.Image1->picture().cacheKey() == w.state().loadedPicture.cacheKey());
    QCOMPARE(ws.dialogs.texts(), QStringList());
    QVERIFY(!hourglass::isBusy());
}

void PanningTest::arrowStepsWithTheMouse_data() {
    QTest::addColumn<QString>("arrowName");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<double>("moved");
    QTest::newRow("imgde click") << "imgde" << false << true << -240.0;
    QTest::newRow("imgde double") << "imgde" << true << true << -1440.0;
    QTest::newRow("imgsi click") << "imgsi" << false << true << 240.0;
    QTest::newRow("imgsi double") << "imgsi" << true << true << 1440.0;
    QTest::newRow("imgsu click") << "imgsu" << false << false << 240.0;
    QTest::newRow("imgsu double") << "imgsu" << true << false << 1440.0;
    QTest::newRow("imggiu click") << "imggiu" << false << false << -240.0;
    QTest::newRow("imggiu double") << "imggiu" << true << false << -1440.0;
}

void PanningTest::arrowStepsWithTheMouse() {
    QFETCH(QString, arrowName);
    QFETCH(bool, doubleClick);
    QFETCH(bool, horizontal);
    QFETCH(double, moved);
    Workspace ws;
    MainWindow& w = startOn(ws, sheet("NO"));
    const double before = coordinate(w, horizontal);
    const double other = coordinate(w, !horizontal);
    // Through the window system's side, so that the double click arrives as it
    // does for a user: press, release, press, double click, release.
    ArrowImage* a = arrow(w, arrowName);
    const QPoint at = a->mapTo(&w, a->rect().center());
    if (doubleClick)
        QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {}, at);
    else
        QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, at);
    QCOMPARE(coordinate(w, horizontal) - before, moved);
    QCOMPARE(coordinate(w, !horizontal), other);
    QCOMPARE(w.Image1->pos(), QPoint(qRound(w.Image1->left() / 15), qRound(w.Image1->top() / 15)));
}

void PanningTest::arrowKeysStepAndStop_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<double>("moved");
    QTest::newRow("right") << int(Qt::Key_Right) << true << -2400.0;
    QTest::newRow("left") << int(Qt::Key_Left) << true << 2400.0;
    QTest::newRow("up") << int(Qt::Key_Up) << false << 2400.0;
    QTest::newRow("down") << int(Qt::Key_Down) << false << -2400.0;
}

void PanningTest::arrowKeysStepAndStop() {
    QFETCH(int, key);
    QFETCH(bool, horizontal);
    QFETCH(double, moved);
    Workspace ws;
    MainWindow& w = startOn(ws, sheet("NE"));
    w.f1area->setFocus();
    const int index = w.f1area->currentIndex();
    const double before = coordinate(w, horizontal);

    QTest::keyClick(focused(w), Qt::Key(key));
    QCOMPARE(coordinate(w, horizontal) - before, moved);
    // The key stopped at the window: the area box did not go to another line.
    QCOMPARE(w.f1area->currentIndex(), index);
    QCOMPARE(combo::text(w.f1area), sheet("NE"));

    // With the map hidden the keys do nothing and go on.
    w.Image1->hide();
    int code = keycode::kLeft;
    w.Form_KeyDown(code);
    QCOMPARE(code, keycode::kLeft);
    QCOMPARE(coordinate(w, horizontal) - before, moved);
}

void PanningTest::otherKeysReachTheBoxes() {
    Workspace ws;
    MainWindow& w = startOn(ws, sheet("NO"));
    w.grlaf1->show();
    const QPoint at = w.Image1->pos();
    QTest::keyClicks(w.grlaf1, QStringLiteral("45a"));
    QCOMPARE(w.grlaf1->text(), QStringLiteral("45a"));
    int code = keycode::kOther;
    w.Form_KeyDown(code);
    QCOMPARE(code, keycode::kOther);
    QCOMPARE(w.Image1->pos(), at);
}

void PanningTest::crossingEachNeighbourWithTheKeys_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<int>("presses"); // steps of 2400 before the edge, plus the crossing
    // East: 1080 - 2400k + 24000 < 5500 first for k = 9.
    QTest::newRow("east") << sheet("NO") << int(Qt::Key_Right) << sheet("NE") << true << 10;
    // South: 840 - 2400k + 18000 < 3500 first for k = 7.
    QTest::newRow("south") << sheet("NE") << int(Qt::Key_Down) << sheet("SE") << false << 8;
    // West: 1080 + 2400k > 5500 first for k = 2.
    QTest::newRow("west") << sheet("SE") << int(Qt::Key_Left) << sheet("SO") << true << 3;
    // North: 840 + 2400k > 3500 first for k = 2.
    QTest::newRow("north") << sheet("SO") << int(Qt::Key_Up) << sheet("NO") << false << 3;
}

void PanningTest::crossingEachNeighbourWithTheKeys() {
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(QString, to);
    QFETCH(bool, horizontal);
    QFETCH(int, presses);
    Workspace ws;
    MainWindow& w = startOn(ws, from);
    w.f1area->setFocus();
    const double other = coordinate(w, !horizontal);
    int count = 0;
    double last = 0;
    while (combo::text(w.f1area) == from && count < 50) {
        last = coordinate(w, horizontal);
        QTest::keyClick(focused(w), Qt::Key(key));
        ++count;
    }
    QCOMPARE(combo::text(w.f1area), to);
    QCOMPARE(count, presses);
    QCOMPARE(coordinate(w, !horizontal), other);
    double placed = 0;
    switch (key) {
    case Qt::Key_Right:
        placed = 5500;
        break;
    case Qt::Key_Down:
        placed = 3500;
        break;
    case Qt::Key_Left:
        placed = last - kSheetWidth;
        break;
    default:
        placed = last - kSheetHeight;
        break;
    }
    QCOMPARE(coordinate(w, horizontal), placed);
    QCOMPARE(combo::lines(w.cmbloc), placesOf(to));
    QCOMPARE(ws.archives.Data1->text(QStringLiteral("AREA")), to);
    QCOMPARE(w.Image1->size(), QSize(1600, 1200));
    QCOMPARE(ws.dialogs.texts(), QStringList());
    QCOMPARE(w.f1ing->text(), QStringLiteral("100"));
}

void PanningTest::spinnersStopAtZero_data() {
    QTest::addColumn<bool>("horizontal");
    QTest::newRow("HScroll1") << true;
    QTest::newRow("VScroll1") << false;
}

void PanningTest::spinnersStopAtZero() {
    QFETCH(bool, horizontal);
    Workspace ws;
    MainWindow& w = startOn(ws, sheet("NO"));
    QScrollBar* spinner = horizontal ? w.HScroll1 : w.VScroll1;
    const double start = coordinate(w, horizontal);
    QCOMPARE(spinner->value(), 0);

    spinner->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(spinner->value(), 0);
    QCOMPARE(coordinate(w, horizontal), start);

    spinner->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    spinner->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(coordinate(w, horizontal), start - 4800);
    QCOMPARE(horizontal ? w.state().lastHScrollValue : w.state().lastVScrollValue, 2);
    spinner->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(coordinate(w, horizontal), start - 2400);
    spinner->triggerAction(QAbstractSlider::SliderSingleStepSub);
    spinner->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(coordinate(w, horizontal), start);
    QCOMPARE(combo::text(w.f1area), sheet("NO"));
    QCOMPARE(ws.dialogs.texts(), QStringList());
}

// A spinner moves first, then looks at the edges: the press that crosses
// also moved the image, and the new sheet is placed from there.
void PanningTest::spinnerMovesThenChangesSheet_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<bool>("up");           // the spinner's value goes up
    QTest::addColumn<double>("beforeLast"); // the coordinate before the crossing press
    QTest::addColumn<double>("placed");
    QTest::newRow("west") << sheet("NE") << sheet("NO") << true << false << 3101.0
                          << 5501.0 - kSheetWidth;
    QTest::newRow("east") << sheet("NO") << sheet("NE") << true << true << 7899.0 - kSheetWidth
                          << 5500.0;
    QTest::newRow("north") << sheet("SO") << sheet("NO") << false << false << 1101.0
                           << 3501.0 - kSheetHeight;
    QTest::newRow("south") << sheet("NO") << sheet("SO") << false << true << 5899.0 - kSheetHeight
                           << 3500.0;
}

void PanningTest::spinnerMovesThenChangesSheet() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, horizontal);
    QFETCH(bool, up);
    QFETCH(double, beforeLast);
    QFETCH(double, placed);
    Workspace ws;
    MainWindow& w = startOn(ws, from);
    QScrollBar* spinner = horizontal ? w.HScroll1 : w.VScroll1;
    spinner->setValue(5);
    QCOMPARE(combo::text(w.f1area), from);
    setCoordinate(w, horizontal, beforeLast);
    spinner->triggerAction(up ? QAbstractSlider::SliderSingleStepAdd
                              : QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(combo::text(w.f1area), to);
    QCOMPARE(coordinate(w, horizontal), placed);
    QCOMPARE(combo::lines(w.cmbloc), placesOf(to));
}

void PanningTest::northPlacementUsesTheNewHeight() {
    Workspace ws;
    const QString base = QStringLiteral("base.jpg");
    const QString tall = QStringLiteral("alto.jpg");
    QVERIFY(demo::writeLargeSheet(ws.file(base), 500, 300).isEmpty());
    QVERIFY(demo::writeLargeSheet(ws.file(tall), 600, 400).isEmpty()); // 6000 twips high
    MainWindow& w = ws.start();
    addArea(ws, base, tall);
    addArea(ws, tall, QString());
    w.Form_Load();
    Workspace::choose(w.f1area, base);
    w.Image1->setTop(3600);
    w.imgsu_Click(false);
    QCOMPARE(combo::text(w.f1area), tall);
    QCOMPARE(w.Image1->top(), -2400.0);
    QCOMPARE(w.Image1->left(), 1080.0);
    QCOMPARE(w.Image1->heightTwips(), 6000.0);
    QCOMPARE(w.cmbloc->count(), 0);
}

// After a zoom the new sheet is stretched to the size the image already has;
// the zoom figure and the scales stay.
void PanningTest::zoomedSizeCarriesOver() {
    Workspace ws;
    MainWindow& w = startOn(ws, sheet("NE"));
    w.cmding_Click();
    w.cmding_Click();
    const double width = w.Image1->widthTwips();
    const double height = w.Image1->heightTwips();
    const float lat = w.state().latScale;
    w.Image1->setLeft(5600);
    w.imgsi_Click(false);
    QCOMPARE(combo::text(w.f1area), sheet("NO"));
    QCOMPARE(w.Image1->widthTwips(), width);
    QCOMPARE(w.Image1->heightTwips(), height);
    QCOMPARE(w.Image1->left(), 5600 - width);
    QVERIFY(w.Image1->stretch());
    QCOMPARE(w.Image1->picture().size(), QSize(1600, 1200));
    QCOMPARE(w.f1ing->text(), QStringLiteral("120"));
    QCOMPARE(w.state().latScale, lat);
}

void PanningTest::emptyLinkShowsItsMessage_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("arrowName");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<double>("past");
    QTest::addColumn<QString>("message");
    QTest::newRow("west") << sheet("NO") << "imgsi" << true << 5600.0
                          << "Non ci sono carte collegate ad ovest";
    QTest::newRow("north") << sheet("NE") << "imgsu" << false << 3600.0
                           << "Non ci sono carte collegate a nord";
    QTest::newRow("east") << sheet("SE") << "imgde" << true << -20000.0
                          << "Non ci sono carte collegate ad est";
    QTest::newRow("south") << sheet("SO") << "imggiu" << false << -15000.0
                           << "Non ci sono carte collegate a sud";
}

void PanningTest::emptyLinkShowsItsMessage() {
    QFETCH(QString, from);
    QFETCH(QString, arrowName);
    QFETCH(bool, horizontal);
    QFETCH(double, past);
    QFETCH(QString, message);
    Workspace ws;
    MainWindow& w = startOn(ws, from);
    setCoordinate(w, horizontal, past);
    const QStringList places = combo::lines(w.cmbloc);
    const qint64 picture = w.Image1->picture().cacheKey();
    QTest::mouseClick(arrow(w, arrowName), Qt::LeftButton);
    QCOMPARE(ws.dialogs.texts(), QStringList{message});
    QVERIFY(!ws.dialogs.shown().front().hourglassBusy);
    QCOMPARE(coordinate(w, horizontal), past);
    QCOMPARE(combo::text(w.f1area), from);
    QCOMPARE(combo::lines(w.cmbloc), places);
    QCOMPARE(w.Image1->picture().cacheKey(), picture);
    QCOMPARE(ws.archives.Data1->text(QStringLiteral("AREA")), from);
    QVERIFY(!hourglass::isBusy());
}

void PanningTest::neighbourNotShownKeepsTheOldSheet_data() {
    QTest::addColumn<QString>("cause");
    QTest::newRow("image missing") << "missing";
    QTest::newRow("not a picture") << "broken";
    QTest::newRow("no record") << "record";
    QTest::newRow("record only ignoring case") << "case";
}

void PanningTest::neighbourNotShownKeepsTheOldSheet() {
    QFETCH(QString, cause);
    Workspace ws;
    const QString from = sheet("NE");
    QString to = sheet("NO");
    if (cause == QLatin1String("missing") || cause == QLatin1String("broken")) {
        QVERIFY(QFile::remove(ws.file(to)));
        if (cause == QLatin1String("broken")) {
            QFile f(ws.file(to));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("GIF89a, or so it says");
        }
    }
    MainWindow& w = ws.start();
    if (cause == QLatin1String("record")) {
        to = QStringLiteral("fantasma \"vecchia\".gif");
        QVERIFY(QFile::copy(ws.file(sheet("NO")), ws.file(to)));
        setLink(ws, from, QStringLiteral("OVEST"), to);
    } else if (cause == QLatin1String("case")) {
        to = sheet("NO").toUpper();
        QVERIFY(QFile::copy(ws.file(sheet("NO")), ws.file(to)));
        setLink(ws, from, QStringLiteral("OVEST"), to);
    }
    Workspace::choose(w.f1area, from);
    w.Image1->setLeft(5501);
    const qint64 picture = w.Image1->picture().cacheKey();
    const QRect geometry = w.Image1->geometry();
    const QStringList places = combo::lines(w.cmbloc);

    w.imgsi_Click(false);
    QCOMPARE(ws.dialogs.texts(), QStringList{kNotFound});
    QVERIFY2(!ws.dialogs.shown().front().hourglassBusy, "hourglass up at the message");
    QVERIFY(!hourglass::isBusy());
    QCOMPARE(w.Image1->picture().cacheKey(), picture);
    QCOMPARE(w.state().loadedPicture.cacheKey(), picture);
    QCOMPARE(w.Image1->geometry(), geometry);
    QCOMPARE(w.Image1->left(), 5501.0);
    QCOMPARE(combo::text(w.f1area), to);
    QCOMPARE(combo::lines(w.cmbloc), places);
    QCOMPARE(ws.archives.Data1->text(QStringLiteral("AREA")), from);
}

// The area remembered at the start of a move is gone: Data1 is left without a
// current record and nothing fails.
void PanningTest::shownAreaDeletedMeanwhile_data() {
    QTest::addColumn<QString>("standOn"); // the record Data1 stands on at the move
    QTest::addColumn<QString>("message");
    QTest::newRow("empty link") << sheet("NO") << "Non ci sono carte collegate ad ovest";
    QTest::newRow("neighbour missing") << sheet("SO") << "Area non trovata";
}

void PanningTest::shownAreaDeletedMeanwhile() {
    QFETCH(QString, standOn);
    QFETCH(QString, message);
    Workspace ws;
    QVERIFY(QFile::remove(ws.file(sheet("SE"))));
    MainWindow& w = startOn(ws, sheet("NE"));
    RecordView* v = ws.archives.Data1;
    v->setRecordSource(sql::kAreaByName, {sheet("NE")});
    v->refresh();
    v->remove();
    v->setRecordSource(sql::kAreaByName, {standOn});
    v->refresh();
    if (standOn == sheet("NO")) {
        w.Image1->setLeft(5600);
        w.imgsi_Click(false);
    } else {
        w.Image1->setLeft(-20000);
        w.imgde_Click(false);
    }
    QCOMPARE(ws.dialogs.texts(), QStringList{message});
    QVERIFY(v->eof());
    QVERIFY(!hourglass::isBusy());
}

ORVENA_TEST_MAIN(PanningTest)
#include "PanningTest.moc"
