#include "core/geo/Datum.h"
#include "support/TestMain.h"

#include <cmath>

using namespace orvena;

namespace {

// A point in a datum and where cs2cs puts it in WGS 84, degrees.
struct Point {
    const char* tag;
    Datum datum;
    double lon, lat, wgsLon, wgsLat;
};

// One centimetre in degrees of latitude, and of longitude at 46° N.
constexpr double kCentimetreLat = 0.01 / 111000.0;
constexpr double kCentimetreLon = 0.01 / 77000.0;

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
        QVERIFY2(std::abs(p->lon - wgsLon) < kCentimetreLon &&
                     std::abs(p->lat - wgsLat) < kCentimetreLat,
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
