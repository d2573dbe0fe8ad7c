// The writes besides the record views on an atlas kept on a real PostgreSQL
// server (started for this test by tests/support/with-postgres.sh): export
// and import of the exchange files give the records the files' own export and
// import give; an import stopped by the server going away, by a cancel or by a
// failure leaves the server as it was; a sheet deleted while another user adds
// a place on it leaves no place without its sheet and tells the loser; a
// read-only role is refused every change with the read-only message, nothing
// changed, while the owner's goes through.
#include "ServerAtlas.h"
#include "TempFolder.h"
#include "TestMain.h"

#include "core/archive/Archives.h"
#include "core/archive/AreaCalibrations.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/DeleteArea.h"
#include "core/archive/Exchange.h"
#include "core/archive/RecordView.h"
#include "core/archive/ServerExchange.h"
#include "core/archive/WorkingPair.h"
#include "core/geo/SheetModelStore.h"
#include "core/gis/OziMapImport.h"
#include "core/server/ServerConnection.h"
#include "core/server/ServerRecords.h"

#include <QFile>
#include <QImage>
#include <SQLiteCpp/SQLiteCpp.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace orvena;
using namespace orvena::test;

namespace {

const char* const kExchange[] = {Archives::kExchangeAreaFile, Archives::kExchangeLocalityFile};

// Everything the atlas on db holds, in the order added.
QStringList dump(const QString& db) {
    return query(db, "SELECT 'a', AREA, COLA::text, COLO::text, PXLAO::text, SECLAO::text, "
                     "PXLOO::text, SECLOO::text, NORD, EST, SUD, OVEST FROM area UNION ALL SELECT "
                     "'l', AREA, LOCALITA, LAGR::text, "
                     "LAMN::text, LASE::text, LOGR::text, LOMN::text, LOSE::text, PX::text, "
                     "PY::text, NULL FROM localita UNION ALL SELECT 'd', AREA, DATUM, "
                     "OPERAZIONE, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL FROM "
                     "area_datum UNION ALL SELECT 'c', AREA, MODEL, GRID::text, POINTS, "
                     "BORDER, AXIS, NULL, NULL, NULL, NULL, NULL FROM area_calibration");
}

void exec(const QString& path, const char* sql) {
    if (*sql == '\0') return;
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
    db.exec(sql);
}

// Every row of the exchange files' tables, in file order.
QStringList exchangeRows(const QString& folder) {
    QStringList out;
    for (const char* file : kExchange) {
        SQLite::Database db(QDir(folder).filePath(file).toStdString(), SQLite::OPEN_READONLY);
        SQLite::Statement tables(db, "SELECT name FROM sqlite_master WHERE type = 'table' "
                                     "ORDER BY name");
        while (tables.executeStep()) {
            SQLite::Statement row(db, "SELECT * FROM \"" + tables.getColumn(0).getString() +
                                          "\" ORDER BY rowid");
            while (row.executeStep()) {
                QStringList fields{QString::fromStdString(tables.getColumn(0).getString())};
                for (int i = 0; i < row.getColumnCount(); ++i)
                    fields << QString::fromStdString(row.getColumn(i).getString());
                out << fields.join('|');
            }
        }
    }
    return out;
}

// The four archives of a folder, the working ones with areaSql and placesSql
// run on them.
void writeArchives(const QString& folder, const char* areaSql = "", const char* placesSql = "") {
    const QDir dir(folder);
    for (const auto& [file, table] :
         {std::pair{Archives::kAreaFile, "AREA"}, std::pair{Archives::kLocalityFile, "localita"},
          std::pair{Archives::kExchangeAreaFile, "AREA"},
          std::pair{Archives::kExchangeLocalityFile, "localita"}})
        QVERIFY(createArchive(dir.filePath(file), table).isEmpty());
    exec(dir.filePath(Archives::kAreaFile), areaSql);
    exec(dir.filePath(Archives::kLocalityFile), placesSql);
}

// The source atlas: datums (one with an operation), points, nulls, a name
// with a tab, a newline, a backslash and a quote, reals of every kind.
constexpr const char* kSourceAreas =
    "INSERT INTO AREA VALUES ('Foglio A', 45.5, 9.25, 100, 3600, 200, 7200, 'Foglio B', NULL, "
    "NULL, NULL), ('Foglio B', 45.1, 9.5, 1, 3600, 200, 7200, NULL, NULL, 'Foglio A', NULL), "
    "('foglio a', 1e-9, 12345.678, 1, 2, 3, 4, NULL, NULL, NULL, NULL);"
    "CREATE TABLE AREA_DATUM (AREA TEXT NOT NULL PRIMARY KEY, DATUM TEXT, OPERAZIONE TEXT);"
    "INSERT INTO AREA_DATUM VALUES ('Foglio A', 'EPSG:4265', NULL), "
    "('Foglio B', 'EPSG:4230', 'EPSG:1133');"
    "CREATE TABLE AREA_CALIBRATION (AREA TEXT NOT NULL PRIMARY KEY, MODEL TEXT, GRID INTEGER, "
    "POINTS TEXT, BORDER TEXT, AXIS TEXT);"
    "INSERT INTO AREA_CALIBRATION VALUES ('Foglio A', 'affine', 0, '[[1,2,\"g\",45,9]]', '[]', "
    "'45.5 9.25 100 3600 200 7200')";
constexpr const char* kSourcePlaces =
    "INSERT INTO localita VALUES ('Foglio A', 'ROMA', 45, 20, 10, 9, 50, 5, 1.5, 2.25), "
    "('Foglio A', 'A' || char(9) || 'B' || char(10) || 'C\\D''E', 1, 2, 3, 4, 5, 6, -0.5, 1e-7), "
    "('foglio a', 'roma', 1, 2, 3, 4, 5, 6, 7, 8), "
    "('Foglio B', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)";

void copyExchange(const QString& from, const QString& to) {
    for (const char* file : kExchange) {
        QFile::remove(QDir(to).filePath(file));
        QVERIFY(QFile::copy(QDir(from).filePath(file), QDir(to).filePath(file)));
    }
}

// Waits until some connection to db is waiting for a lock another holds.
bool someoneWaits(const QString& db) {
    for (int i = 0; i < 500; ++i) {
        if (query(db, "SELECT count(*) FROM pg_stat_activity WHERE datname = '" + db +
                          "' AND wait_event_type = 'Lock'") != QStringList{"0"})
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

QStringList orphans(const QString& db) {
    return query(db, "SELECT l.LOCALITA FROM localita l WHERE NOT EXISTS "
                     "(SELECT 1 FROM area a WHERE a.AREA = l.AREA)");
}

struct ExchangeRow {
    const char* tag;
    const char* targetAreas;  // the receiving atlas's areas before the import
    const char* targetPlaces; // and its places
    const char* exchangeSql;  // run on both exchange files after the export
    bool sameAsSource;        // the import gives back the source's records
};

enum class Stop { Kill, Cancel, Fault };
struct StopRow {
    const char* tag;
    Stop stop;
    const char* told; // a part of the outcome's message
};

enum class First { Insert, Delete };
struct RaceRow {
    const char* tag;
    First first;
    qint64 deleted;    // places deleted with the sheet
    const char* loser; // what the place's user is told (a part of it), "" for nothing
};

using Writer = std::function<QString(const QString& folder)>;
struct RoleRow {
    const char* tag;
    Writer write; // the change: empty when done, else what the user is told
};

QString failureOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const ArchiveError& e) {
        return e.italianMessage();
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(ExchangeRow)
Q_DECLARE_METATYPE(StopRow)
Q_DECLARE_METATYPE(RaceRow)
Q_DECLARE_METATYPE(RoleRow)

class ServerWritesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { ORVENA_NEEDS_SERVER(); }
    void cleanup() { atlasserver::closeConnections(); }

    void exchangeAsTheFiles_data() {
        test::addRows<ExchangeRow>({
            {"into an empty atlas", "", "", "", true},
            {"into an atlas holding some, repeats in the exchange",
             "INSERT INTO AREA VALUES ('Foglio A', 1, 2, 3, 4, 5, 6, NULL, NULL, NULL, NULL);"
             "CREATE TABLE AREA_DATUM (AREA TEXT NOT NULL PRIMARY KEY, DATUM TEXT);"
             "INSERT INTO AREA_DATUM VALUES ('Foglio A', 'EPSG:4326')",
             "INSERT INTO localita VALUES ('Foglio A', 'ROMA', 1, 1, 1, 1, 1, 1, 5, 5)",
             "INSERT INTO AREA (AREA, COLA) VALUES ('Foglio C', 1.25), ('Foglio C', 2);"
             "ATTACH 'esplocalita.mdb' AS l; INSERT INTO l.localita (AREA, LOCALITA, LAGR) "
             "VALUES ('Foglio C', 'NUOVA', 1), ('Foglio C', 'NUOVA', 2), ('Foglio C', 'nuova', 3)",
             false},
        });
    }
    // Export from a server, import into another: the records the files' own
    // export and import give, read back through a second export.
    void exchangeAsTheFiles() {
        QFETCH(ExchangeRow, row);
        test::TempFolder source, target, files;
        writeArchives(source.path(), kSourceAreas, kSourcePlaces);
        writeArchives(target.path(), row.targetAreas, row.targetPlaces);
        writeArchives(files.path(), row.targetAreas, row.targetPlaces);
        const QString from = loadOnServer(source.path()), to = loadOnServer(target.path());

        useServer(source.path(), from);
        QVERIFY(exportArchives(source.path()).done());
        const QStringList exported = exchangeRows(source.path());
        QVERIFY(exported.contains("AREA_DATUM|Foglio B|EPSG:4230|EPSG:1133"));
        QDir::setCurrent(source.path());
        exec(QDir(source.path()).filePath(Archives::kExchangeAreaFile), row.exchangeSql);
        copyExchange(source.path(), target.path());
        copyExchange(source.path(), files.path());

        useServer(target.path(), to);
        const MaintenanceResult onServer = importArchives(target.path());
        QVERIFY2(onServer.done(), qPrintable(onServer.problem()));
        const MaintenanceResult onFiles = importArchives(files.path());
        QVERIFY(onFiles.done());
        QCOMPARE(onServer.datumsCopied, onFiles.datumsCopied);
        QVERIFY(exportArchives(target.path()).done());
        QVERIFY(exportArchives(files.path()).done());
        QCOMPARE(exchangeRows(target.path()), exchangeRows(files.path()));
        if (row.sameAsSource) QCOMPARE(exchangeRows(target.path()), exported);
        // The import wrote nothing into the folder's working files.
        QVERIFY(!QFileInfo::exists(target.file(Archives::kAreaFile) + "-journal"));
    }

    void importStopped_data() {
        test::addRows<StopRow>({
            {"the server gone", Stop::Kill, "atlante"},
            {"cancelled", Stop::Cancel, ""},
            {"a failure after the areas", Stop::Fault, "area.mdb"},
        });
    }
    // The server as it was, never half an import; the next import, with the
    // server back, goes through.
    void importStopped() {
        QFETCH(StopRow, row);
        test::TempFolder folder, source;
        writeArchives(source.path(), kSourceAreas, kSourcePlaces);
        writeArchives(folder.path(), "INSERT INTO AREA (AREA) VALUES ('Foglio Z')");
        const QString db = loadOnServer(folder.path()), from = loadOnServer(source.path());
        useServer(source.path(), from);
        QVERIFY(exportArchives(source.path()).done());
        copyExchange(source.path(), folder.path());
        useServer(folder.path(), db);
        const QStringList before = dump(db);

        const Progress progress = [&](qint64 done, qint64) {
            if (done == 0) return true;
            if (row.stop == Stop::Cancel) return false;
            query(db, "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = "
                      "current_database() AND pid <> pg_backend_pid()");
            return true;
        };
        const FaultPoint fault = [&](const char* point) {
            return row.stop == Stop::Fault && QByteArray(point) == "import:areas";
        };
        const MaintenanceResult stopped = importArchives(folder.path(), progress, fault);
        QCOMPARE(stopped.outcome, row.stop == Stop::Cancel ? MaintenanceResult::Outcome::Cancelled
                                                           : MaintenanceResult::Outcome::Failed);
        QVERIFY2(stopped.problem().contains(row.told), qPrintable(stopped.problem()));
        QCOMPARE(dump(db), before);

        const MaintenanceResult again = importArchives(folder.path());
        QVERIFY2(again.done(), qPrintable(again.problem()));
        QCOMPARE(dump(db).size(), before.size() + 3 + 4 + 2 + 1);
    }

    void deletionWhilePlaceAdded_data() {
        test::addRows<RaceRow>({
            {"the place first: deleted with its sheet", First::Insert, 3, ""},
            {"the sheet first: the place refused", First::Delete, 2, "Foglio A"},
        });
    }
    // Two users: one deletes Foglio A, the other adds a place on it through
    // its view at the same time. No place is left without its sheet.
    void deletionWhilePlaceAdded() {
        QFETCH(RaceRow, row);
        test::TempFolder folder;
        writeArchives(folder.path(), kSourceAreas, kSourcePlaces);
        const QString db = loadOnServer(folder.path());
        useServer(folder.path(), db);

        QString loser;
        std::atomic<bool> added{false};
        const auto addPlace = [&] {
            RecordView places("Data2", Archives::kLocalityFile, "localita", {});
            if (!places.openOnServer("dbname=" + db).isEmpty()) return;
            loser = failureOf([&] {
                places.addNew();
                places.setField("AREA", "Foglio A");
                places.setField("LOCALITA", "NUOVA");
                places.update();
            });
            added = true;
        };
        AreaDeletionResult result;
        if (row.first == First::Insert) {
            // The other user's place added and not yet committed.
            server::Connection other;
            QCOMPARE(other.open("dbname=" + db), QString());
            other.begin();
            server::Records records(other, "localita", {"AREA", "LOCALITA"});
            QCOMPARE(records.insert({QByteArray("Foglio A"), QByteArray("NUOVA")}),
                     server::Change::Done);
            std::thread deleting([&] { result = deleteArea(folder.path(), "Foglio A"); });
            QVERIFY(someoneWaits(db));
            other.commit();
            deleting.join();
        } else {
            std::thread adding;
            result = deleteArea(folder.path(), "Foglio A", [&](qint64, qint64) {
                if (!adding.joinable()) {
                    adding = std::thread(addPlace);
                    someoneWaits(db);
                }
                return true;
            });
            adding.join();
            QVERIFY(added);
        }
        QVERIFY2(result.ok(), qPrintable(result.failure));
        QCOMPARE(result.localitiesDeleted, row.deleted);
        QCOMPARE(orphans(db), QStringList());
        QVERIFY2(loser.contains(row.loser), qPrintable(loser));
        QCOMPARE(loser.isEmpty(), QByteArray(row.loser).isEmpty());
        QCOMPARE(query(db, "SELECT AREA FROM area_datum ORDER BY AREA"), QStringList{"Foglio B"});
    }

    void readOnlyRoleRefused_data() {
        const auto pointsOf = [] {
            SheetPoints points{FitModel::Affine, 23032, {}, {}};
            for (const QPointF p :
                 {QPointF(0, 0), QPointF(1000, 0), QPointF(0, 800), QPointF(1000, 800)})
                points.points.push_back(
                    {p.x(), p.y(), true, 5000000 - 2 * p.y(), 500000 + 2 * p.x()});
            return points;
        };
        test::addRows<RoleRow>({
            {"calibration stored (Registra, a .map file, a new sheet's georeferencing)",
             [=](const QString& folder) {
                 QString stored;
                 const QString thrown = failureOf([&] {
                     WorkingPair pair(folder);
                     stored = storeSheetModel(pair, "Foglio N", pointsOf(), Datum::Ed50);
                 });
                 return thrown.isEmpty() ? stored : thrown;
             }},
            {".map file imported",
             [](const QString& folder) {
                 QImage scan(400, 300, QImage::Format_RGB32);
                 scan.fill(Qt::white);
                 const QDir dir(folder);
                 if (!scan.save(dir.filePath("scan.jpg"), "JPEG")) return QString("no scan");
                 QFile map(dir.filePath("scan.map"));
                 if (!map.open(QIODevice::WriteOnly)) return QString("no .map");
                 map.write("OziExplorer Map Data File Version 2.2\r\nScan\r\nscan.jpg\r\n"
                           "1 ,Map Code,\r\nEuropean 1950,WGS 84,   0.0000,   0.0000,WGS 84\r\n"
                           "Reserved 1\r\nReserved 2\r\nMagnetic Variation,,,E\r\n"
                           "Map Projection,Latitude/Longitude,PolyCal,No,AutoCalOnly,No,"
                           "BSBUseWPX,No\r\n"
                           "Point01,xy,0,0,in, deg,42,30,N,13,0,E, grid,   ,   ,   ,N\r\n"
                           "Point02,xy,400,0,in, deg,42,30,N,13,6,E, grid,   ,   ,   ,N\r\n"
                           "Point03,xy,0,300,in, deg,42,24,N,13,0,E, grid,   ,   ,   ,N\r\n"
                           "Projection Setup,,,,,,,,,,\r\nMM0,Yes\r\n");
                 map.close();
                 const gis::OziImport imported = gis::importOziMap(folder, map.fileName());
                 return imported.ok() ? QString() : imported.message;
             }},
            {"set-up stored with its datum",
             [](const QString& folder) {
                 RecordView areas("Data1", Archives::kAreaFile, "AREA", {});
                 const QString problem = areas.openOnServer(atlasserver::of(folder).connection);
                 if (!problem.isEmpty()) return problem;
                 return failureOf([&] {
                     areadatums::storeWithRecord(areas, "Foglio N", "EPSG:4230", std::nullopt, [&] {
                         areas.addNew();
                         areas.setField("AREA", "Foglio N");
                         areas.update();
                     });
                 });
             }},
            {"datum and points taken away",
             [](const QString& folder) {
                 return failureOf([&] {
                     WorkingPair pair(folder);
                     areadatums::store(pair, "Foglio B", "");
                     areacalibrations::forget(pair, "Foglio A");
                 });
             }},
            {"sheet deleted",
             [](const QString& folder) { return deleteArea(folder, "Foglio A").failure; }},
            {"exchange files imported",
             [](const QString& folder) {
                 exec(QDir(folder).filePath(Archives::kExchangeAreaFile),
                      "INSERT INTO AREA (AREA) VALUES ('Foglio N')");
                 const MaintenanceResult r = importArchives(folder);
                 return r.done() ? QString() : r.problem();
             }},
        });
    }
    // As the read-only role: refused as a read-only archive, nothing changed;
    // as the owner: stored.
    void readOnlyRoleRefused() {
        QFETCH(RoleRow, row);
        test::TempFolder folder;
        writeArchives(folder.path(), kSourceAreas, kSourcePlaces);
        const QString db = loadOnServer(folder.path());
        const QStringList before = dump(db);

        useServer(folder.path(), db, kReader);
        const QString refused = row.write(folder.path());
        QVERIFY2(refused.contains("in sola lettura"), qPrintable(refused));
        QVERIFY2(refused.contains("atlante"), qPrintable(refused));
        QCOMPARE(dump(db), before);

        useServer(folder.path(), db);
        const QString done = row.write(folder.path());
        QVERIFY2(done.isEmpty(), qPrintable(done));
        QVERIFY(dump(db) != before);
    }

    // The server keeps its own storage: compaction leaves the folder's files.
    void compactionOnServer() {
        test::TempFolder folder;
        writeArchives(folder.path(), kSourceAreas, kSourcePlaces);
        const QString db = loadOnServer(folder.path());
        useServer(folder.path(), db);
        const QDateTime written = QFileInfo(folder.file(Archives::kAreaFile)).lastModified();
        QVERIFY(serverexchange::compact(folder.path()).contains("VACUUM ANALYZE"));
        QCOMPARE(QFileInfo(folder.file(Archives::kAreaFile)).lastModified(), written);
        QVERIFY(!QFileInfo::exists(folder.file("areacomp.mdb")));
    }
};

ORVENA_TEST_MAIN(ServerWritesTest)
#include "ServerWritesTest.moc"
