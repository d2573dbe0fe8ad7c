#include "core/base/Numbers.h"
#include "support/TestMain.h"

#include <cmath>
#include <limits>

using namespace orvena;

class NumbersTest : public QObject {
    Q_OBJECT
private slots:
    void parseNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("value"); // null: refused
        QTest::newRow("locale comma") << "12,5" << QVariant(12.5);
        QTest::newRow("blanks around") << " 7 " << QVariant(7.0);
        QTest::newRow("minus sign") << "-3,25" << QVariant(-3.25);
        QTest::newRow("plus sign") << "+4" << QVariant(4.0);
        QTest::newRow("C form") << "12.5" << QVariant(12.5);
        // Empty, blanks only, a word, trailing junk, not a number, infinite, too large.
        for (const char* text : {"", "   ", "abc", "12x", "nan", "inf", "1e400"})
            QTest::addRow("refused \"%s\"", text) << QString(text) << QVariant();
    }
    void parseNumber() {
        QFETCH(QString, text);
        QFETCH(QVariant, value);
        const auto v = orvena::parseNumber(text); // the default locale is Italian here
        QCOMPARE(v ? QVariant(*v) : QVariant(), value);
    }

    void roundToInt32_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QVariant>("expected"); // null: refused
        QTest::newRow("12.5 to even") << 12.5 << QVariant(12);
        QTest::newRow("13.5 to even") << 13.5 << QVariant(14);
        QTest::newRow("-2.5 to even") << -2.5 << QVariant(-2);
        QTest::newRow("-3.5 to even") << -3.5 << QVariant(-4);
        QTest::newRow("-0.5 to zero") << -0.5 << QVariant(0);
        QTest::newRow("below half") << 2.49999 << QVariant(2);
        QTest::newRow("above half") << -2.6 << QVariant(-3);
        QTest::newRow("int max") << 2147483647.0 << QVariant(std::numeric_limits<int>::max());
        QTest::newRow("tie above max") << 2147483647.5 << QVariant();
        QTest::newRow("tie at min") << -2147483648.5 << QVariant(std::numeric_limits<int>::min());
        QTest::newRow("below min") << -2147483649.0 << QVariant();
        QTest::newRow("nan") << std::nan("") << QVariant();
        QTest::newRow("inf") << std::numeric_limits<double>::infinity() << QVariant();
    }
    void roundToInt32() {
        QFETCH(double, value);
        QFETCH(QVariant, expected);
        const auto v = orvena::roundToInt32(value);
        QCOMPARE(v ? QVariant(*v) : QVariant(), expected);
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
