#include "core/archive/Maintenance.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/FieldText.h"
#include "core/archive/LockWaits.h"
#include "core/archive/MaintenanceSession.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvena {

QString MaintenanceResult::problem() const {
    if (!text.isEmpty()) return text;
    // A missing file cannot be opened; a database without our table is no
    // archive of ours.
    const int primary = code & 0xff;
    return failureMessage(file, primary == SQLITE_NOTFOUND ? SQLITE_CANTOPEN
                                : primary == SQLITE_SCHEMA ? SQLITE_NOTADB
                                                           : code);
}

} // namespace orvena

namespace orvena::maintenance {

namespace {

constexpr qint64 kTicksPerReport = 4096;

void progressTick(sqlite3_context* context, int, sqlite3_value**) {
    auto* session = static_cast<Session*>(sqlite3_user_data(context));
    const qint64 ticks = session->ticks() + 1;
    session->setTicks(ticks);
    if (ticks % kTicksPerReport == 0) session->report(ticks);
    if (session->cancelled()) {
        sqlite3_result_error(context, "cancelled", -1);
        return;
    }
    sqlite3_result_int(context, 1);
}

// boxtext(value): the value as the text of its bound box shows it, for the
// engine to convert back to the kind of the field it is written to. Whole
// numbers and texts read back as themselves, so they pass unchanged; a real
// becomes its shortest single-precision text; a null stays a null (an empty
// box writes no value).
void boxText(sqlite3_context* context, int, sqlite3_value** argv) {
    sqlite3_value* value = argv[0];
    switch (sqlite3_value_type(value)) {
    case SQLITE_FLOAT: {
        const QByteArray text = realFieldText(sqlite3_value_double(value)).toUtf8();
        sqlite3_result_text(context, text.constData(), static_cast<int>(text.size()),
                            SQLITE_TRANSIENT);
        break;
    }
    case SQLITE_BLOB:
        sqlite3_result_text(context, static_cast<const char*>(sqlite3_value_blob(value)),
                            sqlite3_value_bytes(value), SQLITE_TRANSIENT);
        break;
    default:
        sqlite3_result_value(context, value);
        break;
    }
}

} // namespace

std::string fileUri(const QString& folder, const char* file, Session::Access access) {
    const QString path =
        QFileInfo(QDir(folder).filePath(QString::fromUtf8(file))).absoluteFilePath();
    QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
    uri += access == Session::Access::ReadOnly ? "?mode=ro" : "?mode=rw";
    return uri.toStdString();
}

void checkArchive(const QString& path, const char* table) {
    const QString name = QFileInfo(path).fileName();
    if (!QFileInfo::exists(path)) throw Failure{name, SQLITE_NOTFOUND, archivefile::missing(path)};
    const QString problem = archivefile::describe(
        path, QString::fromLatin1(table), archivefile::requiredColumns(QString::fromLatin1(table)));
    if (problem.isEmpty()) return;
    if (!QFileInfo(path).isFile()) throw Failure{name, SQLITE_NOTFOUND, problem};
    // A file the engine could not read at all (held by another program, say)
    // keeps the engine's code; one that it read and found wanting is told as
    // start-up tells it.
    sqlite3* db = nullptr;
    int code =
        sqlite3_open_v2(archivefile::nativePath(path).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (code == SQLITE_OK)
        code = sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
    code = code == SQLITE_OK ? SQLITE_SCHEMA : resultCode(db, code);
    sqlite3_close_v2(db);
    const int primary = code & 0xff;
    throw Failure{name, code,
                  primary == SQLITE_SCHEMA || primary == SQLITE_NOTADB || primary == SQLITE_CANTOPEN
                      ? problem
                      : QString()};
}

QString damagedFile(sqlite3* db) {
    std::vector<std::pair<std::string, QString>> files;
    sqlite3_stmt* list = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA database_list", -1, &list, nullptr) == SQLITE_OK) {
        while (sqlite3_step(list) == SQLITE_ROW) {
            const auto* schema = reinterpret_cast<const char*>(sqlite3_column_text(list, 1));
            const auto* file = reinterpret_cast<const char*>(sqlite3_column_text(list, 2));
            if (schema && file && *file && std::string(schema) != "temp")
                files.emplace_back(schema, QFileInfo(QString::fromUtf8(file)).fileName());
        }
    }
    sqlite3_finalize(list);
    for (const auto& [schema, file] : files) {
        sqlite3_stmt* check = nullptr;
        const std::string sql = "PRAGMA \"" + schema + "\".quick_check(1)";
        bool damaged = sqlite3_prepare_v2(db, sql.c_str(), -1, &check, nullptr) != SQLITE_OK;
        if (!damaged) {
            const int step = sqlite3_step(check);
            damaged = step != SQLITE_ROW || std::string_view(reinterpret_cast<const char*>(
                                                sqlite3_column_text(check, 0))) != "ok";
        }
        sqlite3_finalize(check);
        if (damaged) return file;
    }
    return {};
}

Session::Session(const QString& folder, const char* mainFile, Access access)
    : folder_(folder) {
    const QString name = QString::fromUtf8(mainFile);
    refuseReadOnly(folder, name, access);
    const std::string uri = fileUri(folder, mainFile, access);
    const int code =
        sqlite3_open_v2(uri.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
    if (code != SQLITE_OK) {
        const Failure failed = failure(name, code);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw failed;
    }
    sqlite3_busy_timeout(db_, lockwait::kMaintenanceMs);
    prepare();
}

Session::Session(const QString& folder, sqlite3* connection)
    : folder_(folder)
    , db_(connection)
    , owned_(false) {
    prepare();
}

void Session::prepare() {
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_create_function(db_, "progress_tick", 0, SQLITE_UTF8, this, progressTick, nullptr,
                            nullptr);
    sqlite3_create_function(db_, "boxtext", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, boxText,
                            nullptr, nullptr);
    const std::string pragmas =
        std::string("PRAGMA temp_store = MEMORY; PRAGMA main.cache_size = ") + kCacheKiB;
    sqlite3_exec(db_, pragmas.c_str(), nullptr, nullptr, nullptr);
}

Session::~Session() {
    if (owned_ && db_) sqlite3_close_v2(db_);
}

void Session::attach(const char* file, const char* schema, Access access) {
    const QString name = QString::fromUtf8(file);
    refuseReadOnly(folder_, name, access);
    const std::string uri = fileUri(folder_, file, access);
    sqlite3_stmt* statement = nullptr;
    const std::string sql = std::string("ATTACH DATABASE ? AS ") + schema;
    int code = sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr);
    if (code == SQLITE_OK) {
        sqlite3_bind_text(statement, 1, uri.c_str(), -1, SQLITE_TRANSIENT);
        code = sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    if (code != SQLITE_DONE && code != SQLITE_OK) throw failure(name, code);
    exec(std::string("PRAGMA ") + schema + ".cache_size = " + kCacheKiB, name);
}

void Session::exec(const std::string& sql, const QString& file) {
    const int code = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) throw failure(file, code);
}

qint64 Session::number(const std::string& sql, const QString& file) {
    sqlite3_stmt* statement = nullptr;
    int code = sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr);
    qint64 value = 0;
    if (code == SQLITE_OK) {
        code = sqlite3_step(statement);
        if (code == SQLITE_ROW) value = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    if (code != SQLITE_ROW && code != SQLITE_DONE) throw failure(file, code);
    return value;
}

void Session::setProgress(const Progress* progress, qint64 total) {
    progress_ = progress && *progress ? progress : nullptr;
    total_ = total;
}

void Session::report(qint64 done) {
    if (cancelled_ || !progress_) return;
    if (!(*progress_)(std::min(done, total_), total_)) cancelled_ = true;
}

ImportSpan startImport(Session& session, const std::string& areaTable, const Progress& progress) {
    const QString areaFile = QString::fromUtf8(Archives::kExchangeAreaFile);
    const QString placesFile = QString::fromUtf8(Archives::kExchangeLocalityFile);
    ImportSpan span;
    span.areas = session.number("SELECT count(*) FROM " + areaTable, areaFile);
    span.first = session.number("SELECT coalesce(min(rowid), 1) FROM xl.localita", placesFile);
    span.last = session.number("SELECT coalesce(max(rowid), 0) FROM xl.localita", placesFile);
    session.setProgress(&progress, span.total());
    session.report(0);
    return span;
}

void Session::faultAt(const FaultPoint& fault, const char* point, const QString& file) {
    if (fault && fault(point)) throw Failure{file, SQLITE_IOERR_WRITE};
}

Failure Session::failure(const QString& file, int code) const {
    Failure failed{file, resultCode(db_, code)};
    if (db_ && isDamageFailure(failed.code)) {
        if (const QString damaged = damagedFile(db_); !damaged.isEmpty()) failed.file = damaged;
    }
    return failed;
}

void Session::refuseReadOnly(const QString& folder, const QString& file, Access access) {
    if (access == Access::ReadWrite && !archivefile::canWrite(QDir(folder).filePath(file)))
        throw Failure{file, SQLITE_READONLY};
}

} // namespace orvena::maintenance
