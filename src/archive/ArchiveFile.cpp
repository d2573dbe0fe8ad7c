#include "archive/ArchiveFile.h"

#include "archive/Schema.h"

#include <QFileInfo>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

namespace orvena::archivefile {

namespace {

// The messages shown when start-up stops on a file: %1 is the file name.
const char* const kNotADatabase = "Il file %1 non è un archivio di Orvena: non è un database. "
                                  "Il programma termina senza modificarlo.";
const char* const kMissingTable = "Il file %1 non è un archivio di Orvena valido (manca la "
                                  "tabella %2). Il programma termina senza modificarlo.";
const char* const kMissingField = "Il file %1 non è un archivio di Orvena valido (nella tabella "
                                  "%2 manca il campo %3). Il programma termina senza modificarlo.";
const char* const kUnreadable =
    "Il file %1 non può essere letto (%2). Il programma termina senza modificarlo.";
const char* const kCannotCreate = "Il file %1 non può essere creato (%2). Il programma termina.";
const char* const kCannotOpen = "Il file %1 non può essere aperto (%2). Il programma termina.";
const char* const kMissing = "Il file %1 non esiste nella cartella %2.";

QString message(const char* text) {
    return QString::fromUtf8(text);
}

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

QString check(const QString& path, const QString& table, const QStringList& fields) {
    const QString name = bareName(path);
    try {
        SQLite::Database db(nativePath(path), SQLite::OPEN_READONLY);
        SQLite::Statement findTable(
            db, "select name from sqlite_master where type = 'table' and name = ? collate nocase");
        findTable.bind(1, table.toStdString());
        if (!findTable.executeStep()) return message(kMissingTable).arg(name, table);
        const std::string stored = findTable.getColumn(0).getString();
        findTable.reset();

        QStringList present;
        SQLite::Statement columns(db, "select name from pragma_table_info(?)");
        columns.bind(1, stored);
        while (columns.executeStep())
            present << QString::fromUtf8(columns.getColumn(0).getText());
        for (const QString& field : fields) {
            if (!present.contains(field, Qt::CaseInsensitive))
                return message(kMissingField).arg(name, table, field);
        }
        return {};
    } catch (const SQLite::Exception& e) {
        if ((e.getErrorCode() & 0xff) == SQLITE_NOTADB) return message(kNotADatabase).arg(name);
        return message(kUnreadable).arg(name, QString::fromUtf8(e.what()));
    }
}

QString cannotCreate(const QString& path, const QString& reason) {
    return message(kCannotCreate).arg(bareName(path), reason);
}

QString cannotOpen(const QString& path, const QString& reason) {
    return message(kCannotOpen).arg(bareName(path), reason);
}

QString missing(const QString& path) {
    const QFileInfo info(path);
    return message(kMissing).arg(info.fileName(), info.absolutePath());
}

} // namespace orvena::archivefile
