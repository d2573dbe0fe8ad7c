// A change of two archives stopped inside its commit (the super-journal
// written, the second file half written), then the program started on the
// folder: both files are rolled back, the start-up says so and goes on. Any
// later command that meets such a folder rolls it back before it reads.
#include "TestMain.h"
#include "Workspace.h"

#include "DemoAtlas.h"
#include "app/Application.h"
#include "core/archive/Compaction.h"
#include "core/archive/DeleteArea.h"
#include "core/archive/Exchange.h"
#include "core/gis/GisExport.h"

#include <QProcess>
#include <SQLiteCpp/SQLiteCpp.h>

using namespace orvena;
using orvena::test::Workspace;

namespace {

// Every record of the file's tables in stored order, and its integrity check.
QStringList content(const QString& path) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    QStringList out = {QString::fromStdString(db.execAndGet("pragma integrity_check").getString())};
    SQLite::Statement tables(db, "select name from sqlite_master where type = 'table'");
    while (tables.executeStep()) {
        const std::string table = tables.getColumn(0).getString();
        SQLite::Statement rows(db, "select * from " + table + " order by rowid");
        while (rows.executeStep())
            for (int i = 0; i < rows.getColumnCount(); ++i)
                out << QString::fromStdString(rows.getColumn(i).getString());
    }
    return out;
}

// Leaves the folder as a process killed inside the commit of the work leaves
// it: the super-journal written, then stopped before the second write into
// the file stop (a database or a journal; "file:n" before the n-th). The
// exchange files first get a new sheet and its places, for the import to add
// and the export to replace. The content of the two files just before.
QList<QStringList> stopInCommit(const Workspace& ws, const QString& work, const QString& first,
                                const QString& second, const QString& stop) {
    SQLite::Database(ws.file("esparea.mdb").toStdString(), SQLite::OPEN_READWRITE)
        .exec("insert into AREA (AREA) values ('nuovo.jpg')");
    SQLite::Database(ws.file("esplocalita.mdb").toStdString(), SQLite::OPEN_READWRITE)
        .exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < 3000)"
              " insert into localita (AREA, LOCALITA) select 'nuovo.jpg', 'P' || i from n");
    const QList<QStringList> before = {content(ws.file(first)), content(ws.file(second))};
    QProcess victim;
    victim.start(VICTIM, {work, ws.folder.path(), stop, demo::demoSheets().front().name});
    if (!victim.waitForFinished(60000) || victim.exitCode() != 86) return {};
    return before;
}

QStringList leftovers(const Workspace& ws) {
    return QDir(ws.folder.path()).entryList({"*-journal", "*-mj*"});
}

} // namespace

class InterruptedChangeTest : public QObject {
    Q_OBJECT
private slots:
    // Stopped while the second file is written: both are rolled back. Stopped
    // before any journal points to the super-journal: the files were not
    // written yet, and the super-journal left behind is removed.
    void startUpRollsBackBothFiles_data() {
        QTest::addColumn<QString>("work");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QStringList>("message");
        QTest::addColumn<QStringList>("left"); // journals that cannot be rolled back
        const QString both = "L'ultima modifica agli archivi %1 e %2 non era stata completata:"
                             " gli archivi sono stati riportati allo stato precedente.";
        const QString one = "L'ultima modifica all'archivio area.mdb non era stata completata:"
                            " l'archivio è stato riportato allo stato precedente.";
        const auto row = [&](const char* tag, const char* work, const QString& first,
                             const QString& second, const char* stop, const QString& said,
                             const QStringList& left = {}) {
            QTest::newRow(tag) << work << first << second << stop
                               << (said.isEmpty() ? QStringList() : QStringList(said)) << left;
        };
        row("import", "import", "area.mdb", "localita.mdb", "localita.mdb",
            both.arg("area.mdb", "localita.mdb"));
        row("export", "export", "esparea.mdb", "esplocalita.mdb", "esplocalita.mdb",
            both.arg("esparea.mdb", "esplocalita.mdb"));
        row("deletion", "delete", "area.mdb", "localita.mdb", "localita.mdb",
            both.arg("area.mdb", "localita.mdb"));
        // The second journal names the super-journal, but its header was
        // never written: only the first file is rolled back.
        row("second journal not begun", "import", "area.mdb", "localita.mdb",
            "localita.mdb-journal:6", one, {"localita.mdb-journal"});
        row("no journal names it", "import", "area.mdb", "localita.mdb", "area.mdb-journal", "",
            {"area.mdb-journal", "localita.mdb-journal"});
    }
    void startUpRollsBackBothFiles() {
        QFETCH(QString, work);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, stop);
        QFETCH(QStringList, message);
        QFETCH(QStringList, left);
        Workspace ws;
        const QList<QStringList> before = stopInCommit(ws, work, first, second, stop);
        QVERIFY(!before.isEmpty());
        QCOMPARE(leftovers(ws).size(), 3); // both journals and the super-journal

        Archives archives;
        ViewerState state;
        const auto window = startUp(archives, state, ws.folder.path(), QString());
        QVERIFY(window);
        QCOMPARE(ws.dialogs.texts(), message);
        QCOMPARE(content(ws.file(first)), before[0]);
        QCOMPARE(content(ws.file(second)), before[1]);
        // A journal that cannot be rolled back may stay: the next write to its
        // file replaces it. No super-journal stays.
        QCOMPARE(leftovers(ws), left);
    }

    // A command run on such a folder (the program left running while another
    // one was killed) rolls the change back before it reads.
    void laterCommandRollsBackFirst_data() {
        QTest::addColumn<QString>("command");
        for (const char* command : {"import", "export", "deletion", "compaction", "gis export"})
            QTest::newRow(command) << command;
    }
    void laterCommandRollsBackFirst() {
        QFETCH(QString, command);
        Workspace ws;
        QVERIFY(!stopInCommit(ws, "import", "area.mdb", "localita.mdb", "localita.mdb").isEmpty());
        const QString folder = ws.folder.path();
        bool done = false;
        if (command == "import") done = importArchives(folder).done();
        if (command == "export") done = exportArchives(folder).done();
        if (command == "deletion") done = deleteArea(folder, demo::demoSheets().front().name).ok();
        if (command == "compaction")
            done = compactArchive(folder, "area.mdb").done() &&
                   compactArchive(folder, "localita.mdb").done();
        if (command == "gis export") done = gis::exportForGis(folder, folder + "/gis").ok();
        QVERIFY(done);
        QCOMPARE(leftovers(ws), QStringList());
        for (const char* file : {"area.mdb", "localita.mdb"})
            QCOMPARE(content(ws.file(file)).front(), "ok");
    }
};

ORVENA_TEST_MAIN(InterruptedChangeTest)
#include "InterruptedChangeTest.moc"
