// Record views over an archive of a million places: how long the walks the
// viewer makes take, how much memory a full walk needs, and what a query costs
// once another instance has compacted the archive.
//
//   bench_archive [places]      (default 1000000)
#include "PlacesArchive.h"
#include "ProcessMemory.h"
#include "core/archive/Archives.h"
#include "core/archive/Compaction.h"
#include "core/archive/SqlTexts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace orvena;
using orvena::bench::kSheets;
using orvena::bench::sheetName;

namespace {

long residentKb() {
    return bench::statusKb("VmRSS:");
}

template <class Fn> double timed(Fn&& fn) {
    QElapsedTimer t;
    t.start();
    fn();
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int places = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    Archives archives;
    if (const QString e = archives.openAll(dir.path()); !e.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(e));
        return 1;
    }
    archives.closeAll();
    std::printf("filling %d places on %d sheets: %.0f ms\n", places, kSheets,
                timed([&] { bench::fillPlaces(dir.path(), places); }));
    double openMs = timed([&] { archives.openAll(dir.path()); });
    std::printf("opening the four archives: %.1f ms\n", openMs);

    RecordView* areas = archives.Data1;
    RecordView* locs = archives.Data2;
    const QString sheet = sheetName(kSheets / 2);
    int n = 0;
    std::printf("area list (all %d sheets): %.1f ms\n", kSheets, timed([&] {
                    areas->setRecordSource(sql::kAreaList);
                    areas->refresh();
                    for (areas->moveFirst(); !areas->eof(); areas->moveNext())
                        ++n;
                }));
    n = 0;
    const double oneSheet = timed([&] {
        locs->setRecordSource(sql::kLocalityOfAreaOrdered, {sheet});
        locs->refresh();
        for (locs->moveFirst(); !locs->eof(); locs->moveNext())
            if (locs->text(QStringLiteral("AREA")) == sheet) ++n;
    });
    std::printf("localities of one sheet (%d): %.1f ms\n", n, oneSheet);
    std::printf("one place by name: %.2f ms\n", timed([&] {
                    locs->setRecordSource(sql::kLocalityByName,
                                          {QStringLiteral("LOCALITA 777777")});
                    locs->refresh();
                }));
    const long before = residentKb();
    n = 0;
    const double full = timed([&] {
        locs->setRecordSource(sql::kLocalityOrderedByAreaName);
        locs->refresh();
        for (locs->moveFirst(); !locs->eof(); locs->moveNext())
            if (locs->text(QStringLiteral("AREA")) == sheet) ++n;
    });
    std::printf("full ordered walk of %d places: %.0f ms (resident memory +%ld kB)\n", places, full,
                residentKb() - before);
    // Every query first asks whether the file under the view's name is still
    // the one it holds; after another instance compacted it, the view opens
    // the new file.
    const auto byName = [&] {
        locs->setRecordSource(sql::kLocalityByName, {QStringLiteral("LOCALITA 777")});
        locs->refresh();
    };
    constexpr int kQueries = 1000;
    std::printf("one place by name, %d times: %.3f ms each\n", kQueries, timed([&] {
                                                                             for (int i = 0;
                                                                                  i < kQueries; ++i)
                                                                                 byName();
                                                                         }) / kQueries);
    const double compacting =
        timed([&] { compactArchive(dir.path(), QStringLiteral("localita.mdb")); });
    std::printf("compacting localita.mdb as another instance: %.0f ms; the next query, opening "
                "the compacted file: %.2f ms\n",
                compacting, timed(byName));
    archives.closeAll();
    return 0;
}
