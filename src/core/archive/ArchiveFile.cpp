#include "core/archive/ArchiveFile.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/InterruptedChange.h"
#include "core/archive/LockWaits.h"
#include "core/archive/Schema.h"

#include <QFile>
#include <QFileInfo>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

namespace orvena::archivefile {

namespace {

// What is wrong with a file that should be an archive: %1 is the file name.
const QString kNotADatabase =
    QStringLiteral("Il file %1 non è un archivio di Orvena: non è un database.");
const QString kMissingTable =
    QStringLiteral("Il file %1 non è un archivio di Orvena valido (manca la tabella %2).");
const QString kMissingField = QStringLiteral(
    "Il file %1 non è un archivio di Orvena valido (nella tabella %2 manca il campo %3).");
const QString kNotTheKey = QStringLiteral(
    "Il file %1 non è un archivio di Orvena valido (nella tabella %2 il campo %3 non è la "
    "chiave).");
const QString kNotAFile =
    QStringLiteral("Il file %1 non è un archivio di Orvena: non è un file regolare.");
// How start-up ends such a sentence: it stops there. A message that already
// says the program ends (a file that cannot be opened or created) keeps its
// own ending.
const QString kStartUpEnding = QStringLiteral(" Il programma termina senza modificarlo.");
const QString kProgramEnds = QStringLiteral(" Il programma termina.");
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

// The name of the table as stored, found whatever its letter case; empty
// when the file has none.
std::string storedTable(SQLite::Database& db, const QString& table) {
    SQLite::Statement find(
        db, "select name from sqlite_master where type = 'table' and name = ? collate nocase");
    find.bind(1, table.toStdString());
    return find.executeStep() ? find.getColumn(0).getString() : std::string();
}

// The fields of a stored table, and the one that is its whole primary key
// (empty when there is none or it spans several).
struct TableFields {
    QStringList names;
    QString key;
};

TableFields fieldsOf(SQLite::Database& db, const std::string& stored) {
    TableFields out;
    int keys = 0;
    SQLite::Statement columns(db, "select name, pk from pragma_table_info(?)");
    columns.bind(1, stored);
    while (columns.executeStep()) {
        out.names << QString::fromUtf8(columns.getColumn(0).getText());
        if (columns.getColumn(1).getInt() > 0 && ++keys == 1) out.key = out.names.last();
    }
    if (keys != 1) out.key.clear();
    return out;
}

QString missingField(const QString& name, const QString& table, const QStringList& present,
                     const QStringList& fields) {
    for (const QString& field : fields) {
        if (!present.contains(field, Qt::CaseInsensitive))
            return kMissingField.arg(name, table, field);
    }
    return {};
}

// The table of the sheets' datums beside AREA, which only some archives hold:
// when there is one, it must be the program's own (every change of a datum
// writes it by its key), or the file is no archive of ours.
QString checkDatumTable(SQLite::Database& db, const QString& name) {
    const QString table = QString::fromLatin1(areadatums::kTable);
    const std::string stored = storedTable(db, table);
    if (stored.empty()) return {};
    const TableFields present = fieldsOf(db, stored);
    const QString area = QStringLiteral("AREA");
    if (QString missing = missingField(name, table, present.names, {area, QStringLiteral("DATUM")});
        !missing.isEmpty())
        return missing;
    if (present.key.compare(area, Qt::CaseInsensitive) != 0)
        return kNotTheKey.arg(name, table, area);
    return {};
}

// The schema check proper on an open connection.
QString checkSchema(SQLite::Database& db, const QString& name, const QString& table,
                    const QStringList& fields) {
    const std::string stored = storedTable(db, table);
    if (stored.empty()) return kMissingTable.arg(name, table);
    if (QString missing = missingField(name, table, fieldsOf(db, stored).names, fields);
        !missing.isEmpty())
        return missing;
    return isTable(table, schema::kAreaTable) ? checkDatumTable(db, name) : QString();
}

// Why the engine would not read the file at path, as a sentence naming it.
QString refusal(const QString& path, const SQLite::Exception& e) {
    if ((resultCode(e) & 0xff) == SQLITE_NOTADB) return kNotADatabase.arg(bareName(path));
    return failureMessageAt(path, resultCode(e));
}

// A sentence about a file as start-up says it, ending with the program
// stopping; nothing when there is nothing to say.
QString asStartUpMessage(const QString& sentence) {
    return sentence.isEmpty() || sentence.endsWith(kStartUpEnding) ||
                   sentence.endsWith(kProgramEnds)
               ? sentence
               : sentence + kStartUpEnding;
}

// Start-up's message as a sentence of its own, without its ending.
QString withoutStartUpEnding(QString message) {
    for (const QString& ending : {kStartUpEnding, kProgramEnds}) {
        if (message.endsWith(ending)) message.chop(ending.size());
    }
    return message;
}

std::function<bool(const QString&)>& writeCheck() {
    static std::function<bool(const QString&)> check;
    return check;
}

} // namespace

QString check(const QString& path, const QString& table, const QStringList& fields) {
    return asStartUpMessage(describe(path, table, fields));
}

QString describe(const QString& path, const QString& table, const QStringList& fields) {
    const QString name = bareName(path);
    const QFileInfo info(path);
    // A pipe, a folder or a device named like an archive is never opened: a
    // pipe would block start-up until something writes into it.
    if (info.exists() && !info.isFile()) return kNotAFile.arg(name);
    for (bool recovered = false;; recovered = true) {
        try {
            SQLite::Database db(nativePath(path), SQLite::OPEN_READONLY);
            db.setBusyTimeout(lockwait::kWindowMs);
            return checkSchema(db, name, table, fields);
        } catch (const SQLite::Exception& e) {
            if (recovered || resultCode(e) != SQLITE_READONLY_ROLLBACK) return refusal(path, e);
        }
        // A hot journal: the interrupted change is rolled back by a writer
        // (all its files, if they are ours) before the file is read again.
        const QString problem = recoverInterruptedChanges(archivesBeside(path, table)).problem;
        if (!problem.isEmpty()) return withoutStartUpEnding(problem);
    }
}

bool canWrite(const QString& path) {
    if (const auto& check = writeCheck()) return check(path);
    const QFileInfo file(path);
    return (!file.exists() || file.isWritable()) && QFileInfo(file.absolutePath()).isWritable();
}

void setWriteCheck(std::function<bool(const QString& path)> check) {
    writeCheck() = std::move(check);
}

QString engineRefusal(const QString& path, int code) {
    return asStartUpMessage(failureMessageAt(path, code));
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

bool replacedUnder(SQLite::Database& db) {
    int moved = 0;
    return sqlite3_file_control(db.getHandle(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) ==
               SQLITE_OK &&
           moved != 0;
}

} // namespace orvena::archivefile
