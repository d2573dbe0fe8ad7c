#include "TestMain.h"

#include "core/geo/CoordinateText.h"
#include "core/geo/Geodesic.h"
#include "core/geo/Ruler.h"
#include "core/geo/TrackStats.h"

#include <cmath>

using namespace orvena;

namespace {

struct LegRow {
    const char* tag;
    LonLat a, b;
    double metres, azimuth; // geod +ellps=WGS84 -I -f %.9f -F %.6f, taken once
};

struct FiguresRow {
    const char* tag;
    std::vector<TrackPoint> points;
    double seconds, moving, ascent, descent, highest, lowest; // NaN: none expected
};

struct TextRow {
    const char* tag;
    const char* text;
    double lat, lon; // NaN: not a position
};

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// A point north of 45° N, 9.5° E by metres, at an elevation and a time.
TrackPoint northBy(double metres, double elevation, double time) {
    return {{9.5, 45.0 + metres / 111132.0}, elevation, time};
}

void compareOptional(const std::optional<double>& got, double expected, const char* what) {
    if (std::isnan(expected)) {
        QVERIFY2(!got, what);
        return;
    }
    QVERIFY2(got.has_value(), what);
    QVERIFY2(std::abs(*got - expected) < 0.5, qPrintable(QStringLiteral("%1: %2 instead of %3")
                                                              .arg(QLatin1String(what))
                                                              .arg(*got)
                                                              .arg(expected)));
}

} // namespace

Q_DECLARE_METATYPE(LegRow)
Q_DECLARE_METATYPE(FiguresRow)
Q_DECLARE_METATYPE(TextRow)

class TrackGeodesyTest : public QObject {
    Q_OBJECT
private slots:
    void legsAgreeWithGeod_data() {
        test::addRows<LegRow>({
            {"a kilometre north", {9.1796525, 45.4716670}, {9.1796525, 45.4806}, 992.823288, 0.0},
            {"across the plain", {9.3, 45.1}, {10.1, 45.5}, 76898.603772, 54.399510360},
            {"Rome to New York", {12.4964, 41.9028}, {-74.0060, 40.7128}, 6907577.026364,
             360.0 - 58.986127111},
            {"across the Tasman", {151.2093, -33.8688}, {174.7633, -36.8485}, 2160508.809018,
             105.537411208},
            {"over the antimeridian", {179.5, 0.5}, {-179.5, -0.5}, 156902.496062, 134.806490799},
            {"a metre east", {9.5, 45.3}, {9.5000128, 45.3}, 1.003959, 89.999995451},
        });
    }
    // Lengths within a millimetre a kilometre of PROJ's own geod, azimuths
    // within a millionth of a degree; the same legs make a track's length.
    void legsAgreeWithGeod() {
        QFETCH(LegRow, row);
        const geodesic::Leg leg = geodesic::inverse(row.a, row.b);
        QVERIFY2(std::abs(leg.metres - row.metres) <= 1e-3 * std::max(1.0, row.metres / 1000.0),
                 qPrintable(QString::number(leg.metres, 'f', 6)));
        QVERIFY2(std::abs(leg.azimuth - row.azimuth) < 1e-6, qPrintable(QString::number(leg.azimuth, 'f', 9)));
        const std::vector<TrackPoint> track = {{row.a}, {row.b}, {row.a}};
        QVERIFY(std::abs(trackFigures(track).metres - 2 * leg.metres) < 1e-6);
        QCOMPARE(distanceAlong(track).back(), trackFigures(track).metres);
    }

    void figures_data() {
        test::addRows<FiguresRow>({
            {"no elevations, no times", {northBy(0, kNone, kNone), northBy(100, kNone, kNone)},
             kNone, kNone, kNone, kNone, kNone, kNone},
            // 10 m a minute is moving; 1 m in 5 minutes is standing.
            {"a stop in the middle",
             {northBy(0, 100, 0), northBy(600, 110, 60), northBy(601, 110, 360),
              northBy(1201, 130, 420)},
             420, 120, 30, 0, 130, 100},
            // Wobbles under the threshold add nothing; a real descent counts.
            {"noise and a descent",
             {northBy(0, 200, kNone), northBy(10, 201.5, kNone), northBy(20, 200.2, kNone),
              northBy(30, 190, kNone), northBy(40, 195, kNone)},
             kNone, kNone, 5, 10, 201.5, 190},
        });
    }
    void figures() {
        QFETCH(FiguresRow, row);
        const TrackFigures f = trackFigures(row.points);
        compareOptional(f.seconds, row.seconds, "time");
        compareOptional(f.movingSeconds, row.moving, "moving time");
        compareOptional(f.ascent, row.ascent, "ascent");
        compareOptional(f.descent, row.descent, "descent");
        compareOptional(f.highest, row.highest, "highest");
        compareOptional(f.lowest, row.lowest, "lowest");
    }

    void positionsAsText_data() {
        test::addRows<TextRow>({
            {"as copied", "45.4716670, 9.1796525", 45.471667, 9.1796525},
            {"degrees, minutes, seconds", "45°28'18\" N, 9°10'47\" E", 45.471667, 9.179722},
            {"blanks only", "45 28 18 9 10 47", 45.471667, 9.179722},
            {"decimal commas apart by a semicolon", "45,5; -9,25", 45.5, -9.25},
            {"south and west", "33 52 S 151 12 W", -33.866667, -151.2},
            {"ovest", "45.5 N 9.25 O", 45.5, -9.25},
            {"off the globe", "95, 9", kNone, kNone},
            {"words", "Milano", kNone, kNone},
            {"one number", "45.5", kNone, kNone},
        });
    }
    void positionsAsText() {
        QFETCH(TextRow, row);
        const auto p = parseLatLon(QString::fromUtf8(row.text));
        QCOMPARE(p.has_value(), !std::isnan(row.lat));
        if (!p) return;
        QVERIFY(std::abs(p->lat - row.lat) < 1e-6);
        QVERIFY(std::abs(p->lon - row.lon) < 1e-6);
    }

    // The ruler: legs and total by the geodesics, the leg to the pointer
    // counted while it moves, the area once closed on its first point; a
    // click after that starts again.
    void rulerMeasures() {
        Ruler r;
        const LonLat a{9.3, 45.1}, b{10.1, 45.5}, c{10.1, 45.1};
        r.add(a);
        r.add(b);
        RulerFigures f = r.figures(c);
        const double ab = 76898.603772;
        const double bc = geodesic::inverse(b, c).metres;
        QVERIFY(std::abs(f.metres - (ab + bc)) < 1e-3);
        QCOMPARE(f.legMetres, bc);
        QVERIFY(std::abs(f.azimuth - 180.0) < 1e-9);
        QVERIFY(!f.squareMetres);
        r.add(c);
        r.add({9.30001, 45.10001}, 5.0); // within 5 m of a: closes
        QVERIFY(r.closed());
        f = r.figures(LonLat{0, 0});
        QVERIFY(std::abs(f.metres - (ab + bc + geodesic::inverse(c, a).metres)) < 1e-3);
        // A right triangle of about 63 km by 44 km.
        QVERIFY(f.squareMetres && *f.squareMetres > 1.3e9 && *f.squareMetres < 1.5e9);
        QVERIFY(Ruler::text(f).contains(QStringLiteral("km²")));
        r.add(a);
        QVERIFY(!r.closed());
        QCOMPARE(r.points().size(), std::size_t(1));
    }
};

ORVENA_TEST_MAIN(TrackGeodesyTest)
#include "TrackGeodesyTest.moc"
