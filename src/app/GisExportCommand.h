#pragma once

namespace orvena::gis {

// Whether the program was started as "orvena --esporta-gis CARTELLA
// [--mbtiles]".
bool isExportCommand(int argc, char** argv);

// That mode, without any window: exports the working folder's sheets and
// places for GIS (the world files beside the sheets, the place files and,
// with --mbtiles, the sheets' tiles into CARTELLA), prints each file written and what was left out,
// and returns the process's exit code (0 done, 1 failed, 2 wrong arguments).
int runExportCommand(int argc, char** argv);

} // namespace orvena::gis
