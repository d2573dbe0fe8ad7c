// A scan turned by half a degree and shrunk 0.3 % across, placed in UTM 33 /
// ED50 by an affine map GDAL holds: its corners' coordinates, asked of
// gdaltransform, written into .map files by hand, imported with the
// program's command, exported for GIS and read back by gdaltransform at
// fifty pixels. Four corners fitted in the grid land within 2 m of the
// truth; the two-point calibration of the same scan is far off.
#include "TestMain.h"
#include "Workspace.h"

#include "Records.h"
#include "core/archive/AreaCalibrations.h"
#include "core/archive/WorkingPair.h"
#include "core/geo/SheetModelStore.h"
#include "core/geo/SheetOutlines.h"
#include "core/geo/SheetPosition.h"
#include "core/gis/GisExport.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>

#include <cmath>

using namespace orvena;
using orvena::test::Workspace;

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 900;
// A black square near the top right corner of the scan: where the per-axis
// fit of the turned scan is furthest off.
const QRectF kBlock(1140, 60, 0, 0);

QByteArray run(const QString& program, const QStringList& args, const QString& folder,
               const QByteArray& input = {}, int* exitCode = nullptr) {
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    if (exitCode) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput() + p.readAllStandardError();
}

// Pixels to the coordinates of target (without one, of the dataset's own
// system) as gdaltransform given options reads dataset.
QList<QPointF> gdaltransform(const QString& dataset, const QList<QPointF>& pixels,
                             const char* target, QStringList options = {}) {
    QByteArray input;
    for (const QPointF& p : pixels)
        input += QByteArray::number(p.x(), 'f', 6) + ' ' + QByteArray::number(p.y(), 'f', 6) + '\n';
    if (target) options << "-t_srs" << QString::fromLatin1(target);
    const QByteArray out =
        run(QStringLiteral("gdaltransform"), options << dataset, QString(), input);
    QList<QPointF> points;
    for (const QString& line : QString::fromLatin1(out).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList v = line.split(QRegularExpression(QStringLiteral("\\s+")));
        points << QPointF(v.value(0).toDouble(), v.value(1).toDouble());
    }
    return points;
}

QList<QPointF> fiftyPixels() {
    QList<QPointF> pixels;
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 5; ++j)
            pixels << QPointF(37.5 + 125 * i, 41.5 + 190 * j);
    return pixels;
}

// The scan's true placement: 20 m a pixel down, 0.3 % less across, turned
// by 0.5 degrees.
QByteArray truthVrt() {
    const double turn = 0.5 * M_PI / 180, across = 20 * (1 - 0.003), down = 20;
    return QStringLiteral("<VRTDataset rasterXSize=\"%1\" rasterYSize=\"%2\">"
                          "<SRS>EPSG:23033</SRS><GeoTransform>400000, %3, %4, 4650000, %5, %6"
                          "</GeoTransform><VRTRasterBand dataType=\"Byte\" band=\"1\"/>"
                          "</VRTDataset>\n")
        .arg(kWidth)
        .arg(kHeight)
        .arg(across * std::cos(turn), 0, 'f', 12)
        .arg(down * std::sin(turn), 0, 'f', 12)
        .arg(across * std::sin(turn), 0, 'f', 12)
        .arg(-down * std::cos(turn), 0, 'f', 12)
        .toLatin1();
}

// A .map point line: the pixel and its ED50 latitude and longitude in
// degrees and decimal minutes.
QByteArray pointLine(int n, QPointF pixel, QPointF lonLat) {
    const auto dm = [](double v) {
        const double d = std::floor(v);
        return QByteArray::number(d, 'f', 0) + ',' + QByteArray::number((v - d) * 60, 'f', 10);
    };
    return "Point" + QByteArray::number(n).rightJustified(2, '0') + ",xy," +
           QByteArray::number(pixel.x()) + ',' + QByteArray::number(pixel.y()) + ",in, deg," +
           dm(lonLat.y()) + ",N," + dm(lonLat.x()) + ",E, grid,   ,           ,           ,N\r\n";
}

QByteArray mapFile(const QByteArray& projection, const QList<QPointF>& pixels,
                   const QList<QPointF>& lonLat) {
    QByteArray text = "OziExplorer Map Data File Version 2.2\r\nStorto\r\nC:\\Scansioni\\storto.jpg"
                      "\r\n1 ,Map Code,\r\nEuropean 1950,WGS 84,   0.0000,   0.0000,WGS 84\r\n"
                      "Reserved 1\r\nReserved 2\r\nMagnetic Variation,,,E\r\nMap Projection," +
                      projection + ",PolyCal,No,AutoCalOnly,No,BSBUseWPX,No\r\n";
    for (int i = 0; i < pixels.size(); ++i)
        text += pointLine(i + 1, pixels[i], lonLat[i]);
    return text + "Projection Setup,,,,,,,,,,\r\nMM0,Yes\r\n";
}

double worst(const QList<QPointF>& a, const QList<QPointF>& b) {
    double w = 0;
    for (int i = 0; i < a.size(); ++i)
        w = std::max(w, std::hypot(a[i].x() - b.value(i).x(), a[i].y() - b.value(i).y()));
    return a.size() == b.size() && !a.isEmpty() ? w : 1e9;
}

// The scan as an image at name in folder, and its true placement beside it;
// empty when either cannot be written.
QString makeScan(const QDir& folder, const QString& name) {
    QImage scan(kWidth, kHeight, QImage::Format_RGB32);
    scan.fill(Qt::white);
    QPainter(&scan).fillRect(kBlock.adjusted(-5, -5, 5, 5), Qt::black);
    const QString vrt = folder.filePath("truth.vrt");
    if (!QDir().mkpath(QFileInfo(folder.filePath(name)).path()) ||
        !scan.save(folder.filePath(name), "JPEG") || !test::writeFile(vrt, truthVrt()))
        return {};
    return vrt;
}

// A KMZ as GPS units take it, read back by GDAL (and unzip for the bytes):
// its overlays, each a baseline JPEG (SOF0, no SOF2) of at most 1024 x 1024
// under 3 MB, their LatLonBoxes in WGS 84 together the sheet's box there
// (when given, within 0.0002 degrees).
void checkKmz(const QString& kmz, int overlays, QRectF box = {}) {
    const QByteArray kml = run(QStringLiteral("unzip"), {"-p", kmz, "doc.kml"}, QString());
    QCOMPARE(kml.count("<GroundOverlay>"), overlays);
    const QByteArray listed =
        run(QStringLiteral("ogrinfo"), {"-ro", "-al", "-so", "/vsizip/" + kmz + "/doc.kml"}, {});
    QVERIFY2(listed.contains("Feature Count: " + QByteArray::number(overlays)), listed.constData());
    QRectF covered;
    static const QRegularExpression sides(QStringLiteral(
        "<north>(\\S+)</north><south>(\\S+)</south><east>(\\S+)</east><west>(\\S+)</west>"));
    for (const auto& m : sides.globalMatch(QString::fromUtf8(kml)))
        covered |= QRectF(QPointF(m.captured(4).toDouble(), m.captured(2).toDouble()),
                          QPointF(m.captured(3).toDouble(), m.captured(1).toDouble()));
    for (const auto& [a, b] : {std::pair{covered.topLeft(), box.topLeft()},
                               {covered.bottomRight(), box.bottomRight()}})
        QVERIFY2(box.isEmpty() || std::hypot(a.x() - b.x(), a.y() - b.y()) < 2e-4,
                 qPrintable(QStringLiteral("%1 %2").arg(a.x() - b.x()).arg(a.y() - b.y())));
    static const QRegularExpression href(QStringLiteral("<href>([^<]+)</href>"));
    for (const auto& m : href.globalMatch(QString::fromUtf8(kml))) {
        const QString entry = m.captured(1);
        const QByteArray bytes = run(QStringLiteral("unzip"), {"-p", kmz, entry}, QString());
        QVERIFY(bytes.size() > 0 && bytes.size() < 3'000'000);
        QVERIFY2(bytes.contains("\xFF\xC0") && !bytes.contains("\xFF\xC2"), qPrintable(entry));
        const QByteArray info =
            run(QStringLiteral("gdalinfo"), {"/vsizip/" + kmz + '/' + entry}, QString());
        static const QRegularExpression size(QStringLiteral("Size is (\\d+), (\\d+)"));
        const auto s = size.match(QString::fromUtf8(info));
        QVERIFY2(s.hasMatch() && s.captured(1).toInt() <= 1024 && s.captured(2).toInt() <= 1024,
                 info.constData());
    }
}

} // namespace

Q_DECLARE_METATYPE(FitModel)

class CalibratedSheetTest : public QObject {
    Q_OBJECT
private slots:
    void readBackByGdal_data() {
        QTest::addColumn<QByteArray>("projection");
        QTest::addColumn<QList<QPointF>>("corners");
        QTest::addColumn<double>("least"); // metres, at the worst of the fifty pixels
        QTest::addColumn<double>("most");
        QTest::newRow("affine in UTM 33 from four corners")
            << QByteArray("(UTM) Universal Transverse Mercator")
            << QList<QPointF>{{0, 0}, {kWidth, 0}, {kWidth, kHeight}, {0, kHeight}} << 0.0 << 2.0;
        QTest::newRow("the two-point calibration")
            << QByteArray("Latitude/Longitude") << QList<QPointF>{{0, 0}, {kWidth, kHeight}}
            << 100.0 << 1e6;
    }
    void readBackByGdal() {
        QFETCH(QByteArray, projection);
        QFETCH(QList<QPointF>, corners);
        Workspace w;
        const QDir folder(w.folder.path());
        const QString truth = makeScan(folder, "scansioni/storto.jpg");
        QVERIFY(!truth.isEmpty());

        const QString map = folder.filePath("scansioni/storto.map");
        QVERIFY(test::writeFile(
            map, mapFile(projection, corners, gdaltransform(truth, corners, "EPSG:4230"))));
        int exitCode = -1;
        const QByteArray said = run(QStringLiteral(ORVENA_PROGRAM), {"--importa-calibrazione", map},
                                    folder.path(), {}, &exitCode);
        QVERIFY2(exitCode == 0, said.constData());
        QVERIFY(QFileInfo(folder.filePath("storto.jpg")).isFile());
        QVERIFY(gis::exportForGis(folder.path(), folder.filePath("gis")).ok());

        const QList<QPointF> pixels = fiftyPixels();
        const QList<QPointF> expected = gdaltransform(truth, pixels, "EPSG:23033");
        QFETCH(double, least);
        QFETCH(double, most);
        // GDAL's own reader of the .map written beside the sheet agrees.
        for (const char* read : {"storto.jpg", "storto.map"}) {
            const double error =
                worst(gdaltransform(folder.filePath(read), pixels, "EPSG:23033"), expected);
            qInfo("%s: worst of fifty pixels: %.3f m", read, error);
            QVERIFY2(error >= least && error <= most, qPrintable(read + QString::number(error)));
        }
        if (corners.size() == 2) return;

        // The read-out's WGS 84 position (the tool tip's second line and
        // "Copia posizione") at the same pixels, against GDAL's.
        const SheetPosition position(loadSheetModel(folder.path(), "storto.jpg"), kWidth, kHeight);
        QVERIFY(position.hasModel());
        // Degrees to metres near 42 N: close enough for a bound of 2 m.
        const auto metres = [](double lon, double lat) {
            return QPointF(lon * 111320 * std::cos(42 * M_PI / 180), lat * 111320);
        };
        QList<QPointF> shown, gdal;
        for (const QPointF& p : pixels) {
            const auto r = position.readoutAt(p.x(), p.y());
            const auto g = r ? position.wgs84(r->latSeconds, r->lonSeconds) : std::nullopt;
            QVERIFY(g);
            shown << metres(g->lon, g->lat);
        }
        for (const QPointF& g : gdaltransform(truth, pixels, "EPSG:4326"))
            gdal << metres(g.x(), g.y());
        qInfo("read-out in WGS 84: %.3f m", worst(shown, gdal));
        QVERIFY2(worst(shown, gdal) < 2.0, qPrintable(QString::number(worst(shown, gdal))));

        // The tiles warped through the model: the black square where the
        // truth puts it, white a few pixels of the scan away.
        QVERIFY(gis::exportForGis(folder.path(), folder.filePath("tessere"), {}, {true}).ok());
        const QString tiles = folder.filePath("tessere/storto.mbtiles");
        const QList<QPointF> at =
            gdaltransform(truth, {kBlock.center(), kBlock.center() + QPointF(0, 12)}, "EPSG:3857");
        for (int i = 0; i < at.size(); ++i) {
            const QByteArray value =
                run(QStringLiteral("gdallocationinfo"),
                    {"-valonly", "-b", "1", "-geoloc", tiles, QString::number(at[i].x(), 'f', 2),
                     QString::number(at[i].y(), 'f', 2)},
                    QString());
            QVERIFY2(i == 0 ? value.trimmed().toInt() < 100 : value.trimmed().toInt() > 200,
                     value.constData());
        }
    }

    // Models that are not affine reach GDAL as ground control points in the
    // image's .aux.xml: fitted back by GDAL (the spline with -tps), the
    // sheet lands where the model puts it.
    void controlPointsReadByGdal_data() {
        QTest::addColumn<FitModel>("model");
        QTest::addColumn<int>("columns"); // of a lattice of points, 4 rows
        QTest::addColumn<QStringList>("options");
        QTest::newRow("polynomial") << FitModel::Polynomial2 << 3 << QStringList();
        QTest::newRow("projective") << FitModel::Projective << 2 << QStringList();
        QTest::newRow("spline") << FitModel::ThinPlateSpline << 3 << QStringList{"-tps"};
    }
    void controlPointsReadByGdal() {
        QFETCH(FitModel, model);
        QFETCH(int, columns);
        QFETCH(QStringList, options);
        Workspace w;
        const QDir folder(w.folder.path());
        const QString truth = makeScan(folder, "storto.jpg");
        QVERIFY(!truth.isEmpty());
        QList<QPointF> pixels;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < columns; ++c)
                pixels << QPointF(30 + c * (kWidth - 60.0) / (columns - 1), 20 + r * 280);
        const QList<QPointF> grid = gdaltransform(truth, pixels, "EPSG:23033");
        SheetPoints points{model, 23033, {}, {}};
        for (int i = 0; i < pixels.size(); ++i)
            points.points.push_back(
                {pixels[i].x(), pixels[i].y(), true, grid.value(i).y(), grid.value(i).x()});
        {
            WorkingPair pair(folder.path());
            const QString failure = storeSheetModel(pair, "storto.jpg", points, Datum::Ed50);
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        }
        QVERIFY(gis::exportForGis(folder.path(), folder.filePath("gis")).ok());
        QVERIFY(!QFileInfo::exists(folder.filePath("storto.jgw")));
        const double error =
            worst(gdaltransform(folder.filePath("storto.jpg"), fiftyPixels(), nullptr, options),
                  gdaltransform(truth, fiftyPixels(), "EPSG:23033"));
        qInfo("worst of fifty pixels: %.3f m", error);
        QVERIFY2(error < 2.0, qPrintable(QString::number(error)));
    }

    // Which sheets hold a WGS 84 point: the scan by its model within the
    // border stored with it (not its image's edges), the demo atlas's sheets
    // by their records. Its MBTiles are cut at that border: PNG tiles,
    // opaque inside it and transparent outside, read back by GDAL.
    void sheetsHoldingAPoint() {
        Workspace w;
        const QDir folder(w.folder.path());
        const QString truth = makeScan(folder, "storto.jpg");
        QVERIFY(!truth.isEmpty());
        const QList<QPointF> corners = {{0, 0}, {kWidth, 0}, {kWidth, kHeight}, {0, kHeight}};
        const QList<QPointF> grid = gdaltransform(truth, corners, "EPSG:23033");
        SheetPoints points{
            FitModel::Affine, 23033, {}, {{100, 100}, {1100, 100}, {1100, 800}, {100, 800}}};
        for (int i = 0; i < corners.size(); ++i)
            points.points.push_back(
                {corners[i].x(), corners[i].y(), true, grid.value(i).y(), grid.value(i).x()});
        {
            WorkingPair pair(folder.path());
            QCOMPARE(storeSheetModel(pair, "storto.jpg", points, Datum::Ed50), QString());
        }
        const SheetOutlines outlines = SheetOutlines::read(folder.path());
        QCOMPARE(outlines.size(), std::size_t(5)); // the demo atlas's four and the scan
        const QList<QPointF> pixels = {{600, 450}, {110, 110}, {50, 450}, {600, 850}, {1150, 60}};
        const QList<bool> held = {true, true, false, false, false};
        const QList<QPointF> wgs84 = gdaltransform(truth, pixels, "EPSG:4326");
        for (int i = 0; i < pixels.size(); ++i)
            QCOMPARE(outlines.holding({wgs84.value(i).x(), wgs84.value(i).y()}),
                     held[i] ? QStringList{"storto.jpg"} : QStringList());

        gis::GisExportOptions options(true);
        options.kmz = options.geoTiff = true;
        const gis::GisExportReport report =
            gis::exportForGis(folder.path(), folder.filePath("gis"), {}, options);
        QVERIFY2(report.ok() && report.kmzSets == 5 && report.geoTiffs == 5,
                 qPrintable(gis::reportText(report)));
        const QString tiles = folder.filePath("gis/storto.mbtiles");
        QVERIFY(run(QStringLiteral("gdalinfo"), {tiles}, QString()).contains("format=png"));
        // Inside the border, a pixel of the scan (the black square is outside);
        // outside it, nothing.
        const QList<QPointF> mercator = gdaltransform(truth, pixels, "EPSG:3857");
        for (int i = 0; i < pixels.size(); ++i) {
            const QByteArray alpha =
                run(QStringLiteral("gdallocationinfo"),
                    {"-valonly", "-b", "4", "-geoloc", tiles,
                     QString::number(mercator.value(i).x(), 'f', 2),
                     QString::number(mercator.value(i).y(), 'f', 2)},
                    QString())
                    .trimmed();
            QVERIFY2(alpha.toInt() == (held[i] ? 255 : 0) && !alpha.isEmpty(),
                     qPrintable(QString::number(i) + ": " + alpha));
        }

        // The GeoTIFF beside the image in UTM 33 / ED50, where the truth is.
        const double tiff = worst(gdaltransform(folder.filePath("storto.geo.tif"), pixels, nullptr),
                                  gdaltransform(truth, pixels, nullptr));
        QVERIFY2(tiff < 2.0, qPrintable(QString::number(tiff)));
        const QList<QPointF> lonLat = gdaltransform(truth, corners, "EPSG:4326");
        QRectF box(lonLat.value(0), lonLat.value(0));
        for (const QPointF& p : lonLat)
            box = QRectF(QPointF(std::min(box.left(), p.x()), std::min(box.top(), p.y())),
                         QPointF(std::max(box.right(), p.x()), std::max(box.bottom(), p.y())));
        checkKmz(folder.filePath("gis/storto.kmz"), 2, box);
        checkKmz(folder.filePath("gis/valfonda_se.kmz"), 4); // a two-point sheet
    }

    // Several files at once: each reported, the good one stored, a
    // malformed one and one whose image would replace another refused with
    // nothing of theirs stored, and the status says so.
    void refusedFilesStoreNothing() {
        Workspace w;
        const QDir folder(w.folder.path());
        QVERIFY(folder.mkdir("scansioni"));
        QImage scan(400, 300, QImage::Format_RGB32);
        scan.fill(Qt::gray);
        for (const char* image : {"scansioni/storto.jpg", "scansioni/valfonda_no.gif"})
            QVERIFY(scan.save(folder.filePath(image), "JPEG"));
        const QByteArray good =
            mapFile("Latitude/Longitude", {{0, 0}, {400, 300}}, {{13.0, 42.5}, {13.1, 42.4}});
        const QByteArray sheetBefore = test::fileBytes(folder.filePath("valfonda_no.gif"));
        for (const auto& [name, text] :
             {std::pair{"good.map", good},
              {"bad.map", QByteArray(good).replace("Point02,xy,400", "Point02,xy,4OO")},
              {"clash.map", QByteArray(good).replace("storto.jpg", "valfonda_no.gif")}})
            QVERIFY(test::writeFile(folder.filePath(QStringLiteral("scansioni/") + name), text));
        int exitCode = -1;
        const QString said = QString::fromUtf8(run(QStringLiteral(ORVENA_PROGRAM),
                                                   {"--importa-calibrazione", "scansioni/good.map",
                                                    "scansioni/bad.map", "scansioni/clash.map"},
                                                   folder.path(), {}, &exitCode));
        QCOMPARE(exitCode, 1);
        QVERIFY2(
            said.contains("good.map: foglio storto.jpg calibrato con 2 punti, modello per asse") &&
                said.contains("bad.map: non importato. riga 11 (Point02): «4OO» non è un numero") &&
                said.contains("clash.map: non importato. Nella cartella esiste già "
                              "un'immagine valfonda_no.gif diversa") &&
                said.contains("File importati: 1 di 3."),
            qPrintable(said));
        QCOMPARE(test::fileBytes(folder.filePath("valfonda_no.gif")), sheetBefore);
        QCOMPARE(test::queryRows(folder.filePath("area.mdb"),
                                 "select AREA, MODEL from AREA_CALIBRATION"),
                 QStringList{"storto.jpg|per-asse"});
    }
};

ORVENA_TEST_MAIN(CalibratedSheetTest)
#include "CalibratedSheetTest.moc"
