// Export, import and compaction on the generated archives of a million places,
// each beside the best single statement the engine offers for the same work,
// on copies of the same files, in one run:
//
//   export          DELETE + INSERT ... SELECT ... ORDER BY per exchange file,
//                   one transaction each
//   import          one INSERT ... SELECT ... WHERE NOT EXISTS (exact names,
//                   on the (AREA, LOCALITA) index) per table, one transaction
//   compaction      VACUUM INTO a new file, fsync, rename
//
//   bench_maintenance [places] [--same-cache]
//
// --same-cache gives the engine's statements the page cache the program's
// operations use. Times are wall clock and processor time of this process;
// the ratios are program / engine.
#include "PlacesArchive.h"
#include "core/archive/Archives.h"
#include "core/archive/Compaction.h"
#include "core/archive/Exchange.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>

#include <fcntl.h>
#include <unistd.h>

using namespace orvena;

namespace {

bool sameCache = false;

struct Cost {
    double wall = 0; // seconds
    double cpu = 0;
};

double cpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

Cost measure(const std::function<void()>& work) {
    QElapsedTimer wall;
    const double cpu = cpuNow();
    wall.start();
    work();
    return {static_cast<double>(wall.nsecsElapsed()) / 1e9, cpuNow() - cpu};
}

void copyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files)) {
        QFile::remove(to + "/" + name);
        if (!QFile::copy(from + "/" + name, to + "/" + name)) qFatal("copy %s", qPrintable(name));
    }
}

SQLite::Database engine(const QString& folder, const char* main) {
    SQLite::Database db((folder + "/" + main).toStdString(), SQLite::OPEN_READWRITE);
    if (sameCache) db.exec("PRAGMA cache_size = -262144; PRAGMA temp_store = MEMORY");
    return db;
}

void attach(SQLite::Database& db, const QString& folder, const char* file, const char* as) {
    db.exec("ATTACH DATABASE '" + (folder + "/" + file).toStdString() + "' AS " + as);
    if (sameCache) db.exec(std::string("PRAGMA ") + as + ".cache_size = -262144");
}

const char* const kAreaFields =
    "AREA, COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO, NORD, EST, SUD, OVEST";
const char* const kPlaceFields = "AREA, LOCALITA, LAGR, LAMN, LASE, LOGR, LOMN, LOSE";

void engineExport(const QString& folder) {
    SQLite::Database db = engine(folder, "esparea.mdb");
    attach(db, folder, "esplocalita.mdb", "xl");
    attach(db, folder, "area.mdb", "wa");
    attach(db, folder, "localita.mdb", "wl");
    db.exec("BEGIN");
    db.exec("DELETE FROM main.AREA");
    db.exec(std::string("INSERT INTO main.AREA (") + kAreaFields + ") SELECT " + kAreaFields +
            " FROM wa.AREA ORDER BY AREA");
    db.exec("COMMIT");
    db.exec("BEGIN");
    db.exec("DELETE FROM xl.localita");
    db.exec(std::string("INSERT INTO xl.localita (") + kPlaceFields + ") SELECT " + kPlaceFields +
            " FROM wl.localita ORDER BY AREA, LOCALITA");
    db.exec("COMMIT");
}

void engineImport(const QString& folder) {
    SQLite::Database db = engine(folder, "area.mdb");
    attach(db, folder, "localita.mdb", "wl");
    attach(db, folder, "esparea.mdb", "xa");
    attach(db, folder, "esplocalita.mdb", "xl");
    db.exec("BEGIN");
    db.exec(std::string("INSERT INTO main.AREA (") + kAreaFields + ") SELECT " + kAreaFields +
            " FROM xa.AREA e WHERE NOT EXISTS (SELECT 1 FROM main.AREA w WHERE w.AREA = e.AREA"
            " AND w.AREA = e.AREA COLLATE BINARY)");
    db.exec(std::string("INSERT INTO wl.localita (") + kPlaceFields + ") SELECT " + kPlaceFields +
            " FROM xl.localita e WHERE NOT EXISTS (SELECT 1 FROM wl.localita w WHERE"
            " w.AREA = e.AREA AND w.LOCALITA = e.LOCALITA AND w.AREA = e.AREA COLLATE BINARY"
            " AND w.LOCALITA = e.LOCALITA COLLATE BINARY)");
    db.exec("COMMIT");
}

void engineCompact(const QString& folder, const char* file) {
    const std::string path = (folder + "/" + file).toStdString();
    const std::string fresh = path + ".new";
    {
        SQLite::Database db(path, SQLite::OPEN_READONLY);
        SQLite::Statement vacuum(db, "VACUUM INTO ?");
        vacuum.bind(1, fresh);
        vacuum.exec();
    }
    const int fd = ::open(fresh.c_str(), O_RDWR);
    ::fsync(fd);
    ::close(fd);
    std::filesystem::rename(fresh, path);
}

void check(const MaintenanceResult& r, const char* what) {
    if (!r.done()) qFatal("%s: %s", what, qPrintable(r.problem()));
}

void row(const char* work, const Cost& engineCost, const Cost& program) {
    std::printf("%-34s %8.2f %8.2f   %8.2f %8.2f   %6.2f %6.2f\n", work, engineCost.wall,
                engineCost.cpu, program.wall, program.cpu, program.wall / engineCost.wall,
                program.cpu / engineCost.cpu);
    std::fflush(stdout);
}

qint64 count(const QString& path, const char* table) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    return db.execAndGet(std::string("SELECT count(*) FROM ") + table).getInt64();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int places = 1000000;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--same-cache")
            sameCache = true;
        else
            places = std::atoi(argv[i]);
    }
    QTemporaryDir dir;
    const QString start = dir.filePath("start");
    const QString byEngine = dir.filePath("engine");
    const QString byProgram = dir.filePath("program");
    QDir().mkpath(start);
    {
        Archives archives;
        if (const QString e = archives.openAll(start); !e.isEmpty()) qFatal("%s", qPrintable(e));
    }
    bench::fillPlaces(start, places);
    std::printf("%d places on %d sheets%s\n", places, bench::kSheets,
                sameCache ? ", engine with the program's page cache" : "");
    std::printf("%-34s %8s %8s   %8s %8s   %6s %6s\n", "", "engine", "", "program", "", "ratio",
                "");
    std::printf("%-34s %8s %8s   %8s %8s   %6s %6s\n", "work", "wall s", "cpu s", "wall s", "cpu s",
                "wall", "cpu");

    copyFolder(start, byEngine);
    copyFolder(start, byProgram);
    const Cost exportEngine = measure([&] { engineExport(byEngine); });
    const Cost exportProgram = measure([&] { check(exportArchives(byProgram), "export"); });
    row("export", exportEngine, exportProgram);

    // Half of the places leave the working archive: the import brings them back.
    {
        SQLite::Database db((byProgram + "/localita.mdb").toStdString(), SQLite::OPEN_READWRITE);
        db.exec("DELETE FROM localita WHERE rowid % 2 = 0");
        db.exec("VACUUM");
    }
    copyFolder(byProgram, start);
    copyFolder(start, byEngine);
    const Cost halfEngine = measure([&] { engineImport(byEngine); });
    const Cost halfProgram = measure([&] { check(importArchives(byProgram), "import"); });
    row("import, half of the places new", halfEngine, halfProgram);
    if (count(byEngine + "/localita.mdb", "localita") != places ||
        count(byProgram + "/localita.mdb", "localita") != places)
        qFatal("import: wrong number of places");

    const Cost allEngine = measure([&] { engineImport(byEngine); });
    const Cost allProgram = measure([&] { check(importArchives(byProgram), "import"); });
    row("import, every place present", allEngine, allProgram);

    copyFolder(byProgram, byEngine);
    std::printf("localita.mdb before compaction: %lld bytes\n",
                static_cast<long long>(QFile(byProgram + "/localita.mdb").size()));
    const Cost compactEngine = measure([&] { engineCompact(byEngine, "localita.mdb"); });
    const Cost compactProgram = measure(
        [&] { check(compactArchive(byProgram, QStringLiteral("localita.mdb")), "compaction"); });
    row("compaction of localita.mdb", compactEngine, compactProgram);
    return 0;
}
