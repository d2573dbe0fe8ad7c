#include "core/archive/ArchiveFailure.h"

#include <QFile>
#include <QFileInfo>
#include <SQLiteCpp/Exception.h>
#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace orvena {

namespace {

int primary(int code) {
    return code & 0xff;
}

// Why the system will not open the file at path for reading, as the end of
// "non può essere aperto: ..."; empty when it opens it.
QString openRefusal(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    switch (errno) {
    case EACCES:
    case EPERM:
        return QStringLiteral("permesso negato");
    case ENOENT:
        return QStringLiteral("non esiste");
    case ENOTDIR:
        return QStringLiteral("la cartella non esiste");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("troppi file aperti");
    default:
        return QString::fromLocal8Bit(std::strerror(errno));
    }
}

} // namespace

ArchiveError::ArchiveError(const QString& what)
    : std::runtime_error(what.toStdString()) {}

ArchiveError::ArchiveError(const QString& fileName, int code)
    : std::runtime_error(failureMessage(fileName, code).toStdString())
    , fileName_(fileName)
    , code_(code) {}

ArchiveError::ArchiveError(const QString& fileName, int code, const QString& message)
    : std::runtime_error(message.toStdString())
    , fileName_(fileName)
    , code_(code)
    , message_(message) {}

QString ArchiveError::italianMessage() const {
    if (!message_.isEmpty()) return message_;
    if (code_ != 0) return failureMessage(fileName_, code_);
    return QString::fromUtf8(what());
}

int resultCode(const SQLite::Exception& e) {
    return e.getExtendedErrorCode() > 0 ? e.getExtendedErrorCode() : e.getErrorCode();
}

int resultCode(sqlite3* db, int code) {
    const int extended = db ? sqlite3_extended_errcode(db) : SQLITE_OK;
    return extended != SQLITE_OK ? extended : code;
}

QString failureReason(int sqliteResultCode) {
    if (sqliteResultCode == SQLITE_READONLY_DBMOVED)
        return QStringLiteral("è stato sostituito da un altro programma mentre era in uso: "
                              "la modifica non è stata fatta, ripeterla");
    switch (primary(sqliteResultCode)) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("è in uso da un altro programma");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("è danneggiato");
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("è in sola lettura o mancano i permessi per scriverlo");
    case SQLITE_FULL:
        return QStringLiteral("non può essere scritto: il disco è pieno");
    case SQLITE_CANTOPEN:
        return QStringLiteral("non può essere aperto: manca o la cartella non è accessibile");
    case SQLITE_IOERR:
        return QStringLiteral("non può essere letto o scritto: errore del disco");
    case SQLITE_NOMEM:
    case SQLITE_TOOBIG:
        return QStringLiteral("non può essere elaborato: memoria insufficiente");
    default:
        return QStringLiteral("non può essere usato: errore imprevisto (codice %1)")
            .arg(sqliteResultCode);
    }
}

QString failureMessage(const QString& fileName, int sqliteResultCode) {
    const QString name = QFileInfo(fileName).fileName();
    return QStringLiteral("L'archivio %1 %2.")
        .arg(name.isEmpty() ? fileName : name, failureReason(sqliteResultCode));
}

QString failureMessageAt(const QString& path, int sqliteResultCode) {
    if (primary(sqliteResultCode) == SQLITE_CANTOPEN) {
        if (const QString reason = openRefusal(path); !reason.isEmpty())
            return QStringLiteral("L'archivio %1 non può essere aperto: %2.")
                .arg(QFileInfo(path).fileName(), reason);
    }
    return failureMessage(path, sqliteResultCode);
}

bool isBusyFailure(int sqliteResultCode) {
    const int code = primary(sqliteResultCode);
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

bool isDamageFailure(int sqliteResultCode) {
    const int code = primary(sqliteResultCode);
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

} // namespace orvena
