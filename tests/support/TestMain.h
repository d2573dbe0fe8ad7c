#pragma once

#include <QApplication>
#include <QtTest>

namespace orvena::test {
// Fixes the locale (Italian, so the decimal separator is a comma as on the
// desk the program is written for), points HOME at a fresh temporary folder and
// keeps the fonts and styles stable.
void prepareTestEnvironment();
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
