#include "core/archive/Exchange.h"

#include "core/archive/Archives.h"
#include "core/archive/AreaCalibrations.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/AtlasServer.h"
#include "core/archive/MaintenanceSession.h"
#include "core/archive/Schema.h"
#include "core/archive/ServerExchange.h"
#include "core/archive/Transaction.h"
#include "core/archive/WorkingPair.h"

#include <QDir>
#include <sqlite3.h>

#include <string>

namespace orvena {

using maintenance::Failure;
using maintenance::Session;

namespace {

// Localities added per statement of an import: the progress moves and a
// cancel is heard between two of them.
constexpr qint64 kChunk = 50000;

// The fields that travel, in the order they are written, each as the text of
// its bound box converted back by the engine (boxtext; a text field's value is
// its own text already and goes as it is).
constexpr const char* kAreaFields =
    "AREA, COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO, NORD, EST, SUD, OVEST";
constexpr const char* kAreaValues =
    "e.AREA, boxtext(e.COLA), boxtext(e.COLO), boxtext(e.PXLAO), boxtext(e.SECLAO), "
    "boxtext(e.PXLOO), boxtext(e.SECLOO), e.NORD, e.EST, e.SUD, e.OVEST";
constexpr const char* kLocalityFields = "AREA, LOCALITA, LAGR, LAMN, LASE, LOGR, LOMN, LOSE";
constexpr const char* kLocalityValues =
    "e.AREA, e.LOCALITA, boxtext(e.LAGR), boxtext(e.LAMN), boxtext(e.LASE), boxtext(e.LOGR), "
    "boxtext(e.LOMN), boxtext(e.LOSE)";

// Names compared exactly, letter case included. The first comparison of each
// pair follows the column's case-blind index; the second decides.
std::string sameArea(const char* a, const char* b) {
    const std::string x = std::string(a) + ".AREA", y = std::string(b) + ".AREA";
    return x + " IS " + y + " AND " + x + " IS " + y + " COLLATE BINARY";
}

std::string samePlace(const char* a, const char* b) {
    const std::string x = std::string(a) + ".LOCALITA", y = std::string(b) + ".LOCALITA";
    return sameArea(a, b) + " AND " + x + " IS " + y + " AND " + x + " IS " + y + " COLLATE BINARY";
}

QString name(const char* file) {
    return QString::fromUtf8(file);
}

// The sheets' datums live in a table of their own beside AREA (AreaDatums.h),
// which a file may not have.
bool hasDatums(Session& session, const char* schema, const char* file) {
    return session.number(areadatums::existsIn(schema), name(file)) != 0;
}

// So do their reference points (AreaCalibrations.h).
bool hasPoints(Session& session, const char* schema, const char* file) {
    return session.number(areacalibrations::existsIn(schema), name(file)) != 0;
}

// The rows of from's datum table whose sheet areas holds and main's table
// does not: the sheet names and codes.
std::string datumsMissing(const char* from, const char* areas) {
    return std::string(" FROM ") + from + "." + areadatums::kTable +
           " d WHERE EXISTS (SELECT 1 FROM " + areas + ".AREA a WHERE " + sameArea("a", "d") +
           ") AND NOT EXISTS (SELECT 1 FROM main." + areadatums::kTable +
           " m WHERE m.AREA = d.AREA)";
}

// Copies those rows, every code as it is (also one this program does not
// know), with the operation chosen for each sheet when from keeps them: the
// column is then added to main's table if it lacks it. main's table exists.
void copyDatums(Session& session, const char* from, const char* areas, const QString& blame) {
    const auto hasOperation = [&](const char* schema) {
        return session.number(areadatums::hasOperationIn(schema), blame) != 0;
    };
    const bool withOperation = hasOperation(from);
    if (withOperation && !hasOperation("main"))
        session.exec(areadatums::addOperationIn("main"), blame);
    const std::string operation = std::string(", ") + areadatums::kOperationColumn;
    session.exec(std::string("INSERT INTO main.") + areadatums::kTable + " (AREA, DATUM" +
                     (withOperation ? operation : "") + ") SELECT d.AREA, d.DATUM" +
                     (withOperation ? ", d." + std::string(areadatums::kOperationColumn) : "") +
                     datumsMissing(from, areas),
                 blame);
}

// The sheet names and codes copyDatums() is about to copy.
QList<std::pair<QString, QString>> datumsToCopy(Session& session, const char* from,
                                                const char* areas, const QString& blame) {
    QList<std::pair<QString, QString>> rows;
    sqlite3_stmt* statement = nullptr;
    const std::string sql = "SELECT d.AREA, d.DATUM" + datumsMissing(from, areas);
    if (sqlite3_prepare_v2(session.handle(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        throw session.failure(blame, SQLITE_ERROR);
    const auto text = [&](int column) {
        return QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
            sqlite3_column_bytes(statement, column));
    };
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(statement)) == SQLITE_ROW)
        rows.append({text(0), text(1)});
    sqlite3_finalize(statement);
    if (code != SQLITE_DONE) throw session.failure(blame, code);
    return rows;
}

// The four archives (only the exchange files for an atlas on a server).
void checkAll(const QString& folder, bool onServer) {
    const QDir dir(folder);
    if (!onServer) {
        maintenance::checkArchive(dir.filePath(name(Archives::kAreaFile)), schema::kAreaTable);
        maintenance::checkArchive(dir.filePath(name(Archives::kLocalityFile)),
                                  schema::kLocalityTable);
    }
    maintenance::checkArchive(dir.filePath(name(Archives::kExchangeAreaFile)), schema::kAreaTable);
    maintenance::checkArchive(dir.filePath(name(Archives::kExchangeLocalityFile)),
                              schema::kLocalityTable);
}

// Runs work inside one transaction of the session; anything thrown rolls it
// back. A cancel through the progress becomes a Cancelled result.
template <class Work>
MaintenanceResult inTransaction(Session& session, const QString& blame, Work&& work) {
    TransactionLevels transaction("exchange", TransactionLevels::Lock::Deferred);
    const auto whole = [&] {
        work();
        if (session.cancelled()) throw Failure{blame, SQLITE_INTERRUPT};
    };
    const auto refused = [&](int code) { throw session.failure(blame, code); };
    try {
        transaction.run(session.handle(), whole, refused);
    } catch (const Failure&) {
        if (session.cancelled()) return MaintenanceResult::cancelled();
        throw;
    }
    return {};
}

// A prepared statement with one or two numbers to bind, run once per chunk.
class Statement {
public:
    Statement(Session& session, const std::string& sql, const QString& blame)
        : session_(session)
        , blame_(blame) {
        if (sqlite3_prepare_v2(session.handle(), sql.c_str(), -1, &statement_, nullptr) !=
            SQLITE_OK)
            throw session.failure(blame, SQLITE_ERROR);
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void run(qint64 a, qint64 b = 0) {
        sqlite3_bind_int64(statement_, 1, a);
        if (sqlite3_bind_parameter_count(statement_) > 1) sqlite3_bind_int64(statement_, 2, b);
        const int code = sqlite3_step(statement_);
        sqlite3_reset(statement_);
        if (code != SQLITE_DONE) throw session_.failure(blame_, code);
    }

private:
    Session& session_;
    QString blame_;
    sqlite3_stmt* statement_ = nullptr;
};

} // namespace

MaintenanceResult exportArchives(const QString& folder, const Progress& progress,
                                 const FaultPoint& fault) {
    const QString areaOut = name(Archives::kExchangeAreaFile);
    const QString placesOut = name(Archives::kExchangeLocalityFile);
    const atlasserver::Setting server = atlasserver::of(folder);
    if (!server.problem.isEmpty()) return MaintenanceResult::failedWith(server.problem);
    try {
        const bool onServer = server.onServer();
        checkAll(folder, onServer);
        Session session(folder, Archives::kExchangeAreaFile, Session::Access::ReadWrite);
        session.attach(Archives::kExchangeLocalityFile, "xl", Session::Access::ReadWrite);
        if (onServer) {
            serverexchange::attachWorkingCopy(session, folder);
        } else {
            session.attach(Archives::kAreaFile, "wa", Session::Access::ReadOnly);
            session.attach(Archives::kLocalityFile, "wl", Session::Access::ReadOnly);
        }
        // The engine commits the two exchange files together only in
        // rollback-journal mode (a file left in WAL by another tool goes back).
        session.exec("PRAGMA main.journal_mode = DELETE", areaOut);
        session.exec("PRAGMA xl.journal_mode = DELETE", placesOut);

        const qint64 total =
            session.number("SELECT count(*) FROM wa.AREA", name(Archives::kAreaFile)) +
            session.number("SELECT count(*) FROM wl.localita", name(Archives::kLocalityFile));
        session.setProgress(&progress, total);
        session.report(0);
        const MaintenanceResult result = inTransaction(session, placesOut, [&] {
            session.exec("DELETE FROM main.AREA", areaOut);
            session.exec("DELETE FROM xl.localita", placesOut);
            session.faultAt(fault, "export:emptied", placesOut);
            session.exec(std::string("INSERT INTO main.AREA (") + kAreaFields + ") SELECT " +
                             kAreaValues + " FROM wa.AREA e WHERE progress_tick() ORDER BY e.AREA",
                         areaOut);
            // The datums of the sheets copied replace those the file held.
            if (hasDatums(session, "main", Archives::kExchangeAreaFile))
                session.exec(std::string("DELETE FROM main.") + areadatums::kTable, areaOut);
            if (hasDatums(session, "wa", Archives::kAreaFile)) {
                session.exec(areadatums::createIn("main"), areaOut);
                copyDatums(session, "wa", "wa", areaOut);
            }
            if (hasPoints(session, "main", Archives::kExchangeAreaFile))
                session.exec(std::string("DELETE FROM main.") + areacalibrations::kTable, areaOut);
            if (hasPoints(session, "wa", Archives::kAreaFile)) {
                session.exec(areacalibrations::createIn("main"), areaOut);
                session.exec(areacalibrations::copyRows("wa", "wa"), areaOut);
            }
            session.faultAt(fault, "export:areas", areaOut);
            session.exec(std::string("INSERT INTO xl.localita (") + kLocalityFields + ") SELECT " +
                             kLocalityValues +
                             " FROM wl.localita e WHERE progress_tick()"
                             " ORDER BY e.AREA, e.LOCALITA",
                         placesOut);
            session.faultAt(fault, "export:localities", placesOut);
        });
        if (result.done()) session.report(total);
        return result;
    } catch (const Failure& failure) {
        return failure.result();
    }
}

MaintenanceResult importArchives(const QString& folder, const Progress& progress,
                                 const FaultPoint& fault) {
    const QString areaIn = name(Archives::kAreaFile);
    const QString placesIn = name(Archives::kLocalityFile);
    const QString placesFrom = name(Archives::kExchangeLocalityFile);
    const char* loc = WorkingPair::kLocalitySchema;
    const atlasserver::Setting server = atlasserver::of(folder);
    if (!server.problem.isEmpty()) return MaintenanceResult::failedWith(server.problem);
    if (server.onServer()) return serverexchange::importArchives(folder, progress, fault);
    try {
        checkAll(folder, false);
        WorkingPair pair(folder);
        Session session(folder, pair.db().getHandle());
        session.exec(std::string("PRAGMA ") + loc + ".cache_size = " + maintenance::kCacheKiB,
                     placesIn);
        session.attach(Archives::kExchangeAreaFile, "xa", Session::Access::ReadOnly);
        session.attach(Archives::kExchangeLocalityFile, "xl", Session::Access::ReadOnly);

        const auto [areas, first, last] = startImport(session, "xa.AREA", progress);
        const qint64 total = areas + (last - first + 1);

        // A place repeated inside the exchange file is added once, its first
        // copy. One statement adds a chunk of places: the places it looks
        // for are those of the working file before it ran, so copies within
        // one chunk would all be added. Whether the exchange file repeats a
        // name at all is asked once, when a chunk has added something (an
        // import of places all present never asks); if it does, the later
        // copies added so far are taken out again and from then on each new
        // place also looks for an earlier copy in the exchange file.
        const std::string addPlaces = std::string("INSERT INTO ") + loc + ".localita (" +
                                      kLocalityFields + ") SELECT " + kLocalityValues +
                                      " FROM xl.localita e WHERE e.rowid >= ?1 AND e.rowid < ?2"
                                      " AND NOT EXISTS (SELECT 1 FROM " +
                                      loc + ".localita w WHERE " + samePlace("w", "e") + ")";
        const std::string addFirstCopies = addPlaces +
                                           " AND NOT EXISTS (SELECT 1 FROM xl.localita d WHERE " +
                                           samePlace("d", "e") + " AND d.rowid < e.rowid)";
        const std::string dropLaterCopies =
            std::string("DELETE FROM ") + loc + ".localita AS e WHERE e.rowid > ?1 AND" +
            " EXISTS (SELECT 1 FROM " + loc + ".localita d WHERE " + samePlace("d", "e") +
            " AND d.rowid > ?1 AND d.rowid < e.rowid)";
        const qint64 lastBefore = session.number(
            std::string("SELECT coalesce(max(rowid), 0) FROM ") + loc + ".localita", placesIn);

        QList<std::pair<QString, QString>> datumsCopied;
        try {
            pair.transaction([&] {
                // A sheet's reference points come with its AREA record: only
                // those of the sheets added here, which AREA does not list yet.
                if (hasPoints(session, "xa", Archives::kExchangeAreaFile)) {
                    session.exec(areacalibrations::createIn("main"), areaIn);
                    session.exec(areacalibrations::copyRows("xa", "xa", "main"), areaIn);
                }
                session.exec(std::string("INSERT INTO main.AREA (") + kAreaFields + ") SELECT " +
                                 kAreaValues +
                                 " FROM xa.AREA e WHERE NOT EXISTS (SELECT 1 FROM main.AREA w"
                                 " WHERE " +
                                 sameArea("w", "e") +
                                 ") AND NOT EXISTS (SELECT 1 FROM xa.AREA d WHERE " +
                                 sameArea("d", "e") + " AND d.rowid < e.rowid) ORDER BY e.rowid",
                             areaIn);
                // A sheet that has no datum here takes the exchange file's;
                // one it has stays.
                if (hasDatums(session, "xa", Archives::kExchangeAreaFile)) {
                    session.exec(areadatums::createIn("main"), areaIn);
                    datumsCopied = datumsToCopy(session, "xa", "main", areaIn);
                    copyDatums(session, "xa", "main", areaIn);
                }
                session.faultAt(fault, "import:areas", areaIn);
                Statement add(session, addPlaces + " ORDER BY e.rowid", placesIn);
                Statement addFirst(session, addFirstCopies + " ORDER BY e.rowid", placesIn);
                enum class Repeats { Unknown, None, Some } repeats = Repeats::Unknown;
                for (qint64 from = first; from <= last; from += kChunk) {
                    (repeats == Repeats::Some ? addFirst : add).run(from, from + kChunk);
                    if (repeats == Repeats::Unknown && sqlite3_changes(session.handle()) > 0) {
                        repeats = session.number("SELECT count(*) FROM (SELECT 1 FROM xl.localita"
                                                 " GROUP BY AREA, LOCALITA HAVING count(*) > 1"
                                                 " LIMIT 1)",
                                                 placesFrom) > 0
                                      ? Repeats::Some
                                      : Repeats::None;
                        if (repeats == Repeats::Some)
                            Statement(session, dropLaterCopies, placesIn).run(lastBefore);
                    }
                    session.faultAt(fault, "import:localities", placesIn);
                    session.report(areas + std::min(from + kChunk, last + 1) - first);
                    if (session.cancelled()) throw Failure{placesIn, SQLITE_INTERRUPT};
                }
            });
        } catch (const Failure&) {
            if (session.cancelled()) return MaintenanceResult::cancelled();
            throw;
        }
        session.report(total);
        MaintenanceResult done;
        done.datumsCopied = std::move(datumsCopied);
        return done;
    } catch (const Failure& failure) {
        return failure.result();
    } catch (const ArchiveError& error) {
        if (error.code() != 0) return MaintenanceResult::failed(error.fileName(), error.code());
        return MaintenanceResult::failedWith(QString::fromStdString(error.what()));
    }
}

} // namespace orvena
