#include "core/server/ServerRecords.h"

#include <QHash>

namespace orvena::server {

namespace {

constexpr const char* kUniqueViolation = "23505";

Parameter keyText(qint64 key) {
    return QByteArray::number(key);
}

// The caller's transaction, or one of its own inside it (a savepoint); undone
// when left without a commit (a failure or an early return).
class Work {
public:
    explicit Work(Connection& c)
        : c_(c) {
        c_.begin();
    }
    ~Work() {
        if (open_) c_.rollback();
    }
    Work(const Work&) = delete;
    Work& operator=(const Work&) = delete;
    void commit() {
        open_ = false;
        c_.commit();
    }

private:
    Connection& c_;
    bool open_ = true;
};

} // namespace

Records::Records(Connection& connection, const char* table, std::vector<const char*> fields)
    : connection_(connection)
    , table_(table)
    , fields_(std::move(fields))
    , select_("id, xmin::text") {
    for (const char* f : fields_)
        select_ += QByteArray(", ") + f;
}

std::vector<qint64> Records::keys(const char* sql, const std::vector<Parameter>& params) {
    const Result r = connection_.exec(sql, params);
    std::vector<qint64> out;
    out.reserve(std::size_t(r.rows()));
    for (int i = 0; i < r.rows(); ++i)
        out.push_back(r.integer(i, 0));
    return out;
}

std::vector<StoredRow> Records::rows(const std::vector<qint64>& keys) {
    QByteArray list = "{";
    for (std::size_t i = 0; i < keys.size(); ++i)
        list += (i ? "," : "") + QByteArray::number(keys[i]);
    list += "}";
    const Result r = connection_.exec(
        ("SELECT " + select_ + " FROM " + table_ + " WHERE id = ANY($1::bigint[])").constData(),
        {list});
    QHash<qint64, int> at;
    for (int i = 0; i < r.rows(); ++i)
        at.insert(r.integer(i, 0), i);
    std::vector<StoredRow> out;
    out.reserve(keys.size());
    for (const qint64 key : keys) {
        const auto found = at.constFind(key);
        if (found == at.constEnd()) continue;
        StoredRow row{key, r.bytes(*found, 1), {}};
        for (int c = 0; c < int(fields_.size()); ++c)
            row.values.push_back(r.isNull(*found, c + 2) ? Parameter()
                                                         : Parameter(r.bytes(*found, c + 2)));
        out.push_back(std::move(row));
    }
    return out;
}

std::optional<StoredRow> Records::row(qint64 key) {
    std::vector<StoredRow> found = rows({key});
    if (found.empty()) return std::nullopt;
    return std::move(found.front());
}

Change Records::gone(qint64 key) {
    const Result r = connection_.exec(("SELECT 1 FROM " + table_ + " WHERE id = $1").constData(),
                                      {keyText(key)});
    return r.rows() > 0 ? Change::ChangedMeanwhile : Change::DeletedMeanwhile;
}

Change Records::writing(const std::function<Change()>& work) {
    try {
        return work();
    } catch (const ServerError& e) {
        if (e.state() == kUniqueViolation) return Change::NameTaken;
        throw;
    }
}

Change Records::insert(const std::vector<Parameter>& values, qint64* key) {
    return writing([&] {
        Work work(connection_);
        if (table_ == "localita") {
            // The sheet's row held until the commit: a deletion of the sheet
            // waits for this place, or this place finds the sheet gone.
            Parameter area;
            for (std::size_t i = 0; i < fields_.size(); ++i)
                if (qstricmp(fields_[i], "AREA") == 0) area = values.at(i);
            const Result sheet =
                connection_.exec("SELECT 1 FROM area WHERE AREA = $1 FOR KEY SHARE", {area});
            if (sheet.rows() == 0) return Change::SheetGone;
        }
        QByteArray names, placeholders;
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            names += (i ? ", " : "") + QByteArray(fields_[i]);
            placeholders += (i ? ", $" : "$") + QByteArray::number(qulonglong(i + 1));
        }
        const QByteArray sql =
            "INSERT INTO " + table_ +
            (fields_.empty() ? QByteArray(" DEFAULT VALUES")
                             : " (" + names + ") VALUES (" + placeholders + ")") +
            " RETURNING id";
        const Result added = connection_.exec(sql.constData(), values);
        work.commit();
        if (key != nullptr) *key = added.integer(0, 0);
        return Change::Done;
    });
}

Change Records::update(const StoredRow& read, const std::vector<Parameter>& values) {
    if (fields_.empty()) return Change::Done;
    return writing([&] {
        QByteArray set;
        for (std::size_t i = 0; i < fields_.size(); ++i)
            set += (i ? ", " : "") + QByteArray(fields_[i]) + " = $" +
                   QByteArray::number(qulonglong(i + 1));
        std::vector<Parameter> params = values;
        params.push_back(keyText(read.key));
        params.push_back(read.version);
        const QByteArray keyAt = QByteArray::number(qulonglong(values.size() + 1));
        const QByteArray versionAt = QByteArray::number(qulonglong(values.size() + 2));
        const Result r = connection_.exec(("UPDATE " + table_ + " SET " + set + " WHERE id = $" +
                                           keyAt + " AND xmin::text = $" + versionAt +
                                           " RETURNING id")
                                              .constData(),
                                          params);
        return r.rows() == 1 ? Change::Done : gone(read.key);
    });
}

Change Records::remove(const StoredRow& read) {
    const Result r = connection_.exec(
        ("DELETE FROM " + table_ + " WHERE id = $1 AND xmin::text = $2 RETURNING id").constData(),
        {keyText(read.key), read.version});
    return r.rows() == 1 ? Change::Done : gone(read.key);
}

qint64 deleteArea(Connection& connection, const QString& area) {
    const Parameter name = area.toUtf8();
    Work work(connection);
    // The sheet's row first: a place being added on it holds that row, so this
    // waits for it, and the deletion of the places below then sees it.
    connection.exec("DELETE FROM area WHERE AREA = $1", {name});
    connection.exec("DELETE FROM area_datum WHERE AREA = $1", {name});
    connection.exec("DELETE FROM area_calibration WHERE AREA = $1", {name});
    const Result places =
        connection.exec("WITH d AS (DELETE FROM localita WHERE AREA = $1 RETURNING 1) "
                        "SELECT count(*) FROM d",
                        {name});
    work.commit();
    return places.integer(0, 0);
}

} // namespace orvena::server
