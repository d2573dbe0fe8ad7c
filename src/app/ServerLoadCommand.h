#pragma once

namespace orvena {

// Whether the program was started as "orvena --carica-archivi CONNESSIONE".
bool isServerLoadCommand(int argc, char** argv);

// That mode, without any window: the working folder's area.mdb and
// localita.mdb loaded onto the empty server database named by CONNESSIONE (a
// libpq connection string or "service=NAME"), in one transaction. Prints the
// outcome; returns 0 when loaded, 1 when refused (nothing written), 2 for
// wrong arguments.
int runServerLoadCommand(int argc, char** argv);

} // namespace orvena
