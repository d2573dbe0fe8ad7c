#include "toolkit/Numbers.h"
#include "support/TestMain.h"

#include <cmath>
#include <limits>

using namespace orvena;

class NumbersTest : public QObject {
    Q_OBJECT
private slots:
    void parseNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("locale comma") << "12,5" << true << 12.5;
        QTest::newRow("blanks around") << " 7 " << true << 7.0;
        QTest::newRow("minus sign") << "-3,25" << true << -3.25;
        QTest::newRow("plus sign") << "+4" << true << 4.0;
        QTest::newRow("C form") << "12.5" << true << 12.5;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blanks only") << "   " << false << 0.0;
        QTest::newRow("word") << "abc" << false << 0.0;
        QTest::newRow("trailing junk") << "12x" << false << 0.0;
        QTest::newRow("nan") << "nan" << false << 0.0;
        QTest::newRow("inf") << "inf" << false << 0.0;
        QTest::newRow("too large") << "1e400" << false << 0.0;
    }
    void parseNumber() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        const auto v = orvena::parseNumber(text); // the default locale is Italian here
        QCOMPARE(v.has_value(), ok);
        if (ok) QCOMPARE(*v, value);
    }

    void roundToInt32_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("expected");
        QTest::newRow("12.5 to even") << 12.5 << true << 12;
        QTest::newRow("13.5 to even") << 13.5 << true << 14;
        QTest::newRow("-2.5 to even") << -2.5 << true << -2;
        QTest::newRow("-3.5 to even") << -3.5 << true << -4;
        QTest::newRow("-0.5 to zero") << -0.5 << true << 0;
        QTest::newRow("below half") << 2.49999 << true << 2;
        QTest::newRow("above half") << -2.6 << true << -3;
        QTest::newRow("int max") << 2147483647.0 << true << std::numeric_limits<int>::max();
        QTest::newRow("tie above max") << 2147483647.5 << false << 0;
        QTest::newRow("tie at min") << -2147483648.5 << true << std::numeric_limits<int>::min();
        QTest::newRow("below min") << -2147483649.0 << false << 0;
        QTest::newRow("nan") << std::nan("") << false << 0;
        QTest::newRow("inf") << std::numeric_limits<double>::infinity() << false << 0;
    }
    void roundToInt32() {
        QFETCH(double, value);
        QFETCH(bool, ok);
        QFETCH(int, expected);
        const auto v = orvena::roundToInt32(value);
        QCOMPARE(v.has_value(), ok);
        if (ok) QCOMPARE(*v, expected);
    }

    void formatHash_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero is empty") << 0 << "";
        QTest::newRow("digits") << 45 << "45";
        QTest::newRow("negative") << -1 << "-1";
        QTest::newRow("min") << std::numeric_limits<int>::min() << "-2147483648";
    }
    void formatHash() {
        QFETCH(int, value);
        QFETCH(QString, expected);
        QCOMPARE(orvena::formatHash(value), expected);
    }
};

ORVENA_TEST_MAIN(NumbersTest)
#include "NumbersTest.moc"
