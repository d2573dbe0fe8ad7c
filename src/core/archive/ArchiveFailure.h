#pragma once

#include <QString>

#include <stdexcept>

struct sqlite3;
namespace SQLite {
class Exception;
}

// Engine failures told in Italian: the result code of the database engine
// (SQLITE_BUSY, SQLITE_CORRUPT ...) turned into the words a user reads. Only
// the primary code (the low byte) decides the words, so extended codes such
// as SQLITE_IOERR_WRITE or SQLITE_READONLY_ROLLBACK are welcome too.
namespace orvena {

// An engine failure: a query that does not run, a move on an empty result, a
// write that the file refuses. Handlers with an error trap catch it; the
// application shows any other one as a message instead of ending.
//
// A failure of the engine itself carries the archive's file name and the
// engine's result code (SQLITE_BUSY, SQLITE_CORRUPT ...); a failure of the
// program's own rules (no current record, unknown field) carries neither:
// fileName() is empty and code() is 0.
class ArchiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    // A failure of the program's own rules, told by what.
    explicit ArchiveError(const QString& what);
    // An engine failure on the named file; what() is its Italian sentence.
    ArchiveError(const QString& fileName, int code);
    // A file that cannot be used, told by a sentence of its own that names it
    // (one that is no archive of ours, say), with the code that stands for it.
    ArchiveError(const QString& fileName, int code, const QString& message);

    const QString& fileName() const { return fileName_; }
    int code() const { return code_; }
    // The sentence for the user: for an engine failure the Italian reason
    // naming the file ("L'archivio localita.mdb è danneggiato."), otherwise
    // the text of what().
    QString italianMessage() const;

private:
    QString fileName_;
    int code_ = 0;
    QString message_;
};

// The engine's result code of a failure: the extended code when the engine
// gives one (SQLITE_IOERR_WRITE), the primary code otherwise.
int resultCode(const SQLite::Exception& e);
// The same for a call on the connection db that answered code: the extended
// code of the connection's last failure when there is one, otherwise code.
int resultCode(sqlite3* db, int code);

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

// The same for the file at path, which the engine refused with that code:
// when it could not open it (SQLITE_CANTOPEN), the reason the system gives for
// the file ("L'archivio area.mdb non può essere aperto: permesso negato."),
// so that a file that is there is never called missing.
QString failureMessageAt(const QString& path, int sqliteResultCode);

// True for the codes that mean another connection holds the file (busy or
// locked): the operation may succeed if retried later.
bool isBusyFailure(int sqliteResultCode);

// True for the codes that mean the file's content is damaged or is not a
// database at all.
bool isDamageFailure(int sqliteResultCode);

} // namespace orvena
