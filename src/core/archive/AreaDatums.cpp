#include "core/archive/AreaDatums.h"

#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/AtlasServer.h"
#include "core/archive/LockWaits.h"
#include "core/archive/RecordView.h"
#include "core/archive/WorkingPair.h"
#include "core/server/ServerConnection.h"

#include <QDir>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

namespace orvena::areadatums {

namespace {

bool present(SQLite::Database& db) {
    return db.execAndGet(existsIn("main")).getInt() != 0;
}

QString text(const SQLite::Column& column) {
    return QString::fromUtf8(column.getText(), column.getBytes());
}

bool hasOperation(SQLite::Database& db) {
    return db.execAndGet(hasOperationIn("main")).getInt() != 0;
}

// AREA, DATUM and the operation (null where the table has no column for it).
std::string selectAll(SQLite::Database& db) {
    return std::string("SELECT AREA, DATUM, ") + (hasOperation(db) ? kOperationColumn : "NULL") +
           " FROM main." + kTable;
}

SheetDatum datumOf(const SQLite::Statement& row) {
    return {text(row.getColumn(1)), text(row.getColumn(2))};
}

// The datum stored for the sheet named exactly area; empty when there is
// none.
SheetDatum read(SQLite::Database& db, const QString& area) {
    if (!present(db)) return {};
    SQLite::Statement row(db, selectAll(db) + " WHERE AREA = ?");
    row.bind(1, area.toStdString());
    return row.executeStep() ? datumOf(row) : SheetDatum();
}

} // namespace

std::string createIn(const std::string& schema) {
    return "CREATE TABLE IF NOT EXISTS " + schema + "." + kTable +
           " (AREA TEXT NOT NULL PRIMARY KEY, DATUM TEXT)";
}

std::string existsIn(const std::string& schema) {
    return "SELECT count(*) FROM " + schema + ".sqlite_master WHERE type = 'table' AND name = '" +
           kTable + "'";
}

std::string hasOperationIn(const std::string& schema) {
    return "SELECT count(*) FROM pragma_table_info('" + std::string(kTable) + "', '" + schema +
           "') WHERE name = '" + kOperationColumn + "' COLLATE NOCASE";
}

std::string addOperationIn(const std::string& schema) {
    return "ALTER TABLE " + schema + "." + kTable + " ADD COLUMN " + kOperationColumn + " TEXT";
}

QHash<QString, SheetDatum> readAll(SQLite::Database& db) {
    QHash<QString, SheetDatum> datums;
    if (!present(db)) return datums;
    SQLite::Statement row(db, selectAll(db));
    while (row.executeStep())
        datums.insert(text(row.getColumn(0)), datumOf(row));
    return datums;
}

QHash<QString, SheetDatum> readAll(server::Connection& connection) {
    QHash<QString, SheetDatum> datums;
    const server::Result r = connection.exec("SELECT AREA, DATUM, OPERAZIONE FROM area_datum");
    for (int i = 0; i < r.rows(); ++i)
        datums.insert(r.text(i, 0), {r.text(i, 1), r.text(i, 2)});
    return datums;
}

SheetDatum readIn(const QString& folder, const QString& area) {
    if (atlasserver::onServer(folder)) {
        try {
            const server::Result r =
                atlasserver::connection(folder).exec("SELECT DATUM, OPERAZIONE FROM area_datum "
                                                     "WHERE AREA = $1",
                                                     {area.toUtf8()});
            return r.rows() > 0 ? SheetDatum{r.text(0, 0), r.text(0, 1)} : SheetDatum();
        } catch (const std::exception&) {
            return {};
        }
    }
    try {
        SQLite::Database db(archivefile::nativePath(
                                QDir(folder).filePath(QString::fromLatin1(Archives::kAreaFile))),
                            SQLite::OPEN_READONLY);
        db.setBusyTimeout(lockwait::kSheetReadMs);
        return read(db, area);
    } catch (const SQLite::Exception&) {
        return {};
    }
}

namespace {

// The datum and operation written (or, for an empty code, taken away) on a
// connection with area.mdb as main, inside the caller's transaction. No
// operation given: the one stored stays while the datum does.
void put(SQLite::Database& db, const QString& area, const QString& code,
         const std::optional<QString>& operation) {
    if (code.isEmpty()) {
        if (!present(db)) return;
        SQLite::Statement drop(db, std::string("DELETE FROM main.") + kTable + " WHERE AREA = ?");
        drop.bind(1, area.toStdString());
        drop.exec();
        return;
    }
    const bool chosen = operation && !operation->isEmpty();
    db.exec(createIn("main"));
    bool withOperation = hasOperation(db);
    if (!withOperation && chosen) {
        db.exec(addOperationIn("main"));
        withOperation = true;
    }
    std::string columns = "AREA, DATUM", values = "?1, ?2", update = "DATUM = ?2";
    if (withOperation) {
        columns += std::string(", ") + kOperationColumn;
        values += ", ?3";
        update += std::string(", ") + kOperationColumn +
                  (operation ? " = ?3"
                             : std::string(" = CASE WHEN DATUM = ?2 THEN ") + kOperationColumn +
                                   " END");
    }
    SQLite::Statement put(db, std::string("INSERT INTO main.") + kTable + " (" + columns +
                                  ") VALUES (" + values + ") ON CONFLICT (AREA) DO UPDATE SET " +
                                  update);
    put.bind(1, area.toStdString());
    put.bind(2, code.toStdString());
    if (withOperation) {
        if (chosen)
            put.bind(3, operation->toStdString());
        else
            put.bind(3);
    }
    put.exec();
}

// The same on the atlas's server (table area_datum, every column there).
void put(server::Connection& c, const QString& area, const QString& code,
         const std::optional<QString>& operation) {
    const server::Parameter name = area.toUtf8();
    if (code.isEmpty()) {
        c.exec("DELETE FROM area_datum WHERE AREA = $1", {name});
        return;
    }
    const server::Parameter chosen = operation && !operation->isEmpty()
                                         ? server::Parameter(operation->toUtf8())
                                         : std::nullopt;
    c.exec(operation ? "INSERT INTO area_datum (AREA, DATUM, OPERAZIONE) VALUES ($1, $2, $3) "
                       "ON CONFLICT (AREA) DO UPDATE SET DATUM = $2, OPERAZIONE = $3"
                     : "INSERT INTO area_datum (AREA, DATUM, OPERAZIONE) VALUES ($1, $2, $3) "
                       "ON CONFLICT (AREA) DO UPDATE SET DATUM = $2, OPERAZIONE = CASE WHEN "
                       "area_datum.DATUM = $2 THEN area_datum.OPERAZIONE END",
           {name, code.toUtf8(), chosen});
}

std::function<void()>& betweenWrites() {
    static std::function<void()> hook;
    return hook;
}

} // namespace

void store(WorkingPair& pair, const QString& area, const QString& code,
           const std::optional<QString>& operation) {
    pair.transaction([&] {
        if (pair.onServer())
            put(pair.server(), area, code, operation);
        else
            put(pair.db(), area, code, operation);
    });
}

void storeWithRecord(RecordView& areas, const QString& area, const QString& code,
                     const std::optional<QString>& operation,
                     const std::function<void()>& writeRecord) {
    areas.transaction([&] {
        writeRecord();
        if (const auto& hook = betweenWrites()) hook();
        if (areas.onServer())
            areas.onServerConnection(
                [&](server::Connection& c) { put(c, area, code, operation); });
        else
            areas.onConnection([&](SQLite::Database& db) { put(db, area, code, operation); });
    });
}

void setBetweenWrites(std::function<void()> hook) {
    betweenWrites() = std::move(hook);
}

void forgetUnlessListed(SQLite::Database& db, const QString& area) {
    if (!present(db)) return;
    SQLite::Statement drop(db, std::string("DELETE FROM main.") + kTable +
                                   " WHERE AREA = ?1 AND NOT EXISTS (SELECT 1 FROM main.AREA"
                                   " WHERE AREA = ?1 AND AREA = ?1 COLLATE BINARY)");
    drop.bind(1, area.toStdString());
    drop.exec();
}

void forgetUnlessListed(server::Connection& server, const QString& area) {
    server.exec("DELETE FROM area_datum WHERE AREA = $1 AND NOT EXISTS "
                "(SELECT 1 FROM area WHERE AREA = $1)",
                {area.toUtf8()});
}

} // namespace orvena::areadatums
