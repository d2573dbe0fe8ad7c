#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// Checks and creation of the archive files, shared by the record views and
// Archives. Not part of the interface the windows use.
namespace orvena::archivefile {

// How long the checks wait for a lock held by another program.
inline constexpr int kBusyWaitMs = 700;

// The fields a table must have (the schema's columns for AREA and localita,
// none for any other table).
QStringList requiredColumns(const QString& table);

// The CREATE INDEX statements of a table (empty for an unknown table).
std::vector<const char*> indexStatements(const QString& table);

// Tells whether the file at path is one of our archives: an SQLite database
// holding the table with the given fields. Empty text when it is; otherwise
// the Italian message that names the file. Only reads the file (read-only
// connection), except that a hot journal left by an interrupted change is
// first rolled back (recoverInterruptedChanges, for every archive beside it):
// nothing ever reads around such a journal. A pipe, folder or device is
// refused without being opened.
QString check(const QString& path, const QString& table, const QStringList& fields);

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
