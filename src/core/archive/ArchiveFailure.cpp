#include "core/archive/ArchiveFailure.h"

#include <QFileInfo>
#include <sqlite3.h>

namespace orvena {

namespace {

int primary(int code) {
    return code & 0xff;
}

} // namespace

QString failureReason(int sqliteResultCode) {
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

bool isBusyFailure(int sqliteResultCode) {
    const int code = primary(sqliteResultCode);
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

bool isDamageFailure(int sqliteResultCode) {
    const int code = primary(sqliteResultCode);
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

} // namespace orvena
