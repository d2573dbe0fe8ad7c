#include "TempFolder.h"
#include "TestMain.h"

#include "core/geo/Geodesic.h"
#include "core/geo/TrackStats.h"
#include "core/gis/TrackFile.h"

#include <QFile>
#include <QProcess>

#include <cmath>

using namespace orvena;

namespace {

// Five points of a walk, as a CSV that gpsbabel turns into GPX: a track
// through them and each as a waypoint. Ascent 50 m, descent 10 m, an hour
// and a half, standing still between the third and fourth.
const char* const kCsv = "lat,lon,alt,name,utc_d,utc_t\n"
                         "45.3000,9.5000,120,PRATO,2024/05/01,08:00:00\n"
                         "45.3100,9.5100,150,CASCINA,2024/05/01,08:20:00\n"
                         "45.3200,9.5200,140,PONTE,2024/05/01,08:40:00\n"
                         "45.3200,9.5200,140,SOSTA,2024/05/01,09:10:00\n"
                         "45.3300,9.5050,160,CIMA,2024/05/01,09:30:00\n";
const std::vector<LonLat> kPoints = {
    {9.50, 45.30}, {9.51, 45.31}, {9.52, 45.32}, {9.52, 45.32}, {9.505, 45.33}};

struct FormatRow {
    const char* tag;
    const char* suffix;
    QStringList ogrLayers; // empty: gpsbabel's GPX itself
    bool times;
    int waypoints;
};

struct BadRow {
    const char* tag;
    const char* name;
    QByteArray content; // empty: no such file
    const char* reason;
};

bool run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << program << arguments << p.readAllStandardError();
        return false;
    }
    return true;
}

} // namespace

Q_DECLARE_METATYPE(FormatRow)
Q_DECLARE_METATYPE(BadRow)

class TrackFileTest : public QObject {
    Q_OBJECT
    test::TempFolder folder_;
    QString gpx_;

private slots:
    // The GPX is written by gpsbabel, so the reader meets a file no code of
    // ours wrote.
    void initTestCase() {
        QFile csv(folder_.file(QStringLiteral("walk.csv")));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write(kCsv);
        csv.close();
        gpx_ = folder_.file(QStringLiteral("walk.gpx"));
        QVERIFY(run(QStringLiteral("gpsbabel"),
                    {QStringLiteral("-i"), QStringLiteral("unicsv"), QStringLiteral("-f"),
                     csv.fileName(), QStringLiteral("-x"), QStringLiteral("transform,trk=wpt"),
                     QStringLiteral("-o"), QStringLiteral("gpx"), QStringLiteral("-F"), gpx_}));
    }

    void sameTrackInEveryFormat_data() {
        test::addRows<FormatRow>({
            {"GPX by gpsbabel", "gpx", {}, true, 5},
            {"KMZ", "kmz", {QStringLiteral("tracks"), QStringLiteral("waypoints")}, false, 5},
            {"GeoJSON", "geojson", {QStringLiteral("tracks")}, false, 0},
        });
    }
    // The same walk in each format gives the same track and figures: the
    // length is the sum of its geodesic legs, the climbs and extremes the
    // elevations' (from ele, or the coordinates' third value).
    void sameTrackInEveryFormat() {
        QFETCH(FormatRow, row);
        QString path = gpx_;
        if (!row.ogrLayers.isEmpty()) {
            path = folder_.file(QStringLiteral("walk.") + QLatin1String(row.suffix));
            QFile::remove(path);
            QVERIFY(run(QStringLiteral("ogr2ogr"),
                        QStringList{QStringLiteral("--config"), QStringLiteral("GPX_ELE_AS_25D"),
                                    QStringLiteral("YES"), path, gpx_} +
                            row.ogrLayers));
        }
        const TrackFile file = readTrackFile(path);
        QVERIFY2(file.ok(), qPrintable(file.error));
        QCOMPARE(file.tracks.size(), std::size_t(1));
        QCOMPARE(int(file.waypoints.size()), row.waypoints);
        const auto& points = file.tracks[0].points;
        QCOMPARE(points.size(), kPoints.size());
        double metres = 0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            QVERIFY(std::abs(points[i].at.lon - kPoints[i].lon) < 1e-9);
            QVERIFY(std::abs(points[i].at.lat - kPoints[i].lat) < 1e-9);
            if (i > 0) metres += geodesic::inverse(kPoints[i - 1], kPoints[i]).metres;
        }
        const TrackFigures f = trackFigures(points);
        QVERIFY(std::abs(f.metres - metres) < 1e-6);
        QCOMPARE(f.ascent.value_or(-1), 50.0);
        QCOMPARE(f.descent.value_or(-1), 10.0);
        QCOMPARE(f.highest.value_or(-1), 160.0);
        QCOMPARE(f.lowest.value_or(-1), 120.0);
        QCOMPARE(f.seconds.has_value(), row.times);
        if (row.times) {
            QCOMPARE(*f.seconds, 5400.0);
            QCOMPARE(*f.movingSeconds, 5400.0 - 1800.0);
            QCOMPARE(points[0].time, 1714550400.0); // 2024-05-01 08:00 UTC
        }
        if (row.waypoints > 0) {
            QCOMPARE(file.waypoints[0].name, QStringLiteral("PRATO"));
            QCOMPARE(file.waypoints[4].name, QStringLiteral("CIMA"));
        }
    }

    void badFilesRefusedByName_data() {
        QFile gpx(gpx_);
        QVERIFY(gpx.open(QIODevice::ReadOnly));
        const QByteArray whole = gpx.readAll();
        test::addRows<BadRow>({
            {"truncated GPX", "cut.gpx", whole.left(whole.size() / 2), "danneggiato o incompleto"},
            {"not XML", "notes.gpx", "these are not the tracks\n", "non è un file GPX"},
            {"no points", "empty.gpx",
             "<?xml version=\"1.0\"?><gpx version=\"1.1\" creator=\"x\" "
             "xmlns=\"http://www.topografix.com/GPX/1/1\"><metadata/></gpx>",
             "non contiene tracce"},
            {"GeoJSON without features", "none.geojson",
             "{\"type\":\"FeatureCollection\",\"features\":[]}", "non contiene tracce"},
            {"no such file", "gone.gpx", {}, "non c'è"},
        });
    }
    // A file that cannot be read is refused naming it and saying why; what
    // it held is not kept.
    void badFilesRefusedByName() {
        QFETCH(BadRow, row);
        const QString path = folder_.file(QLatin1String(row.name));
        if (!row.content.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(row.content);
        }
        const TrackFile file = readTrackFile(path);
        QVERIFY(!file.ok());
        QVERIFY2(file.error.contains(u'"' + QLatin1String(row.name) + u'"'), qPrintable(file.error));
        QVERIFY2(file.error.contains(QString::fromUtf8(row.reason)), qPrintable(file.error));
        QVERIFY(file.tracks.empty() && file.waypoints.empty());
    }
};

ORVENA_TEST_MAIN(TrackFileTest)
#include "TrackFileTest.moc"
