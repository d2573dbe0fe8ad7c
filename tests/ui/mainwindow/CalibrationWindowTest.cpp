// The calibration window through the main window: points clicked and typed,
// the residuals of a case worked by hand, "Registra" and the other ways out;
// a sheet calibrated from its points read under the pointer as gdaltransform
// reads it, until a two-point set-up forgets its points; .map files imported
// from the menu.
#include "MapWindow.h"

#include "core/archive/AreaDatums.h"
#include "core/archive/WorkingPair.h"
#include "core/geo/SheetModelStore.h"
#include "ui/windows/CalibrationWindow.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QProcess>
#include <QTableWidget>

#include <cmath>
#include <functional>

using namespace orvena;
using namespace orvena::test;

namespace {

const QString kSheet = QStringLiteral("esempio.jpg");
const QString kEd50 = QStringLiteral("EPSG:4230");

// The corners of a rectangle on the 700 x 600 pixel sheet, clockwise from
// the top left, and where they lie in UTM 32N / ED50: 2 m a pixel from
// 500000 E, 5000000 N.
const QList<QPointF> kCorners = {{100, 100}, {500, 100}, {500, 400}, {100, 400}};
QPointF grid(QPointF pixel) {
    return {500000 + 2 * pixel.x(), 5000000 - 2 * pixel.y()};
}

// The main window on a 700 x 600 pixel sheet in ED50 set up by two points
// (the worked example: 12 and 10 twips a second, 45 30 0 / 9 10 0 at
// pixel (20, 30)), chosen as the user does.
MainWindow& startOnSheet(Workspace& ws) {
    MainWindow& w = ws.start();
    if (!demo::writeLargeSheet(ws.file(kSheet), 700, 600).isEmpty()) qFatal("sheet not written");
    addRecord(ws.archives.Data1, {{"AREA", kSheet}, {"COLA", 12.0}, {"COLO", 10.0}},
              {{"PXLAO", 450}, {"SECLAO", 163800}, {"PXLOO", 300}, {"SECLOO", 33000}});
    {
        WorkingPair pair(ws.folder.path());
        areadatums::store(pair, kSheet, kEd50);
    }
    w.Form_Load();
    makeRoomForTheSheet(w);
    Workspace::choose(w.f1area, kSheet);
    return w;
}

QString rowText(const QTableWidget* t, int row) {
    QStringList texts;
    for (int c = 0; c < t->columnCount(); ++c)
        texts << (t->item(row, c) ? t->item(row, c)->text() : QString());
    return texts.join(u'|');
}

QString stored(Workspace& ws) {
    return queryRows(ws.file("area.mdb"),
                     "select AREA, MODEL, GRID, json_array_length(POINTS) from AREA_CALIBRATION")
        .join(u' ');
}

// Pixels to the coordinates of target as gdaltransform reads dataset.
QList<QPointF> gdaltransform(const QString& dataset, const QList<QPointF>& pixels,
                             const char* target) {
    QProcess p;
    p.start(QStringLiteral("gdaltransform"), {"-t_srs", target, dataset});
    for (const QPointF& px : pixels)
        p.write(QByteArray::number(px.x(), 'f', 6) + ' ' + QByteArray::number(px.y(), 'f', 6) +
                '\n');
    p.closeWriteChannel();
    p.waitForFinished(60000);
    QList<QPointF> out;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (const QList<QByteArray> v = line.simplified().split(' '); v.size() >= 2)
            out << QPointF(v[0].toDouble(), v[1].toDouble());
    return out;
}

struct Leaving {
    const char* tag;
    double error; // metres added to the first corner's easting
    QString residual, fit, scale;
    bool flagged;
    std::function<void(CalibrationWindow*)> leave;
    bool stores;
};

} // namespace

Q_DECLARE_METATYPE(Leaving)

class CalibrationWindowTest : public QObject {
    Q_OBJECT
private slots:
    // Four corners of a rectangle fitted by the affine model, the first
    // corner's easting off by e metres: the fit takes three quarters of the
    // error, leaving e/4 on every corner, alternately forward and back; the
    // fitted scale across is 2 - e/800 m a pixel (the slope of the eastings
    // over the columns), so e/4 / (2 - e/800) pixels. Two corners are clicked and two typed; moving
    // the first one to where its coordinates lie clears every residual.
    void calibrateThroughTheWindow_data() {
        QTest::addColumn<Leaving>("row");
        const auto press = [](auto button) {
            return
                [button](CalibrationWindow* c) { QTest::mouseClick(c->*button, Qt::LeftButton); };
        };
        for (const Leaving& row : {
                 Leaving{"Registra", 8, "1.01|2.00", "RMS 1.01 px, 2.00 m", "50", false,
                         press(&CalibrationWindow::storeButton), true},
                 Leaving{"Esc, a mis-click", 48, "6.19|12.00",
                         "RMS 6.19 px, 12.00 m - da "
                         "controllare: 1, 2, 3, 4",
                         "5", true,
                         [](CalibrationWindow* c) { QTest::keyClick(c, Qt::Key_Escape); }, false},
                 Leaving{"Esci", 8, "1.01|2.00", "RMS 1.01 px, 2.00 m", "50", false,
                         press(&CalibrationWindow::exitButton), false},
                 Leaving{"the frame", 0, "0.00|0.00", "RMS 0.00 px, 0.00 m", "500", false,
                         [](CalibrationWindow* c) { c->close(); }, false},
             })
            QTest::newRow(row.tag) << row;
    }
    void calibrateThroughTheWindow() {
        QFETCH(Leaving, row);
        Workspace ws;
        MainWindow& w = startOnSheet(ws);
        const QByteArray before = fileBytes(ws.file("area.mdb"));
        w.mncalibra->trigger();
        CalibrationWindow* c = w.calibrationWindow();
        QVERIFY(c && c->isVisible());

        // The set-up's first point and the far corner as its calibration reads it.
        QCOMPARE(rowText(c->table, 0), "20.00|30.00|45 30 0.000|9 10 0.000|0.00|0.00");
        QCOMPARE(rowText(c->table, 1), "700.00|600.00|45 18 7.500|9 27 0.000|0.00|0.00");
        QCOMPARE(c->fitLabel->text(), "Modello per asse con 2 punti: RMS 0.00 px, 0.00 m");
        for (int i = 0; i < 2; ++i) {
            c->table->setCurrentCell(0, 0);
            QTest::mouseClick(c->removeButton, Qt::LeftButton);
        }
        c->gridBox->setCurrentIndex(c->gridBox->findData(23032));
        emit c->gridBox->activated(c->gridBox->currentIndex());

        for (int i = 0; i < kCorners.size(); ++i) {
            QTest::mouseClick(c->addButton, Qt::LeftButton);
            QVERIFY(w.Image1->pickMode());
            if (i % 2 == 0) {
                clickAt(w.Image1, int(kCorners[i].x() * 15), int(kCorners[i].y() * 15));
            } else {
                c->table->item(i, 0)->setText(QString::number(kCorners[i].x()));
                c->table->item(i, 1)->setText(QString::number(kCorners[i].y()));
            }
            QVERIFY(!w.Image1->pickMode());
            const QPointF g = grid(kCorners[i]) + QPointF(i == 0 ? row.error : 0, 0);
            c->table->item(i, 3)->setText(QString::number(g.x(), 'f', 2));
            c->table->item(i, 2)->setText(QString::number(g.y(), 'f', 2));
        }
        QCOMPARE(c->fitLabel->text(), "Modello affine con 4 punti: " + row.fit);
        QCOMPARE(c->scaleLabel->text(), "Frecce dei residui ingrandite " + row.scale + " volte");
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(rowText(c->table, i).section(u'|', 4), row.residual);
            const auto& mark = c->layer().points()[i];
            QCOMPARE(mark.flagged, row.flagged);
            const double dx = row.error / 4 / (2 - row.error / 800);
            QVERIFY(std::abs(mark.residual.x() - (i % 2 ? -dx : dx)) < 1e-6);
        }
        // The arrow of the first corner over the map, red when flagged.
        if (row.error > 0) {
            const QColor arrow = w.Image1->grab().toImage().pixelColor(120, 100);
            QVERIFY2(row.flagged ? arrow.red() > 150 && arrow.blue() < 100
                                 : arrow.blue() > 150 && arrow.red() < 100,
                     qPrintable(arrow.name()));
        }

        c->table->setCurrentCell(0, 0);
        QTest::mouseClick(c->moveButton, Qt::LeftButton);
        QVERIFY(w.Image1->pickMode());
        clickAt(w.Image1, int((100 + row.error / 2) * 15), 1500);
        QCOMPARE(c->fitLabel->text(), "Modello affine con 4 punti: RMS 0.00 px, 0.00 m");

        ws.dialogs.takeTexts();
        row.leave(c);
        QTRY_VERIFY(!w.calibrationWindow());
        QVERIFY(!w.Image1->pickMode());
        QCOMPARE(ws.dialogs.texts(), QStringList());
        if (!row.stores) {
            QCOMPARE(fileBytes(ws.file("area.mdb")), before);
            return;
        }
        QCOMPARE(stored(ws), kSheet + "|affine|23032|4");
        // The record's fields are the points' per-axis fit, the datum kept.
        QVERIFY(queryRows(ws.file("area.mdb"), "select COLA, COLO from AREA") !=
                QStringList{"12.0|10.0"});
        QCOMPARE(areadatums::readIn(ws.folder.path(), kSheet).code, kEd50);
    }

    // A sheet calibrated affine in UTM 32N / ED50: the tool tip's first line
    // (ED50) and "Copia posizione WGS 84" at a few pixels, against
    // gdaltransform over the same placement; a two-point set-up of the sheet
    // then forgets the points and the read-out is the record's again.
    void modelSheetUnderThePointer() {
        Workspace ws;
        MainWindow& w = startOnSheet(ws);
        // Turned by about 6 degrees: the record's per-axis fit is 120 m off at
        // the far corner, seconds the tool tip shows.
        const auto turned = [](QPointF p) { return grid(p) + QPointF(0.2 * p.y(), 0.2 * p.x()); };
        SheetPoints points{FitModel::Affine, 23032, {}, {}};
        for (const QPointF& p : kCorners)
            points.points.push_back({p.x(), p.y(), true, turned(p).y(), turned(p).x()});
        {
            WorkingPair pair(ws.folder.path());
            QCOMPARE(storeSheetModel(pair, kSheet, points, Datum::Ed50), QString());
        }
        Workspace::choose(w.f1area, kSheet);
        const QString vrt = ws.file("placement.vrt");
        QVERIFY(writeFile(vrt, "<VRTDataset rasterXSize=\"700\" rasterYSize=\"600\"><SRS>"
                               "EPSG:23032</SRS><GeoTransform>500000, 2, 0.2, 5000000, 0.2, -2"
                               "</GeoTransform><VRTRasterBand dataType=\"Byte\" band=\"1\"/>"
                               "</VRTDataset>\n"));
        const QList<QPointF> pixels = {{10, 20}, {123, 457}, {350, 300}, {699, 599}};
        const QList<QPointF> ed50 = gdaltransform(vrt, pixels, "EPSG:4230");
        const QList<QPointF> wgs84 = gdaltransform(vrt, pixels, "EPSG:4326");
        QCOMPARE(ed50.size(), pixels.size());
        for (int i = 0; i < pixels.size(); ++i) {
            pointTo(w.Image1, int(pixels[i].x() * 15), int(pixels[i].y() * 15));
            const auto expected = readoutOf(ed50[i].y() * 3600, ed50[i].x() * 3600);
            QVERIFY(expected);
            const QStringList tip = w.Image1->toolTip().split(u'\n');
            QCOMPARE(tip.value(0), expected->toolTip);
            w.mncopiapos->trigger();
            const QStringList copied = QGuiApplication::clipboard()->text().split(u',');
            QVERIFY2(tip.value(1).startsWith("WGS 84 = " + QGuiApplication::clipboard()->text()),
                     qPrintable(tip.value(1)));
            const double north = (copied.value(0).toDouble() - wgs84[i].y()) * 111320;
            const double east = (copied.value(1).toDouble() - wgs84[i].x()) * 111320 * 0.7;
            QVERIFY2(std::hypot(north, east) < 2.0, qPrintable(copied.join(u',')));
        }

        ws.dialogs.queueFile(ws.file(kSheet));
        w.mnapri->trigger(); // "Area già esistente": yes
        typePoint(w, QStringLiteral("45|30|0|9|10|0"));
        clickAt(w.Image1, 300, 450);
        typePoint(w, QStringLiteral("45|20|0|9|25|0"));
        clickAt(w.Image1, 9300, 7650);
        QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
        QCOMPARE(stored(ws), QString());
        pointTo(w.Image1, 4800, 4050);
        QCOMPARE(w.Image1->toolTip().section(u'\n', 0, 0), "Lat = 45:25: ,Lon = 9:17:30");
    }

    // Several .map files chosen at once: a line for each, the count, and the
    // sheet brought in listed in the area box.
    void importFromTheMenu() {
        Workspace ws;
        MainWindow& w = startOnSheet(ws);
        QImage scan(400, 300, QImage::Format_RGB32);
        scan.fill(Qt::gray);
        QVERIFY(QDir(ws.folder.path()).mkdir("scansioni"));
        QVERIFY(scan.save(ws.file("scansioni/storto.jpg"), "JPEG"));
        const QByteArray good =
            "OziExplorer Map Data File Version 2.2\r\nStorto\r\nstorto.jpg\r\n1 ,Map Code,\r\n"
            "WGS 84,WGS 84,   0.0000,   0.0000,WGS 84\r\nReserved 1\r\nReserved 2\r\n"
            "Magnetic Variation,,,E\r\nMap Projection,Latitude/Longitude,PolyCal,No,"
            "AutoCalOnly,No,BSBUseWPX,No\r\n"
            "Point01,xy,0,0,in, deg,42,30,N,13,0,E, grid,   ,           ,           ,N\r\n"
            "Point02,xy,400,300,in, deg,42,24,N,13,6,E, grid,   ,           ,           ,N\r\n"
            "Projection Setup,,,,,,,,,,\r\nMM0,Yes\r\n";
        QVERIFY(writeFile(ws.file("scansioni/good.map"), good));
        QVERIFY(writeFile(ws.file("scansioni/bad.map"), "non una calibrazione\r\n"));
        ws.dialogs.queueFile(ws.file("scansioni/good.map") + '\n' + ws.file("scansioni/bad.map"));
        w.mnimportamap->trigger();
        const QStringList told = ws.dialogs.texts().value(0).split(u'\n');
        QCOMPARE(told.size(), 3);
        QVERIFY2(told[0].startsWith("good.map: foglio storto.jpg calibrato con 2 punti"),
                 qPrintable(told[0]));
        QVERIFY2(told[1].startsWith("bad.map: non importato."), qPrintable(told[1]));
        QCOMPARE(told[2], "File importati: 1 di 2.");
        QVERIFY(w.f1area->findText("storto.jpg") >= 0);
        QCOMPARE(combo::text(w.f1area), kSheet);
        QCOMPARE(stored(ws), "storto.jpg|per-asse|0|2");
    }
};

ORVENA_TEST_MAIN(CalibrationWindowTest)
#include "CalibrationWindowTest.moc"
