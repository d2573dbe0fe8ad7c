#pragma once

// Where an atlas keeps its archives: the four files in the working folder,
// or, for a team, areas, places, datums and points on a PostgreSQL server
// (core/server), the sheets' pictures and the exchange files staying in the
// folder. The server is named by the command line (--archivio CONNESSIONE)
// or by the first line of the text file server-atlante.txt beside the sheets
// that is neither blank nor a "#" comment: a libpq connection string or
// service ("service=atlante", "host=db.example.org dbname=atlante"). A
// password is never taken from that file (libpq's ~/.pgpass, service file and
// PGPASSWORD keep passwords); TLS is libpq's own settings (sslmode=...).
//
// Modules that read or write the archives of a folder ask here whether the
// folder's atlas is on a server and, if so, work through connection().

#include <QString>

#include <stdexcept>

namespace orvena {

namespace server {
class Connection;
class ServerError;
} // namespace server

namespace atlasserver {

inline constexpr const char* kSettingFile = "server-atlante.txt";

// The server named on the command line, in force for every folder from then
// on over the setting file; an empty text goes back to the file's.
void setFromCommandLine(const QString& connection);

struct Setting {
    QString connection; // empty: the archives are the folder's files
    QString problem;    // why the setting file cannot be used (Italian)
    bool onServer() const { return !connection.isEmpty(); }
};
// The setting in force for folder (read afresh each time: a small file).
Setting of(const QString& folder);
bool onServer(const QString& folder);

// The program's own connection to the server of folder on the calling
// thread, for what is read and written besides the record views (lookups,
// an area and its places in one transaction ...): connected at the first
// call and kept; made again after the server went away. ArchiveError naming
// the server when it cannot be reached or holds no atlas of ours.
server::Connection& connection(const QString& folder);
// Whether backend is the server's process of one of the connections kept on
// the calling thread (a change committed there is the program's own).
bool ownsBackend(int backend);
// The sentence for a server database that holds no atlas of ours.
QString notAtlas(const QString& serverName);
// Lets go of the connections kept (tests, and before the setting changes).
void closeConnections();

// A server's failure as the archives tell theirs: fileName is the archive
// the work concerns ("area.mdb", "localita.mdb"): a refusal for want of
// permission reads as a read-only archive, a lost connection as one that
// cannot be opened, anything else by the server's own sentence.
[[noreturn]] void fail(const QString& fileName, const server::Connection& connection,
                       const server::ServerError& e);

} // namespace atlasserver

} // namespace orvena
