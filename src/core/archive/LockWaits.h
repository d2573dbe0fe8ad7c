#pragma once

// How long each kind of connection waits for a lock another connection holds
// (the engine's busy timeout) before it fails with SQLITE_BUSY, in
// milliseconds. Each wait is set here and nowhere else.
namespace orvena::lockwait {

// A read of one sheet's datum for the sheet shown: the sheet is shown all
// the same without it, so it gives up soonest.
inline constexpr int kSheetReadMs = 500;

// A record view's query or write and the read-only checks of a file: long
// enough for another program's short write, short enough that the window
// never seems frozen.
inline constexpr int kWindowMs = 700;

// A change of area.mdb and localita.mdb together: long enough to wait out a
// record view finishing a read, short enough that a file held by another
// program is reported at once.
inline constexpr int kWorkingPairMs = 750;

// The list of the atlas's sheets that a save into the working folder is
// checked against ("Salva" never writes over a sheet): a list left unread
// would let a save write over one, so it waits out a longer write.
inline constexpr int kSheetListMs = 2000;

// Export, import and compaction: each statement runs for long, and another
// program's write is waited for a little longer.
inline constexpr int kMaintenanceMs = 1000;

// The GIS export's read-only connections: it runs unattended (from the command
// line too), so it waits longest for a change under way to end.
inline constexpr int kGisExportMs = 5000;

} // namespace orvena::lockwait
