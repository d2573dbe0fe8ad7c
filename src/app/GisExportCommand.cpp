#include "app/GisExportCommand.h"

#include "core/gis/GisExport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstring>

namespace orvena::gis {

namespace {
constexpr const char* kOption = "--esporta-gis";
constexpr const char* kTilesOption = "--mbtiles";
} // namespace

bool isExportCommand(int argc, char** argv) {
    return argc >= 2 && std::strcmp(argv[1], kOption) == 0;
}

int runExportCommand(int argc, char** argv) {
    // A core application only: the mode must run where there is no display.
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments();
    const bool tiles = args.size() == 4 && args.at(3) == QLatin1String(kTilesOption);
    if ((args.size() != 3 && !tiles) || args.at(2).isEmpty()) {
        err << "Uso: orvena --esporta-gis CARTELLA [--mbtiles]\n";
        return 2;
    }
    GisExportOptions options;
    options.tiles = tiles;
    const GisExportReport report = exportForGis(QDir::currentPath(), args.at(2), {}, options);
    for (const QString& file : report.written)
        out << "Scritto " << QDir::toNativeSeparators(file) << '\n';
    out.flush();
    if (!report.ok()) {
        err << reportText(report) << '\n';
        return 1;
    }
    out << reportText(report) << '\n';
    return 0;
}

} // namespace orvena::gis
