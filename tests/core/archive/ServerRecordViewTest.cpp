// A record view on an atlas loaded onto a real PostgreSQL server (started for
// this test by tests/support/with-postgres.sh) walks the same records in the
// same order as the view on the files it was loaded from, for every query the
// program issues: names folded as the files fold them (A-Z only), equal ones
// in the order they were added. Two users changing the same place: the second
// is told, naming it, what the first did meanwhile, and shown what is stored.
#include "ServerAtlas.h"
#include "TempFolder.h"
#include "TestMain.h"

#include "core/archive/Archives.h"
#include "core/archive/RecordView.h"
#include "core/archive/SqlTexts.h"
#include "core/server/ServerRecords.h"

#include <QFile>
#include <QRegularExpression>
#include <SQLiteCpp/SQLiteCpp.h>

using namespace orvena;

namespace {

struct Row {
    const char* tag;
    const char* sql;
    QStringList params;
};

enum class Act { Modify, Delete, Insert, DeleteSheet };

struct Change {
    const char* tag;
    Act first;  // what user A does
    Act second; // what user B then does, standing where it stood before
    const char* message; // what B is told (a part of it)
    const char* stored;  // ROMA's LAGR as B's view shows it afterwards ("" when gone)
};

// A user's change of ROMA on Foglio Z, through the user's own view (the
// sheet deleted through a connection of the user's own).
void act(RecordView& places, Act act) {
    switch (act) {
    case Act::Modify:
        places.edit();
        places.setField("LAGR", 46);
        places.update();
        break;
    case Act::Delete: places.remove(); break;
    case Act::Insert:
        places.addNew();
        places.setField("AREA", "Foglio Z");
        places.setField("LOCALITA", "NUOVA");
        places.update();
        break;
    case Act::DeleteSheet:
    {
        // The sheet with its places, as "Elimina Area" deletes it.
        server::Connection c;
        QCOMPARE(c.open("dbname=postgres"), QString());
        QCOMPARE(server::deleteArea(c, "Foglio Z"), qint64(1));
        break;
    }
    }
}

// Every record of the source as the texts of all its fields, in walk order.
QStringList walk(RecordView& view, const char* sql, const QStringList& params) {
    QStringList out;
    view.setRecordSource(sql, params);
    view.refresh();
    const QStringList fields = view.table() == "AREA"
                                   ? QStringList{"AREA", "COLA", "COLO", "PXLAO", "SECLAO", "PXLOO",
                                                 "SECLOO", "NORD", "EST", "SUD", "OVEST"}
                                   : QStringList{"AREA", "LOCALITA", "LAGR", "LAMN", "LASE", "LOGR",
                                                 "LOMN", "LOSE", "PX", "PY"};
    for (; !view.eof(); view.moveNext()) {
        QStringList texts;
        for (const QString& f : fields)
            texts << view.text(f);
        out << texts.join('|');
    }
    return out;
}

QStringList keyedTexts(RecordView& view, const char* sql, const QStringList& params) {
    QStringList out;
    view.readKeyedTexts(sql, params, [&](std::int64_t key, const std::string_view* texts) {
        out << QString::number(key) + '|' + QString::fromUtf8(texts[0]) + '|' +
                   QString::fromUtf8(texts[1]);
    });
    return out;
}

} // namespace
Q_DECLARE_METATYPE(Row)
Q_DECLARE_METATYPE(Change)

class ServerRecordViewTest : public QObject {
    Q_OBJECT
    test::TempFolder folder_;
    RecordView fileAreas_{"Data1", Archives::kAreaFile, "AREA", {}};
    RecordView filePlaces_{"Data2", Archives::kLocalityFile, "localita", {}};
    RecordView serverAreas_{"Data1", Archives::kAreaFile, "AREA", {}};
    RecordView serverPlaces_{"Data2", Archives::kLocalityFile, "localita", {}};

private slots:
    void initTestCase() {
        ORVENA_NEEDS_SERVER();
        QVERIFY(createArchive(folder_.file(Archives::kAreaFile), "AREA").isEmpty());
        QVERIFY(createArchive(folder_.file(Archives::kLocalityFile), "localita").isEmpty());
        {
            SQLite::Database areas(folder_.file(Archives::kAreaFile).toStdString(),
                                   SQLite::OPEN_READWRITE);
            areas.exec("INSERT INTO AREA VALUES "
                       "('Foglio_B', 45.5, 9.25, 100, 3600, 200, 7200, 'Foglio A', '', NULL, "
                       "NULL), ('Foglio A', 1, 2.5, 3, 4, 5, 6, NULL, NULL, NULL, NULL), "
                       "('FoglioB', 0.1, -7, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL), "
                       "('foglio a', 3, 4, 5, 6, 7, 8, NULL, NULL, NULL, NULL), "
                       "('Àrea', 1e-9, 12345.678, 1, 2, 3, 4, NULL, NULL, NULL, NULL), "
                       "(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
            SQLite::Database places(folder_.file(Archives::kLocalityFile).toStdString(),
                                    SQLite::OPEN_READWRITE);
            const char* names[] = {"ROMA", "roma", "Roma_", "ROMAB", "ÀNCONA", "ancona", "àncona",
                                   "Z", "_A", "a"};
            const char* sheets[] = {"Foglio A", "foglio a", "Foglio_B", "FoglioB", "Àrea"};
            int n = 0;
            for (const char* sheet : sheets)
                for (const char* name : names) {
                    SQLite::Statement add(places, "INSERT INTO localita VALUES "
                                                  "(?, ?, ?, 20, 10, 9, 50, 5, ?, 2.25)");
                    add.bind(1, sheet);
                    add.bind(2, name);
                    add.bind(3, n % 90);
                    add.bind(4, n * 0.5);
                    add.exec();
                    // Every other name a second time, later, on the same sheet.
                    if (++n % 7 == 0) {
                        SQLite::Statement again(places, "INSERT INTO localita (AREA, LOCALITA) "
                                                        "VALUES (?, ?)");
                        again.bind(1, sheet);
                        again.bind(2, name);
                        again.exec();
                    }
                }
            places.exec("INSERT INTO localita (AREA) VALUES (NULL), ('Foglio A')");
        }
        const serverload::Outcome loaded = serverload::load(folder_.path(), "dbname=postgres");
        QCOMPARE(loaded.problem, QString());
        for (RecordView* view : {&fileAreas_, &filePlaces_})
            QCOMPARE(view->open(folder_.path()), QString());
        for (RecordView* view : {&serverAreas_, &serverPlaces_}) {
            QCOMPARE(view->openOnServer("dbname=postgres password=segreta"), QString());
            QVERIFY(view->onServer());
        }
    }

    void sameWalksAsTheFiles_data() {
        test::addRows<Row>({
            {"area-list", sql::kAreaList, {}},
            {"area-all", sql::kAreaAll, {}},
            {"area-by-name", sql::kAreaByName, {"FOGLIO A"}},
            {"area-by-name-command-line", sql::kAreaByNameCommandLine, {"foglio a"}},
            {"area-neighbour", sql::kAreaNeighbour, {"foglio_b"}},
            {"area-neighbour-accent", sql::kAreaNeighbour, {"ÀREA"}},
            {"area-ordered-by-name", sql::kAreaOrderedByName, {}},
            {"locality-list", sql::kLocalityList, {}},
            {"locality-all", sql::kLocalityAll, {}},
            {"locality-search-all", sql::kLocalitySearchAll, {}},
            {"locality-ordered-by-area", sql::kLocalityOrderedByArea, {}},
            {"locality-ordered-by-area-name", sql::kLocalityOrderedByAreaName, {}},
            {"locality-of-area-ordered", sql::kLocalityOfAreaOrdered, {"FOGLIO A"}},
            {"locality-of-area", sql::kLocalityOfArea, {"foglio a"}},
            {"locality-of-area-by-name", sql::kLocalityOfAreaByName, {"Foglio A", "Roma"}},
            {"locality-by-name", sql::kLocalityByName, {"ANCONA"}},
            {"locality-of-area-in-table-order", sql::kLocalityOfAreaInTableOrder, {"FOGLIOB"}},
        });
    }
    void sameWalksAsTheFiles() {
        QFETCH(Row, row);
        const bool areas = QByteArray(row.sql).contains("from area");
        RecordView& files = areas ? fileAreas_ : filePlaces_;
        RecordView& server = areas ? serverAreas_ : serverPlaces_;
        const QStringList expected = walk(files, row.sql, row.params);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(walk(server, row.sql, row.params), expected);
    }

    void sameKeyedTexts() {
        for (const QStringList& params : {QStringList{"0", "1000"}, QStringList{"7", "5"}})
            QCOMPARE(keyedTexts(serverPlaces_, sql::kLocalityNamesAfterRow, params),
                     keyedTexts(filePlaces_, sql::kLocalityNamesAfterRow, params));
    }

    // Every query of SqlTexts.h is a row above (or the keyed texts).
    void everyQueryCovered() {
        QFile header(QStringLiteral(ORVENA_SOURCE "/src/core/archive/SqlTexts.h"));
        QVERIFY(header.open(QIODevice::ReadOnly));
        const qsizetype queries = QString::fromUtf8(header.readAll())
                                      .count(QRegularExpression("constexpr const char\\* k\\w+ ="));
        QCOMPARE(queries, 17);
    }

    // A role that may only read: everything shows, every change is refused
    // as on a read-only archive, naming the server and never the password.
    void readOnlyRole() {
        server::Connection admin;
        QCOMPARE(admin.open("dbname=postgres"), QString());
        admin.exec("CREATE ROLE lettore LOGIN");
        admin.exec("GRANT SELECT ON ALL TABLES IN SCHEMA public TO lettore");
        RecordView reader{"Data2", Archives::kLocalityFile, "localita", {}};
        QCOMPARE(reader.openOnServer("dbname=postgres user=lettore password=segreta"),
                 QString());
        QCOMPARE(walk(reader, sql::kLocalityAll, {}), walk(filePlaces_, sql::kLocalityAll, {}));
        reader.setRecordSource(sql::kLocalityByName, {"ROMA"});
        reader.refresh();
        for (const auto& change : std::initializer_list<std::function<void()>>{
                 [&] {
                     reader.addNew();
                     reader.setField("AREA", "Foglio A");
                     reader.setField("LOCALITA", "NUOVA");
                     reader.update();
                 },
                 [&] {
                     reader.edit();
                     reader.setField("LAGR", 1);
                     reader.update();
                 },
                 [&] { reader.remove(); }}) {
            try {
                change();
                QFAIL("a change went through");
            } catch (const ArchiveError& e) {
                QCOMPARE(e.code(), 8); // the engine's "read only"
                QCOMPARE(e.italianMessage(),
                         "L'archivio localita.mdb sul server postgres su localhost:5432 è in "
                         "sola lettura o mancano i permessi per scriverlo.");
            }
        }
        QCOMPARE(walk(reader, sql::kLocalityAll, {}), walk(filePlaces_, sql::kLocalityAll, {}));
    }

    // The server ends the connection (as when it goes away and comes back):
    // the next action is told so, naming the server, and the one after it
    // works again.
    void serverGoneAndBack() {
        server::Connection admin;
        QCOMPARE(admin.open("dbname=postgres"), QString());
        const QStringList expected = walk(filePlaces_, sql::kLocalityAll, {});
        admin.exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                   "WHERE datname = 'postgres' AND pid <> pg_backend_pid()");
        try {
            serverPlaces_.refresh();
            QFAIL("the lost connection went unnoticed");
        } catch (const ArchiveError& e) {
            QVERIFY2(e.italianMessage().startsWith("Il collegamento con il server postgres su "
                                                   "localhost:5432 si è interrotto"),
                     qPrintable(e.italianMessage()));
        }
        QCOMPARE(walk(serverPlaces_, sql::kLocalityAll, {}), expected);
    }

    // Last: it changes the atlas. Two users, each with views of their own,
    // both standing on the same place when the first one acts.
    void secondUserTold_data() {
        test::addRows<Change>({
            {"modify-after-modify", Act::Modify, Act::Modify, "ROMA del foglio Foglio Z è stata "
                                                              "modificata da un altro utente", "46"},
            {"modify-after-delete", Act::Delete, Act::Modify, "è stata eliminata da un altro", ""},
            {"delete-after-modify", Act::Modify, Act::Delete, "è stata modificata da un altro", "46"},
            {"delete-after-delete", Act::Delete, Act::Delete, "è stata eliminata da un altro", ""},
            {"same-name-added-twice", Act::Insert, Act::Insert,
             "La località NUOVA del foglio Foglio Z c'è già", "20"},
            {"added-on-a-sheet-deleted", Act::DeleteSheet, Act::Insert,
             "Il foglio Foglio Z è stato eliminato da un altro utente", ""},
        });
    }
    void secondUserTold() {
        QFETCH(Change, row);
        RecordView a{"Data2", Archives::kLocalityFile, "localita", {}};
        RecordView b{"Data2", Archives::kLocalityFile, "localita", {}};
        RecordView sheets{"Data1", Archives::kAreaFile, "AREA", {}};
        for (RecordView* view : {&a, &b, &sheets})
            QCOMPARE(view->openOnServer("dbname=postgres"), QString());
        // A fresh sheet and place for each row.
        sheets.refresh();
        sheets.addNew();
        sheets.setField("AREA", "Foglio Z");
        sheets.update();
        a.addNew();
        a.setField("AREA", "Foglio Z");
        a.setField("LOCALITA", "ROMA");
        a.setField("LAGR", 20);
        a.update();
        for (RecordView* view : {&a, &b}) {
            view->setRecordSource(sql::kLocalityOfAreaByName, {"Foglio Z", "ROMA"});
            view->refresh();
            QVERIFY(view->findExact("LOCALITA", "ROMA"));
        }
        act(a, row.first);
        try {
            act(b, row.second);
            QFAIL("the second user's change went through");
        } catch (const ArchiveError& e) {
            QVERIFY2(e.italianMessage().contains(QString::fromUtf8(row.message)),
                     qPrintable(e.italianMessage()));
        }
        // B's view shows what is stored now.
        QCOMPARE(b.eof() ? QString() : b.text("LAGR"), QString::fromUtf8(row.stored));
        // No place without its sheet, and NUOVA at most once.
        a.setRecordSource(sql::kLocalityOfAreaByName, {"Foglio Z", "NUOVA"});
        a.refresh();
        QCOMPARE(a.resultSize(), std::size_t(row.first == Act::Insert ? 1 : 0));
        if (!walk(a, sql::kLocalityOfArea, {"Foglio Z"}).isEmpty())
            QVERIFY(!walk(sheets, sql::kAreaByName, {"Foglio Z"}).isEmpty());
        // Clean for the next row.
        server::Connection c;
        QCOMPARE(c.open("dbname=postgres"), QString());
        server::deleteArea(c, "Foglio Z");
    }
};

ORVENA_TEST_MAIN(ServerRecordViewTest)
#include "ServerRecordViewTest.moc"
