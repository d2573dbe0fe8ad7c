#include "core/geo/Datum.h"
#include "core/geo/SheetPosition.h"
#include "support/TestMain.h"

#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

using namespace orvena;

namespace {

// A point in a datum and where cs2cs puts it in WGS 84, degrees.
struct Point {
    const char* tag;
    Datum datum;
    double lon, lat, wgsLon, wgsLat;
};

} // namespace

class DatumTest : public QObject {
    Q_OBJECT
private slots:
    // The expected positions are PROJ's cs2cs figures (proj-bin 9.1.1, no
    // grids, no network), for example
    //   echo 45.47 9.18 | cs2cs -f %.10f EPSG:4265 EPSG:4326
    // Longitudes from Monte Mario went through EPSG:4265 in two runs
    // (cs2cs EPSG:4806 EPSG:4265, then EPSG:4265 EPSG:4326): straight to
    // EPSG:4326 cs2cs only moves the meridian and drops the datum shift.
    void toWgs84_data() {
        test::addRows<Point>({
            {"WGS 84 stays", Datum::Wgs84, 9.25, 45.5, 9.25, 45.5},
            {"Roma 40 Roma", Datum::Roma40, 12.48, 41.9, 12.4798130616, 41.9006433880},
            {"Roma 40 Milano", Datum::Roma40, 9.18, 45.47, 9.1796525429, 45.4706700378},
            {"Roma 40 Palermo", Datum::Roma40, 13.36, 38.12, 13.3598692668, 38.1206115756},
            {"Roma 40 Sardegna", Datum::Roma40, 9.0, 40.0, 8.9996426546, 40.0006232575},
            {"Monte Mario -0 20 00", Datum::Roma40Rome, -1.0 / 3.0, 42.0, 12.1187989900,
             42.0006429214},
            {"Monte Mario Milano", Datum::Roma40Rome, -3.27, 45.47, 9.1819859685, 45.4706700517},
            {"Monte Mario Palermo", Datum::Roma40Rome, 0.9, 38.12, 13.3522023395, 38.1206115479},
            {"ED50 Firenze", Datum::Ed50, 11.25, 43.77, 11.2490414166, 43.7690464956},
            {"ED50 Bari", Datum::Ed50, 16.87, 41.12, 16.8691839528, 41.1190258305},
            {"ED50 Palermo", Datum::Ed50, 13.36, 38.12, 13.3591419334, 38.1189402064},
        });
    }
    // A sheet of about 10' around the point: PROJ's operation for it puts the
    // point where cs2cs does, within a centimetre, and back again.
    void toWgs84() {
        QFETCH(Point, row);
        const auto& [tag, datum, lon, lat, wgsLon, wgsLat] = row;
        const DatumTransform t(datum, {lon - 0.1, lat - 0.08, lon + 0.1, lat + 0.08});
        QVERIFY2(t.isValid(), qPrintable(t.error()));
        const auto p = t.forward({lon, lat});
        QVERIFY(p);
        // A centimetre is 1 / 7 700 000 of a degree of longitude at 46° N,
        // 1 / 11 100 000 of a degree of latitude.
        QVERIFY2(std::abs(p->lon - wgsLon) < 0.01 / 77000.0 &&
                     std::abs(p->lat - wgsLat) < 0.01 / 111000.0,
                 qPrintable(QStringLiteral("%1 %2 by %3")
                                .arg(p->lon, 0, 'f', 10)
                                .arg(p->lat, 0, 'f', 10)
                                .arg(t.operationName())));
        const auto back = t.inverse(*p);
        // Back within a millimetre (PROJ inverts the Helmert shift approximately).
        QVERIFY(back && std::abs(back->lon - lon) < 1e-8 && std::abs(back->lat - lat) < 1e-8);
        // Every one of these is a published transformation with its accuracy,
        // never PROJ's ballpark guess.
        QVERIFY2(t.accuracy() && !t.operationName().contains(QLatin1String("allpark")),
                 qPrintable(t.operationName()));
        QCOMPARE(datumFromCode(datumCode(datum)), datum);
        QCOMPARE(datumFromName(datumName(datum)), datum);
    }

    // A sheet around Milano in ED50: PROJ takes the operation for France (its
    // bounding box reaches 9.6 E); the one for Italy is offered beside it
    // with its own area of use and accuracy, and the sheet can choose it.
    void operationsOfferedForTheSheet() {
        const GeoBox milano{9.1, 45.4, 9.3, 45.55};
        const auto offered = datumOperations(Datum::Ed50, milano);
        QVERIFY(offered.size() > 1);
        const DatumTransform own(Datum::Ed50, milano);
        QCOMPARE(offered.front().name, own.operationName());
        QCOMPARE(offered.front().area, own.areaOfUse());
        const auto italy = std::ranges::find(offered, QString("EPSG:1133"), &DatumOperation::key);
        QVERIFY(italy != offered.end());
        QVERIFY2(italy->area.contains(QLatin1String("Italy")), qPrintable(italy->area));
        QCOMPARE(italy->accuracy, std::optional<double>(10.0));
        QVERIFY(operationText(*italy).startsWith(italy->name + ", 10 m, "));

        const DatumTransform chosen(Datum::Ed50, milano, DatumTransform::kWgs84, italy->key);
        QCOMPARE(chosen.operationName(), italy->name);
        QCOMPARE(chosen.areaOfUse(), italy->area);
        const auto a = own.forward({9.18, 45.47}), b = chosen.forward({9.18, 45.47});
        QVERIFY(a && b);
        const double metres = std::hypot((a->lon - b->lon) * 78000.0, (a->lat - b->lat) * 111000.0);
        QVERIFY2(metres > 0.3 && metres < 3.0, qPrintable(QString::number(metres)));
        // A key PROJ does not offer there leaves PROJ's own choice.
        QCOMPARE(
            DatumTransform(Datum::Ed50, milano, DatumTransform::kWgs84, "EPSG:1").operationName(),
            own.operationName());
    }

    // A stored code none of the four datums has is shown as unknown and gives
    // no WGS 84 position, rather than passing as WGS 84.
    void unknownCodeGivesNoPosition() {
        auto p = SheetPosition::forSheet("EPSG:9999", GeoBox{9, 45, 9.2, 45.1}, {});
        QVERIFY(!p.wgs84(45.05 * 3600, 9.1 * 3600));
        QCOMPARE(p.secondLine(45.05 * 3600, 9.1 * 3600),
                 "WGS 84 non disponibile: datum sconosciuto: EPSG:9999");
        QVERIFY(p.problem().contains("datum sconosciuto: EPSG:9999"));
        QVERIFY(p.problemToTellOnce().isEmpty());
        QCOMPARE(unknownDatumsNote({{"A", "EPSG:4230"}, {"B", "EPSG:9999"}}),
                 "Datum sconosciuti copiati così come sono: B (datum sconosciuto: EPSG:9999).");
    }

    // With PROJ's data missing a sheet in another datum says what is missing,
    // once in a run, and its tool tip line says why it is not there. PROJ
    // reads its folders once in a process: this runs again in a child
    // started with PROJ_DATA and PROJ_LIB on an empty folder.
    void missingProjDataToldOnce() {
        if (!qEnvironmentVariableIsSet("ORVENA_EMPTY_PROJ")) {
            QTemporaryDir empty;
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            for (const char* name : {"PROJ_DATA", "PROJ_LIB", "ORVENA_EMPTY_PROJ"})
                env.insert(name, empty.path());
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {"missingProjDataToldOnce"});
            QVERIFY(child.waitForFinished(60000));
            QVERIFY2(child.exitCode() == 0, child.readAllStandardOutput().constData());
            QVERIFY(projDataProblem().isEmpty());
            return;
        }
        const GeoBox box{9, 45, 9.2, 45.1};
        auto first = SheetPosition::forSheet("EPSG:4230", box, {});
        const auto second = SheetPosition::forSheet("EPSG:4230", box, {});
        const QString problem = projDataProblem();
        QVERIFY2(problem.contains("proj.db") &&
                     problem.contains(qEnvironmentVariable("ORVENA_EMPTY_PROJ")),
                 qPrintable(problem));
        QCOMPARE(first.problemToTellOnce(), problem);
        QVERIFY(second.problemToTellOnce().isEmpty());
        QVERIFY(!first.wgs84(45.05 * 3600, 9.1 * 3600));
        QCOMPARE(first.secondLine(45.05 * 3600, 9.1 * 3600),
                 "WGS 84 non disponibile: manca il database di PROJ (proj.db)");
    }

    // UTM through PROJ as cs2cs EPSG:4326 EPSG:326xx gives it.
    void utm() {
        UtmProjection utm;
        const struct {
            LonLat wgs;
            int zone;
            double e, n;
        } rows[] = {{{9.1796525429, 45.4706700378}, 32, 514042.9635, 5035253.7344},
                    {{16.8691839528, 41.1190258305}, 33, 656921.9111, 4553653.8165},
                    {{12.4798130616, 41.9006433880}, 33, 290952.3498, 4641816.3455}};
        for (const auto& r : rows) {
            const auto p = utm.fromWgs84(r.wgs);
            QVERIFY(p && p->north);
            QCOMPARE(p->zone, r.zone);
            QVERIFY(std::abs(p->easting - r.e) < 0.01 && std::abs(p->northing - r.n) < 0.01);
        }
        QVERIFY(!utm.fromWgs84({9.0, 85.0}));
    }
};

ORVENA_TEST_MAIN(DatumTest)
#include "DatumTest.moc"
