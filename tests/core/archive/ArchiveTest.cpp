// The archive layer: record views, bound texts, messages and start-up of the files.
#include "core/archive/ArchiveFailure.h"
#include "core/archive/Archives.h"
#include "core/archive/Compaction.h"
#include "core/archive/DeleteArea.h"
#include "core/archive/Exchange.h"
#include "core/archive/FieldText.h"
#include "core/archive/Schema.h"
#include "core/archive/SqlTexts.h"
#include "support/AnotherUser.h"
#include "support/Records.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

using namespace orvena;

namespace {

// A working folder with the four archives open; view is Data1 (area.mdb).
struct OpenArchives {
    test::TempFolder folder;
    Archives archives;
    RecordView* view;
    OpenArchives() {
        const QString problem = archives.openAll(folder.path());
        if (!problem.isEmpty()) qFatal("openAll: %s", qPrintable(problem));
        view = archives.Data1;
    }
};

// Adds an area record with the given name through the view.
void addArea(RecordView& view, const QString& name) {
    test::addRecord(&view, {{"AREA", name}});
}

// Runs the source with its parameters.
void show(RecordView& view, const char* source, const QStringList& params = {}) {
    view.setRecordSource(source, params);
    view.refresh();
}

// Runs the source, if any, and walks the result from the first record: the
// text of the box at each.
QStringList walk(RecordView& view, const char* source = nullptr, const QStringList& params = {},
                 const char* box = "d1area") {
    if (source) show(view, source, params);
    QStringList seen;
    if (view.resultSize() == 0) return seen;
    for (view.moveFirst(); !view.eof(); view.moveNext())
        seen << view.box(box)->property("text").toString();
    return seen;
}

// The names of the tables and indexes stored in a database file.
QStringList objectsIn(const QString& path) {
    return test::queryRows(path, "select name from sqlite_master order by name");
}

// A value written into a field, as stored and as its box's text.
struct ValueRow {
    const char* tag;
    QString field;
    QVariant value, stored;
    QString text;
};

} // namespace

class ArchiveTest : public QObject {
    Q_OBJECT
private slots:
    // A few records with every third deleted, then several blocks with every
    // third and with all deleted, in a transaction.
    void walkDeletingCurrentVisitsEveryOtherOnce() {
        for (const auto& [count, deleteEvery, inTransaction] :
             {std::tuple{10, 3, false}, {600, 3, true}, {600, 1, true}}) {
            OpenArchives a;
            RecordView& view = *a.view;
            QStringList names, seen, kept;
            view.transaction([&] {
                for (int i = 0; i < count; ++i) {
                    names << QStringLiteral("S%1").arg(i, 4, 10, QLatin1Char('0'));
                    addArea(view, names.last());
                }
            });
            show(view, sql::kAreaOrderedByName);
            bool deletedShowsEmpty = true;
            const auto walkAndDelete = [&] {
                view.moveFirst();
                for (int i = 0; !view.eof(); ++i, view.moveNext()) {
                    seen << view.text("AREA");
                    if (i % deleteEvery != 0) {
                        kept << seen.last();
                        continue;
                    }
                    view.edit();
                    view.remove();
                    deletedShowsEmpty &= view.text("AREA").isEmpty();
                }
            };
            inTransaction ? view.transaction(walkAndDelete) : walkAndDelete();
            QVERIFY(deletedShowsEmpty);
            QCOMPARE(seen, names);
            // Walking the same result again passes over the deleted records.
            if (kept.isEmpty())
                QVERIFY_THROWS_EXCEPTION(ArchiveError, view.moveFirst());
            else
                QCOMPARE(walk(view), kept);
            view.refresh();
            QCOMPARE(view.resultSize(), std::size_t(kept.size()));
            QCOMPARE(walk(view), kept);
        }
    }

    void recordAddedDuringWalkWaitsForRefresh() {
        OpenArchives a;
        RecordView& view = *a.view;
        for (const char* name : {"B", "C", "A"})
            addArea(view, name);
        show(view, sql::kAreaOrderedByName);
        view.moveFirst();
        QCOMPARE(view.text("AREA"), "A");
        // "A" holds the highest key: deleting it lets the engine give that key to
        // the record added next, which must still not appear in this walk.
        view.remove();
        addArea(view, "Z");
        view.moveNext();
        QCOMPARE(view.text("AREA"), "B");
        addArea(view, "Y");
        QCOMPARE(view.text("AREA"), "B");
        view.moveNext();
        QCOMPARE(view.text("AREA"), "C");
        view.moveNext();
        QVERIFY(view.eof());
        QCOMPARE(walk(view), QStringList({"B", "C"}));
        view.refresh();
        QCOMPARE(walk(view), QStringList({"B", "C", "Y", "Z"}));
    }

    // Names that would change a query's meaning if they were pasted into its text.
    void namesAreBoundNotPasted() {
        const QStringList tricky = {"Sheet \"North\"",   "\"",   "x\" or \"1\"=\"1", "Sant'Anna",
                                    "Città di Castello", "AREA", "localita"};
        OpenArchives a;
        RecordView& areas = *a.view;
        RecordView& places = *a.archives.Data2;
        for (const QString& other : tricky + QStringList{"Plain"}) {
            addArea(areas, other);
            test::addRecord(&places, {{"AREA", other}, {"LOCALITA", other}});
        }
        for (const QString& name : tricky) {
            for (const char* source :
                 {sql::kAreaByName, sql::kAreaByNameCommandLine, sql::kAreaNeighbour})
                QCOMPARE(walk(areas, source, {name}), QStringList{name});
            // The engine's equality ignores letter case; the walk shows the stored text.
            QCOMPARE(walk(areas, sql::kAreaByName, {name.toLower()}), QStringList{name});
            QCOMPARE(walk(places, sql::kLocalityOfAreaByName, {name, name}, "d2loc"),
                     QStringList{name});
            QCOMPARE(walk(places, sql::kLocalityByName, {name}, "d2area"), QStringList{name});
        }
    }

    // An empty table, then a filter without a match.
    void emptyResult() {
        for (const bool filtered : {false, true}) {
            OpenArchives a;
            RecordView& view = *a.view;
            if (filtered) addArea(view, "Foglio");
            show(view, filtered ? sql::kAreaByName : sql::kAreaList,
                 filtered ? QStringList{"Altro"} : QStringList{});
            QVERIFY(view.eof());
            QCOMPARE(view.resultSize(), std::size_t(0));
            QCOMPARE(view.text("AREA"), QString());
            QVERIFY_THROWS_EXCEPTION(ArchiveError, view.moveFirst());
            QVERIFY_THROWS_EXCEPTION(ArchiveError, view.moveNext());
            QVERIFY_THROWS_EXCEPTION(ArchiveError, view.field("AREA"));
            QVERIFY_THROWS_EXCEPTION(ArchiveError, view.edit());
            // Unknown fields and sources that are not a "select *" are refused too.
            view.addNew();
            QVERIFY_THROWS_EXCEPTION(ArchiveError, view.setField("NOME", 1));
            QVERIFY_THROWS_EXCEPTION(ArchiveError, view.field("NOME"));
            QVERIFY_THROWS_EXCEPTION(ArchiveError, view.setRecordSource("delete from AREA"));
        }
    }

    // A value written through a view is stored as its column's kind and read
    // back as its text; the text of a number keeps '.' in the Italian locale
    // the tests run in, and a real shows as the single-precision number it was.
    void writtenValuesTakeTheColumnKind_data() {
        test::addRows<ValueRow>({
            {"digits into real", "COLA", "12", 12.0, "12"},
            {"decimal into real", "colo", "0.1", 0.1, "0.1"},
            {"double into real", "COLA", 9652.5, 9652.5, "9652.5"},
            {"negative real", "COLA", -2.25, -2.25, "-2.25"},
            {"single precision", "COLA", 1.0 / 3.0, 1.0 / 3.0, "0.33333334"},
            {"stored single", "COLA", double(0.3f), double(0.3f), "0.3"},
            {"digits into integer", "SECLAO", "-45", qlonglong(-45), "-45"},
            {"whole decimal into integer", "PXLAO", "3000.0", qlonglong(3000), "3000"},
            {"int into integer", "PXLOO", 7, qlonglong(7), "7"},
            {"large integer", "PXLOO", qlonglong(5000000000LL), qlonglong(5000000000LL),
             "5000000000"},
            {"word into integer", "SECLOO", "abc", "abc", "abc"},
            {"digits into text", "NORD", "0012", "0012", "0012"},
            {"text", "NORD", "Città 1,5", "Città 1,5", "Città 1,5"},
            {"empty text", "NORD", QString(""), QString(""), ""},
            {"null", "EST", QVariant(), QVariant(), ""},
        });
    }
    void writtenValuesTakeTheColumnKind() {
        QFETCH(ValueRow, row);
        const auto& [tag, field, value, stored, text] = row;
        OpenArchives a;
        RecordView& view = *a.view;
        addArea(view, "First");
        show(view, sql::kAreaAll);
        view.edit();
        view.setField(field, value);
        view.update();
        // Read back at once (the write must not leave an old copy behind) and
        // after running the query again.
        for (int pass = 0; pass < 2; ++pass) {
            if (pass == 1) view.refresh();
            QCOMPARE(view.field(field).typeId(), stored.typeId());
            QCOMPARE(view.field(field), stored);
            QCOMPARE(view.text(field), text);
            QCOMPARE(view.text("AREA"), "First");
        }
        QCOMPARE(orvena::fieldText(stored), text);
    }

    void failedTransactionLeavesArchiveUnchanged() {
        OpenArchives a;
        RecordView& view = *a.view;
        addArea(view, "Kept");
        show(view, sql::kAreaAll);
        QVERIFY_THROWS_EXCEPTION(ArchiveError, view.transaction([&] {
            view.remove();
            addArea(view, "Half");
            view.setField("missing", 1);
        }));
        QCOMPARE(walk(view, sql::kAreaAll), QStringList{"Kept"});
    }

    // Extended busy, a read-only journal, a file that cannot be opened, one
    // replaced while written, any other code. Busy, damaged and a full disk
    // are told by the area load's and the maintenance's tests.
    void failureMessage() {
        for (const auto& [code, end] : std::initializer_list<std::pair<int, const char*>>{
                 {SQLITE_BUSY_SNAPSHOT, "è in uso da un altro programma."},
                 {SQLITE_READONLY_ROLLBACK,
                  "è in sola lettura o mancano i permessi per scriverlo."},
                 {SQLITE_CANTOPEN, "non può essere aperto: manca o la cartella non è accessibile."},
                 {SQLITE_READONLY_DBMOVED, "è stato sostituito da un altro programma mentre era in "
                                           "uso: la modifica non è stata fatta, ripeterla."},
                 {SQLITE_MISMATCH, "non può essere usato: errore imprevisto (codice 20)."}}) {
            const QString expected = "L'archivio localita.mdb " + QString::fromUtf8(end);
            // A path shows as its file name.
            QCOMPARE(orvena::failureMessage("/tmp/x/localita.mdb", code), expected);
            const ArchiveError error("localita.mdb", code);
            QCOMPARE(error.italianMessage(), expected);
            QCOMPARE(QString::fromUtf8(error.what()), expected);
            QCOMPARE(error.code(), code);
        }
    }

    // Missing archives are created with their indexes; existing ones are
    // opened, the indexes they lack added and their records kept.
    void archivesOpenWithTheirIndexes() {
        for (const bool existing : {false, true}) {
            test::TempFolder folder;
            if (existing) {
                QCOMPARE(createArchive(folder.file("area.mdb"), schema::kAreaTable), QString());
                QCOMPARE(createArchive(folder.file("esparea.mdb"), schema::kAreaTable), QString());
                // An archive written without indexes, holding one record.
                SQLite::Database(folder.file("localita.mdb").toStdString(),
                                 SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE)
                    .exec(std::string(schema::kCreateLocality) +
                          ";insert into localita (AREA, LOCALITA, PX) values ('Foglio', 'ROMA', "
                          "1440)");
                QCOMPARE(objectsIn(folder.file("localita.mdb")), QStringList{"localita"});
            }
            QObject owner;
            Archives archives(&owner);
            QCOMPARE(archives.openAll(folder.path()), QString());
            QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                     QStringList({"area.mdb", "esparea.mdb", "esplocalita.mdb", "localita.mdb"}));
            const QStringList areaObjects{"AREA", "AREA_AREA"},
                placeObjects{"localita", "localita_AREA_LOCALITA", "localita_LOCALITA"};
            RecordView* views[] = {archives.Data1, archives.Data2, archives.Data3, archives.Data4};
            const char* boxes[] = {"d1ovest", "d2py", "d3localita", "d4secloo"};
            for (int i = 0; i < 4; ++i) {
                QCOMPARE(objectsIn(folder.file(views[i]->fileName())),
                         i % 3 == 0 ? areaObjects : placeObjects);
                QCOMPARE(views[i]->objectName(), QStringLiteral("Data%1").arg(i + 1));
                QCOMPARE(views[i]->parent(), &owner);
                QVERIFY(views[i]->isOpen());
                QVERIFY(views[i]->box(boxes[i]) != nullptr);
                show(*views[i], i % 3 == 0 ? sql::kAreaAll : sql::kLocalityAll);
                QCOMPARE(views[i]->eof(), !existing || i != 1); // only localita.mdb holds one
            }
            if (!existing) continue;
            QCOMPARE(archives.Data2->field("PX"), QVariant(1440.0));
            QCOMPARE(walk(*archives.Data2, nullptr, {}, "d2loc"), QStringList{"ROMA"});
        }
    }

    // Another instance compacts the folder while this one is open: this one's
    // next changes go to the compacted file, the change of the record it
    // stands on included, and its reads show what the other writes there.
    // The compacted file may also take the archive's name while the change
    // waits for the lock the compaction holds (whileWaiting).
    void archiveReplacedByAnotherInstanceIsOpenedAgain() {
        for (const bool whileWaiting : {false, true}) {
            OpenArchives first;
            RecordView& places = *first.archives.Data2;
            test::addRecord(&places, {{"LOCALITA", "PRIMA"}});
            show(places, sql::kLocalityAll);
            places.edit();
            Archives second;
            QCOMPARE(second.openAll(first.folder.path()), QString());
            const RecordView::Stamp before = places.stamp();
            std::thread compaction;
            if (whileWaiting) {
                // As a compaction does it: the write lock held, the copy renamed
                // over the archive, the lock let go.
                const std::string path = first.folder.file("localita.mdb").toStdString();
                const std::string copy = path + "-compatto";
                SQLite::Database(path).exec("VACUUM INTO '" + copy + "'");
                std::promise<void> locked;
                std::future<void> holding = locked.get_future();
                compaction = std::thread([&, path, copy] {
                    SQLite::Database db(path, SQLite::OPEN_READWRITE);
                    db.exec("BEGIN IMMEDIATE");
                    locked.set_value();
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    std::rename(copy.c_str(), path.c_str());
                    db.exec("ROLLBACK");
                });
                holding.wait();
            } else {
                const auto report = compactArchives(
                    first.folder.path(), {second.Data1, second.Data2, second.Data3, second.Data4});
                QVERIFY(report.failures.isEmpty() && !report.cancelled);
            }
            places.setField("LAGR", 45);
            QString failure;
            try {
                places.update();
            } catch (const ArchiveError& e) {
                failure = e.italianMessage();
            }
            if (compaction.joinable()) compaction.join();
            QCOMPARE(failure, QString());
            test::addRecord(&places, {{"LOCALITA", "SECONDA"}});
            test::addRecord(second.Data2, {{"LOCALITA", "TERZA"}});
            QVERIFY(!(places.stamp() == before));
            QCOMPARE(walk(places, sql::kLocalityAll, {}, "d2loc"),
                     QStringList({"PRIMA", "SECONDA", "TERZA"}));
            places.moveFirst();
            QCOMPARE(places.field("LAGR"), QVariant(qlonglong(45)));
        }
    }

    // A file the user may not read is told by the system's reason, not as
    // missing, at start-up and when a record view opens it.
    void unreadableArchiveToldBySystemsReason() {
        test::TempFolder folder;
        {
            Archives created;
            QCOMPARE(created.openAll(folder.path()), QString());
        }
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ExeOwner | QFile::ReadOther |
                                                         QFile::ExeOther));
        QVERIFY(QFile::setPermissions(folder.file("area.mdb"), {}));
        const std::optional<QString> said = test::asUnprivilegedUser([&] {
            Archives archives;
            RecordView view("Data1", "area.mdb", "AREA", {});
            return archives.openAll(folder.path()) + '|' + view.open(folder.path());
        });
        if (!said) QSKIP("no process could run as a user without privileges");
        const QString why = "L'archivio area.mdb non può essere aperto: permesso negato. Il "
                            "programma termina senza modificarlo.";
        QCOMPARE(*said, why + '|' + why);
    }

    // A datum table of another shape is told at start-up and by every command
    // that reads the file holding it, named with that file; no file changes.
    void foreignDatumTableNamedWithItsFile() {
        const QString noDatum = "Il file %1 non è un archivio di Orvena valido (nella tabella "
                                "AREA_DATUM manca il campo DATUM).";
        const QString ends = " Il programma termina senza modificarlo.";
        const QString other = "AREA_DATUM (AREA TEXT PRIMARY KEY, CODICE TEXT)";
        // The file, the AREA_DATUM written there, the command, what it tells.
        for (const auto& [file, table, command, told] :
             {std::array<QString, 4>{"area.mdb", other, "start", noDatum.arg("area.mdb") + ends},
              {"esparea.mdb", other, "start", noDatum.arg("esparea.mdb") + ends},
              {"esparea.mdb", other, "import", noDatum.arg("esparea.mdb")},
              {"area.mdb", other, "export", noDatum.arg("area.mdb")},
              {"area.mdb", "AREA_DATUM (AREA TEXT, DATUM TEXT)", "deletion",
               "Il file area.mdb non è un archivio di Orvena valido (nella tabella AREA_DATUM il "
               "campo AREA non è la chiave)."}}) {
            test::TempFolder folder;
            {
                OpenArchives made;
                addArea(*made.archives.Data1, "Foglio");
                addArea(*made.archives.Data4, "Foglio");
                made.archives.closeAll();
                test::execSql(made.folder.file(file), "create table " + table.toStdString());
                for (const char* name :
                     {"area.mdb", "localita.mdb", "esparea.mdb", "esplocalita.mdb"})
                    QVERIFY(QFile::copy(made.folder.file(name), folder.file(name)));
            }
            const QMap<QString, QByteArray> before = test::bytesIn(folder.path());
            Archives archives;
            const QString said = command == "start"    ? archives.openAll(folder.path())
                                 : command == "import" ? importArchives(folder.path()).problem()
                                 : command == "export"
                                     ? exportArchives(folder.path()).problem()
                                     : deleteArea(folder.path(), "Foglio").failure;
            QCOMPARE(said, told);
            QCOMPARE(test::bytesIn(folder.path()), before);
        }
    }
};

ORVENA_TEST_MAIN(ArchiveTest)
#include "ArchiveTest.moc"
