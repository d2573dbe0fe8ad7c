// Runs an export, an import or an area deletion on a folder and ends itself
// (exit status 86) inside the commit of that change spanning two files:
//   maintenance_victim export|import|delete <folder> <file>[:<n>] [<area>]
// once the super-journal is opened, before the n-th write into the file named
// (a database or a journal; 2 unless given).
#include "core/archive/DeleteArea.h"
#include "core/archive/Exchange.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <sqlite3.h>
#include <unistd.h>

#include <map>

namespace {

// The default file system of the engine, with every write seen first: a file
// it opens is its own, given a copy of its methods whose write counts.
sqlite3_vfs* real = nullptr;
sqlite3_vfs watcher;
QString stopFile;
bool superJournalOpened = false;
int writesToStopFile = 0;
int stopAtWrite = 2;

// The engine's methods for a kind of file and our copy of them.
struct Methods {
    sqlite3_io_methods ours;
    const sqlite3_io_methods* engine;
};
std::map<const sqlite3_io_methods*, Methods> copies;

// Whether the writes into a file are counted: a flag after the engine's file.
bool& watched(sqlite3_file* f) {
    return reinterpret_cast<bool*>(f)[real->szOsFile];
}

int write(sqlite3_file* f, const void* bytes, int n, sqlite3_int64 at) {
    if (watched(f) && superJournalOpened && ++writesToStopFile == stopAtWrite) _exit(86);
    return reinterpret_cast<const Methods*>(f->pMethods)->engine->xWrite(f, bytes, n, at);
}

int openFile(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    const int rc = real->xOpen(real, name, f, flags, outFlags);
    if (f->pMethods) {
        Methods& m =
            copies.try_emplace(f->pMethods, Methods{*f->pMethods, f->pMethods}).first->second;
        m.ours.xWrite = write;
        f->pMethods = &m.ours;
    }
    superJournalOpened |= (flags & SQLITE_OPEN_SUPER_JOURNAL) != 0;
    watched(f) = name && QFileInfo(QString::fromUtf8(name)).fileName() == stopFile;
    return rc;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) return 2;
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const QStringList stop = QString::fromLocal8Bit(argv[3]).split(u':');
    stopFile = stop.first();
    if (stop.size() > 1) stopAtWrite = stop.last().toInt();
    real = sqlite3_vfs_find(nullptr);
    watcher = *real;
    watcher.zName = "watcher";
    watcher.szOsFile = real->szOsFile + static_cast<int>(sizeof(bool));
    watcher.xOpen = openFile;
    sqlite3_vfs_register(&watcher, 1);
    const QString work = QString::fromLocal8Bit(argv[1]), area = argc > 4 ? argv[4] : "";
    const bool done = work == "delete"   ? orvena::deleteArea(folder, area).ok()
                      : work == "export" ? orvena::exportArchives(folder).done()
                                         : orvena::importArchives(folder).done();
    return done ? 0 : 1;
}
