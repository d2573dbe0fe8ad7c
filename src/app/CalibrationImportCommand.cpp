#include "app/CalibrationImportCommand.h"

#include "core/gis/OziMapImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstring>

namespace orvena::gis {

namespace {
constexpr const char* kOption = "--importa-calibrazione";
} // namespace

bool isCalibrationImportCommand(int argc, char** argv) {
    return argc >= 2 && std::strcmp(argv[1], kOption) == 0;
}

int runCalibrationImportCommand(int argc, char** argv) {
    // A core application only: the mode must run where there is no display.
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList files = QCoreApplication::arguments().mid(2);
    if (files.isEmpty()) {
        err << "Uso: orvena --importa-calibrazione FILE.map...\n";
        return 2;
    }
    int refused = 0;
    for (const QString& file : files) {
        const OziImport result = importOziMap(QDir::currentPath(), file);
        (result.ok() ? out : err) << result.message << '\n';
        out.flush();
        err.flush();
        if (!result.ok()) ++refused;
    }
    out << QStringLiteral("File importati: %1 di %2.").arg(files.size() - refused).arg(files.size())
        << '\n';
    return refused == 0 ? 0 : 1;
}

} // namespace orvena::gis
