// The places the search window holds: read a chunk at a time, searched, and
// ranked by how close their names come to a key.
#include "core/search/LocalityNames.h"
#include "core/archive/Archives.h"
#include "core/search/LocalityListing.h"
#include "support/Records.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

using namespace orvena;

namespace {

// The localita.mdb of folder, after the archives are opened there.
std::string openedLocalities(Archives& archives, const test::TempFolder& folder) {
    const QString problem = archives.openAll(folder.path());
    if (!problem.isEmpty()) qFatal("openAll: %s", qPrintable(problem));
    return folder.file(Archives::kLocalityFile).toStdString();
}

// A working folder whose localita.mdb holds count places, written on a
// connection of its own; rows 2, 10 and 11 are gone again.
struct Places {
    test::TempFolder folder;
    Archives archives;
    SQLite::Database db;
    explicit Places(int count)
        : db(openedLocalities(archives, folder), SQLite::OPEN_READWRITE) {
        db.exec("with recursive n(i) as (select 0 union all select i + 1 from n where i < " +
                std::to_string(count - 1) +
                ") insert into localita (AREA, LOCALITA) select 'foglio' || (i % 3) || '.jpg', "
                "(case i % 4 when 0 then 'Cà del Poggio' when 1 then 'SANT''ANGELO' when 2 then "
                "'Straße' else 'montecchio' end) || ' ' || i from n; "
                "delete from localita where rowid in (2, 10, 11)");
    }
    RecordView& view() { return *archives.Data2; }

    // Area and name of every place, the table's way.
    QStringList table() {
        return test::queryRows(QString::fromStdString(db.getFilename()),
                               "select AREA, LOCALITA from localita order by rowid");
    }
};

QStringList held(const LocalityNames& names) {
    QStringList all;
    for (LocalityNames::Index i = 0; i < names.size(); ++i)
        all << names.area(i) + "|" + names.name(i);
    return all;
}

} // namespace

class LocalityNamesTest : public QObject {
    Q_OBJECT
private slots:
    // Chunk after chunk (1, 3, 1000 at a time), the table in its order, past gaps in
    // the rows; the search over prepared parts finds what the whole search finds.
    void chunks() {
        for (const int rows : {1, 3, 1000}) {
            Places places(23);
            LocalityNames names;
            int calls = 1;
            for (; names.readMore(places.view(), static_cast<std::size_t>(rows)); ++calls) {
                QCOMPARE(names.size(), static_cast<std::size_t>(calls * rows));
                QVERIFY(!names.complete());
            }
            QVERIFY(names.complete());
            QVERIFY(names.current(places.view()));
            QCOMPARE(held(names), places.table());
            QVERIFY(!names.readMore(places.view(), 1));
            QCOMPARE(names.size(), std::size_t{20});

            for (const QString& key : QStringList{"a", "ß", "STRASSE", "'", ""}) {
                LocalityNames whole;
                whole.read(places.view());
                const std::vector<LocalityNames::Index> expected = whole.search(key);
                std::vector<LocalityNames::Index> found;
                const QByteArray k = LocalityNames::searchKey(key);
                names.clear();
                names.readMore(places.view(), 1000);
                while (names.preparedCount() < names.size()) {
                    const auto first = static_cast<LocalityNames::Index>(names.preparedCount());
                    names.prepareMore(static_cast<std::size_t>(rows));
                    names.searchIn(k.toStdString(), first,
                                   static_cast<LocalityNames::Index>(names.preparedCount()), found);
                }
                QCOMPARE(found, expected);
            }
        }
    }

    void listing_data() {
        QTest::addColumn<QString>("key");    // none: the full list
        QTest::addColumn<QString>("change"); // who deletes the first place after the first step
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("listed");
        const auto row = [](const char* tag, const QString& key, const char* change, int mode,
                            const QStringList& listed) {
            QTest::newRow(tag) << key << QString(change) << mode << listed;
        };
        const QStringList all = Places(23).table();
        const QStringList rest = all.mid(1);
        row("every place", {}, "", 0, all);
        row("every place, another connection deletes one", {}, "other", 0, rest);
        row("every place, the view itself deletes one", {}, "view", 0, rest);
        row("found", "POGGIO", "", 1, all.filter(QStringLiteral("Poggio")));
        row("found, a change on the way", "Straße", "other", 1,
            rest.filter(QStringLiteral("Straße")));
        row("nothing found: the similar ones", "montecchoi 3", "", 2,
            {"foglio0.jpg|montecchio 3", "foglio1.jpg|montecchio 7", "foglio2.jpg|montecchio 11",
             "foglio0.jpg|montecchio 15", "foglio1.jpg|montecchio 19"});
        row("nothing, nothing similar", "xq", "", 1, {});
    }

    // Two places in the first step, three in each later one: the list only
    // grows, unless the file changed (a new generation: the reading starts
    // again) or the search found nothing and lists the similar places instead.
    void listing() {
        QFETCH(QString, key);
        QFETCH(QString, change);
        QFETCH(int, mode);
        QFETCH(QStringList, listed);
        Places places(23);
        LocalityListing listing(places.view(), 2, 3);
        key.isNull() ? listing.listAll() : listing.search(key);
        // A screenful at once; a search that ends without a place ends at once.
        QVERIFY(listing.count() >=
                std::min<std::size_t>(2, static_cast<std::size_t>(listed.size())));
        QCOMPARE(listing.busy(), mode != 2 && !listed.isEmpty());
        if (change == "other") places.db.exec("delete from localita where rowid = 1");
        if (change == "view") {
            places.view().refresh();
            places.view().remove();
        }
        std::uint64_t generation = listing.generation();
        std::size_t count = listing.count();
        while (listing.step()) {
            if (listing.generation() == generation) QVERIFY(listing.count() >= count);
            generation = listing.generation();
            count = listing.count();
        }
        QCOMPARE(static_cast<int>(listing.mode()), mode);
        const QStringList all = held(listing.names());
        QStringList got;
        for (std::size_t row = 0; row < listing.count(); ++row)
            got << all[static_cast<qsizetype>(listing.place(row))];
        QCOMPARE(got, listed);
    }

    void similar_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QStringList>("found"); // name and closeness
        QTest::newRow("accent") << "ca del poggio" << 50 << QStringList{"CÀ DEL POGGIO 0"};
        for (const char* key : {"santangelo", "sant angelo"}) // apostrophe left out, or a blank
            QTest::newRow(key) << key << 50 << QStringList{"SANT'ANGELO 0", "CASTEL SANT'ANGELO 2"};
        QTest::newRow("swap, the name or its first word")
            << "montecchoi" << 50
            << QStringList{"MONTECCHIO 4", "MONTECCHIO EMILIA 4", "MONTICCHIO 5"};
        QTest::newRow("later closer names push out an earlier farther one")
            << "montecchoi" << 2 << QStringList{"MONTECCHIO 4", "MONTECCHIO EMILIA 4"};
        QTest::newRow("begins, then a word begins")
            << "poggio" << 50 << QStringList{"POGGIO ALTO 1", "POGGIOLO 1", "CÀ DEL POGGIO 2"};
        QTest::newRow("ties in the list's order") << "poggio" << 1 << QStringList{"POGGIO ALTO 1"};
        QTest::newRow("inside") << "oggio" << 50
                                << QStringList{"CÀ DEL POGGIO 3", "POGGIO ALTO 3", "POGGIOLO 3"};
        QTest::newRow("a run of words one edit away")
            << "del pogio" << 50 << QStringList{"CÀ DEL POGGIO 4"};
        QTest::newRow("short key, no edits") << "xq" << 50 << QStringList{};
        QTest::newRow("folds to nothing") << " ' - " << 50 << QStringList{};
    }

    // Folded names ranked: equal, beginning, a word beginning, inside, then
    // one and two edits; ties in the list's order; at most limit.
    void similar() {
        QFETCH(QString, key);
        QFETCH(int, limit);
        QFETCH(QStringList, found);
        const QStringList list = {"CÀ DEL POGGIO",     "MONTICCHIO",  "SANT'ANGELO",
                                  "MONTECCHIO",        "POGGIO ALTO", "CASTEL SANT'ANGELO",
                                  "MONTECCHIO EMILIA", "POGGIOLO",    "SAN MARTINO"};
        FoldedNames names;
        for (const QString& name : list)
            names.add(name.toStdString());
        QStringList got;
        for (const SimilarPlace& p : names.similar(key, static_cast<std::size_t>(limit)))
            got << QStringLiteral("%1 %2")
                       .arg(list[static_cast<qsizetype>(p.place)])
                       .arg(static_cast<int>(p.closeness));
        QCOMPARE(got, found);
    }
};

ORVENA_TEST_MAIN(LocalityNamesTest)
#include "LocalityNamesTest.moc"
