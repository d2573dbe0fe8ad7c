#pragma once

// A record view's table in an atlas on a PostgreSQL server (RecordView's
// engine there, in place of the file's connection): the keys of a record
// source (ServerTexts.h), blocks of records with their row versions, the
// search list's keyed texts, and the changes through server::Records with the
// rules of several users at once (core/server/ServerRecords.h): a change or
// deletion applies only to the record as read, a place is added only while
// its sheet is there, a name taken on the sheet is the server's own refusal. Every
// failure comes out as an ArchiveError with the server's sentence: a change
// lost to another user's (the record read again) with SQLITE_BUSY, a refusal
// for want of permission as a read-only archive.

#include "core/archive/RecordView.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace orvena {

namespace server {
class Connection;
class ServerError;
enum class Change;
} // namespace server

class ServerTable {
public:
    // A record as read: the table's fields, then the row's version.
    using Row = std::vector<QVariant>;

    ServerTable(QString fileName, QString table);
    ~ServerTable();

    // Connects and checks the database holds an atlas of ours: an empty text
    // or why not.
    QString open(const QString& connection);
    // The table's fields.
    const QStringList& columns() const { return columns_; }

    std::vector<std::int64_t> keys(const char* source, const QStringList& params);
    // The records of keys, rows[i] for keys[i] (none when it is gone).
    std::vector<std::optional<Row>> records(const std::int64_t* keys, std::size_t count);
    void keyedTexts(const char* sql, const QStringList& params,
                    const RecordView::KeyedTextsFn& fn);

    // names: the fields written, values theirs; written: the whole record.
    void insert(const QStringList& names, const std::vector<QVariant>& values,
                const Row& written);
    void update(const QStringList& names, const std::vector<QVariant>& values,
                std::int64_t key, const Row& read);
    void remove(std::int64_t key, const Row& read);

    // What the view's stamp is made of on a server (RecordView::Stamp): this
    // table's opening (a number of its own, never 0), the changes written
    // through it, and the changes of its table the program's listeners heard;
    // nothing while none listens (a table that cannot tell it changed).
    std::optional<RecordView::Stamp> stamp() const;
    // The server's process serving this table's connection (0: none).
    int backend() const;

    // Transactions one inside another: BEGIN, then savepoints.
    void begin();
    void commit();
    void rollback() noexcept;
    // Runs fn with the table's connection (RecordView::onServerConnection).
    void onConnection(const std::function<void(server::Connection&)>& fn);

private:
    [[noreturn]] void failure(const server::ServerError& e) const;
    // What another user did meanwhile, told as an ArchiveError naming the
    // record; nothing for a change done.
    void told(server::Change change, const Row& record);
    bool places() const;
    struct Written;

    QString fileName_;
    QString table_;
    QStringList columns_;
    std::unique_ptr<server::Connection> server_;
    std::uint64_t opening_ = 0;
    std::int64_t writes_ = 0;
};

} // namespace orvena
