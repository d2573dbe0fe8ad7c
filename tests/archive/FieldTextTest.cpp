#include "ArchiveTest.h"

#include "archive/FieldText.h"

#include <QtTest>

void ArchiveTest::fieldText_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("integer") << QVariant(qlonglong(42)) << "42";
    QTest::newRow("negative integer") << QVariant(qlonglong(-7)) << "-7";
    QTest::newRow("large integer") << QVariant(qlonglong(5000000000LL)) << "5000000000";
    QTest::newRow("whole real") << QVariant(12.0) << "12";
    QTest::newRow("tenth") << QVariant(0.1) << "0.1";
    QTest::newRow("half") << QVariant(9652.5) << "9652.5";
    QTest::newRow("negative real") << QVariant(-2.25) << "-2.25";
    QTest::newRow("single precision") << QVariant(1.0 / 3.0) << "0.33333334";
    QTest::newRow("stored single") << QVariant(double(0.3f)) << "0.3";
    QTest::newRow("text") << QVariant(QStringLiteral("Città 1,5")) << "Città 1,5";
    QTest::newRow("empty text") << QVariant(QString()) << "";
    QTest::newRow("null") << QVariant() << "";
}

void ArchiveTest::fieldText() {
    QFETCH(QVariant, value);
    QFETCH(QString, expected);
    // The test locale is Italian: the separator must stay '.' regardless.
    QCOMPARE(orvena::fieldText(value), expected);
}
