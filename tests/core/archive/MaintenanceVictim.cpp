// Runs an export, an import or an area deletion on a folder and nothing else,
// so that a test can kill it at any moment:
//   maintenance_victim export|import|delete <folder> [<file>[:<n>] [<area>]]
// With a file named (a database or a journal), the process ends itself (exit
// status 86) inside the commit of a change spanning two files: once the
// super-journal is opened, before the n-th write into that file (2 unless
// given).
#include "core/archive/DeleteArea.h"
#include "core/archive/Exchange.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

// The default file system of the engine, wrapped so that every write is
// seen first.
sqlite3_vfs* real = nullptr;
sqlite3_vfs watcher;
sqlite3_io_methods methods;
QString stopFile;
bool superJournalOpened = false;
int writesToStopFile = 0;
int stopAtWrite = 2;

struct File {
    sqlite3_file base;
    sqlite3_file* inner;
    bool watched;
};

// Passes a call on to the engine's own file.
template <auto method, class... Args> int forward(sqlite3_file* f, Args... args) {
    sqlite3_file* file = reinterpret_cast<File*>(f)->inner;
    return (file->pMethods->*method)(file, args...);
}

int openFile(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<File*>(f);
    file->inner = reinterpret_cast<sqlite3_file*>(file + 1);
    const int rc = real->xOpen(real, name, file->inner, flags, outFlags);
    file->base.pMethods = file->inner->pMethods ? &methods : nullptr;
    superJournalOpened |= (flags & SQLITE_OPEN_SUPER_JOURNAL) != 0;
    file->watched = name && QFileInfo(QString::fromUtf8(name)).fileName() == stopFile;
    return rc;
}

void watchWrites() {
    real = sqlite3_vfs_find(nullptr);
    watcher = *real;
    watcher.zName = "watcher";
    watcher.szOsFile = static_cast<int>(sizeof(File)) + real->szOsFile;
    watcher.xOpen = openFile;
    methods = {};
    methods.iVersion = 1;
    methods.xClose = forward<&sqlite3_io_methods::xClose>;
    methods.xRead = forward<&sqlite3_io_methods::xRead>;
    methods.xWrite = [](sqlite3_file* f, const void* b, int n, sqlite3_int64 at) {
        if (reinterpret_cast<File*>(f)->watched && superJournalOpened &&
            ++writesToStopFile == stopAtWrite)
            _exit(86);
        return forward<&sqlite3_io_methods::xWrite>(f, b, n, at);
    };
    methods.xTruncate = forward<&sqlite3_io_methods::xTruncate>;
    methods.xSync = forward<&sqlite3_io_methods::xSync>;
    methods.xFileSize = forward<&sqlite3_io_methods::xFileSize>;
    methods.xLock = forward<&sqlite3_io_methods::xLock>;
    methods.xUnlock = forward<&sqlite3_io_methods::xUnlock>;
    methods.xCheckReservedLock = forward<&sqlite3_io_methods::xCheckReservedLock>;
    methods.xFileControl = forward<&sqlite3_io_methods::xFileControl>;
    methods.xSectorSize = forward<&sqlite3_io_methods::xSectorSize>;
    methods.xDeviceCharacteristics = forward<&sqlite3_io_methods::xDeviceCharacteristics>;
    sqlite3_vfs_register(&watcher, 1);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) return 2;
    const QString folder = QString::fromLocal8Bit(argv[2]);
    if (argc > 3) {
        const QStringList stop = QString::fromLocal8Bit(argv[3]).split(u':');
        stopFile = stop.first();
        if (stop.size() > 1) stopAtWrite = stop.last().toInt();
        watchWrites();
    }
    std::printf("started\n");
    std::fflush(stdout);
    if (std::strcmp(argv[1], "delete") == 0)
        return orvena::deleteArea(folder, QString::fromLocal8Bit(argc > 4 ? argv[4] : ""))
                       .failure.isEmpty()
                   ? 0
                   : 1;
    const bool exporting = std::strcmp(argv[1], "export") == 0;
    const orvena::MaintenanceResult r =
        exporting ? orvena::exportArchives(folder) : orvena::importArchives(folder);
    return r.done() ? 0 : 1;
}
