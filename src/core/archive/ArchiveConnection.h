#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace SQLite {
class Database;
class Exception;
class Savepoint;
class Transaction;
} // namespace SQLite

namespace orvena {

// The connection of a record view to its archive file: opening it (checked,
// for reading only when it may not be written, the program's indexes added),
// following the file when another program replaces it, the transactions and
// the writes. What the view shows of the file (the result, the current record,
// the bound texts) is the view's own.
class ArchiveConnection {
public:
    // fileName names the file in messages; table is the table the view shows.
    ArchiveConnection(QString fileName, QString table);
    ~ArchiveConnection();
    ArchiveConnection(const ArchiveConnection&) = delete;
    ArchiveConnection& operator=(const ArchiveConnection&) = delete;

    // Opens the file at path, holding the table with the fields, in place of
    // the connection there is, which stays when this fails: an empty text, or
    // why it failed (as start-up tells it, or as a sentence of its own later).
    // The statements prepared on the old connection must go first: release()
    // is called just before it is closed.
    QString open(const QString& path, const QStringList& fields, bool atStartUp,
                 const std::function<void()>& release = {});
    void close();
    bool isOpen() const { return db_ != nullptr; }
    SQLite::Database& db() const { return *db_; }
    const QString& path() const { return path_; }
    // The table's fields in their stored order, as last opened.
    const QStringList& columns() const { return columns_; }
    // The number of the opening: each opening of a file gets its own.
    std::uint64_t opening() const { return opening_; }

    // True when the file under the view's name is no longer the one the
    // connection holds: another program replaced it (a compaction writes the
    // compacted file beside the archive and renames it over it) or removed it.
    bool fileReplaced() const;
    // Opens the file under the view's name again when it was replaced (never
    // inside a transaction, where nothing can replace it): true when it did.
    // ArchiveError naming the file when it cannot be opened.
    bool followReplacedFile(const QStringList& fields, const std::function<void()>& release);

    // The transactions, one inside another: the outermost takes the write
    // lock at once, an inner one is a savepoint. ArchiveError when the engine
    // refuses; a commit refused is undone.
    bool inTransaction() const { return transaction_ != nullptr; }
    void begin();
    void commit();
    void rollback() noexcept;

    // Runs a write with values bound to its "?" in order. Another program may
    // replace the file between the look before the change and the write (a
    // compaction renames its file over the archive while this write waits for
    // the lock): the engine then refuses the write on the old file, and
    // outside a transaction it goes to the file under the view's name instead,
    // after followed() (which opens it, through followReplacedFile(), and
    // throws when the write no longer applies there).
    // ArchiveError on an engine failure.
    void execute(const QString& sql, const std::vector<QVariant>& values,
                 const std::function<void()>& followed);

    [[noreturn]] void engineFailure(int code) const;
    [[noreturn]] void engineFailure(const SQLite::Exception& e) const;

private:
    QString fileName_;
    QString table_;
    QString path_;
    std::unique_ptr<SQLite::Database> db_;
    QStringList columns_;
    std::uint64_t opening_ = 0;
    // The open transaction and the savepoints inside it, innermost last;
    // each undoes its work when it goes without being committed.
    std::unique_ptr<SQLite::Transaction> transaction_;
    std::vector<std::unique_ptr<SQLite::Savepoint>> savepoints_;
};

} // namespace orvena
