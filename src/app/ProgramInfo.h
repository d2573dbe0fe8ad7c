#pragma once

namespace orvena {

// Whether the program was started as "orvena --help" or "orvena --version".
bool isInfoCommand(int argc, char** argv);

// That mode, without any window and without a display: prints the usage
// (every option, in Italian) or the program's name and version on standard
// output and returns the process's exit code (0).
int runInfoCommand(int argc, char** argv);

} // namespace orvena
