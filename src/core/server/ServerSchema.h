#pragma once

// The atlas's tables on the server, in the connection's current schema: the
// same records as area.mdb and localita.mdb, with the same fields, each row
// with a key of its own (id, given in the order rows are added: the server
// has no rowid, and the program's walks and the search list go by this
// order).
//
//   area              id, AREA, COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO,
//                     NORD, EST, SUD, OVEST
//   localita          id, AREA, LOCALITA, LAGR ... LOSE, PX, PY, doppione
//   area_datum        AREA (key), DATUM, OPERAZIONE
//   area_calibration  AREA (key), MODEL, GRID, POINTS, BORDER, AXIS
//   orvena_atlante    versione: marks the database as an atlas of ours
//
// Names compare as in the files: the engine's filters and orderings ignore
// the case of the letters A-Z only (orvena_nocase() folds them to a-z, and
// the indexes are on the folded names in byte order), the program's walks
// compare exactly. A place's
// name is unique on its sheet, exactly as written (the constraint
// localita_nome_unico): two users adding the same name to the same sheet at
// once, one of them is refused by the server itself. Places that were
// already duplicates in the files keep their copies, numbered in doppione
// (0 for every place added on the server). Every committed change notifies
// channel "orvena" with the table's name (core/server/ServerListener).

#include <QString>

#include <array>

namespace orvena::server {
class Connection;
}

namespace orvena::serverschema {

inline constexpr int kVersion = 1;

// The statements that create the schema, in order: the tables, then their
// keys and indexes (built after a load, over all its rows at once).
extern const std::array<const char*, 7> kTables;
extern const std::array<const char*, 9> kKeys;

// Whether the connection's current schema holds no table, view, sequence or
// function at all: only into such a database are archives loaded.
bool isEmpty(server::Connection& connection);

// Whether the current schema holds an atlas of ours (orvena_atlante).
bool isAtlas(server::Connection& connection);

// Creates the schema (kTables, then kKeys), inside the caller's transaction.
// ServerError on a failure.
void create(server::Connection& connection);

} // namespace orvena::serverschema
