#include "TestMain.h"

#include "core/geo/Readout.h"
#include "core/gis/GisFormats.h"
#include "core/gis/MbTiles.h"
#include "core/gis/OziMap.h"

#include <QBuffer>
#include <QXmlStreamReader>

#include <cmath>

using namespace orvena;
using namespace orvena::gis;

class GisFormatsTest : public QObject {
    Q_OBJECT
private slots:
    void worldFileMatchesTheReadout_data() {
        QTest::addColumn<SheetCalibration>("c");
        QTest::addColumn<QSize>("pixels"); // empty: no world file for the calibration
        QTest::newRow("worked example")
            << SheetCalibration{12.0f, 10.0f, 450, 163800, 300, 33000} << QSize(640, 480);
        QTest::newRow("longitude typed growing westwards: negative COLO")
            << SheetCalibration{12.0f, -10.0f, 450, 163800, 300, 33000} << QSize(100, 100);
        QTest::newRow("south of the equator, west of Greenwich")
            << SheetCalibration{7.5f, 3.25f, 0, -120000, 9000, -300000} << QSize(333, 77);
        const float inf = std::numeric_limits<float>::infinity();
        QTest::newRow("zero COLA") << SheetCalibration{0.0f, 10.0f, 0, 0, 0, 0} << QSize();
        QTest::newRow("zero COLO") << SheetCalibration{12.0f, 0.0f, 0, 0, 0, 0} << QSize();
        QTest::newRow("NaN PXLAO") << SheetCalibration{12.0f, 10.0f, qQNaN(), 0, 0, 0} << QSize();
        QTest::newRow("infinite COLO") << SheetCalibration{12.0f, inf, 0, 0, 0, 0} << QSize();
    }

    // The corners and centre of the image that a GIS computes from the world file
    // are where the read-out puts the same positions.
    void worldFileMatchesTheReadout() {
        QFETCH(SheetCalibration, c);
        QFETCH(QSize, pixels);
        const auto w = worldFileFor(c);
        QCOMPARE(w.has_value(), !pixels.isEmpty());
        if (!w) return;
        QCOMPARE((*w)[1], 0.0);
        QCOMPARE((*w)[2], 0.0);
        // The world file gives pixel centres; the image's outer corners are half a
        // pixel further out.
        const double left = (*w)[4] - (*w)[0] / 2, top = (*w)[5] - (*w)[3] / 2;
        const int width = pixels.width(), height = pixels.height();
        for (const QPoint px : {QPoint(0, 0), QPoint(width, 0), QPoint(0, height),
                                QPoint(width, height), QPoint(width / 2, height / 2)}) {
            const auto r = computeReadout({px.x() * 15, px.y() * 15, c.cola, c.colo, c.pxlao,
                                           c.seclao, c.pxloo, c.secloo}); // twips
            QVERIFY(r);
            QVERIFY2(std::abs((left + px.x() * (*w)[0]) * 3600 - r->lonSeconds) < 1e-6 &&
                         std::abs((top + px.y() * (*w)[3]) * 3600 - r->latSeconds) < 1e-6,
                     qPrintable(QStringLiteral("pixel %1,%2").arg(px.x()).arg(px.y())));
        }
        // Written as six plain numbers, whatever the locale (the tests run Italian).
        const QList<QByteArray> lines = worldFileText(*w).trimmed().split('\n');
        QCOMPARE(lines.size(), 6);
        for (int i = 0; i < 6; ++i)
            QVERIFY(std::abs(lines[i].toDouble() - (*w)[i]) < 1e-12);
    }

    // An image's world file, projection file, tiles and .map file.
    void fileNames() {
        for (const auto& [image, files] :
             {std::pair{"valfonda_no.gif",
                        "valfonda_no.gfw|valfonda_no.prj|valfonda_no.mbtiles|valfonda_no.map"},
              {"a.bmp", "a.bpw|a.prj|a.mbtiles|a.map"},
              {"a.jpg", "a.jgw|a.prj|a.mbtiles|a.map"},
              {"MAPPA.JPEG", "MAPPA.JGW|MAPPA.prj|MAPPA.mbtiles|MAPPA.map"},
              {"f. 12.tif", "f. 12.tfw|f. 12.prj|f. 12.mbtiles|f. 12.map"},
              {"foglio", "foglio.wld|foglio.prj|foglio.mbtiles|foglio.map"}}) {
            const QString name = QString::fromUtf8(image);
            QCOMPARE(gis::worldFileName(name) + '|' + projectionFileName(name) + '|' +
                         mbTilesFileName(name) + '|' + oziMapFileName(name),
                     QString::fromUtf8(files));
        }
        // Sheets that would share one take names from their whole names.
        const auto names = sheetFileNames({"prova.gif", "prova.jpg", "PROVA.jpeg", "altro.gif"});
        for (const auto& [image, files] :
             {std::pair{"prova.gif", "prova.gfw|prova.gif.prj|prova.gif.mbtiles|prova.gif.map"},
              {"prova.jpg", "prova.jpgw|prova.jpg.prj|prova.jpg.mbtiles|prova.jpg.map"},
              {"PROVA.jpeg", "PROVA.jpegw|PROVA.jpeg.prj|PROVA.jpeg.mbtiles|PROVA.jpeg.map"},
              {"altro.gif", "altro.gfw|altro.prj|altro.mbtiles|altro.map"}}) {
            const SheetFileNames n = names.value(QString::fromUtf8(image));
            QCOMPARE(n.world + '|' + n.projection + '|' + n.tiles + '|' + n.map,
                     QString::fromUtf8(files));
        }
    }

    // Each place is one line of the CSV file, and a text a spreadsheet would
    // run as a formula is kept as text behind an apostrophe.
    void csvCellsStayText() {
        const QList<std::pair<QString, QString>> names{
            {"=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A0"},
            {"+39 0123", "'+39 0123"},
            {"-1", "'-1"},
            {"@SOMMA(A1)", "'@SOMMA(A1)"},
            {"\tCASA", "' CASA"},
            {"\rCASA", "' CASA"},
            {"RIGA\r\nDUE", "RIGA  DUE"},
            {"A;B \"C\"", "\"A;B \"\"C\"\"\""},
            {"SAN ROCCO", "SAN ROCCO"}};
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        const auto writer = placeWriter(PlaceFormat::Csv, &buffer);
        writer->begin();
        for (const auto& name : names)
            writer->add({"=a.gif", name.first, 45.5, -9.25});
        QVERIFY(writer->finish());
        const QStringList lines = QString::fromUtf8(buffer.data()).split(u'\n');
        QCOMPARE(lines.size(), names.size() + 2); // the heading, the places, an empty end
        for (qsizetype i = 0; i < names.size(); ++i)
            QCOMPARE(lines[i + 1], "'=a.gif;" + names[i].second + ";45,5000000;-9,2500000");
    }

    // A sheet without a datum gets the WGS 84 texts earlier exports wrote, to
    // the byte; the others their own system, Monte Mario's with its meridian.
    void coordinateSystemTexts() {
        QCOMPARE(projectionText(),
                 QByteArray("GEOGCS[\"GCS_WGS_1984\",DATUM[\"D_WGS_1984\",SPHEROID[\"WGS_1984\","
                            "6378137.0,298.257223563]],PRIMEM[\"Greenwich\",0.0],"
                            "UNIT[\"Degree\",0.0174532925199433]]\n"));
        QVERIFY(auxiliaryText().contains("AXIS[\"Latitude\",NORTH],AXIS[\"Longitude\",EAST],"
                                         "AUTHORITY[\"EPSG\",\"4326\"]]</SRS>"));
        QVERIFY(projectionText(Datum::Roma40Rome).contains("PRIMEM[\"Rome\",12.4523333333333]"));
        QVERIFY(auxiliaryText(Datum::Ed50).contains("AUTHORITY[\"EPSG\",\"4230\"]]</SRS>"));
    }

    // Negative degrees are not mirrored; a null stands for a field that is not a number.
    void decimalDegrees() {
        for (const auto& [dms, degrees] : {std::pair{QVariantList{45, 30, 36}, QVariant(45.51)},
                                           {QVariantList{-45, 30, 0}, QVariant(-44.5)},
                                           {QVariantList{45, QVariant(), 0}, QVariant()}}) {
            auto part = [](const QVariant& v) {
                return v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
            };
            const auto d = gis::decimalDegrees(part(dms[0]), part(dms[1]), part(dms[2]));
            QCOMPARE(d.has_value(), !degrees.isNull());
            if (d) QVERIFY(std::abs(*d - degrees.toDouble()) < 1e-12);
        }
    }

    // XML cannot carry most control characters, not even escaped: they are left
    // out of the name rather than making the whole file unreadable (GPX, KML).
    void controlCharactersKeepXmlReadable() {
        for (const PlaceFormat format : {PlaceFormat::Gpx, PlaceFormat::Kml}) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            const auto writer = placeWriter(format, &buffer);
            writer->begin();
            writer->add({"a.gif", QString::fromUtf8("POZZO\x01\x1f NUOVO"), 45.5, 9.25});
            QVERIFY(writer->finish());
            QXmlStreamReader xml(buffer.data());
            QStringList names;
            while (!xml.atEnd())
                if (xml.readNext() == QXmlStreamReader::StartElement &&
                    xml.name() == QLatin1String("name"))
                    names << xml.readElementText();
            QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
            QCOMPARE(names.last(), QStringLiteral("POZZO NUOVO"));
        }
    }
};

ORVENA_TEST_MAIN(GisFormatsTest)
#include "GisFormatsTest.moc"
