#include "core/archive/Transaction.h"

#include <sqlite3.h>

#include <utility>

namespace orvena {

namespace {

int execute(sqlite3* db, const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

} // namespace

TransactionLevels::TransactionLevels(std::string savepointName, Lock lock)
    : savepointName_(std::move(savepointName))
    , lock_(lock) {}

std::string TransactionLevels::savepoint(int level) const {
    return savepointName_ + std::to_string(level);
}

int TransactionLevels::begin(sqlite3* db) {
    const int code = depth_ > 0                 ? execute(db, "SAVEPOINT " + savepoint(depth_))
                     : lock_ == Lock::Immediate ? execute(db, "BEGIN IMMEDIATE")
                                                : execute(db, "BEGIN");
    if (code == SQLITE_OK) ++depth_;
    return code;
}

int TransactionLevels::commit(sqlite3* db) {
    if (depth_ == 0) return SQLITE_OK;
    const int level = depth_ - 1;
    const int code =
        level == 0 ? execute(db, "COMMIT") : execute(db, "RELEASE " + savepoint(level));
    if (code == SQLITE_OK) --depth_;
    return code;
}

void TransactionLevels::rollback(sqlite3* db) noexcept {
    if (depth_ == 0) return;
    const int level = --depth_;
    if (level == 0) {
        execute(db, "ROLLBACK");
    } else {
        execute(db, "ROLLBACK TO " + savepoint(level));
        execute(db, "RELEASE " + savepoint(level));
    }
}

} // namespace orvena
