#pragma once

namespace orvena::gis {

// Whether the program was started as "orvena --importa-calibrazione FILE.map
// ...".
bool isCalibrationImportCommand(int argc, char** argv);

// That mode, without any window, in the working folder: imports each .map
// file in turn (its image brought into the folder, its calibration stored),
// prints a line for each, and returns the process's exit code: 0 when every
// file was imported, 1 when any was refused, 2 for wrong arguments.
int runCalibrationImportCommand(int argc, char** argv);

} // namespace orvena::gis
