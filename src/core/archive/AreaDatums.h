#pragma once

// Each sheet's datum, kept in area.mdb (and, after an export, in esparea.mdb)
// in a table of its own beside AREA:
//
//   AREA_DATUM (AREA TEXT NOT NULL PRIMARY KEY, DATUM TEXT[, OPERAZIONE TEXT])
//
// one row per sheet that was given a datum, keyed by the sheet's name exactly
// as AREA holds it, letter case included; DATUM is the code of its coordinate
// system ("EPSG:4265"), kept as it is also when it is none this program
// knows. OPERAZIONE, the key of the operation to WGS 84 chosen for the sheet
// (null: PROJ's choice), is added to the table only when a sheet is first
// given a choice of its own, so a table without it reads as PROJ's choice
// everywhere. Table AREA, its fields and every query on it stay as
// they were, so an archive written before datums existed opens unchanged, and
// a file without the table (never given a datum) gives no sheet one. The
// table is created when the first datum is stored.

#include <QHash>
#include <QString>

#include <functional>
#include <optional>
#include <string>

namespace SQLite {
class Database;
}

namespace orvena::server {
class Connection;
}

namespace orvena {

namespace server {
class Connection;
}

class RecordView;
class WorkingPair;

namespace areadatums {

inline constexpr const char* kTable = "AREA_DATUM";
inline constexpr const char* kOperationColumn = "OPERAZIONE";

// A sheet's datum as stored: its code and the operation chosen for it.
struct SheetDatum {
    QString code;      // empty: none
    QString operation; // empty: PROJ's choice
};

// SQL for connections that attach several archives, on the schema an archive
// is attached under ("main", "xa" ...).
std::string createIn(const std::string& schema);
// One row, 1 when the schema holds the table and 0 when it does not.
std::string existsIn(const std::string& schema);
// One row, 1 when the schema's table has the operation column.
std::string hasOperationIn(const std::string& schema);
// Adds the operation column to the schema's table.
std::string addOperationIn(const std::string& schema);

// Every sheet's datum code, by sheet name, on a connection to area.mdb (or
// esparea.mdb); empty when none has one. Throws the engine's failure
// (SQLite::Exception).
QHash<QString, SheetDatum> readAll(SQLite::Database& db);
// The same from a server atlas's table area_datum. Throws the server's
// failure (server::ServerError).
QHash<QString, SheetDatum> readAll(server::Connection& connection);
// The code of the sheet named exactly area in folder's area.mdb, read through a
// connection of its own (on a server atlas, through the program's kept
// connection to it); empty when there is none or the archive cannot be read
// (a sheet is then shown as one without a datum).
SheetDatum readIn(const QString& folder, const QString& area);

// Stores code and operation as the datum of the sheet named area, in one
// transaction of the pair over area.mdb (or on the atlas's server); an empty code takes the sheet's
// datum away. No operation keeps the one stored while the code stays the
// same. ArchiveError with the Italian reason on failure.
void store(WorkingPair& pair, const QString& area, const QString& code,
           const std::optional<QString>& operation = std::nullopt);

// What one button stores for a sheet: its AREA record, written by
// writeRecord through areas (Data1, on area.mdb: addNew() or edit(),
// setField(), update()), and code as its datum, in one transaction of that
// view's connection, so that a failure or a crash at any instant leaves both
// as they were or both changed; operation as in store(). ArchiveError with
// the Italian reason.
void storeWithRecord(RecordView& areas, const QString& area, const QString& code,
                     const std::optional<QString>& operation,
                     const std::function<void()>& writeRecord);
// For tests: hook runs inside storeWithRecord, after the record is written
// and before the datum (an empty hook: nothing).
void setBetweenWrites(std::function<void()> hook);

// On a connection with area.mdb as main, inside the caller's transaction: the
// datum of area goes when no AREA record of exactly that name is left.
void forgetUnlessListed(SQLite::Database& db, const QString& area);
// The same on the atlas's server, inside the caller's transaction
// (ServerError on a failure).
void forgetUnlessListed(server::Connection& server, const QString& area);

} // namespace areadatums

} // namespace orvena
