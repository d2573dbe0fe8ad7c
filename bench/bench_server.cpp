// The atlas on a PostgreSQL server, a million places loaded: the search
// list's first screenful and its whole list through the search window's own
// listing (the program listening for changes, as its main window does, so
// that the names read stay in use while nothing changes); choosing a sheet of
// 1,000 places as the locality editor lists them and as the main window's
// look-up does; a change of the editor (insert, modify, delete) through the
// record view on the server, the place first found as the editor finds it.
//
//   sh tests/support/with-postgres.sh build-rel/bench/bench_server [places [rounds]]
//   (default 1000000 places, 20 rounds)
#include "ServerBench.h"

#include "core/archive/AtlasServer.h"
#include "core/archive/LiveChanges.h"
#include "core/archive/RecordView.h"
#include "core/archive/SqlTexts.h"
#include "core/geo/SheetLookup.h"
#include "core/search/LocalityListing.h"

#include <QCoreApplication>
#include <QDir>

using namespace orvena;
using namespace orvena::bench;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int places = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int n = argc > 2 ? std::atoi(argv[2]) : 20;
    const QString connection = loadedDatabase(QStringLiteral("bench_server"), places);

    RecordView areas("Data1", Archives::kAreaFile, "AREA", {});
    RecordView names("Data2", Archives::kLocalityFile, "localita", {});
    check(areas.openOnServer(connection).isEmpty(), "opening the sheets on the server");
    check(names.openOnServer(connection).isEmpty(), "opening the places on the server");
    LiveChanges live(connection, {}, {});
    check(live.listening(), "listening for changes");

    // The search window: a screenful at its activation, then the rest a
    // step at a time between events (here one after the other).
    timed("search list: first screenful, names read afresh", n, [&](int) {
        LocalityListing listing(names);
        listing.listAll();
        check(listing.count() >= LocalityNames::kFirstChunk, "a screenful listed");
    }, 50);
    LocalityListing kept(names);
    timed("search list: every place listed, names read afresh", 3, [&](int) {
        LocalityListing listing(names);
        listing.listAll();
        while (!listing.counted() && listing.step()) {
        }
        check(listing.count() == std::size_t(places), "every place listed");
    }, 1000);
    timed("search list: listed and prepared for searching", 3, [&](int) {
        LocalityListing listing(names);
        listing.listAll();
        while (listing.step()) {
        }
    });
    kept.listAll();
    while (kept.step()) {
    }
    timed("search list: activated again, nothing changed", n, [&](int) {
        kept.listAll();
        while (kept.step()) {
        }
    });
    timed("search: \"LOCALITA 12345\" to its end", n, [&](int) {
        kept.search(QStringLiteral("LOCALITA 12345"));
        while (kept.step()) {
        }
    });

    const QString sheet = sheetName(kSheets / 2);
    const int perSheet = places / kSheets;
    timed("choosing a sheet: its places as the editor lists them", n, [&](int) {
        names.setRecordSource(sql::kLocalityOfAreaInTableOrder, {sheet});
        names.refresh();
        const QStringList listed =
            names.texts(QStringLiteral("LOCALITA"), QStringLiteral("AREA"), sheet);
        check(listed.size() == perSheet, "the sheet's places listed");
    }, 50);
    // The main window's look-up, when it reads the server.
    atlasserver::setFromCommandLine(connection);
    try {
        const SheetLookup lookup(QDir::currentPath());
        timed("choosing a sheet: the main window's look-up", n, [&](int) {
            check(lookup.sheet(sheet).exists(), "the sheet read");
            check(lookup.places(sheet).size() == perSheet, "the sheet's places read");
        }, 50);
    } catch (const ArchiveError& e) {
        std::printf("choosing a sheet: the main window's look-up does not read the server: %s\n",
                    qPrintable(e.italianMessage()));
    }

    // The editor's changes, each on the place found as it finds it.
    const auto find = [&](const QString& name) {
        names.setRecordSource(sql::kLocalityOfAreaByName, {sheet, name});
        names.refresh();
        return names.findExact({{QStringLiteral("AREA"), sheet}, {QStringLiteral("LOCALITA"), name}});
    };
    const auto name = [](int i) { return QStringLiteral("NUOVA %1").arg(i); };
    timed("editor: insert (found absent, then added)", n, [&](int i) {
        check(!find(name(i)), "a new name");
        names.addNew();
        names.setField(QStringLiteral("AREA"), sheet);
        names.setField(QStringLiteral("LOCALITA"), name(i));
        names.setField(QStringLiteral("LAGR"), 45);
        names.setField(QStringLiteral("PX"), 100.0);
        names.setField(QStringLiteral("PY"), 100.0);
        names.update();
    }, 20);
    timed("editor: modify (found, then written as read)", n, [&](int i) {
        check(find(name(i)), "the place inserted");
        names.edit();
        names.setField(QStringLiteral("LAGR"), 46);
        names.update();
    }, 20);
    timed("editor: delete (found, then deleted as read)", n, [&](int i) {
        check(find(name(i)), "the place inserted");
        names.remove();
    }, 20);
    timed("search list: activated again after those changes", 1, [&](int) {
        QCoreApplication::processEvents(); // the changes heard
        kept.listAll();
        while (kept.step()) {
        }
        check(kept.count() == std::size_t(places), "every place listed");
    });
    return 0;
}
