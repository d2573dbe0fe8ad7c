#include "TestMain.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdlib>

namespace orvena::test {

void prepareTestEnvironment() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir home;
    if (home.isValid()) qputenv("HOME", home.path().toLocal8Bit());
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
}

} // namespace orvena::test
