#pragma once

#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

namespace orvena::test {
// Fixes the locale (Italian, so the decimal separator is a comma as on the
// desk the program is written for), points HOME at a fresh temporary folder and
// keeps the fonts and styles stable.
inline void prepareTestEnvironment() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir home;
    if (home.isValid()) qputenv("HOME", home.path().toLocal8Bit());
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
}

// The rows of a table-driven test as one column, "row", each named by its
// tag: the test reads it with QFETCH(Row, row).
template <class Row> void addRows(std::initializer_list<Row> rows) {
    QTest::addColumn<Row>("row");
    for (const Row& r : rows)
        QTest::newRow(r.tag) << r;
}
} // namespace orvena::test

// A test's main(): QApplication, fixed environment, then the test class.
#define ORVENA_TEST_MAIN(TestClass)                                                                \
    int main(int argc, char** argv) {                                                              \
        orvena::test::prepareTestEnvironment();                                                    \
        QApplication app(argc, argv);                                                              \
        TestClass tc;                                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
