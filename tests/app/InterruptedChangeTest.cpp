// A change of two archives stopped inside its commit (the super-journal
// written, the second file half written), then the program started on the
// folder: both files are rolled back, the start-up says so and goes on. Any
// later command that meets such a folder rolls it back before it reads.
#include "KilledInside.h"
#include "Records.h"
#include "TestMain.h"
#include "Workspace.h"

#include "DemoAtlas.h"
#include "app/Application.h"
#include "core/archive/ArchiveFile.h"
#include "core/archive/Compaction.h"
#include "core/archive/DeleteArea.h"
#include "core/archive/Exchange.h"
#include "core/gis/GisExport.h"

#include <QProcess>
#include <QScopeGuard>
#include <SQLiteCpp/SQLiteCpp.h>

#include <optional>

using namespace orvena;
using orvena::test::Workspace;

namespace {

// The file's integrity check, then every record of its tables in stored order.
QStringList content(const QString& path) {
    QStringList out = test::queryRows(path, "pragma integrity_check");
    for (const QString& table :
         test::queryRows(path, "select name from sqlite_master where type = 'table'"))
        out << test::queryRows(path, "select * from " + table.toStdString() + " order by rowid");
    return out;
}

// The content of the two files of folder a work changes (the exchange pair
// for an export).
QList<QStringList> contentOfPair(const QString& folder, const QString& work) {
    const QString esp = work == "export" ? "esp" : "";
    return {content(folder + "/" + esp + "area.mdb"), content(folder + "/" + esp + "localita.mdb")};
}

// The exchange files get a new sheet and its places, for the import to add
// and the export to replace.
void addNewSheetToExchange(const Workspace& ws) {
    test::execSql(ws.file("esparea.mdb"), "insert into AREA (AREA) values ('nuovo.jpg')");
    test::execSql(ws.file("esplocalita.mdb"),
                  "with recursive n(i) as (select 1 union all select i + 1 from n where i < 3000)"
                  " insert into localita (AREA, LOCALITA) select 'nuovo.jpg', 'P' || i from n");
}

// Leaves the folder as a process killed inside the commit of the work leaves
// it: the super-journal written, then stopped before the second write into
// the file stop (a database or a journal; "file:n" before the n-th), after
// adding the new sheet. The content of the two files just before.
QList<QStringList> stopInCommit(const Workspace& ws, const QString& work, const QString& stop) {
    addNewSheetToExchange(ws);
    const QList<QStringList> before = contentOfPair(ws.folder.path(), work);
    QProcess victim;
    victim.start(VICTIM, {work, ws.folder.path(), stop, demo::demoSheets().front().name});
    if (!victim.waitForFinished(60000) || victim.exitCode() != 86) return {};
    return before;
}

// A change stopped in its commit: the work, the file and write it stopped
// before, what the start-up says and the journals that cannot be rolled back;
// whether the folder was then moved or copied elsewhere, and started there.
struct StopRow {
    const char* tag;
    QString work, stop, message, left; // texts and files joined by '|'
    QString elsewhere = {};            // "moved", "copied"
};

QStringList leftovers(const QString& folder) {
    return QDir(folder).entryList({"*-journal", "*-mj*", "*-compatto*"});
}

} // namespace

class InterruptedChangeTest : public QObject {
    Q_OBJECT
private slots:
    // Stopped while the second file is written: both are rolled back. Stopped
    // before any journal points to the super-journal: the files were not
    // written yet, and the super-journal left behind is removed.
    void startUpRollsBackBothFiles_data() {
        const QString both = "L'ultima modifica agli archivi %1 e %2 non era stata completata:"
                             " gli archivi sono stati riportati allo stato precedente.";
        const QString one = "L'ultima modifica all'archivio area.mdb non era stata completata:"
                            " l'archivio è stato riportato allo stato precedente.";
        const QString areas = both.arg("area.mdb", "localita.mdb");
        test::addRows<StopRow>({
            {"import", "import", "localita.mdb", areas, ""},
            {"export", "export", "esplocalita.mdb", both.arg("esparea.mdb", "esplocalita.mdb"), ""},
            {"deletion", "delete", "localita.mdb", areas, ""},
            // The journals name the super-journal by the path it had.
            {"import, folder moved since", "import", "localita.mdb", areas, "", "moved"},
            {"deletion, folder moved since", "delete", "localita.mdb", areas, "", "moved"},
            {"import, folder copied since", "import", "localita.mdb", areas, "", "copied"},
            // The second journal names the super-journal, but its header was
            // never written: only the first file is rolled back.
            {"second journal not begun", "import", "localita.mdb-journal:6", one,
             "localita.mdb-journal"},
            {"no journal names it", "import", "area.mdb-journal", "",
             "area.mdb-journal|localita.mdb-journal"},
        });
    }
    void startUpRollsBackBothFiles() {
        QFETCH(StopRow, row);
        Workspace ws;
        const QList<QStringList> before = stopInCommit(ws, row.work, row.stop);
        QVERIFY(!before.isEmpty());
        QString folder = ws.folder.path();
        QCOMPARE(leftovers(folder).size(), 3); // both journals and the super-journal
        const QString home = folder, other = home + "-" + row.elsewhere;
        const auto back = qScopeGuard([&] {
            if (row.elsewhere == "moved") QDir().rename(other, home);
            if (row.elsewhere == "copied") QDir(other).removeRecursively();
        });
        if (!row.elsewhere.isEmpty()) {
            QVERIFY(QDir::setCurrent(QDir::tempPath()));
            if (row.elsewhere == "moved") QVERIFY(QDir().rename(home, other));
            if (row.elsewhere == "copied") {
                QVERIFY(QDir().mkpath(other));
                for (const QString& name : QDir(home).entryList(QDir::Files))
                    QVERIFY(QFile::copy(home + "/" + name, other + "/" + name));
            }
            folder = other;
        }

        Archives archives;
        const auto window = startUp(archives, folder, QString());
        QVERIFY(window);
        QCOMPARE(ws.dialogs.texts().join(u'|'), row.message);
        QCOMPARE(contentOfPair(folder, row.work), before);
        // A journal that cannot be rolled back may stay: the next write to its
        // file replaces it. No super-journal stays.
        QCOMPARE(leftovers(folder).join(u'|'), row.left);
    }

    // A compaction killed before its rename leaves its compacted file (and
    // its journal) beside the archive: the next start removes them without a
    // word, the archive as it was. One that is under way (it holds the
    // archive's write lock) keeps its file.
    void startUpRemovesUnfinishedCompaction() {
        // Stopped once written, once made durable; written, with another under way.
        for (const auto& [stop, underWay] : {std::pair{"compact:written", false},
                                             {"compact:synced", false},
                                             {"compact:written", true}}) {
            Workspace ws;
            const QString folder = ws.folder.path(), archive = ws.file("localita.mdb");
            const QStringList before = content(archive);
            QVERIFY(test::killedInside([&] {
                compactArchive(folder, "localita.mdb", {}, [&](const char* point) {
                    if (qstrcmp(stop, point) == 0) test::killNow();
                    return false;
                });
            }));
            QVERIFY(leftovers(folder).contains("localita.mdb-compatto"));
            const QStringList left = leftovers(folder);
            std::optional<SQLite::Database> other;
            if (underWay) {
                other.emplace(archive.toStdString(), SQLite::OPEN_READWRITE);
                other->exec("BEGIN IMMEDIATE");
            }

            Archives archives;
            const auto window = startUp(archives, folder, QString());
            QVERIFY(window);
            QCOMPARE(ws.dialogs.texts(), QStringList());
            QCOMPARE(leftovers(folder), underWay ? left : QStringList());
            other.reset();
            QCOMPARE(content(archive), before);
        }
    }

    // A command run on such a folder (the program left running while another
    // one was killed) rolls the change back before it reads: the four files
    // end as the same command leaves them on the folder as it was before the
    // change.
    void laterCommandRollsBackFirst_data() {
        QTest::addColumn<QString>("command");
        for (const char* command : {"import", "export", "deletion", "compaction", "gis export"})
            QTest::newRow(command) << command;
    }
    void laterCommandRollsBackFirst() {
        QFETCH(QString, command);
        const auto run = [&](const QString& folder) {
            if (command == "import") return importArchives(folder).done();
            if (command == "export") return exportArchives(folder).done();
            if (command == "deletion")
                return deleteArea(folder, demo::demoSheets().front().name).ok();
            if (command == "compaction")
                return compactArchive(folder, "area.mdb").done() &&
                       compactArchive(folder, "localita.mdb").done();
            return gis::exportForGis(folder, folder + "/gis").ok();
        };
        Workspace untouched;
        addNewSheetToExchange(untouched);
        QVERIFY(run(untouched.folder.path()));

        Workspace ws;
        QVERIFY(!stopInCommit(ws, "import", "localita.mdb").isEmpty());
        const QString folder = ws.folder.path();
        QVERIFY(run(folder));
        QCOMPARE(leftovers(folder), QStringList());
        for (const char* pair : {"import", "export"})
            QCOMPARE(contentOfPair(folder, pair), contentOfPair(untouched.folder.path(), pair));
    }

    // The change cannot be judged when no private copy can be made: start-up
    // says once that the program ends, without changing the file; a later
    // command, after which the program goes on, does not say it.
    void unjudgedChangeToldOnce() {
        Workspace ws;
        QVERIFY(!stopInCommit(ws, "import", "localita.mdb").isEmpty());
        const QByteArray temporary = qgetenv("TMPDIR");
        const auto restore = qScopeGuard(
            [&] { temporary.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", temporary); });
        // A file: no private folder can be made inside it.
        qputenv("TMPDIR", ws.file("area.mdb").toLocal8Bit());
        const QString atStartUp =
            archivefile::check(ws.file("area.mdb"), "AREA", archivefile::requiredColumns("AREA"));
        const QString later = gis::exportForGis(ws.folder.path(), ws.file("gis")).error;
        QVERIFY2(later.startsWith("Il file area.mdb non può essere aperto (") &&
                     !later.contains("termina"),
                 qPrintable(later));
        QCOMPARE(atStartUp, later + " Il programma termina senza modificarlo.");
    }
};

ORVENA_TEST_MAIN(InterruptedChangeTest)
#include "InterruptedChangeTest.moc"
