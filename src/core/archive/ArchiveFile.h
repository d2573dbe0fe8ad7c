#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// Checks and creation of the archive files, shared by the record views and
// Archives. Not part of the interface the windows use.
namespace orvena::archivefile {

// The fields a table must have (the schema's columns for AREA and localita,
// none for any other table).
QStringList requiredColumns(const QString& table);

// The CREATE INDEX statements of a table (empty for an unknown table).
std::vector<const char*> indexStatements(const QString& table);

// Reads the file at path without changing it (read-only connection) and tells
// whether it is one of our archives: an SQLite database holding the table with
// the given fields. Empty text when it is; otherwise the Italian message that
// names the file. A pipe, folder or device is refused without being opened.
QString check(const QString& path, const QString& table, const QStringList& fields);

// True when a rollback journal lies beside the file: a write to it was
// interrupted before its commit (or is under way in another program).
bool hasJournal(const QString& path);

// An archive left with the journal of an interrupted write is rolled back to
// its last committed content by opening it for writing. Only a file that
// already reads as one of our archives (the table with the given fields, read
// ignoring the journal) is opened so; anything else is left untouched and its
// message returned. Empty text when there was nothing to do or the recovery
// worked.
QString recoverInterruptedWrite(const QString& path, const QString& table,
                                const QStringList& fields);

// The start-up message for a file the engine refused with that result code:
// "L'archivio area.mdb è danneggiato. Il programma termina senza modificarlo."
QString engineRefusal(const QString& path, int code);

// Messages of the files that cannot be created or opened.
QString cannotCreate(const QString& path, const QString& reason);
QString cannotOpen(const QString& path, const QString& reason);
QString missing(const QString& path);

// The path as SQLite takes it (UTF-8).
std::string nativePath(const QString& path);

} // namespace orvena::archivefile
