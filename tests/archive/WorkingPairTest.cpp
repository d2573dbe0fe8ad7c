// One connection over area.mdb and localita.mdb: changes to both commit or
// vanish together.
#include "archive/WorkingPair.h"
#include "archive/Archives.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <stdexcept>

using orvena::ArchiveError;
using orvena::WorkingPair;

namespace {

struct Folder {
    orvena::test::TempFolder folder;
    Folder() {
        for (const auto& [file, table] :
             {std::pair{"area.mdb", "AREA"}, std::pair{"localita.mdb", "localita"}})
            if (!orvena::createArchive(folder.file(QString::fromLatin1(file)), table).isEmpty())
                qFatal("createArchive %s", file);
    }
    int count(const char* file, const char* table) const {
        SQLite::Database db(folder.file(QString::fromLatin1(file)).toStdString());
        return db.execAndGet(std::string("select count(*) from ") + table).getInt();
    }
};

void addBoth(WorkingPair& pair) {
    pair.db().exec("insert into AREA (AREA) values ('a')");
    pair.db().exec("insert into loc.localita (AREA, LOCALITA) values ('a', 'p')");
}

} // namespace

class WorkingPairTest : public QObject {
    Q_OBJECT
private slots:
    void changeSpanningBothCommitsOrVanishes_data() {
        QTest::addColumn<int>("failure"); // 0 none, 1 C++ exception, 2 engine failure
        QTest::newRow("commits") << 0;
        QTest::newRow("exception after both writes") << 1;
        QTest::newRow("engine failure after both writes") << 2;
    }
    void changeSpanningBothCommitsOrVanishes() {
        QFETCH(int, failure);
        Folder f;
        {
            WorkingPair pair(f.folder.path());
            QCOMPARE(pair.db().execAndGet("PRAGMA main.journal_mode").getString(), "delete");
            QCOMPARE(pair.db().execAndGet("PRAGMA loc.journal_mode").getString(), "delete");
            auto change = [&] {
                addBoth(pair);
                pair.transaction([&] { pair.db().exec("delete from loc.localita"); });
                if (failure == 1) throw std::runtime_error("injected");
                if (failure == 2) pair.db().exec("insert into loc.nowhere values (1)");
            };
            if (failure == 0)
                pair.transaction(change);
            else if (failure == 1)
                QVERIFY_THROWS_EXCEPTION(std::runtime_error, pair.transaction(change));
            else
                QVERIFY_THROWS_EXCEPTION(ArchiveError, pair.transaction(change));
            // The connection is usable again after a rollback.
            pair.transaction([] {});
        }
        QCOMPARE(f.count("area.mdb", "AREA"), failure == 0 ? 1 : 0);
        QCOMPARE(f.count("localita.mdb", "localita"), 0);
    }

    void walFileIsTurnedBackToRollbackJournal() {
        Folder f;
        {
            SQLite::Database db(f.folder.file(QStringLiteral("localita.mdb")).toStdString(),
                                SQLite::OPEN_READWRITE);
            QCOMPARE(db.execAndGet("PRAGMA journal_mode = WAL").getString(), "wal");
        }
        WorkingPair pair(f.folder.path());
        QCOMPARE(pair.db().execAndGet("PRAGMA loc.journal_mode").getString(), "delete");
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
        QFile::remove(f.folder.file(file));
        if (!content.isEmpty()) {
            QFile out(f.folder.file(file));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }
        QVERIFY_THROWS_EXCEPTION(ArchiveError, WorkingPair pair(f.folder.path()));
        QFile in(f.folder.file(file));
        if (content.isEmpty()) {
            QVERIFY(!in.exists());
        } else {
            QVERIFY(in.open(QIODevice::ReadOnly));
            QCOMPARE(in.readAll(), content);
        }
    }
};

ORVENA_TEST_MAIN(WorkingPairTest)
#include "WorkingPairTest.moc"
