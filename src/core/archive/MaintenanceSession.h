#pragma once

#include "core/archive/Maintenance.h"

#include <QString>

#include <string>
#include <utility>

struct sqlite3;

// The connection that export, import and compaction work through. Not part of
// the interface the windows use.
namespace orvena::maintenance {

// Pages a connection may keep in memory per file (PRAGMA cache_size, in KiB
// when negative): enough that a million places are written without spilling
// half-done pages to the disk.
inline constexpr const char* kCacheKiB = "-262144";

// A failure on the way, thrown inside the work and turned into a
// MaintenanceResult at its end.
struct Failure {
    Failure(QString file, int code, QString text = {})
        : file(std::move(file))
        , code(code)
        , text(std::move(text)) {}

    QString file; // bare file name
    int code;     // SQLITE_* code
    QString text; // a sentence of its own, when the code does not say it
    MaintenanceResult result() const {
        return {MaintenanceResult::Outcome::Failed, file, code, text, {}};
    }
};

// Throws a Failure unless the file at path exists, is a database and holds the
// table with all its fields; one that is missing, or is not such a file, is
// told as start-up tells it. Only reads the file.
void checkArchive(const QString& path, const char* table);

// The bare name of the first file on the connection (its main database, then
// the attached ones) whose content is damaged, or an empty text. Reads each
// file whole until it finds one: only for a failure already met.
QString damagedFile(sqlite3* db);

// One connection: a first archive as its main database and others attached
// under the given schema names. Failures throw Failure naming the file.
class Session {
public:
    enum class Access { ReadOnly, ReadWrite };

    Session(const QString& folder, const char* mainFile, Access access);
    // Works through a connection opened elsewhere, which it leaves open.
    Session(const QString& folder, sqlite3* connection);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void attach(const char* file, const char* schema, Access access);
    sqlite3* handle() const { return db_; }
    QString folder() const { return folder_; }

    // Runs sql; an engine failure is blamed on file. Opening or attaching a
    // file for writing that the program may not write fails as read-only.
    void exec(const std::string& sql, const QString& file);
    // The first column of the first row of a query, as a whole number.
    qint64 number(const std::string& sql, const QString& file);

    // The progress function: counts a row, and every so often reports to
    // progress(); a false answer makes the statement fail as cancelled. Call
    // it as progress_tick() in a query.
    void setProgress(const Progress* progress, qint64 total);
    void report(qint64 done);
    bool cancelled() const { return cancelled_; }
    qint64 ticks() const { return ticks_; }
    void setTicks(qint64 ticks) { ticks_ = ticks; }

    // Runs the fault point for the tests: a true answer throws a failure of
    // file as a failed write would.
    void faultAt(const FaultPoint& fault, const char* point, const QString& file);

    // The Failure the connection's last error stands for, blamed on file (a
    // cancel through the progress is told apart by cancelled()). Damage is
    // blamed on the file that is damaged, whichever file was being written.
    Failure failure(const QString& file, int code) const;

private:
    void prepare();
    // Throws a read-only Failure when file of folder is to be written and
    // the program may not write it (archivefile::canWrite).
    static void refuseReadOnly(const QString& folder, const QString& file, Access access);

    QString folder_;
    sqlite3* db_ = nullptr;
    bool owned_ = true;
    const Progress* progress_ = nullptr;
    qint64 total_ = 0;
    qint64 ticks_ = 0;
    bool cancelled_ = false;
};

// What an import of the exchange files goes through: the sheets of the area
// table, then the places of xl.localita by rowid from first to last.
struct ImportSpan {
    qint64 areas = 0;
    qint64 first = 1;
    qint64 last = 0;
    qint64 total() const { return areas + (last - first + 1); }
};

// Counts the span (areaTable is the attached exchange area table), sets the
// session's progress to it and reports nothing done yet.
ImportSpan startImport(Session& session, const std::string& areaTable, const Progress& progress);

// The URI SQLite opens a file of folder with, read-only or read-write, never
// creating it.
std::string fileUri(const QString& folder, const char* file, Session::Access access);

} // namespace orvena::maintenance
