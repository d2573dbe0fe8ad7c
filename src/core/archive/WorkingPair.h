#pragma once

#include "core/archive/ArchiveFailure.h"
#include "core/server/ServerConnection.h"

#include <QString>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Savepoint.h>
#include <SQLiteCpp/Transaction.h>

#include <array>
#include <memory>
#include <string>

namespace orvena {

// One connection over a folder's area.mdb with localita.mdb attached as "loc",
// for changes that span both files (an area and its places). The two files run
// in rollback-journal mode, where the engine commits attached databases
// atomically: after a crash at any instant both hold either the whole change or
// none of it. Open only while such a change runs; the record views keep their
// own connections.
//
// In SQL, table AREA is "main.AREA" (or plain AREA) and the places are
// "loc.localita". Values are always bound parameters.
//
// An atlas kept on a server (AtlasServer.h) has no files to pair: the pair
// then stands for the program's connection to that server, and each writer
// gives its statements for the server too (onServer(), server()); a change
// is one server transaction, its failures told as the files' are.
class WorkingPair {
public:
    // The schema name of localita.mdb on this connection.
    static constexpr const char* kLocalitySchema = "loc";

    // Opens folder/area.mdb and attaches folder/localita.mdb. Both must exist
    // and be our archives (a foreign or missing file is left untouched); a file
    // in another journal mode is switched to the rollback journal, and one that
    // cannot be refuses the pair. ArchiveError with the Italian reason
    // otherwise.
    explicit WorkingPair(const QString& folder);
    ~WorkingPair();
    WorkingPair(const WorkingPair&) = delete;
    WorkingPair& operator=(const WorkingPair&) = delete;

    const QString& folder() const { return folder_; }
    // The files' connection; an atlas on a server has none (ArchiveError).
    SQLite::Database& db();
    bool onServer() const { return server_ != nullptr; }
    server::Connection& server() { return *server_; }

    // Runs fn() in one transaction over both files (BEGIN IMMEDIATE ...
    // COMMIT): all or nothing. Any exception out of fn, or a commit that
    // fails, rolls the whole change back and is rethrown; an engine failure
    // (SQLite::Exception) comes out as ArchiveError. Nested calls run in a
    // savepoint of the outer transaction.
    template <class Fn> void transaction(Fn&& fn);

    // Turns an engine failure on the named file ("area.mdb", "localita.mdb")
    // into ArchiveError with its Italian reason.
    [[noreturn]] static void fail(const QString& fileName, const SQLite::Exception& e);
    // The same, naming the file the failure most likely concerns: the one
    // that may only be read, for a refused write; the damaged one, for
    // damage; for a full disk or a failed write, the one the change had
    // written more of (records added or freed) when it failed or began to
    // commit; area.mdb otherwise.
    [[noreturn]] void fail(const SQLite::Exception& e) const;
    // A server's failure as the archive fileName's (atlasserver::fail).
    [[noreturn]] void fail(const QString& fileName, const server::ServerError& e) const;

private:
    template <class Fn> void onServerTransaction(Fn& fn);

    // Runs fn as the work of a transaction level, noting which file the
    // change has written more of before a failure and before the outermost
    // commit: a failed commit may take the change with it.
    template <class Fn> void measured(Fn& fn, bool outermost);
    // Pages of area.mdb and of localita.mdb, each as its size plus its free
    // pages: what a change adds or frees moves it.
    std::array<qint64, 2> footprint() const;
    // The file the change under way has written more of.
    const char* busiestFile() const;

    QString folder_;
    server::Connection* server_ = nullptr; // the atlas's server, when it is on one
    std::unique_ptr<SQLite::Database> db_;
    int depth_ = 0; // the transaction levels open
    std::array<qint64, 2> footprintAtBegin_{};
    const char* busiest_ = nullptr;
};

template <class Fn> void WorkingPair::transaction(Fn&& fn) {
    // A level that goes uncommitted (fn threw, or the engine refused the
    // commit) undoes its work.
    struct Level {
        int& depth;
        explicit Level(int& d)
            : depth(++d) {}
        ~Level() { --depth; }
    };
    if (server_) {
        onServerTransaction(fn);
        return;
    }
    try {
        if (depth_ == 0) {
            SQLite::Transaction whole(*db_, SQLite::TransactionBehavior::IMMEDIATE);
            const Level level(depth_);
            measured(fn, true);
            whole.commit();
        } else {
            SQLite::Savepoint part(*db_, "pair" + std::to_string(depth_));
            const Level level(depth_);
            measured(fn, false);
            part.release();
        }
    } catch (const SQLite::Exception& e) {
        fail(e);
    }
}

template <class Fn> void WorkingPair::onServerTransaction(Fn& fn) {
    try {
        server_->begin();
    } catch (const server::ServerError& e) {
        fail(QStringLiteral("area.mdb"), e);
    }
    // A writer that knows which archive a failure concerns turns it into an
    // ArchiveError itself; anything else is blamed on area.mdb.
    try {
        fn();
    } catch (const server::ServerError& e) {
        server_->rollback();
        fail(QStringLiteral("area.mdb"), e);
    } catch (...) {
        server_->rollback();
        throw;
    }
    try {
        server_->commit();
    } catch (const server::ServerError& e) {
        fail(QStringLiteral("area.mdb"), e);
    }
}

template <class Fn> void WorkingPair::measured(Fn& fn, bool outermost) {
    if (outermost) {
        footprintAtBegin_ = footprint();
        busiest_ = nullptr;
    }
    try {
        fn();
    } catch (const SQLite::Exception&) {
        if (!busiest_) busiest_ = busiestFile();
        throw;
    }
    if (outermost) busiest_ = busiestFile();
}

} // namespace orvena
