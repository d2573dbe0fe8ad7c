#pragma once

#include <QString>

// Engine failures told in Italian: the result code of the database engine
// (SQLITE_BUSY, SQLITE_CORRUPT ...) turned into the words a user reads. Only
// the primary code (the low byte) decides the words, so extended codes such
// as SQLITE_IOERR_WRITE or SQLITE_READONLY_ROLLBACK are welcome too.
namespace orvena {

// The Italian words for why the engine refused, as the predicate of a
// sentence whose subject is the archive: "è in uso da un altro programma",
// "è danneggiato", "è in sola lettura o mancano i permessi per scriverlo",
// "non può essere scritto: il disco è pieno", "non può essere aperto: manca o
// la cartella non è accessibile", and a general reason with the code for any
// other failure.
QString failureReason(int sqliteResultCode);

// A whole sentence naming the file, e.g. "L'archivio localita.mdb è in uso da
// un altro programma." A path may be given: only its file name is shown.
QString failureMessage(const QString& fileName, int sqliteResultCode);

// True for the codes that mean another connection holds the file (busy or
// locked): the operation may succeed if retried later.
bool isBusyFailure(int sqliteResultCode);

// True for the codes that mean the file's content is damaged or is not a
// database at all.
bool isDamageFailure(int sqliteResultCode);

} // namespace orvena
