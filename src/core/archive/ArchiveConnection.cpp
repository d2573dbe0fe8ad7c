#include "core/archive/ArchiveConnection.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/ArchiveFile.h"
#include "core/archive/LockWaits.h"

#include <QFileInfo>
#include <SQLiteCpp/SQLiteCpp.h>
#include <SQLiteCpp/Savepoint.h>
#include <sqlite3.h>

#include <utility>

namespace orvena {

namespace {

// Each opening of a file gets its own number, so that a file opened again
// never looks unchanged.
std::uint64_t openings = 0;

// Binds a value the way the engine converts it: numbers as numbers, a text as
// a text (the column's affinity turns a numeric text into a number), a null
// QVariant as NULL.
void bindValue(SQLite::Statement& statement, int index, const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        statement.bind(index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        statement.bind(index, static_cast<std::int64_t>(value.toLongLong()));
        break;
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        statement.bind(index, static_cast<std::int64_t>(value.toULongLong()));
        break;
    case QMetaType::Float:
    case QMetaType::Double:
        statement.bind(index, value.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        statement.bind(index, static_cast<const void*>(bytes.constData()),
                       static_cast<int>(bytes.size()));
        break;
    }
    default:
        statement.bind(index, value.toString().toStdString());
        break;
    }
}

QStringList readColumns(SQLite::Database& db, const QString& table) {
    QStringList names;
    SQLite::Statement info(db, "select name from pragma_table_info(?)");
    info.bind(1, table.toStdString());
    while (info.executeStep())
        names << QString::fromUtf8(info.getColumn(0).getText());
    return names;
}

} // namespace

ArchiveConnection::ArchiveConnection(QString fileName, QString table)
    : fileName_(std::move(fileName))
    , table_(std::move(table)) {}

ArchiveConnection::~ArchiveConnection() = default;

QString ArchiveConnection::open(const QString& path, const QStringList& fields, bool atStartUp,
                                const std::function<void()>& release) {
    const QString problem = atStartUp ? archivefile::check(path, table_, fields)
                                      : archivefile::describe(path, table_, fields);
    if (!problem.isEmpty()) return problem;
    try {
        const bool writable = archivefile::canWrite(path);
        auto fresh = std::make_unique<SQLite::Database>(
            archivefile::nativePath(path),
            (writable ? SQLite::OPEN_READWRITE : SQLite::OPEN_READONLY) | SQLite::OPEN_NOMUTEX);
        fresh->setBusyTimeout(lockwait::kWindowMs);
        // Indexes speed up the look-ups but nothing depends on them.
        if (writable && sqlite3_db_readonly(fresh->getHandle(), "main") == 0) {
            for (const char* index : archivefile::indexStatements(table_)) {
                try {
                    fresh->exec(index);
                } catch (const SQLite::Exception& e) {
                    if ((e.getErrorCode() & 0xff) != SQLITE_READONLY) throw;
                }
            }
        }
        QStringList freshColumns = readColumns(*fresh, table_);
        if (release) release();
        db_ = std::move(fresh);
        columns_ = std::move(freshColumns);
        path_ = path;
        opening_ = ++openings;
    } catch (const SQLite::Exception& e) {
        const int code = resultCode(e);
        return atStartUp ? archivefile::engineRefusal(path, code) : failureMessageAt(path, code);
    }
    return {};
}

void ArchiveConnection::close() {
    savepoints_.clear();
    transaction_.reset();
    db_.reset();
    columns_.clear();
}

bool ArchiveConnection::fileReplaced() const {
    return db_ && archivefile::replacedUnder(*db_);
}

bool ArchiveConnection::followReplacedFile(const QStringList& fields,
                                           const std::function<void()>& release) {
    if (inTransaction() || !fileReplaced()) return false;
    // The file under the view's name cannot be opened again (removed, or no
    // archive of ours): the sentence naming it.
    if (!QFileInfo::exists(path_))
        throw ArchiveError(fileName_, SQLITE_CANTOPEN, archivefile::missing(path_));
    if (const QString problem = open(path_, fields, false, release); !problem.isEmpty())
        throw ArchiveError(fileName_, SQLITE_CANTOPEN, problem);
    return true;
}

void ArchiveConnection::begin() {
    try {
        if (!transaction_)
            transaction_ =
                std::make_unique<SQLite::Transaction>(*db_, SQLite::TransactionBehavior::IMMEDIATE);
        else
            savepoints_.push_back(std::make_unique<SQLite::Savepoint>(
                *db_, "nested" + std::to_string(savepoints_.size() + 1)));
    } catch (const SQLite::Exception& e) {
        engineFailure(e);
    }
}

void ArchiveConnection::commit() {
    try {
        if (!savepoints_.empty()) {
            savepoints_.back()->release();
            savepoints_.pop_back();
        } else if (transaction_) {
            transaction_->commit();
            transaction_.reset();
        }
    } catch (const SQLite::Exception& e) {
        // What cannot be committed is undone: the file stays as it was.
        rollback();
        engineFailure(e);
    }
}

void ArchiveConnection::rollback() noexcept {
    if (!savepoints_.empty())
        savepoints_.pop_back();
    else
        transaction_.reset();
}

void ArchiveConnection::execute(const QString& sql, const std::vector<QVariant>& values,
                                const std::function<void()>& followed) {
    for (bool again = false;; again = true) {
        try {
            SQLite::Statement statement(*db_, sql.toStdString());
            for (std::size_t i = 0; i < values.size(); ++i)
                bindValue(statement, static_cast<int>(i) + 1, values[i]);
            statement.exec();
            return;
        } catch (const SQLite::Exception& e) {
            if (again || resultCode(e) != SQLITE_READONLY_DBMOVED || inTransaction())
                engineFailure(e);
        }
        followed();
    }
}

void ArchiveConnection::engineFailure(int code) const {
    throw ArchiveError(fileName_, code);
}

void ArchiveConnection::engineFailure(const SQLite::Exception& e) const {
    engineFailure(resultCode(e));
}

} // namespace orvena
