#pragma once

#include <QString>

#include <array>

namespace orvena::schema {

// The two tables. Text columns ignore letter case in the engine's equality and
// ordering; the program's own walks compare exactly.
inline constexpr const char* kAreaTable = "AREA";
inline constexpr const char* kLocalityTable = "localita";

inline constexpr const char* kCreateArea =
    "CREATE TABLE IF NOT EXISTS AREA ("
    "AREA TEXT COLLATE NOCASE, COLA REAL, COLO REAL, "
    "PXLAO INTEGER, SECLAO INTEGER, PXLOO INTEGER, SECLOO INTEGER, "
    "NORD TEXT COLLATE NOCASE, EST TEXT COLLATE NOCASE, SUD TEXT COLLATE NOCASE, "
    "OVEST TEXT COLLATE NOCASE)";
inline constexpr const char* kIndexArea = "CREATE INDEX IF NOT EXISTS AREA_AREA ON AREA (AREA)";

inline constexpr const char* kCreateLocality =
    "CREATE TABLE IF NOT EXISTS localita ("
    "AREA TEXT COLLATE NOCASE, LOCALITA TEXT COLLATE NOCASE, "
    "LAGR INTEGER, LAMN INTEGER, LASE INTEGER, LOGR INTEGER, LOMN INTEGER, LOSE INTEGER, "
    "PX REAL, PY REAL)";
inline constexpr const char* kIndexLocalityArea =
    "CREATE INDEX IF NOT EXISTS localita_AREA_LOCALITA ON localita (AREA, LOCALITA)";
inline constexpr const char* kIndexLocalityName =
    "CREATE INDEX IF NOT EXISTS localita_LOCALITA ON localita (LOCALITA)";

// The fields each table must have for a file to count as one of our archives.
inline constexpr std::array<const char*, 11> kAreaColumns = {
    "AREA", "COLA", "COLO", "PXLAO", "SECLAO", "PXLOO", "SECLOO", "NORD", "EST", "SUD", "OVEST"};
inline constexpr std::array<const char*, 10> kLocalityColumns = {
    "AREA", "LOCALITA", "LAGR", "LAMN", "LASE", "LOGR", "LOMN", "LOSE", "PX", "PY"};

} // namespace orvena::schema
