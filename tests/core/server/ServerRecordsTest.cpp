// Two users on the same atlas on a real PostgreSQL server (started for this
// test by tests/support/with-postgres.sh), each with a connection of their own:
// a change over a row another user changed or deleted meanwhile is refused and
// says which; the same name added twice to a sheet, once; a sheet deleted
// while a place is added on it leaves no place without its sheet, whichever
// comes first; and every committed change is heard by the other program.
#include "ServerAtlas.h"
#include "TestMain.h"

#include "core/server/ServerListener.h"
#include "core/server/ServerRecords.h"
#include "core/server/ServerSchema.h"

#include <QSignalSpy>

#include <thread>

using namespace orvena;
using namespace orvena::server;

namespace {

const std::vector<const char*> kPlaceFields = {"AREA", "LOCALITA", "LAGR", "PX"};

std::vector<Parameter> place(const char* area, const char* name, const char* lagr = "45") {
    return {QByteArray(area), QByteArray(name), QByteArray(lagr), QByteArray("1.5")};
}

enum class Act { Modify, Delete, InsertSame, Rename };

struct Row {
    const char* tag;
    Act first;  // what user A does with the place ROMA both have read
    Act second; // what user B then does with it, from what B read before
    Change expected;
    const char* stored; // ROMA's LAGR as stored afterwards ("" when it is gone)
};

int databases = 0;

} // namespace
Q_DECLARE_METATYPE(Row)

class ServerRecordsTest : public QObject {
    Q_OBJECT
    Connection a_, b_;
    QString connection_;

    qint64 count(const char* sql) { return a_.exec(sql).integer(0, 0); }

    // A user's change of the place ROMA as read in read.
    Change act(Records& records, Act act, const StoredRow& read) {
        switch (act) {
        case Act::Modify: return records.update(read, place("Foglio A", "ROMA", "46"));
        case Act::Delete: return records.remove(read);
        case Act::InsertSame: return records.insert(place("Foglio A", "NAPOLI"));
        case Act::Rename: return records.update(read, place("Foglio A", "NAPOLI"));
        }
        return Change::Done;
    }

    // Waits until a connection waits for a lock another holds.
    bool someoneWaits() {
        Connection watcher;
        if (!watcher.open(connection_).isEmpty()) return false;
        return QTest::qWaitFor(
            [&] {
                return watcher
                           .exec("SELECT count(*) FROM pg_stat_activity WHERE "
                                 "wait_event_type = 'Lock'")
                           .integer(0, 0) > 0;
            },
            10000);
    }

private slots:
    void init() {
        ORVENA_NEEDS_SERVER();
        const QString database = QStringLiteral("atlante%1").arg(++databases);
        QCOMPARE(test::psql("postgres", "CREATE DATABASE " + database), QString());
        connection_ = "dbname=" + database;
        QCOMPARE(a_.open(connection_), QString());
        QCOMPARE(b_.open(connection_), QString());
        serverschema::create(a_);
        a_.exec("INSERT INTO area (AREA) VALUES ('Foglio A'), ('Foglio B')");
        Records(a_, "localita", kPlaceFields).insert(place("Foglio A", "ROMA"));
    }
    void cleanup() {
        a_.close();
        b_.close();
    }

    void secondUserTold_data() {
        test::addRows<Row>({
            {"modify-after-modify", Act::Modify, Act::Modify, Change::ChangedMeanwhile, "46"},
            {"modify-after-delete", Act::Delete, Act::Modify, Change::DeletedMeanwhile, ""},
            {"delete-after-modify", Act::Modify, Act::Delete, Change::ChangedMeanwhile, "46"},
            {"delete-after-delete", Act::Delete, Act::Delete, Change::DeletedMeanwhile, ""},
            {"same-name-added-twice", Act::InsertSame, Act::InsertSame, Change::NameTaken, "45"},
            {"renamed-onto-a-name-added", Act::InsertSame, Act::Rename, Change::NameTaken, "45"},
        });
    }
    void secondUserTold() {
        QFETCH(Row, row);
        Records userA(a_, "localita", kPlaceFields), userB(b_, "localita", kPlaceFields);
        const char* roma = "SELECT id FROM localita WHERE LOCALITA = 'ROMA'";
        const StoredRow readA = *userA.row(userA.keys(roma).at(0));
        const StoredRow readB = *userB.row(userB.keys(roma).at(0));
        QCOMPARE(act(userA, row.first, readA), Change::Done);
        QCOMPARE(act(userB, row.second, readB), row.expected);
        // What B is shown next: the place as stored now, or none.
        const std::vector<qint64> keys = userB.keys(roma);
        QCOMPARE(keys.empty() ? QByteArray() : *userB.row(keys.at(0))->values.at(2),
                 QByteArray(row.stored));
        QCOMPARE(count("SELECT count(*) FROM localita WHERE LOCALITA = 'NAPOLI'"),
                 qint64(row.first == Act::InsertSame ? 1 : 0));
    }

    void noPlaceOutlivesItsSheet_data() {
        QTest::addColumn<bool>("deletionFirst");
        QTest::newRow("deletion-first") << true;
        QTest::newRow("place-first") << false;
    }
    void noPlaceOutlivesItsSheet() {
        QFETCH(bool, deletionFirst);
        Records userB(b_, "localita", kPlaceFields);
        Change added = Change::Done;
        if (deletionFirst) {
            // A deletes the sheet, as deleteArea() does, not committed yet; B
            // adds a place on it.
            a_.exec("BEGIN");
            a_.exec("DELETE FROM area WHERE AREA = 'Foglio A'");
            a_.exec("DELETE FROM localita WHERE AREA = 'Foglio A'");
            std::thread user([&] { added = userB.insert(place("Foglio A", "MILANO")); });
            const bool waited = someoneWaits();
            a_.exec("COMMIT");
            user.join();
            QVERIFY(waited);
            QCOMPARE(added, Change::SheetGone);
        } else {
            // B adds a place (holding its sheet) while A deletes the sheet.
            b_.exec("BEGIN");
            b_.exec("SELECT 1 FROM area WHERE AREA = 'Foglio A' FOR KEY SHARE");
            b_.exec("INSERT INTO localita (AREA, LOCALITA) VALUES ('Foglio A', 'MILANO')");
            qint64 deleted = 0;
            std::thread user([&] { deleted = deleteArea(a_, "Foglio A"); });
            const bool waited = someoneWaits();
            b_.exec("COMMIT");
            user.join();
            QVERIFY(waited);
            QCOMPARE(deleted, qint64(2)); // ROMA and the place added meanwhile
        }
        QCOMPARE(count("SELECT count(*) FROM localita l WHERE NOT EXISTS "
                       "(SELECT 1 FROM area a WHERE a.AREA = l.AREA)"),
                 qint64(0));
        QCOMPARE(count("SELECT count(*) FROM area WHERE AREA = 'Foglio A'"), qint64(0));
    }

    void changesHeardByOthers() {
        Listener listener;
        QCOMPARE(listener.start(connection_), QString());
        QSignalSpy heard(&listener, &Listener::changed);
        Records userA(a_, "localita", kPlaceFields);
        QCOMPARE(userA.insert(place("Foglio B", "TORINO")), Change::Done);
        QCOMPARE(deleteArea(a_, "Foglio B"), qint64(1));
        // Within a second, once per table each transaction changed.
        QTRY_COMPARE_WITH_TIMEOUT(heard.count(), 5, 1000);
        QStringList tables;
        for (const QList<QVariant>& signal : heard)
            tables << signal.at(0).toString();
        QCOMPARE(tables, (QStringList{"localita", "area", "area_datum", "area_calibration",
                                      "localita"}));
        // Nothing of a transaction not committed.
        a_.exec("BEGIN");
        a_.exec("UPDATE area SET COLA = 1");
        QTest::qWait(200);
        a_.exec("ROLLBACK");
        QTest::qWait(200);
        QCOMPARE(heard.count(), 5);
    }
};

ORVENA_TEST_MAIN(ServerRecordsTest)
#include "ServerRecordsTest.moc"
