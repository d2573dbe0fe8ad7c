// orvena-demo FOLDER: writes the demo atlas (four sheets and the archives)
// into FOLDER, creating it if needed.

#include "DemoAtlas.h"

#include <QDir>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[]) {
    // Drawing text needs a platform plugin; none of the windowing ones is needed.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: orvena-demo FOLDER\n");
        return 1;
    }
    const QString folder = args.at(1);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "orvena-demo: cannot create the folder %s\n",
                     QDir::toNativeSeparators(folder).toLocal8Bit().constData());
        return 1;
    }
    const QString error = orvena::demo::writeDemoAtlas(folder);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "orvena-demo: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
