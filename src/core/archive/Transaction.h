#pragma once

#include <string>

struct sqlite3;

namespace orvena {

// The transactions of one connection, one inside another: the outermost is a
// BEGIN ... COMMIT, each inner one a savepoint named after its level
// (<name>1, <name>2 ...) that can be undone alone. Every step answers the
// engine's result code, SQLITE_OK when it worked; the caller turns a failure
// into its own error. The connection's busy timeout applies to each step.
class TransactionLevels {
public:
    enum class Lock {
        Deferred,  // BEGIN: the locks are taken as the work reads and writes
        Immediate, // BEGIN IMMEDIATE: the write lock is taken at once
    };

    TransactionLevels(std::string savepointName, Lock lock);

    // The levels open: 0 outside any transaction.
    int depth() const { return depth_; }
    // Opens one more level; nothing changes when the engine refuses.
    int begin(sqlite3* db);
    // Keeps the work of the innermost level and closes it. When the engine
    // refuses, the level stays open for rollback().
    int commit(sqlite3* db);
    // Undoes the work of the innermost level and closes it (nothing when no
    // level is open).
    void rollback(sqlite3* db) noexcept;
    // Runs fn inside one more level: all or nothing. Anything fn throws
    // undoes the level and goes on; a begin or commit the engine refuses
    // calls refused(code), which throws (after a refused commit the level is
    // undone too).
    template <class Fn, class Refused> void run(sqlite3* db, Fn&& fn, Refused&& refused);
    // Forgets every level, for a connection that has been closed (which
    // undid them).
    void clear() { depth_ = 0; }

private:
    std::string savepoint(int level) const;

    std::string savepointName_;
    Lock lock_;
    int depth_ = 0;
};

template <class Fn, class Refused>
void TransactionLevels::run(sqlite3* db, Fn&& fn, Refused&& refused) {
    // 0 is SQLITE_OK.
    if (const int code = begin(db); code != 0) refused(code);
    try {
        fn();
        if (const int code = commit(db); code != 0) refused(code);
    } catch (...) {
        rollback(db);
        throw;
    }
}

} // namespace orvena
