#include "app/GisExportCommand.h"

#include "core/archive/AtlasServer.h"
#include "core/gis/GisExport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstring>

namespace orvena::gis {

namespace {
constexpr const char* kOption = "--esporta-gis";
constexpr const char* kTilesOption = "--mbtiles";
constexpr const char* kKmzOption = "--kmz";
constexpr const char* kGeoTiffOption = "--geotiff";
constexpr const char* kServerOption = "--archivio";
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
    GisExportOptions options;
    bool known = args.size() >= 3 && !args.at(2).isEmpty();
    const QStringList given = args.mid(3);
    for (qsizetype i = 0; i < given.size(); ++i) {
        const QString& option = given.at(i);
        if (option == QLatin1String(kServerOption) && i + 1 < given.size() &&
            !given.at(i + 1).trimmed().isEmpty())
            atlasserver::setFromCommandLine(given.at(++i));
        else if (option == QLatin1String(kTilesOption))
            options.tiles = true;
        else if (option == QLatin1String(kKmzOption))
            options.kmz = true;
        else if (option == QLatin1String(kGeoTiffOption))
            options.geoTiff = true;
        else
            known = false;
    }
    if (!known) {
        err << "Uso: orvena --esporta-gis CARTELLA [--mbtiles] [--kmz] [--geotiff] "
               "[--archivio CONNESSIONE]\n";
        return 2;
    }
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
