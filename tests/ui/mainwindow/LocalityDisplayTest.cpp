#include "MapWindow.h"

#include "core/base/Picture.h"
#include "ui/map/MapView.h"

#include <QPainter>
#include <QPushButton>

using namespace orvena;
using namespace orvena::test;

namespace {

// Writes the pixels of composed that differ from clean to file, the others
// transparent, the place of the part in the PNG's "at" text.
bool recordChanges(const QImage& clean, const QImage& composed, const QString& file) {
    QRect changed;
    for (int y = 0; y < clean.height(); ++y)
        for (int x = 0; x < clean.width(); ++x)
            if (composed.pixel(x, y) != clean.pixel(x, y)) changed |= QRect(x, y, 1, 1);
    QImage part = composed.copy(changed).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x)
            if (part.pixel(x, y) == clean.pixel(changed.topLeft() + QPoint(x, y)))
                part.setPixel(x, y, 0);
    part.setText(QStringLiteral("at"), QStringLiteral("%1,%2").arg(changed.x()).arg(changed.y()));
    return part.save(file);
}
} // namespace

class LocalityDisplayTest : public QObject {
    Q_OBJECT
private slots:

    // VILLAFREDDA (PX 14064, PY 5110) with the image first at -2000, 500: its left and top
    // afterwards.
    void arrowLandsOnTheFixedPoint() {
        for (const auto& [zoom, at] : {std::pair{100, QPointF(-8424, -1210)},
                                       {150, QPointF(-15386, -3565)},
                                       {70, QPointF(-4247, 203)}}) {
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
            Workspace::choose(w.cmbloc, "VILLAFREDDA");

            QCOMPARE(QPoint(w.state().markerLeft, w.state().markerTop), QPoint(11924, 5210));
            QCOMPARE(twipsOf(w.Image1).topLeft(), at);
            QCOMPARE(boxTexts(w, "-"), "45|26|54|9|51|12");
            // The arrow's corner at (5500, 3500) twips, pixel (367, 233) of the window.
            const double scale = zoom / 100.0;
            QVERIFY(arrowBlueNear(w, QPoint(367 + qRound(8 * scale), 233 + qRound(10 * scale))));
            QVERIFY(!arrowBlueNear(w, QPoint(367 + 60, 233 + 60)));
        }
    }

    void nothingMarked_data() {
        QTest::addColumn<QString>("area");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        const QString missing = QStringLiteral("Località inesistente.");
        QTest::newRow("name in other letters") << kNE << "Fontanelle" << missing;
        QTest::newRow("area in other letters") << kNE.toUpper() << "FONTANELLE" << missing;
        QTest::newRow("place of another sheet") << kNE << "SAN ROCCO" << missing;
        QTest::newRow("quotes") << kNE << "FONTANELLE\" or \"1\"=\"1" << missing;
        const QString badPosition =
            QStringLiteral("La posizione della località sulla cartina non è un numero.");
        QTest::newRow("position not a number") << kNE << "SENZA POSTO" << badPosition;
        QTest::newRow("position out of range") << kNE << "LONTANISSIMO" << badPosition;
    }

    void nothingMarked() {
        QFETCH(QString, area);
        QFETCH(QString, name);
        QFETCH(QString, message);
        Workspace ws;
        MainWindow& w = ws.start();
        addLocality(w.Data2, kNE, "SENZA POSTO", "abc", 900.0);
        addLocality(w.Data2, kNE, "LONTANISSIMO", 1e300, 900.0);
        Workspace::choose(w.f1area, kNE);
        const QRect geometry = w.Image1->geometry();
        // Typing in the box looks nothing up (no message of its own); the click does.
        QTest::keyClicks(w.cmbloc->lineEdit(), "FONTANELLE");
        combo::setText(w.f1area, area);
        combo::setText(w.cmbloc, name);
        w.cmbloc_Click();

        checkTold(ws, message);
        QCOMPARE(w.Image1->picture(), w.Image1->sheet());
        QCOMPARE(w.Image1->geometry(), geometry);
        QCOMPARE(boxTexts(w, "-"), "-|-|-|-|-|-");
    }

    // The composed pictures of a few markings on the demo atlas, as the program
    // painted them when they were recorded (tests/ui/mainwindow/composed/: the part that
    // differs from the clean sheet, its place in the PNG's "at" text). Both the
    // picture Image1 shows and what the canvas holds must equal it, pixel for
    // pixel; the markings accumulate, the loaded picture stays the clean sheet
    // and a load shows it clean again. ORVENA_RECORD_COMPOSED=1 writes them anew
    // into the source folder.
    void composedAsRecorded_data() {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QStringList>("places"); // marked in this order
        QTest::addColumn<int>("zoomSteps");
        // POZZO: PY 809 gives the up arrow below the point, 810 the down arrow
        // above it; CIMA DEL MONTE and CASCINA LONTANA have their names on the
        // left, for want of room on the right.
        const auto row = [](const char* tag, const QString& sheet, const char* places, int zoom) {
            QTest::newRow(tag) << sheet << QString(places).split(u'|') << zoom;
        };
        row("ne_809", kNE, "POZZO 809", 0);
        row("ne_two", kNE, "VILLAFREDDA|MOLINO DEL PONTE", 0);
        row("ne_edges", kNE, "CIMA DEL MONTE|POZZO|CASCINA LONTANA|VILLAFREDDA|VILLAFREDDA", 0);
        row("no_gif", "valfonda_no.gif", "PIEVE DI SOPRA|BORGO SERRA", 0);
        row("se_jpeg_zoomed", "valfonda_se.jpg", "SAN MARTINO|CORNALE", 3);
    }

    void composedAsRecorded() {
        QFETCH(QString, sheet);
        QFETCH(QStringList, places);
        QFETCH(int, zoomSteps);
        Workspace ws;
        MainWindow& w = ws.start();
        addLocality(w.Data2, kNE, "CIMA DEL MONTE", 23500.0, 600.0);
        addLocality(w.Data2, kNE, "POZZO", 3140.0, 810.0);
        addLocality(w.Data2, kNE, "POZZO 809", 3140.0, 809.0);
        addLocality(w.Data2, kNE, "CASCINA LONTANA", 22870.0, 12531.0);
        Workspace::choose(w.f1area, sheet);
        const QImage clean = loadPicture(ws.file(sheet)).value();
        for (int i = 0; i < zoomSteps; ++i)
            w.cmding_Click();
        for (const QString& place : places)
            Workspace::choose(w.cmbloc, place);
        QCOMPARE(ws.dialogs.texts(), QStringList());
        const QImage composed = w.Image1->picture();
        QCOMPARE(w.Image1->markedPicture(), composed);
        QCOMPARE(w.Image1->sheet(), clean);

        // The recorded changes over the clean sheet.
        const QString file = QFINDTESTDATA("composed") + u'/' + QTest::currentDataTag() + ".png";
        if (qEnvironmentVariableIsSet("ORVENA_RECORD_COMPOSED"))
            QVERIFY(recordChanges(clean, composed, file));
        const QImage recorded(file);
        QVERIFY(!recorded.isNull());
        const QStringList at = recorded.text(QStringLiteral("at")).split(u',');
        QImage expected = clean.convertToFormat(composed.format());
        QPainter(&expected).drawImage(at.value(0).toInt(), at.value(1).toInt(), recorded);
        QCOMPARE(composed, expected);
        Workspace::choose(w.f1area, sheet);
        QCOMPARE(w.Image1->picture(), clean);
        QCOMPARE(w.Image1->markedPicture(), composed); // until the next marking
    }

    // A name keeps its colour (white in this style) and gets a thin dark halo:
    // it reads on a white sheet, on the screen and on the printed page alike.
    void nameReadableOnAWhiteSheet() {
        Workspace ws;
        MainWindow& w = ws.start();
        const QString sheet = QStringLiteral("bianca.bmp");
        QImage white(800, 600, QImage::Format_RGB32);
        white.fill(Qt::white);
        QVERIFY(white.save(ws.file(sheet), "BMP"));
        test::addRecord(w.Data1, {{"AREA", sheet}, {"COLA", 24.25}, {"COLO", 17.0}});
        w.Form_Load();
        test::addLocality(w.Data2, sheet, QStringLiteral("CASA BIANCA"), 6000.0, 4500.0);
        Workspace::choose(w.f1area, sheet);
        Workspace::choose(w.cmbloc, QStringLiteral("CASA BIANCA"));
        QCOMPARE(ws.dialogs.texts(), QStringList());

        // The name's row, (4500 - 750) / 15 down, above the arrow.
        const QImage composed = w.Image1->picture().convertToFormat(QImage::Format_RGB32);
        const QRect name(390, 245, 150, 26);
        int dark = 0;
        for (int y = name.top(); y <= name.bottom(); ++y)
            for (int x = name.left(); x <= name.right(); ++x)
                if (qGray(composed.pixel(x, y)) < 64) ++dark;
        QVERIFY2(dark > 300, qPrintable(QString::number(dark)));
        QCOMPARE(QApplication::palette().color(QPalette::HighlightedText), QColor(Qt::white));

        QCOMPARE(w.Image1->grab().toImage().convertToFormat(QImage::Format_RGB32), composed);
        QTest::mouseClick(w.cmdstampa, Qt::LeftButton);
        // The page starts at the marker less (3580, 8340) twips, 15 twips a pixel.
        const QPoint marker(w.state().markerLeft, w.state().markerTop);
        const QPoint at =
            ((QPointF(1, 1) - marker + QPoint(3580, 8340)) / 15.0).toPoint() + name.topLeft();
        QCOMPARE(test::findSprite(ws.dialogs.printedPages().value(0).page, composed.copy(name),
                                  QRect(at - QPoint(1, 1), QSize(3, 3))),
                 std::optional<QPoint>(at));
    }

    // A sheet cut short is shown as far as it decodes, with its places, and the
    // damage is told once, not at every reload.
    void damagedSheetShownAndTold() {
        Workspace ws;
        const QString sheet = QStringLiteral("valfonda_se.jpg");
        QVERIFY(QFile::resize(ws.file(sheet), QFileInfo(ws.file(sheet)).size() / 2));
        MainWindow& w = ws.start();
        Workspace::choose(w.f1area, sheet);
        Workspace::choose(w.f1area, sheet);
        checkTold(ws, "Il file dell'immagine \"valfonda_se.jpg\" è danneggiato o incompleto: "
                      "la cartina è mostrata solo fin dove si è potuta leggere.");
        QCOMPARE(w.Image1->picture().size(), QSize(1600, 1200));
        Workspace::choose(w.cmbloc, "CORNALE");
        QCOMPARE(ws.dialogs.texts().size(), 1);
    }
};

ORVENA_TEST_MAIN(LocalityDisplayTest)
#include "LocalityDisplayTest.moc"
