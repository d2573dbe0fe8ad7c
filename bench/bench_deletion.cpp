// Deleting one sheet with its places from an archive of a million places, and
// the same deletion done directly with the engine's C API as the reference:
// area record and places in one transaction over the two files.
//
//   bench_deletion [places] [runs]      (defaults 1000000 places on 1000 sheets, 7 runs)
#include "PlacesArchive.h"
#include "core/archive/Archives.h"
#include "core/archive/DeleteArea.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using namespace orvena;

namespace {

void check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// The reference: the C API, both files on one connection, one transaction.
int referenceDelete(const QString& folder, const std::string& name) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2((folder + "/area.mdb").toUtf8().constData(), &db, SQLITE_OPEN_READWRITE,
                          nullptr),
          db);
    const std::string attach =
        "ATTACH DATABASE '" + (folder + "/localita.mdb").toStdString() + "' AS loc";
    check(sqlite3_exec(db, attach.c_str(), nullptr, nullptr, nullptr), db);
    check(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), db);
    int deleted = 0;
    for (const char* sql :
         {"DELETE FROM main.AREA WHERE AREA = ?", "DELETE FROM loc.localita WHERE AREA = ?"}) {
        sqlite3_stmt* st = nullptr;
        check(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), db);
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        check(sqlite3_step(st), db);
        deleted = sqlite3_changes(db);
        sqlite3_finalize(st);
    }
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
    return deleted;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const char* what, const std::vector<double>& ms) {
    std::printf("%-48s median %6.1f ms  (min %.1f, max %.1f, %zu runs)\n", what, median(ms),
                *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()),
                ms.size());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int places = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    QTemporaryDir dir;
    for (const auto& [file, table] :
         {std::pair{"area.mdb", "AREA"}, std::pair{"localita.mdb", "localita"}})
        if (const QString e = createArchive(dir.filePath(QLatin1String(file)), table);
            !e.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(e));
            return 1;
        }
    QElapsedTimer t;
    t.start();
    bench::fillPlaces(dir.path(), places);
    std::printf("filling %d places on %d sheets: %lld ms\n", places, bench::kSheets, t.elapsed());

    // Interleaved, so that both meet the same state of the disk and the files.
    std::vector<double> reference, program;
    int referencePlaces = 0;
    std::int64_t programPlaces = 0;
    for (int r = 0; r < runs; ++r) {
        t.restart();
        referencePlaces = referenceDelete(dir.path(), bench::sheetName(100 + 2 * r).toStdString());
        reference.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        const AreaDeletionResult result = deleteArea(dir.path(), bench::sheetName(101 + 2 * r));
        program.push_back(t.nsecsElapsed() / 1e6);
        if (!result.ok() || !result.areaFound) {
            std::fprintf(stderr, "deleteArea failed: %s\n", qPrintable(result.failure));
            return 1;
        }
        programPlaces = result.localitiesDeleted;
    }
    std::printf("places per sheet: reference %d, program %lld\n", referencePlaces,
                static_cast<long long>(programPlaces));
    report("reference (C API, one transaction, two files)", reference);
    report("program (deleteArea)", program);
    std::printf("ratio of medians: %.2f\n", median(program) / median(reference));
    return 0;
}
