#pragma once

// Every query the program issues, defined once. A "?" stands where a name is
// compared: the value is always bound as a parameter, never pasted into the
// text, so quotes in a name or a name spelled like a column cannot change what
// the query means.
namespace orvena::sql {

// Areas (area.mdb, table AREA; esparea.mdb through Data4).
inline constexpr const char* kAreaList = "select * from area ";
inline constexpr const char* kAreaAll = "select * from area";
inline constexpr const char* kAreaByName = "select * from area where AREA = ?";
inline constexpr const char* kAreaByNameCommandLine = "select * from area where AREA =?";
inline constexpr const char* kAreaNeighbour = "select * from area where area = ?";
inline constexpr const char* kAreaOrderedByName = "select * from area order by area";

// Localities (localita.mdb, table localita; esplocalita.mdb through Data3).
inline constexpr const char* kLocalityList = "select * from localita ";
inline constexpr const char* kLocalityAll = "select * from localita";
inline constexpr const char* kLocalitySearchAll = "select * from LOCALITA";
inline constexpr const char* kLocalityOrderedByArea = "select * from localita order by area";
inline constexpr const char* kLocalityOrderedByAreaName =
    "select * from localita order by AREA, LOCALITA";
inline constexpr const char* kLocalityOfAreaOrdered =
    "select * from localita where AREA = ? order by AREA, LOCALITA";
inline constexpr const char* kLocalityOfArea = "select * from localita where AREA = ?";
inline constexpr const char* kLocalityOfAreaByName =
    "select * from localita where AREA = ? and localita = ?";
inline constexpr const char* kLocalityByName = "select * from localita where LOCALITA = ?";
// The localities of one area in the order the table holds them, found through
// the index on AREA instead of a walk of the whole table.
inline constexpr const char* kLocalityOfAreaInTableOrder =
    "select * from localita where AREA = ? order by rowid";
// The search window's list: area and name of the places after a given row, in
// the table's own order (the order in which places were added), at most the
// given number of them; the list is read in chunks, each from where the
// previous one stopped.
inline constexpr const char* kLocalityNamesAfterRow =
    "select rowid, AREA, LOCALITA from localita where rowid > cast(? as integer) "
    "order by rowid limit cast(? as integer)";

} // namespace orvena::sql
