#pragma once

// Each sheet's reference points, kept in area.mdb (and, after an export, in
// esparea.mdb) in a table of their own beside AREA and AREA_DATUM:
//
//   AREA_CALIBRATION (AREA TEXT NOT NULL PRIMARY KEY, MODEL TEXT, GRID INTEGER,
//                     POINTS TEXT, BORDER TEXT, AXIS TEXT)
//
// one row per sheet calibrated from its points, keyed by the sheet's name
// exactly as AREA holds it. MODEL names the fit ("affine" ...), GRID the EPSG
// code of the grid it is made in (0: the graticule of the sheet's datum),
// POINTS the points and BORDER the sheet's printed frame, each as a JSON array
// of numbers ([[x, y, "g" or "c", lat or northing, lon or easting], ...] and
// [[x, y], ...]). AREA keeps its fields: storing rewrites them as the per-axis
// fit of the points, so an earlier build, which knows nothing of this table,
// still reads the sheet nearly right. AXIS keeps those fields as written
// ("cola colo pxlao seclao pxloo secloo"): when the record holds others (the
// sheet set up again by two points, here or by an earlier build) the points
// no longer go with it and are not read. A file without the table, or a row
// that does not read, gives the sheet no points: it is shown by its AREA
// fields.

#include "core/archive/SheetPoints.h"

#include <QHash>
#include <QString>

#include <optional>
#include <string>

namespace SQLite {
class Database;
}

namespace orvena::server {
class Connection;
}

namespace orvena {

class WorkingPair;

namespace server {
class Connection;
}

namespace areacalibrations {

inline constexpr const char* kTable = "AREA_CALIBRATION";

// SQL for connections that attach several archives, on the schema an archive
// is attached under ("main", "xa" ...).
std::string createIn(const std::string& schema);
std::string existsIn(const std::string& schema);
// Copies into main the rows of from whose sheet areas (a schema) lists and,
// when absentFrom is given, that schema's AREA does not; main's rows stay.
std::string copyRows(const char* from, const char* areas, const char* absentFrom = nullptr);

// Every sheet's points, by name, on a connection to area.mdb; rows that do
// not read, or whose sheet's AREA fields changed since, are left out. Throws the engine's failure (SQLite::Exception).
QHash<QString, SheetPoints> readAll(SQLite::Database& db);
// The same from a server atlas's table area_calibration. Throws the server's
// failure (server::ServerError).
QHash<QString, SheetPoints> readAll(server::Connection& connection);
// The points of the sheet named exactly area in folder's area.mdb (or on its
// server); nothing when it has none or the archive cannot be read.
std::optional<SheetPoints> readIn(const QString& folder, const QString& area);

// In ONE transaction of the pair over area.mdb (or on the atlas's server):
// the AREA record of area gets fields (a record is added when there is
// none), its points row becomes points, and its datum row datumCode.
// ArchiveError with the Italian reason on failure; nothing is changed then.
void store(WorkingPair& pair, const QString& area, const SheetPoints& points,
           const AreaFields& fields, const QString& datumCode);

// Takes the points away (the AREA fields stay as they are).
void forget(WorkingPair& pair, const QString& area);

// On a connection with area.mdb as main, inside the caller's transaction: the
// points of area go when no AREA record of exactly that name is left.
void forgetUnlessListed(SQLite::Database& db, const QString& area);
// The same on the atlas's server, inside the caller's transaction
// (ServerError on a failure).
void forgetUnlessListed(server::Connection& server, const QString& area);

} // namespace areacalibrations

} // namespace orvena
