#include "core/archive/ServerExchange.h"

#include "core/archive/Archives.h"
#include "core/archive/AreaCalibrations.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/AtlasServer.h"
#include "core/archive/MaintenanceSession.h"
#include "core/archive/Schema.h"
#include "core/server/ServerConnection.h"

#include <QDir>
#include <sqlite3.h>

#include <algorithm>
#include <string>

namespace orvena::serverexchange {

using maintenance::Failure;
using maintenance::Session;

namespace {

const QString kCompacted = QStringLiteral(
    "Gli archivi sono sul server %1, che gestisce da sé il proprio spazio: le sue tabelle "
    "sono state riordinate e le statistiche aggiornate (VACUUM ANALYZE). I file della "
    "cartella non sono stati toccati.");
const QString kCompactFailed =
    QStringLiteral("Compattazione non riuscita. %1 I file della cartella non sono stati toccati.");

// Rows read from the server per fetch while a copy is made.
constexpr int kFetch = 20000;
// Places added per statement of an import: the progress moves and a cancel
// is heard between two of them.
constexpr qint64 kChunk = 50000;

constexpr const char* kAreaFields =
    "AREA, COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO, NORD, EST, SUD, OVEST";
constexpr const char* kLocalityFields = "AREA, LOCALITA, LAGR, LAMN, LASE, LOGR, LOMN, LOSE";

QString name(const char* file) {
    return QString::fromUtf8(file);
}

// A server's failure as the archive fileName's, told as a sentence.
Failure told(const QString& fileName, const server::Connection& c, const server::ServerError& e) {
    try {
        atlasserver::fail(fileName, c, e);
    } catch (const ArchiveError& error) {
        return Failure{fileName, 0, error.italianMessage()};
    }
}

server::Connection& serverOf(const QString& folder) {
    try {
        return atlasserver::connection(folder);
    } catch (const ArchiveError& e) {
        throw Failure{name(Archives::kAreaFile), 0, e.italianMessage()};
    }
}

// --- export: the server's rows copied into memory -------------------------

void bind(sqlite3_stmt* statement, int at, const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::LongLong:
        sqlite3_bind_int64(statement, at, value.toLongLong());
        break;
    case QMetaType::Double:
        sqlite3_bind_double(statement, at, value.toDouble());
        break;
    case QMetaType::QString: {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(statement, at, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        break;
    }
    default:
        sqlite3_bind_null(statement, at);
        break;
    }
}

// Copies the rows of select (a server query) into table (in memory, its
// fields named by fields), a fetch at a time through a cursor.
void copyRows(Session& session, server::Connection& c, const std::string& select,
              const std::string& table, const std::string& fields, const QString& blame) {
    c.exec(("DECLARE orvena_copy NO SCROLL CURSOR FOR " + select).c_str());
    const int count = int(std::count(fields.begin(), fields.end(), ',')) + 1;
    std::string marks = "?";
    for (int i = 1; i < count; ++i)
        marks += ", ?";
    const std::string sql = "INSERT INTO " + table + " (" + fields + ") VALUES (" + marks + ")";
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(session.handle(), sql.c_str(), -1, &insert, nullptr) != SQLITE_OK)
        throw session.failure(blame, SQLITE_ERROR);
    const std::string fetch = "FETCH " + std::to_string(kFetch) + " FROM orvena_copy";
    try {
        for (;;) {
            const server::Result rows = c.exec(fetch.c_str());
            for (int r = 0; r < rows.rows(); ++r) {
                for (int f = 0; f < count; ++f)
                    bind(insert, f + 1, rows.value(r, f));
                const int code = sqlite3_step(insert);
                sqlite3_reset(insert);
                if (code != SQLITE_DONE) throw session.failure(blame, code);
            }
            if (rows.rows() < kFetch) break;
        }
    } catch (...) {
        sqlite3_finalize(insert);
        throw;
    }
    sqlite3_finalize(insert);
    c.exec("CLOSE orvena_copy");
}

// A table's CREATE statement of Schema.h, made in schema.
std::string createIn(const char* create, const char* table, const char* schema) {
    std::string sql = create;
    const std::string bare = std::string("EXISTS ") + table + " (";
    sql.replace(sql.find(bare), bare.size(), std::string("EXISTS ") + schema + "." + table + " (");
    return sql;
}

// --- import: the exchange files' rows copied onto the server --------------

// The server's temporary tables the exchange rows go to, gone at the commit.
constexpr const char* kExchangeTables[] = {
    "CREATE TEMPORARY TABLE x_area (n bigint, AREA text, COLA double precision, "
    "COLO double precision, PXLAO bigint, SECLAO bigint, PXLOO bigint, SECLOO bigint, "
    "NORD text, EST text, SUD text, OVEST text) ON COMMIT DROP",
    "CREATE TEMPORARY TABLE x_localita (n bigint, AREA text, LOCALITA text, LAGR bigint, "
    "LAMN bigint, LASE bigint, LOGR bigint, LOMN bigint, LOSE bigint) ON COMMIT DROP",
    "CREATE TEMPORARY TABLE x_datum (AREA text, DATUM text, OPERAZIONE text) ON COMMIT DROP",
    "CREATE TEMPORARY TABLE x_calibration (AREA text, MODEL text, GRID integer, POINTS text, "
    "BORDER text, AXIS text) ON COMMIT DROP",
};

// Names compared exactly, a null the same as a null, in a form the server
// joins by hashing.
std::string same(const char* a, const char* b, const char* field) {
    const std::string x = std::string(a) + "." + field, y = std::string(b) + "." + field;
    return "(" + x + " IS NULL) = (" + y + " IS NULL) AND coalesce(" + x + ", '') = coalesce(" + y +
           ", '')";
}

// Sends the rows of a query over the exchange files to a COPY on the server,
// each value as its text (a null as null).
void sendRows(Session& session, server::Connection& c, const std::string& select, const char* copy,
              const QString& blame) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(session.handle(), select.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        throw session.failure(blame, SQLITE_ERROR);
    const int columns = sqlite3_column_count(statement);
    int code = SQLITE_ROW;
    try {
        c.copyIn(copy, [&](QByteArray& piece) {
            // A statement stepped past its end would start again.
            for (int n = 0;
                 n < 1000 && code == SQLITE_ROW && (code = sqlite3_step(statement)) == SQLITE_ROW;
                 ++n) {
                for (int i = 0; i < columns; ++i) {
                    if (i) piece += '\t';
                    server::appendCopyField(
                        piece,
                        sqlite3_column_type(statement, i) == SQLITE_NULL
                            ? server::Parameter()
                            : server::Parameter(QByteArray(
                                  reinterpret_cast<const char*>(sqlite3_column_text(statement, i)),
                                  sqlite3_column_bytes(statement, i))));
                }
                piece += '\n';
            }
            return !piece.isEmpty();
        });
    } catch (...) {
        sqlite3_finalize(statement);
        throw;
    }
    sqlite3_finalize(statement);
    if (code != SQLITE_DONE) throw session.failure(blame, code);
}

bool hasTable(Session& session, const std::string& exists, const char* file) {
    return session.number(exists, name(file)) != 0;
}

} // namespace

void attachWorkingCopy(Session& session, const QString& folder) {
    const QString areas = name(Archives::kAreaFile), places = name(Archives::kLocalityFile);
    server::Connection& c = serverOf(folder);
    session.exec("ATTACH DATABASE ':memory:' AS wa", areas);
    session.exec("ATTACH DATABASE ':memory:' AS wl", places);
    session.exec(createIn(schema::kCreateArea, schema::kAreaTable, "wa"), areas);
    session.exec(createIn(schema::kCreateLocality, schema::kLocalityTable, "wl"), places);
    const QString* blame = &areas;
    try {
        c.begin();
        try {
            // One snapshot for every table, so that no place is read without
            // its sheet.
            c.exec("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");
            session.exec("BEGIN", areas);
            copyRows(session, c, std::string("SELECT ") + kAreaFields + " FROM area ORDER BY id",
                     "wa.AREA", kAreaFields, areas);
            if (c.exec("SELECT count(*) FROM area_datum").integer(0, 0) > 0) {
                session.exec(areadatums::createIn("wa"), areas);
                session.exec(areadatums::addOperationIn("wa"), areas);
                copyRows(session, c, "SELECT AREA, DATUM, OPERAZIONE FROM area_datum",
                         std::string("wa.") + areadatums::kTable, "AREA, DATUM, OPERAZIONE", areas);
            }
            if (c.exec("SELECT count(*) FROM area_calibration").integer(0, 0) > 0) {
                session.exec(areacalibrations::createIn("wa"), areas);
                const char* fields = "AREA, MODEL, GRID, POINTS, BORDER, AXIS";
                copyRows(session, c, std::string("SELECT ") + fields + " FROM area_calibration",
                         std::string("wa.") + areacalibrations::kTable, fields, areas);
            }
            blame = &places;
            copyRows(session, c,
                     std::string("SELECT ") + kLocalityFields + " FROM localita ORDER BY id",
                     "wl.localita", kLocalityFields, places);
            session.exec("COMMIT", places);
        } catch (...) {
            c.rollback();
            sqlite3_exec(session.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        c.rollback(); // only read
    } catch (const server::ServerError& e) {
        throw told(*blame, c, e);
    }
}

MaintenanceResult importArchives(const QString& folder, const Progress& progress,
                                 const FaultPoint& fault) {
    const QString areaIn = name(Archives::kAreaFile);
    const QString placesIn = name(Archives::kLocalityFile);
    const QString placesFrom = name(Archives::kExchangeLocalityFile);
    server::Connection* server = nullptr;
    const QString* blame = &areaIn;
    try {
        const QDir dir(folder);
        maintenance::checkArchive(dir.filePath(name(Archives::kExchangeAreaFile)),
                                  schema::kAreaTable);
        maintenance::checkArchive(dir.filePath(placesFrom), schema::kLocalityTable);
        Session session(folder, Archives::kExchangeAreaFile, Session::Access::ReadOnly);
        session.attach(Archives::kExchangeLocalityFile, "xl", Session::Access::ReadOnly);
        server::Connection& c = serverOf(folder);
        server = &c;

        const auto [areas, first, last] = startImport(session, "main.AREA", progress);
        const qint64 total = areas + (last - first + 1);
        if (session.cancelled()) return MaintenanceResult::cancelled();

        MaintenanceResult done;
        c.begin();
        try {
            for (const char* create : kExchangeTables)
                c.exec(create);
            sendRows(session, c,
                     "SELECT rowid, AREA, boxtext(COLA), boxtext(COLO), boxtext(PXLAO), "
                     "boxtext(SECLAO), boxtext(PXLOO), boxtext(SECLOO), NORD, EST, SUD, OVEST "
                     "FROM main.AREA",
                     "COPY x_area FROM STDIN", areaIn);
            sendRows(session, c,
                     "SELECT rowid, AREA, LOCALITA, boxtext(LAGR), boxtext(LAMN), boxtext(LASE), "
                     "boxtext(LOGR), boxtext(LOMN), boxtext(LOSE) FROM xl.localita",
                     "COPY x_localita FROM STDIN", placesIn);
            if (hasTable(session, areadatums::existsIn("main"), Archives::kExchangeAreaFile)) {
                const bool operation =
                    session.number(areadatums::hasOperationIn("main"), areaIn) != 0;
                sendRows(session, c,
                         std::string("SELECT AREA, DATUM, ") +
                             (operation ? areadatums::kOperationColumn : "NULL") + " FROM main." +
                             areadatums::kTable,
                         "COPY x_datum FROM STDIN", areaIn);
            }
            if (hasTable(session, areacalibrations::existsIn("main"), Archives::kExchangeAreaFile))
                sendRows(session, c,
                         std::string("SELECT AREA, MODEL, GRID, POINTS, BORDER, AXIS FROM main.") +
                             areacalibrations::kTable,
                         "COPY x_calibration FROM STDIN", areaIn);
            c.exec("ANALYZE x_area, x_localita");

            // A sheet's points come with its record: only those of the
            // sheets added here, which the server does not list yet.
            c.exec(("INSERT INTO area_calibration (AREA, MODEL, GRID, POINTS, BORDER, AXIS) "
                    "SELECT d.AREA, d.MODEL, d.GRID, d.POINTS, d.BORDER, d.AXIS FROM "
                    "x_calibration d WHERE EXISTS (SELECT 1 FROM x_area a WHERE " +
                    same("a", "d", "AREA") + ") AND NOT EXISTS (SELECT 1 FROM area a WHERE " +
                    same("a", "d", "AREA") + ") ON CONFLICT (AREA) DO NOTHING")
                       .c_str());
            // Each sheet name once, its first copy, when the server lacks it.
            c.exec((std::string("INSERT INTO area (") + kAreaFields + ") SELECT " + kAreaFields +
                    " FROM x_area e WHERE e.n IN (SELECT min(n) FROM x_area GROUP BY AREA) "
                    "AND NOT EXISTS (SELECT 1 FROM area w WHERE " +
                    same("w", "e", "AREA") + ") ORDER BY e.n")
                       .c_str());
            // A sheet with no datum takes the exchange file's; one it has stays.
            const server::Result datums =
                c.exec("INSERT INTO area_datum (AREA, DATUM, OPERAZIONE) SELECT d.AREA, d.DATUM, "
                       "d.OPERAZIONE FROM x_datum d WHERE EXISTS (SELECT 1 FROM area a WHERE "
                       "a.AREA = d.AREA) AND NOT EXISTS (SELECT 1 FROM area_datum m WHERE "
                       "m.AREA = d.AREA) RETURNING AREA, DATUM");
            for (int r = 0; r < datums.rows(); ++r)
                done.datumsCopied.append({datums.text(r, 0), datums.text(r, 1)});
            session.faultAt(fault, "import:areas", areaIn);

            // Places go onto sheets held until the commit (a deletion of
            // one meanwhile waits), each name once per sheet, its first copy.
            blame = &placesIn;
            c.exec("SELECT 1 FROM area WHERE AREA IN (SELECT DISTINCT AREA FROM x_localita) "
                   "FOR KEY SHARE");
            c.exec("CREATE TEMPORARY TABLE x_first ON COMMIT DROP AS "
                   "SELECT min(n) AS n FROM x_localita GROUP BY AREA, LOCALITA");
            const std::string addPlaces =
                std::string("INSERT INTO localita (") + kLocalityFields + ") SELECT " +
                "e.AREA, e.LOCALITA, e.LAGR, e.LAMN, e.LASE, e.LOGR, e.LOMN, e.LOSE FROM "
                "x_localita e WHERE e.n >= $1 AND e.n < $2 AND e.n IN (SELECT n FROM x_first) "
                "AND NOT EXISTS (SELECT 1 FROM localita w WHERE " +
                same("w", "e", "AREA") + " AND " + same("w", "e", "LOCALITA") + ") ORDER BY e.n";
            for (qint64 from = first; from <= last; from += kChunk) {
                c.exec(addPlaces.c_str(),
                       {QByteArray::number(from), QByteArray::number(from + kChunk)});
                session.faultAt(fault, "import:localities", placesIn);
                session.report(areas + std::min(from + kChunk, last + 1) - first);
                if (session.cancelled()) throw Failure{placesIn, SQLITE_INTERRUPT};
            }
            c.commit();
        } catch (...) {
            c.rollback();
            throw;
        }
        session.report(total);
        return done;
    } catch (const Failure& failure) {
        if (failure.code == SQLITE_INTERRUPT) return MaintenanceResult::cancelled();
        return failure.result();
    } catch (const server::ServerError& e) {
        return told(*blame, *server, e).result();
    } catch (const ArchiveError& error) {
        return MaintenanceResult::failedWith(error.italianMessage());
    }
}

QString compact(const QString& folder) {
    try {
        server::Connection& c = atlasserver::connection(folder);
        try {
            c.exec("VACUUM (ANALYZE) area, localita, area_datum, area_calibration");
        } catch (const server::ServerError& e) {
            return kCompactFailed.arg(told(name(Archives::kAreaFile), c, e).text);
        }
        return kCompacted.arg(c.name());
    } catch (const ArchiveError& e) {
        return kCompactFailed.arg(e.italianMessage());
    }
}

} // namespace orvena::serverexchange
