// Runs an export or an import on a folder and nothing else, so that a test
// can kill it at any moment: maintenance_victim export|import <folder>
#include "core/archive/Exchange.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) return 2;
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const bool exporting = std::strcmp(argv[1], "export") == 0;
    std::printf("started\n");
    std::fflush(stdout);
    const orvena::MaintenanceResult r =
        exporting ? orvena::exportArchives(folder) : orvena::importArchives(folder);
    return r.done() ? 0 : 1;
}
