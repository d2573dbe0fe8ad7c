#pragma once

// The rows of one of the atlas's tables on the server, each read with its key
// and its version (the server's xmin: a new one at every change), and the
// changes, each in one transaction, that hold when several users change the
// same records at once:
// - a change or deletion applies only to the row as it was read; when another
//   user changed or deleted it meanwhile, nothing is written and the caller is
//   told which (then reads the row again to show what is stored);
// - a place's name is unique on its sheet (the constraint localita_nome_unico):
//   of two users adding it at once, the second is told;
// - a place is added only while its sheet is there, holding the sheet's row
//   (FOR KEY SHARE) until it is committed, and deleteArea() takes the sheet's
//   row first and its places after: so no place is ever left without its
//   sheet, whichever of the two comes first.

#include "core/server/ServerConnection.h"

#include <optional>
#include <vector>

namespace orvena::server {

enum class Change {
    Done,
    ChangedMeanwhile, // another user changed the row since it was read
    DeletedMeanwhile, // another user deleted it
    NameTaken,        // the sheet has a place of that name already
    SheetGone,        // the place's sheet is not (or no longer) there
};

struct StoredRow {
    qint64 key = 0;
    QByteArray version;
    std::vector<Parameter> values; // the table's fields in the order given
};

class Records {
public:
    // table: "area" or "localita"; fields: the fields read and written, in
    // order (a place's sheet is the value of its field AREA).
    Records(Connection& connection, const char* table, std::vector<const char*> fields);

    // The keys a query gives (its first field the key), in its order.
    std::vector<qint64> keys(const char* sql, const std::vector<Parameter>& params = {});
    // The rows of keys, in their order; a key no longer there is left out.
    std::vector<StoredRow> rows(const std::vector<qint64>& keys);
    std::optional<StoredRow> row(qint64 key);

    // Adds a row; for a place, only while its sheet is there. The new key
    // goes to *key when given. Inside the connection's transaction when one
    // is open (a savepoint of its own), else in one of its own.
    Change insert(const std::vector<Parameter>& values, qint64* key = nullptr);
    // Writes values over the row as read (key and version).
    Change update(const StoredRow& read, const std::vector<Parameter>& values);
    // Deletes the row as read.
    Change remove(const StoredRow& read);

private:
    Change gone(qint64 key);
    Change writing(const std::function<Change()>& work);

    Connection& connection_;
    QByteArray table_;
    std::vector<const char*> fields_;
    QByteArray select_; // "id, xmin, field, ..."
};

// Deletes the sheet named exactly area, its datum, its points and all its
// places, in one transaction: the number of places deleted. ServerError on
// a failure, nothing deleted then.
qint64 deleteArea(Connection& connection, const QString& area);

} // namespace orvena::server
