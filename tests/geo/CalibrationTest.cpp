#include "geo/Calibration.h"
#include "geo/Readout.h"
#include "support/TestMain.h"

#include <cmath>
#include <limits>

using namespace orvena;

Q_DECLARE_METATYPE(orvena::ReferencePoint)
Q_DECLARE_METATYPE(orvena::ReadoutInput)

namespace {

ReferencePoint point(int x, int y, Dms lat, Dms lon) {
    return {x, y, lat, lon};
}

// The worked example: a sheet at 12 twips per second of latitude and 10 per
// second of longitude, first point at (300, 450), 45 30 0 / 9 10 0.
const ReferencePoint kFirst = point(300, 450, {45, 30, 0}, {9, 10, 0});
const ReferencePoint kSecond = point(9300, 7650, {45, 20, 0}, {9, 25, 0});

ReadoutInput exampleAt(int x, int y, float latScale = 12.0f, float lonScale = 10.0f) {
    return {x, y, latScale, lonScale, 450, 163800, 300, 33000};
}

} // namespace

class CalibrationTest : public QObject {
    Q_OBJECT
private slots:
    void toSeconds_data() {
        QTest::addColumn<int>("deg");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("sec");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("expected");
        QTest::newRow("example") << 45 << 30 << 0 << true << 163800;
        QTest::newRow("negative degrees not mirrored") << -45 << 30 << 0 << true << -160200;
        QTest::newRow("largest") << 596523 << 0 << 847 << true << 2147483647;
        QTest::newRow("one past largest") << 596523 << 0 << 848 << false << 0;
        QTest::newRow("degrees overflow") << 600000 << 0 << 0 << false << 0;
        QTest::newRow("degrees overflow, minutes bring it back")
            << 596524 << -60 << 0 << false << 0;
    }
    void toSeconds() {
        QFETCH(int, deg);
        QFETCH(int, min);
        QFETCH(int, sec);
        QFETCH(bool, ok);
        QFETCH(int, expected);
        const auto s = orvena::toSeconds({deg, min, sec});
        QCOMPARE(s.has_value(), ok);
        if (ok) QCOMPARE(*s, expected);
    }

    void calibrate_data() {
        QTest::addColumn<ReferencePoint>("first");
        QTest::addColumn<ReferencePoint>("second");
        QTest::addColumn<float>("cola");
        QTest::addColumn<float>("colo");
        QTest::newRow("example") << kFirst << kSecond << 12.0f << 10.0f;
        QTest::newRow("second point above-left") << kSecond << kFirst << 12.0f << 10.0f;
        QTest::newRow("same x: longitude scale 100")
            << kFirst << point(300, 7650, {45, 20, 0}, {9, 25, 0}) << 12.0f << 100.0f;
        QTest::newRow("same y: latitude scale 100")
            << kFirst << point(9300, 450, {45, 20, 0}, {9, 25, 0}) << 100.0f << 10.0f;
        QTest::newRow("angles typed the other way")
            << kFirst << point(9300, 7650, {45, 40, 0}, {8, 55, 0}) << -12.0f << -10.0f;
    }
    void calibrate() {
        QFETCH(ReferencePoint, first);
        QFETCH(ReferencePoint, second);
        QFETCH(float, cola);
        QFETCH(float, colo);
        const CalibrationResult result = orvena::calibrate(first, second);
        QVERIFY(result.isValid());
        const Calibration& c = result.calibration();
        QCOMPARE(c.cola, cola);
        QCOMPARE(c.colo, colo);
        // The reference values are always the first point's.
        QCOMPARE(c.pxlao, first.y);
        QCOMPARE(c.pxloo, first.x);
        QCOMPARE(c.seclao, *orvena::toSeconds(first.lat));
        QCOMPARE(c.secloo, *orvena::toSeconds(first.lon));
    }

    void calibrateRefused_data() {
        QTest::addColumn<ReferencePoint>("second");
        QTest::addColumn<int>("error");
        QTest::newRow("same latitude")
            << point(9300, 7650, {45, 30, 0}, {9, 25, 0}) << int(CalibrationError::SameLatitude);
        QTest::newRow("same longitude")
            << point(9300, 7650, {45, 20, 0}, {9, 10, 0}) << int(CalibrationError::SameLongitude);
        QTest::newRow("degrees 600000")
            << point(9300, 7650, {600000, 0, 0}, {9, 25, 0}) << int(CalibrationError::Overflow);
        QTest::newRow("difference overflows")
            << point(9300, 7650, {-596523, 0, 0}, {9, 25, 0}) << int(CalibrationError::Overflow);
    }
    void calibrateRefused() {
        QFETCH(ReferencePoint, second);
        QFETCH(int, error);
        const CalibrationResult result = orvena::calibrate(kFirst, second);
        QVERIFY(!result.isValid());
        QCOMPARE(int(result.error()), error);
    }

    void secondsToDms_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("deg");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("sec");
        QTest::newRow("59.6 no carry") << 163859.6 << 45 << 30 << 60;
        QTest::newRow("59.5 to even, no carry") << 163859.5 << 45 << 30 << 60;
        QTest::newRow("negative floors") << -1800.0 << -1 << 30 << 0;
    }
    void secondsToDms() {
        QFETCH(double, seconds);
        QFETCH(int, deg);
        QFETCH(int, min);
        QFETCH(int, sec);
        const auto dms = orvena::secondsToDms(seconds);
        QVERIFY(dms.has_value());
        QCOMPARE(*dms, (DmsParts{deg, min, sec}));
    }

    void secondsToDmsRefused_data() {
        QTest::addColumn<double>("seconds");
        QTest::newRow("degrees 600000") << 600000.0 * 3600;
        QTest::newRow("huge") << 1e300;
        QTest::newRow("nan") << std::nan("");
    }
    void secondsToDmsRefused() {
        QFETCH(double, seconds);
        QVERIFY(!orvena::secondsToDms(seconds).has_value());
    }

    void readout_data() {
        QTest::addColumn<ReadoutInput>("input");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("example") << exampleAt(4800, 4050) << "Lat = 45:25: ,Lon = 9:17:30";
        QTest::newRow("on the first point") << exampleAt(300, 450) << "Lat = 45:30: ,Lon = 9:10:";
        QTest::newRow("above the first point")
            << exampleAt(300, 420) << "Lat = 45:30:2 ,Lon = 9:10:";
        QTest::newRow("3.5 seconds") << exampleAt(300, 408) << "Lat = 45:30:4 ,Lon = 9:10:";
        // The reference positions stay at zoom 100 while the scales carry the zoom.
        QTest::newRow("zoom 110") << exampleAt(5280, 4455, 13.2f, 11.0f)
                                  << "Lat = 45:24:57 ,Lon = 9:17:33";
        QTest::newRow("negative scales")
            << exampleAt(4800, 4050, -12.0f, -10.0f) << "Lat = 45:35: ,Lon = 9:2:30";
        QTest::newRow("negative total")
            << ReadoutInput{0, 1800, 1.0f, 1.0f, 0, 0, 0, 0} << "Lat = -1:30: ,Lon = ::";
    }
    void readout() {
        QFETCH(ReadoutInput, input);
        QFETCH(QString, toolTip);
        const auto r = orvena::computeReadout(input);
        QVERIFY(r.has_value());
        QCOMPARE(r->toolTip, toolTip);
    }

    void readoutFromCalibration() {
        const Calibration c = orvena::calibrate(kFirst, kSecond).calibration();
        const auto r =
            orvena::computeReadout({4800, 4050, c.cola, c.colo, double(c.pxlao), double(c.seclao),
                                    double(c.pxloo), double(c.secloo)});
        QVERIFY(r.has_value());
        QCOMPARE(r->latSeconds, 163500.0);
        QCOMPARE(r->lonSeconds, 33450.0);
        const std::array<QString, 6> texts{"45", "25", "", "9", "17", "30"};
        QCOMPARE(r->texts, texts);
    }

    void readoutRefused_data() {
        QTest::addColumn<ReadoutInput>("input");
        QTest::newRow("zero latitude scale") << exampleAt(4800, 4050, 0.0f, 10.0f);
        QTest::newRow("zero longitude scale") << exampleAt(4800, 4050, 12.0f, 0.0f);
        QTest::newRow("nan scale") << exampleAt(4800, 4050, std::nanf(""), 10.0f);
        QTest::newRow("infinite reference")
            << ReadoutInput{0, 0, 1.0f, 1.0f, 0, std::numeric_limits<double>::infinity(), 0, 0};
        QTest::newRow("degrees overflow") << exampleAt(4800, 4050, 12.0f, 1e-6f);
    }
    void readoutRefused() {
        QFETCH(ReadoutInput, input);
        QVERIFY(!orvena::computeReadout(input).has_value());
    }
};

ORVENA_TEST_MAIN(CalibrationTest)
#include "CalibrationTest.moc"
