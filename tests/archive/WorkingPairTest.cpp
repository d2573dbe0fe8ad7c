// One connection over area.mdb and localita.mdb: changes to both commit or
// vanish together.
#include "archive/WorkingPair.h"
#include "archive/Archives.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include <SQLiteCpp/SQLiteCpp.h>

using orvena::ArchiveError;
using orvena::WorkingPair;

namespace {

// A folder with the two archives, empty.
struct Folder {
    orvena::test::TempFolder folder;
    Folder() {
        orvena::createArchive(folder.file(QStringLiteral("area.mdb")), "AREA");
        orvena::createArchive(folder.file(QStringLiteral("localita.mdb")), "localita");
    }
    int count(const char* file, const char* table) const {
        SQLite::Database db(folder.file(QLatin1String(file)).toStdString());
        return db.execAndGet(std::string("select count(*) from ") + table).getInt();
    }
};

} // namespace

class WorkingPairTest : public QObject {
    Q_OBJECT
private slots:
    void changeSpanningBothCommitsOrVanishes_data() {
        QTest::addColumn<bool>("fail");
        QTest::newRow("commits") << false;
        QTest::newRow("engine failure after both writes") << true;
    }
    void changeSpanningBothCommitsOrVanishes() {
        QFETCH(bool, fail);
        Folder f;
        {
            // A file left in write-ahead-log mode is turned back.
            SQLite::Database loc(f.folder.file(QStringLiteral("localita.mdb")).toStdString(),
                                 SQLite::OPEN_READWRITE);
            loc.exec("PRAGMA journal_mode = WAL");
        }
        WorkingPair pair(f.folder.path());
        for (const char* schema : {"main", "loc"})
            QCOMPARE(
                pair.db().execAndGet(std::string("PRAGMA ") + schema + ".journal_mode").getString(),
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
        QCOMPARE(f.count("area.mdb", "AREA"), fail ? 0 : 1);
        QCOMPARE(f.count("localita.mdb", "localita"), fail ? 0 : 1);
    }

    void missingOrForeignFileIsRefusedUntouched_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content"); // empty: the file is missing
        QTest::newRow("missing places") << "localita.mdb" << QByteArray();
        QTest::newRow("foreign places") << "localita.mdb" << QByteArray("not a database");
        QTest::newRow("foreign areas") << "area.mdb" << QByteArray("not a database");
    }
    void missingOrForeignFileIsRefusedUntouched() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        Folder f;
        QFile out(f.folder.file(file));
        QVERIFY(out.remove());
        if (!content.isEmpty()) {
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
            out.close();
        }
        QVERIFY_THROWS_EXCEPTION(ArchiveError, WorkingPair pair(f.folder.path()));
        QCOMPARE(out.exists(), !content.isEmpty());
        if (out.open(QIODevice::ReadOnly)) QCOMPARE(out.readAll(), content);
    }
};

ORVENA_TEST_MAIN(WorkingPairTest)
#include "WorkingPairTest.moc"
