#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

namespace SQLite {
class Database;
}

// Checks and creation of the archive files, shared by the record views and
// Archives. Not part of the interface the windows use.
namespace orvena::archivefile {

// The fields a table must have (the schema's columns for AREA and localita,
// none for any other table).
QStringList requiredColumns(const QString& table);

// The CREATE INDEX statements of a table (empty for an unknown table).
std::vector<const char*> indexStatements(const QString& table);

// Tells whether the file at path is one of our archives: an SQLite database
// holding the table with the given fields. Empty text when it is; otherwise
// the Italian sentence that names the file and says what it is ("Il file
// esplocalita.mdb non è un archivio di Orvena: non è un database."). Only
// reads the file (read-only connection), except that a hot journal left by an
// interrupted change is first rolled back (recoverInterruptedChanges, for
// every archive beside it): nothing ever reads around such a journal. A pipe,
// folder or device is refused without being opened.
QString describe(const QString& path, const QString& table, const QStringList& fields);

// The same as start-up says it: the sentence, then that the program ends
// without changing the file.
QString check(const QString& path, const QString& table, const QStringList& fields);

// Whether the program may write the archive at path: the file, when it
// exists, and its folder (where the engine keeps the journal of a change) can
// be written. An archive that cannot is used for reading only, and every
// change to it is refused as read-only.
bool canWrite(const QString& path);

// For the tests, where the user running them may write anything: decides in
// place of the file system whether path can be written. An empty function
// gives the decision back to the file system.
void setWriteCheck(std::function<bool(const QString& path)> check);

// The start-up message for a file the engine refused with that result code:
// "L'archivio area.mdb è danneggiato. Il programma termina senza modificarlo."
QString engineRefusal(const QString& path, int code);

// Messages of the files that cannot be created or opened.
QString cannotCreate(const QString& path, const QString& reason);
QString cannotOpen(const QString& path, const QString& reason);
QString missing(const QString& path);

// Whether the file under the connection's name is no longer the one it
// holds: another connection replaced it (a compaction renames the compacted
// file over the archive) or removed it.
bool replacedUnder(SQLite::Database& db);

// The path as SQLite takes it (UTF-8).
std::string nativePath(const QString& path);

} // namespace orvena::archivefile
