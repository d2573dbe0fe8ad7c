#include "core/archive/AreaDatums.h"

#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/LockWaits.h"
#include "core/archive/WorkingPair.h"

#include <QDir>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

namespace orvena::areadatums {

namespace {

bool present(SQLite::Database& db) {
    return db.execAndGet(existsIn("main")).getInt() != 0;
}

QString text(const SQLite::Column& column) {
    return QString::fromUtf8(column.getText(), column.getBytes());
}

// The datum code stored for the sheet named exactly area; empty when there
// is none.
QString read(SQLite::Database& db, const QString& area) {
    if (!present(db)) return {};
    SQLite::Statement row(db, std::string("SELECT DATUM FROM main.") + kTable + " WHERE AREA = ?");
    row.bind(1, area.toStdString());
    return row.executeStep() ? text(row.getColumn(0)) : QString();
}

} // namespace

std::string createIn(const std::string& schema) {
    return "CREATE TABLE IF NOT EXISTS " + schema + "." + kTable +
           " (AREA TEXT NOT NULL PRIMARY KEY, DATUM TEXT)";
}

std::string existsIn(const std::string& schema) {
    return "SELECT count(*) FROM " + schema + ".sqlite_master WHERE type = 'table' AND name = '" +
           kTable + "'";
}

QHash<QString, QString> readAll(SQLite::Database& db) {
    QHash<QString, QString> codes;
    if (!present(db)) return codes;
    SQLite::Statement row(db, std::string("SELECT AREA, DATUM FROM main.") + kTable);
    while (row.executeStep())
        codes.insert(text(row.getColumn(0)), text(row.getColumn(1)));
    return codes;
}

QString readIn(const QString& folder, const QString& area) {
    try {
        SQLite::Database db(archivefile::nativePath(
                                QDir(folder).filePath(QString::fromLatin1(Archives::kAreaFile))),
                            SQLite::OPEN_READONLY);
        db.setBusyTimeout(lockwait::kSheetDatumMs);
        return read(db, area);
    } catch (const SQLite::Exception&) {
        return {};
    }
}

void store(WorkingPair& pair, const QString& area, const QString& code) {
    SQLite::Database& db = pair.db();
    pair.transaction([&] {
        if (code.isEmpty()) {
            if (!present(db)) return;
            SQLite::Statement drop(db,
                                   std::string("DELETE FROM main.") + kTable + " WHERE AREA = ?");
            drop.bind(1, area.toStdString());
            drop.exec();
            return;
        }
        db.exec(createIn("main"));
        SQLite::Statement put(db, std::string("INSERT INTO main.") + kTable +
                                      " (AREA, DATUM) VALUES (?1, ?2)"
                                      " ON CONFLICT (AREA) DO UPDATE SET DATUM = ?2");
        put.bind(1, area.toStdString());
        put.bind(2, code.toStdString());
        put.exec();
    });
}

void forgetUnlessListed(SQLite::Database& db, const QString& area) {
    if (!present(db)) return;
    SQLite::Statement drop(db, std::string("DELETE FROM main.") + kTable +
                                   " WHERE AREA = ?1 AND NOT EXISTS (SELECT 1 FROM main.AREA"
                                   " WHERE AREA = ?1 AND AREA = ?1 COLLATE BINARY)");
    drop.bind(1, area.toStdString());
    drop.exec();
}

} // namespace orvena::areadatums
