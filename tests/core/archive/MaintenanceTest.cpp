// Export, import and compaction on the files: what they write, and that a
// failure or a cancel at any step leaves every archive as it was (a process
// killed in the commit: InterruptedChangeTest). The working pair: one connection
// over area.mdb and localita.mdb whose changes to both commit or vanish together.
#include "core/archive/Archives.h"
#include "core/archive/AreaCalibrations.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/Compaction.h"
#include "core/archive/DeleteArea.h"
#include "core/archive/Exchange.h"
#include "core/archive/WorkingPair.h"
#include "core/gis/GisExport.h"
#include "support/ReadOnlyFolder.h"
#include "support/Records.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <SQLiteCpp/SQLiteCpp.h>

#include <array>
#include <optional>

using namespace orvena;

namespace {

// A working folder with the four archives, filled by SQL.
struct Folder {
    test::TempFolder folder;
    Folder() {
        if (!Archives().openAll(folder.path()).isEmpty()) qFatal("archives");
    }
    QString path(const QString& file) const { return folder.file(file); }
    void exec(const char* file, const std::string& sql) const { test::execSql(path(file), sql); }
    // Adds count places numbered from 1; values gives their fields from i.
    void fill(const char* file, int count, const std::string& values) const {
        exec(file, "with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
                       std::to_string(count) + ") insert into localita select " + values +
                       " from n");
    }
    // Every record in stored order, each as its values joined by '|'.
    QStringList rows(const char* file, const char* table) const {
        return test::queryRows(path(file),
                               std::string("select * from ") + table + " order by rowid");
    }
    // A file's bytes; empty when it is missing.
    QByteArray bytes(const QString& file) const { return test::fileBytes(path(file)); }
};

const char* const kArea = "area.mdb";
const char* const kPlaces = "localita.mdb";
const char* const kXArea = "esparea.mdb";
const char* const kXPlaces = "esplocalita.mdb";
const char* const kFiles[] = {kArea, kPlaces, kXArea, kXPlaces};

} // namespace

class MaintenanceTest : public QObject {
    Q_OBJECT
private slots:
    void exportReplacesAndSorts() {
        Folder f;
        f.exec(kArea, "insert into AREA values ('b.jpg', 0.1, 17, 1, 2, 3, 4, 'a.jpg', '', NULL, "
                      "'x'), ('A.jpg', 24.25, 3, 5, 6, 7, 8, NULL, NULL, NULL, NULL)");
        f.exec(kPlaces, "insert into localita values ('b.jpg', 'ZETA', 1, 2, 3, 4, 5, 6, 700, 80),"
                        " ('A.jpg', 'BETA', 7, 8, 9, 10, 11, 12, 1, 2),"
                        " ('a.jpg', 'ALFA', 13, 14, 15, 16, 17, 18, NULL, NULL)");
        f.exec(kXArea, "insert into AREA (AREA) values ('old.jpg')");
        f.exec(kXPlaces, "insert into localita (AREA, LOCALITA) values ('old.jpg', 'OLD')");

        QVERIFY(exportArchives(f.folder.path()).done());
        // Reals go as their single-precision texts; positions never travel.
        QCOMPARE(f.rows(kXArea, "AREA"), QStringList({"A.jpg|24.25|3.0|5|6|7|8|NULL|NULL|NULL|NULL",
                                                      "b.jpg|0.1|17.0|1|2|3|4|a.jpg||NULL|x"}));
        QCOMPARE(f.rows(kXPlaces, "localita"),
                 QStringList({"a.jpg|ALFA|13|14|15|16|17|18|NULL|NULL",
                              "A.jpg|BETA|7|8|9|10|11|12|NULL|NULL",
                              "b.jpg|ZETA|1|2|3|4|5|6|NULL|NULL"}));
        // Imported back, nothing is new.
        const QStringList areas = f.rows(kArea, "AREA"), places = f.rows(kPlaces, "localita");
        QVERIFY(importArchives(f.folder.path()).done());
        QCOMPARE(f.rows(kArea, "AREA"), areas);
        QCOMPARE(f.rows(kPlaces, "localita"), places);
    }

    // Each sheet's datum and reference points sit in tables of their own
    // beside AREA, which an archive written before them does not have: such
    // an archive opens unchanged, and both travel with their sheets through
    // export, import, compaction and deletion, the datum with the operation
    // chosen for it (kept when the datum is stored again unchanged).
    void datumsAndPointsTravelWithTheirSheets() {
        Folder f;
        f.exec(kArea, "insert into AREA (AREA) values ('a.jpg'), ('b.jpg'), ('B.jpg')");
        const QByteArray earlier = f.bytes(kArea);
        QVERIFY(Archives().openAll(f.folder.path()).isEmpty());
        QCOMPARE(f.bytes(kArea), earlier);
        const auto datums = [&](const char* file) { return f.rows(file, areadatums::kTable); };
        auto points = [&](const char* file) { return f.rows(file, areacalibrations::kTable); };
        const SheetPoints affine{
            FitModel::Affine, 23033, {{1, 2, true, 3, 4}, {5, 6, false, 7, 8}}, {}};
        const QString affineRow =
            R"(a.jpg|affine|23033|[[1,2,"g",3,4],[5,6,"c",7,8]]|[]|2 3 4 5 6 7)";
        {
            WorkingPair pair(f.folder.path());
            areadatums::store(pair, "a.jpg", "EPSG:4230", QStringLiteral("EPSG:1133"));
            areadatums::store(pair, "a.jpg", "EPSG:4230");
            areadatums::store(pair, "B.jpg", "EPSG:4806", QStringLiteral("EPSG:1"));
            areadatums::store(pair, "B.jpg", "EPSG:4230");
            QCOMPARE(areadatums::readIn(f.folder.path(), "B.jpg").operation, QString());
            areadatums::store(pair, "B.jpg", "");
            areacalibrations::store(pair, "a.jpg", affine, AreaFields{2, 3, 4, 5, 6, 7}, {});
        }
        // Storing the points rewrote the record's own fields, and nothing else.
        QCOMPARE(f.rows(kArea, "AREA").at(0), "a.jpg|2.0|3.0|4|5|6|7|NULL|NULL|NULL|NULL");
        const QStringList areas = f.rows(kArea, "AREA");
        QVERIFY(exportArchives(f.folder.path()).done());
        QCOMPARE(datums(kXArea), QStringList{"a.jpg|EPSG:4230|EPSG:1133"});
        QCOMPARE(points(kXArea), QStringList{affineRow});
        // The exchange's datum goes to a new sheet and to one without its own;
        // one that has a datum keeps it. Points come only with a new sheet.
        f.exec(kXArea, "insert into AREA (AREA) values ('c.jpg');"
                       "update AREA_DATUM set DATUM = 'EPSG:4326';"
                       "insert into AREA_DATUM (AREA, DATUM) values ('b.jpg', 'EPSG:4265'), "
                       "('c.jpg', 'EPSG:4806'), ('x.jpg', 'EPSG:4326');"
                       "update AREA_CALIBRATION set MODEL = 'tps';"
                       "insert into AREA_CALIBRATION values ('b.jpg', 'helmert', 0, '[]', '', ''),"
                       "('c.jpg', 'helmert', 0, '[]', '', ''), ('x.jpg', 'helmert', 0, '[]', '', "
                       "'')");
        QVERIFY(importArchives(f.folder.path()).done());
        const QStringList after{"a.jpg|EPSG:4230|EPSG:1133", "b.jpg|EPSG:4265|NULL",
                                "c.jpg|EPSG:4806|NULL"};
        const QStringList pointsAfter{affineRow, "c.jpg|helmert|0|[]||"};
        QCOMPARE(datums(kArea), after);
        QCOMPARE(points(kArea), pointsAfter);
        QCOMPARE(f.rows(kArea, "AREA").mid(0, 3), areas);
        QVERIFY(compactArchive(f.folder.path(), kArea).done());
        QCOMPARE(datums(kArea), after);
        QCOMPARE(points(kArea), pointsAfter);
        QVERIFY(deleteArea(f.folder.path(), "b.jpg").ok());
        QVERIFY(deleteArea(f.folder.path(), "c.jpg").ok());
        QCOMPARE(datums(kArea), QStringList({after[0]}));
        QCOMPARE(points(kArea), QStringList({affineRow}));
        QCOMPARE(areacalibrations::readIn(f.folder.path(), "a.jpg"), affine);
        // The sheet set up again by two points (here or by an earlier build):
        // its points no longer go with it.
        f.exec(kArea, "update AREA set COLO = 3.5 where AREA = 'a.jpg'");
        QVERIFY(!areacalibrations::readIn(f.folder.path(), "a.jpg"));
        f.exec(kArea, "update AREA set COLO = 3 where AREA = 'a.jpg'");

        // The record, the points and the datum are one change: the datum
        // refused, nothing of it stays.
        f.exec(kArea, "create trigger refuse before update on AREA_DATUM"
                      " begin select raise(abort, 'refused'); end");
        const QStringList before = f.rows(kArea, "AREA");
        WorkingPair pair(f.folder.path());
        QVERIFY_THROWS_EXCEPTION(ArchiveError, areacalibrations::store(pair, "a.jpg", SheetPoints{},
                                                                       AreaFields{9, 9, 9, 9, 9, 9},
                                                                       "EPSG:4326"));
        QCOMPARE(f.rows(kArea, "AREA"), before);
        QCOMPARE(points(kArea), QStringList({affineRow}));
    }

    // The working file holds PONTE on f.jpg; the exchange file's places, and
    // the places the import adds after PONTE.
    void importAddsWhatIsNotExactlyPresent_data() {
        QTest::addColumn<QString>("exchange");
        QTest::addColumn<QStringList>("added");
        QTest::newRow("other coordinates keep their own")
            << "('f.jpg', 'PONTE', 9, 9, 9, 9, 9, 9, 1, 1)" << QStringList{};
        QTest::newRow("letter case makes another place")
            << "('f.jpg', 'Ponte', 9, 9, 9, 9, 9, 9, 1, 1)"
            << QStringList{"f.jpg|Ponte|9|9|9|9|9|9|NULL|NULL"};
        QTest::newRow("repeated in the exchange, added once, first copy")
            << "('g.jpg', 'RIO', 1, 1, 1, 1, 1, 1, 5, 5), ('g.jpg', 'RIO', 2, 2, 2, 2, 2, 2, 6, 6),"
               " ('g.jpg', 'rio', 3, 3, 3, 3, 3, 3, 7, 7)"
            << QStringList{"g.jpg|RIO|1|1|1|1|1|1|NULL|NULL", "g.jpg|rio|3|3|3|3|3|3|NULL|NULL"};
        QTest::newRow("same name on another sheet")
            << "('F.jpg', 'PONTE', 7, 7, 7, 7, 7, 7, 1, 1)"
            << QStringList{"F.jpg|PONTE|7|7|7|7|7|7|NULL|NULL"};
    }
    void importAddsWhatIsNotExactlyPresent() {
        QFETCH(QString, exchange);
        QFETCH(QStringList, added);
        Folder f;
        f.exec(kPlaces,
               "insert into localita values ('f.jpg', 'PONTE', 1, 2, 3, 4, 5, 6, 100, 200)");
        f.exec(kXPlaces, "insert into localita values " + exchange.toStdString());
        f.exec(kArea, "insert into AREA (AREA, COLA) values ('f.jpg', 1)");
        f.exec(kXArea, "insert into AREA (AREA, COLA) values ('f.jpg', 2), ('F.jpg', 3), "
                       "('F.jpg', 4)");
        QVERIFY(importArchives(f.folder.path()).done());
        QCOMPARE(f.rows(kPlaces, "localita"),
                 QStringList{"f.jpg|PONTE|1|2|3|4|5|6|100.0|200.0"} + added);
        QCOMPARE(f.rows(kArea, "AREA"),
                 QStringList({"f.jpg|1.0|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL",
                              "F.jpg|3.0|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL"}));
    }

    // An import or export stopped at any point changes no byte of any archive;
    // the import's places come in two chunks, cancelled after the second.
    void interruptedWorkChangesNothing_data() {
        QTest::addColumn<bool>("import");
        QTest::addColumn<QString>("point");
        QTest::addColumn<QString>("blamed");
        const auto row = [](const char* name, bool import, const char* point, const char* file) {
            QTest::newRow(name) << import << QString(point) << QString(file);
        };
        row("import, areas added", true, "import:areas", kArea);
        row("import, places added", true, "import:localities", kPlaces);
        row("import, cancelled", true, "", "");
        row("import, exchange held", true, "lock", kXArea);
        row("export, emptied", false, "export:emptied", kXPlaces);
        row("export, places written", false, "export:localities", kXPlaces);
        row("export, cancelled", false, "", "");
        row("export, exchange held", false, "lock", kXArea);
    }
    void interruptedWorkChangesNothing() {
        QFETCH(bool, import);
        QFETCH(QString, point);
        QFETCH(QString, blamed);
        Folder f;
        f.fill(kPlaces, 60000, "'f' || (i % 50) || '.jpg', 'P' || i, 1, 2, 3, 4, 5, 6, i, i");
        f.exec(kArea, "insert into AREA (AREA) values ('f1.jpg')");
        QVERIFY(exportArchives(f.folder.path()).done());
        f.exec(kPlaces, "delete from localita where rowid % 3 = 0");
        f.exec(kArea, "delete from AREA");
        f.exec(kXArea, "insert into AREA (AREA) values ('nuova.jpg')");

        const QMap<QString, QByteArray> before = test::bytesIn(f.folder.path());
        std::unique_ptr<SQLite::Database> holder;
        if (point == "lock") {
            holder = std::make_unique<SQLite::Database>(f.path(kXArea).toStdString(),
                                                        SQLite::OPEN_READWRITE);
            holder->exec("BEGIN EXCLUSIVE");
        }
        int reports = 0;
        const Progress progress = [&](qint64, qint64) { return ++reports < 3 || !point.isEmpty(); };
        const FaultPoint fault = [&](const char* at) { return point == QLatin1String(at); };
        const MaintenanceResult r = import ? importArchives(f.folder.path(), progress, fault)
                                           : exportArchives(f.folder.path(), progress, fault);
        holder.reset();
        QCOMPARE(r.outcome, point.isEmpty() ? MaintenanceResult::Outcome::Cancelled
                                            : MaintenanceResult::Outcome::Failed);
        QCOMPARE(r.file, blamed);
        if (point == "lock") QVERIFY(r.problem().contains("in uso da un altro programma"));
        QCOMPARE(test::bytesIn(f.folder.path()), before);
    }

    // After a failure at any step the archive under its name is whole and
    // holds every record; the compacted copy is there once the archive is.
    // The failure point (none: no failure) and whether the archive was replaced by then.
    void compactionNeverLosesTheArchive() {
        for (const auto& [point, replaced] : {std::pair<QString, bool>{"", true},
                                              {"compact:locked", false},
                                              {"compact:written", false},
                                              {"compact:synced", false},
                                              {"compact:copy", true}}) {
            Folder f;
            f.fill(kPlaces, 20000, "'f.jpg', 'P' || i, 1, 2, 3, 4, 5, 6, i, i");
            f.exec(kPlaces, "delete from localita where rowid % 2 = 0");
            QVERIFY(test::writeFile(f.folder.file("localitacomp.mdb"), "left by an earlier run"));
            const QStringList rows = f.rows(kPlaces, "localita");
            const qint64 size = QFile(f.folder.file("localita.mdb")).size();

            const MaintenanceResult r =
                compactArchive(f.folder.path(), "localita.mdb", {},
                               [&](const char* at) { return point == QLatin1String(at); });
            QCOMPARE(r.done(), point.isEmpty());
            QCOMPARE(f.rows(kPlaces, "localita"), rows);
            QCOMPARE(test::queryRows(f.path(kPlaces), "pragma integrity_check"), QStringList{"ok"});
            QCOMPARE(QFile(f.folder.file("localita.mdb")).size() < size, replaced);
            QVERIFY(!QFile::exists(f.folder.file("localita.mdb-compatto")));
            if (point.isEmpty())
                QCOMPARE(f.bytes("localitacomp.mdb"), f.bytes(kPlaces));
            else if (replaced)
                QVERIFY(!QFile::exists(f.folder.file("localitacomp.mdb")));
            else
                QCOMPARE(f.bytes("localitacomp.mdb"), QByteArray("left by an earlier run"));
        }
    }

    // A failure names the file that failed and says why, as start-up does.
    void failureNamesItsFile_data() {
        QTest::addColumn<QString>("work");
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("message");
        const QString readOnly =
            "L'archivio %1 è in sola lettura o mancano i permessi per scriverlo.";
        const QString notOurs = "Il file %1 non è un archivio di Orvena%2.";
        for (const auto& [work, trouble, message] :
             {std::array<QString, 3>{"import", "damaged",
                                     "L'archivio esplocalita.mdb è danneggiato."},
              {"import", "text", notOurs.arg("esplocalita.mdb", ": non è un database")},
              {"export", "empty", notOurs.arg("esparea.mdb", " valido (manca la tabella AREA)")},
              {"import", "other table",
               notOurs.arg("esplocalita.mdb", " valido (manca la tabella localita)")},
              {"import", "read-only", readOnly.arg("area.mdb")},
              {"export", "read-only", readOnly.arg("esparea.mdb")},
              {"deletion", "read-only", readOnly.arg("area.mdb")},
              {"compaction", "read-only", readOnly.arg("localita.mdb")},
              {"import", "full disk",
               "L'archivio localita.mdb non può essere scritto: il disco è pieno."},
              {"GIS export", "full disk",
               "localita.gpx non può essere scritto (il disco è pieno)."}})
            QTest::newRow(qPrintable(work + ", " + trouble)) << work << trouble << message;
    }
    void failureNamesItsFile() {
        QFETCH(QString, work);
        QFETCH(QString, trouble);
        QFETCH(QString, message);
        Folder f;
        f.fill(work == "GIS export" ? kPlaces : kXPlaces, 20000,
               "'f.jpg', 'P' || i, 45, 20, 10, 9, 30, 5, NULL, NULL");
        f.exec(kArea, "insert into AREA (AREA) values ('f.jpg')");
        QString folder = f.folder.path(), disk = f.folder.file("disco");
        std::optional<test::ReadOnlyFolder> readOnly;
        if (trouble == "damaged") {
            QFile file(f.folder.file(kXPlaces));
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(file.size() / 2));
            file.write(QByteArray(8192, '\xee'));
        }
        if (trouble == "text" || trouble == "empty")
            QVERIFY(test::writeFile(f.folder.file(work == "export" ? kXArea : kXPlaces),
                                    trouble == "text" ? "testo" : ""));
        if (trouble == "other table")
            f.exec(kXPlaces, "drop table localita; create table altro (a)");
        if (trouble == "read-only") readOnly.emplace(folder);
        bool mounted = false;
        const auto unmount = qScopeGuard([&] {
            if (mounted) QProcess::execute("umount", {disk});
        });
        if (trouble == "full disk") {
            // A small file system that the import's places cannot fit on.
            qint64 room = 64 * 1024;
            for (const char* file : kFiles)
                room += work == "import" ? QFileInfo(f.folder.file(file)).size() : 0;
            QDir().mkpath(disk);
            mounted = QProcess::execute("mount",
                                        {"-t", "tmpfs", "-o", QStringLiteral("size=%1").arg(room),
                                         "tmpfs", disk}) == 0;
            if (!mounted) QSKIP("no small file system can be mounted here");
            for (const char* file : kFiles)
                QVERIFY(work != "import" || QFile::copy(f.folder.file(file), disk + "/" + file));
            if (work == "import") folder = disk;
        }
        QString said;
        if (work == "import") said = importArchives(folder).problem();
        if (work == "export") said = exportArchives(folder).problem();
        if (work == "compaction") said = compactArchive(folder, "localita.mdb").problem();
        if (work == "deletion") said = deleteArea(folder, "f.jpg").failure;
        if (work == "GIS export") said = gis::exportForGis(folder, disk).error;
        QVERIFY2(said.endsWith(message), qPrintable(said));
    }

    // The change commits, or an engine failure after both writes undoes it.
    void pairChangeSpanningBothCommitsOrVanishes() {
        for (const bool fail : {false, true}) {
            Folder f;
            // A file left in write-ahead-log mode is turned back.
            f.exec(kPlaces, "PRAGMA journal_mode = WAL");
            WorkingPair pair(f.folder.path());
            for (const char* schema : {"main", "loc"})
                QCOMPARE(pair.db()
                             .execAndGet(std::string("PRAGMA ") + schema + ".journal_mode")
                             .getString(),
                         "delete");
            auto change = [&] {
                pair.db().exec("insert into AREA (AREA) values ('a')");
                pair.db().exec("insert into loc.localita (AREA) values ('a')");
                // A nested change rolled back alone.
                QVERIFY_THROWS_EXCEPTION(ArchiveError, pair.transaction([&] {
                    pair.db().exec("delete from loc.localita");
                    pair.db().exec("insert into nowhere values (1)");
                }));
                if (fail) pair.db().exec("insert into loc.nowhere values (1)");
            };
            if (fail)
                QVERIFY_THROWS_EXCEPTION(ArchiveError, pair.transaction(change));
            else
                pair.transaction(change);
            QCOMPARE(f.rows(kArea, "AREA").size(), fail ? 0 : 1);
            QCOMPARE(f.rows(kPlaces, "localita").size(), fail ? 0 : 1);
        }
    }

    // Places missing, places foreign, areas foreign (content empty: the file is missing).
    void pairRefusesMissingOrForeignFileUntouched() {
        for (const auto& [file, content] : {std::pair<QString, QByteArray>{kPlaces, ""},
                                            {kPlaces, "not a database"},
                                            {kArea, "not a database"}}) {
            Folder f;
            QFile out(f.folder.file(file));
            QVERIFY(out.remove());
            if (!content.isEmpty()) QVERIFY(test::writeFile(f.folder.file(file), content));
            QVERIFY_THROWS_EXCEPTION(ArchiveError, WorkingPair pair(f.folder.path()));
            QCOMPARE(out.exists(), !content.isEmpty());
            QCOMPARE(f.bytes(file), content);
        }
    }
};

ORVENA_TEST_MAIN(MaintenanceTest)
#include "MaintenanceTest.moc"
