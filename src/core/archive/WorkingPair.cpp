#include "core/archive/WorkingPair.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/AtlasServer.h"
#include "core/archive/LockWaits.h"
#include "core/archive/MaintenanceSession.h"
#include "core/archive/Schema.h"

#include <QDir>
#include <QFileInfo>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <cstdlib>
#include <string>

namespace orvena {

namespace {

const QString kJournalRefused =
    QStringLiteral("L'archivio %1 non può passare al giornale di ripristino (modo %2): "
                   "le modifiche che riguardano anche %3 non sarebbero sicure.");

QString fileName(const char* schemaName) {
    return QString::fromLatin1(std::string(schemaName) == "main" ? Archives::kAreaFile
                                                                 : Archives::kLocalityFile);
}

bool rollbackJournal(const std::string& mode) {
    return mode == "delete" || mode == "truncate" || mode == "persist";
}

[[noreturn]] void refuse(const QString& text) {
    throw ArchiveError(text);
}

} // namespace

WorkingPair::WorkingPair(const QString& folder)
    : folder_(folder) {
    // A server named in a setting that cannot be used is no reason to write
    // the folder's files instead.
    const atlasserver::Setting setting = atlasserver::of(folder);
    if (!setting.problem.isEmpty()) throw ArchiveError(setting.problem);
    if (setting.onServer()) {
        server_ = &atlasserver::connection(folder);
        return;
    }
    const QDir dir(folder);
    const QString areaPath = dir.filePath(QString::fromLatin1(Archives::kAreaFile));
    const QString localityPath = dir.filePath(QString::fromLatin1(Archives::kLocalityFile));
    // Both files are checked read-only before anything opens them for writing,
    // and a missing one is never created here.
    for (const auto& [path, table] : {std::pair{areaPath, schema::kAreaTable},
                                      std::pair{localityPath, schema::kLocalityTable}}) {
        if (!QFileInfo::exists(path)) refuse(archivefile::missing(path));
        const QString tableName = QString::fromLatin1(table);
        // A sentence of its own: the program goes on after a refused change.
        const QString problem =
            archivefile::describe(path, tableName, archivefile::requiredColumns(tableName));
        if (!problem.isEmpty()) refuse(problem);
    }
    // Every change through the pair writes both files.
    for (const QString& path : {areaPath, localityPath}) {
        if (!archivefile::canWrite(path))
            throw ArchiveError(QFileInfo(path).fileName(), SQLITE_READONLY);
    }

    const char* current = Archives::kAreaFile;
    try {
        db_ = std::make_unique<SQLite::Database>(archivefile::nativePath(areaPath),
                                                 SQLite::OPEN_READWRITE);
        db_->setBusyTimeout(lockwait::kWorkingPairMs);
        current = Archives::kLocalityFile;
        SQLite::Statement attach(*db_, std::string("ATTACH DATABASE ? AS ") + kLocalitySchema);
        attach.bind(1, archivefile::nativePath(localityPath));
        attach.exec();

        for (const char* schemaName : {"main", kLocalitySchema}) {
            current =
                schemaName == std::string("main") ? Archives::kAreaFile : Archives::kLocalityFile;
            const std::string prefix = std::string("PRAGMA ") + schemaName + '.';
            std::string mode = db_->execAndGet(prefix + "journal_mode").getString();
            if (!rollbackJournal(mode)) {
                // A write-ahead log (or no journal) would not commit the two
                // files together: switch this file back if no one else holds it.
                try {
                    mode = db_->execAndGet(prefix + "journal_mode = DELETE").getString();
                } catch (const SQLite::Exception&) {
                }
                if (!rollbackJournal(mode)) {
                    const QString other =
                        fileName(schemaName == std::string("main") ? kLocalitySchema : "main");
                    refuse(kJournalRefused.arg(fileName(schemaName), QString::fromStdString(mode),
                                               other));
                }
            }
            db_->exec(prefix + "synchronous = FULL");
        }

        // The look-ups by name rely on the indexes; a file that may only be
        // read is used without them.
        current = Archives::kAreaFile;
        for (const char* index :
             archivefile::indexStatements(QString::fromLatin1(schema::kAreaTable))) {
            try {
                db_->exec(index);
            } catch (const SQLite::Exception& e) {
                if ((e.getErrorCode() & 0xff) != SQLITE_READONLY) throw;
            }
        }
        current = Archives::kLocalityFile;
        const std::string plain = "IF NOT EXISTS ";
        for (const char* index :
             archivefile::indexStatements(QString::fromLatin1(schema::kLocalityTable))) {
            std::string sql = index;
            const auto at = sql.find(plain);
            if (at != std::string::npos)
                sql.insert(at + plain.size(), std::string(kLocalitySchema) + '.');
            try {
                db_->exec(sql);
            } catch (const SQLite::Exception& e) {
                if ((e.getErrorCode() & 0xff) != SQLITE_READONLY) throw;
            }
        }
    } catch (const SQLite::Exception& e) {
        db_.reset();
        fail(QString::fromLatin1(current), e);
    } catch (...) {
        db_.reset();
        throw;
    }
}

WorkingPair::~WorkingPair() = default;

SQLite::Database& WorkingPair::db() {
    if (!db_) throw ArchiveError(QString::fromLatin1(Archives::kAreaFile), SQLITE_MISUSE);
    return *db_;
}

void WorkingPair::fail(const QString& fileName, const server::ServerError& e) const {
    atlasserver::fail(fileName, *server_, e);
}

void WorkingPair::fail(const QString& fileName, const SQLite::Exception& e) {
    throw ArchiveError(fileName, resultCode(e));
}

void WorkingPair::fail(const SQLite::Exception& e) const {
    const int code = e.getErrorCode() & 0xff;
    const char* file = Archives::kAreaFile;
    sqlite3* handle = db_ ? db_->getHandle() : nullptr;
    if (code == SQLITE_READONLY && handle && sqlite3_db_readonly(handle, "main") != 1 &&
        sqlite3_db_readonly(handle, kLocalitySchema) == 1)
        file = Archives::kLocalityFile;
    if (isDamageFailure(code) && handle &&
        maintenance::damagedFile(handle) == QLatin1String(Archives::kLocalityFile))
        file = Archives::kLocalityFile;
    if ((code == SQLITE_FULL || code == SQLITE_IOERR) && busiest_) file = busiest_;
    fail(QString::fromLatin1(file), e);
}

std::array<qint64, 2> WorkingPair::footprint() const {
    std::array<qint64, 2> pages{};
    const char* schemas[] = {"main", kLocalitySchema};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const std::string prefix = std::string("PRAGMA ") + schemas[i] + '.';
        try {
            pages[i] = db_->execAndGet(prefix + "page_count").getInt64() +
                       db_->execAndGet(prefix + "freelist_count").getInt64();
        } catch (const SQLite::Exception&) {
        }
    }
    return pages;
}

const char* WorkingPair::busiestFile() const {
    const std::array<qint64, 2> now = footprint();
    return std::abs(now[1] - footprintAtBegin_[1]) > std::abs(now[0] - footprintAtBegin_[0])
               ? Archives::kLocalityFile
               : Archives::kAreaFile;
}

} // namespace orvena
