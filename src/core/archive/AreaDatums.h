#pragma once

// Each sheet's datum, kept in area.mdb (and, after an export, in esparea.mdb)
// in a table of its own beside AREA:
//
//   AREA_DATUM (AREA TEXT NOT NULL PRIMARY KEY, DATUM TEXT)
//
// one row per sheet that was given a datum, keyed by the sheet's name exactly
// as AREA holds it, letter case included; DATUM is the code of its coordinate
// system ("EPSG:4265"). Table AREA, its fields and every query on it stay as
// they were, so an archive written before datums existed opens unchanged, and
// a file without the table (never given a datum) gives no sheet one. The
// table is created when the first datum is stored.

#include <QHash>
#include <QString>

#include <functional>
#include <string>

namespace SQLite {
class Database;
}

namespace orvena {

class RecordView;
class WorkingPair;

namespace areadatums {

inline constexpr const char* kTable = "AREA_DATUM";

// SQL for connections that attach several archives, on the schema an archive
// is attached under ("main", "xa" ...).
std::string createIn(const std::string& schema);
// One row, 1 when the schema holds the table and 0 when it does not.
std::string existsIn(const std::string& schema);

// Every sheet's datum code, by sheet name, on a connection to area.mdb (or
// esparea.mdb); empty when none has one. Throws the engine's failure
// (SQLite::Exception).
QHash<QString, QString> readAll(SQLite::Database& db);
// The code of the sheet named exactly area in folder's area.mdb, read through a
// connection of its own; empty when there is none or the file cannot be read
// (a sheet is then shown as one without a datum).
QString readIn(const QString& folder, const QString& area);

// Stores code as the datum of the sheet named area, in one transaction of
// the pair over area.mdb; an empty code takes the sheet's datum away.
// ArchiveError with the Italian reason on failure.
void store(WorkingPair& pair, const QString& area, const QString& code);

// What one button stores for a sheet: its AREA record, written by
// writeRecord through areas (Data1, on area.mdb: addNew() or edit(),
// setField(), update()), and code as its datum, in one transaction of that
// view's connection, so that a failure or a crash at any instant leaves both
// as they were or both changed. ArchiveError with the Italian reason.
void storeWithRecord(RecordView& areas, const QString& area, const QString& code,
                     const std::function<void()>& writeRecord);
// For tests: hook runs inside storeWithRecord, after the record is written
// and before the datum (an empty hook: nothing).
void setBetweenWrites(std::function<void()> hook);

// On a connection with area.mdb as main, inside the caller's transaction: the
// datum of area goes when no AREA record of exactly that name is left.
void forgetUnlessListed(SQLite::Database& db, const QString& area);

} // namespace areadatums

} // namespace orvena
