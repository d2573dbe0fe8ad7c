#include "core/archive/ArchiveFile.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/InterruptedChange.h"
#include "core/archive/Schema.h"

#include <QFile>
#include <QFileInfo>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

namespace orvena::archivefile {

namespace {

// The messages shown when start-up stops on a file: %1 is the file name.
const QString kNotADatabase =
    QStringLiteral("Il file %1 non è un archivio di Orvena: non è un database. "
                   "Il programma termina senza modificarlo.");
const QString kMissingTable =
    QStringLiteral("Il file %1 non è un archivio di Orvena valido (manca la "
                   "tabella %2). Il programma termina senza modificarlo.");
const QString kMissingField =
    QStringLiteral("Il file %1 non è un archivio di Orvena valido (nella tabella "
                   "%2 manca il campo %3). Il programma termina senza modificarlo.");
const QString kNotAFile =
    QStringLiteral("Il file %1 non è un archivio di Orvena: non è un file regolare. "
                   "Il programma termina senza modificarlo.");
const QString kUnreadable = QStringLiteral("%1 Il programma termina senza modificarlo.");
const QString kCannotCreate =
    QStringLiteral("Il file %1 non può essere creato (%2). Il programma termina.");
const QString kCannotOpen =
    QStringLiteral("Il file %1 non può essere aperto (%2). Il programma termina.");
const QString kMissing = QStringLiteral("Il file %1 non esiste nella cartella %2.");

QString bareName(const QString& path) {
    return QFileInfo(path).fileName();
}

bool isTable(const QString& table, const char* name) {
    return table.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

} // namespace

QStringList requiredColumns(const QString& table) {
    QStringList columns;
    if (isTable(table, schema::kAreaTable)) {
        for (const char* c : schema::kAreaColumns)
            columns << QString::fromLatin1(c);
    } else if (isTable(table, schema::kLocalityTable)) {
        for (const char* c : schema::kLocalityColumns)
            columns << QString::fromLatin1(c);
    }
    return columns;
}

std::vector<const char*> indexStatements(const QString& table) {
    if (isTable(table, schema::kAreaTable)) return {schema::kIndexArea};
    if (isTable(table, schema::kLocalityTable))
        return {schema::kIndexLocalityArea, schema::kIndexLocalityName};
    return {};
}

std::string nativePath(const QString& path) {
    return path.toUtf8().toStdString();
}

namespace {

// The schema check proper on an open connection.
QString checkSchema(SQLite::Database& db, const QString& name, const QString& table,
                    const QStringList& fields) {
    SQLite::Statement findTable(
        db, "select name from sqlite_master where type = 'table' and name = ? collate nocase");
    findTable.bind(1, table.toStdString());
    if (!findTable.executeStep()) return kMissingTable.arg(name, table);
    const std::string stored = findTable.getColumn(0).getString();
    findTable.reset();

    QStringList present;
    SQLite::Statement columns(db, "select name from pragma_table_info(?)");
    columns.bind(1, stored);
    while (columns.executeStep())
        present << QString::fromUtf8(columns.getColumn(0).getText());
    for (const QString& field : fields) {
        if (!present.contains(field, Qt::CaseInsensitive))
            return kMissingField.arg(name, table, field);
    }
    return {};
}

QString refusal(const QString& name, const SQLite::Exception& e) {
    if ((resultCode(e) & 0xff) == SQLITE_NOTADB) return kNotADatabase.arg(name);
    return engineRefusal(name, resultCode(e));
}

} // namespace

QString check(const QString& path, const QString& table, const QStringList& fields) {
    const QString name = bareName(path);
    const QFileInfo info(path);
    // A pipe, a folder or a device named like an archive is never opened: a
    // pipe would block start-up until something writes into it.
    if (info.exists() && !info.isFile()) return kNotAFile.arg(name);
    for (bool recovered = false;; recovered = true) {
        try {
            SQLite::Database db(nativePath(path), SQLite::OPEN_READONLY);
            db.setBusyTimeout(kBusyWaitMs);
            return checkSchema(db, name, table, fields);
        } catch (const SQLite::Exception& e) {
            if (recovered || resultCode(e) != SQLITE_READONLY_ROLLBACK) return refusal(name, e);
        }
        // A hot journal: the interrupted change is rolled back by a writer
        // (all its files, if they are ours) before the file is read again.
        const QString problem = recoverInterruptedChanges(archivesBeside(path, table)).problem;
        if (!problem.isEmpty()) return problem;
    }
}

QString engineRefusal(const QString& path, int code) {
    return kUnreadable.arg(failureMessage(bareName(path), code));
}

QString cannotCreate(const QString& path, const QString& reason) {
    return kCannotCreate.arg(bareName(path), reason);
}

QString cannotOpen(const QString& path, const QString& reason) {
    return kCannotOpen.arg(bareName(path), reason);
}

QString missing(const QString& path) {
    const QFileInfo info(path);
    return kMissing.arg(info.fileName(), info.absolutePath());
}

} // namespace orvena::archivefile
