#include "core/archive/RecordView.h"

#include "core/archive/ArchiveConnection.h"
#include "core/archive/ArchiveFailure.h"
#include "core/archive/ArchiveFile.h"
#include "core/archive/FieldText.h"
#include "core/archive/ServerTable.h"

#include <QDir>
#include <QFileInfo>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace orvena {

namespace {

// Records read at once while walking a result.
constexpr std::size_t kBlockSize = 256;
constexpr std::size_t kNoBlock = static_cast<std::size_t>(-1);

constexpr const char* kSelectStar = "select * from ";
constexpr const char* kSelectKey = "select rowid from ";

const QString kNoCurrentRecord = QStringLiteral("Nessun record corrente.");
const QString kUnknownField = QStringLiteral("Il campo %1 non esiste nella tabella %2.");
const QString kNotOpen = QStringLiteral("L'archivio %1 non è aperto.");
const QString kNotEditing = QStringLiteral("Nessun record in aggiunta o in modifica.");
const QString kRecordGone = QStringLiteral("Il record in modifica non esiste più.");
const QString kBadSource = QStringLiteral("Origine dei record non valida: %1");

using Row = std::vector<QVariant>;

QString quoted(const QString& identifier) {
    return QLatin1Char('"') +
           QString(identifier).replace(QLatin1String("\""), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

std::string utf8(const QString& text) {
    return text.toStdString();
}

// "select rowid from <table>" and nothing else but blanks.
bool isWholeTable(std::string_view sql) {
    sql.remove_prefix(std::char_traits<char>::length(kSelectKey));
    while (!sql.empty() && sql.back() == ' ')
        sql.remove_suffix(1);
    if (sql.size() >= 2 && sql.front() == '"' && sql.back() == '"')
        return sql.find('"', 1) == sql.size() - 1;
    return !sql.empty() && std::all_of(sql.begin(), sql.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

} // namespace

// ---------------------------------------------------------------------------

struct RecordView::Impl {
    enum class Mode { Browsing, Adding, Editing };

    RecordView* view;
    std::vector<BoundSpec> boxSpecs;
    std::vector<BoundText*> boxes;

    ArchiveConnection conn;
    // On a server atlas, the table there (conn stays closed).
    std::unique_ptr<ServerTable> server;
    // Prepared on conn's database when the first block is read, and let go
    // before that database is closed.
    std::unique_ptr<SQLite::Statement> blockQuery;

    QStringList params;

    // The result: its keys in order, the position in it, and the keys this
    // view has deleted since the last refresh (a deleted key's rowid may be
    // given to a new record; that record must not be visited in its place).
    std::vector<std::int64_t> keys;
    std::size_t pos = 0;
    std::unordered_set<std::int64_t> removed;

    // The block of records around the position, aligned to kBlockSize.
    std::size_t blockFirst = kNoBlock;
    std::vector<std::optional<Row>> block;

    Mode mode = Mode::Browsing;
    Row buffer;
    std::vector<bool> touched;
    std::int64_t editKey = 0;
    Row editRead; // on a server: the record being edited as read, with its version

    // What `removed` was when each open transaction began.
    std::vector<std::unordered_set<std::int64_t>> removedAtBegin;

    Impl(RecordView* v, const QString& fileName, const QString& table)
        : view(v)
        , conn(fileName, table) {}

    [[noreturn]] void fail(const QString& text) const { throw ArchiveError(text); }

    [[noreturn]] void engineFailure(int code) const { conn.engineFailure(code); }
    [[noreturn]] void engineFailure(const SQLite::Exception& e) const { conn.engineFailure(e); }

    bool isOpen() const { return conn.isOpen() || server != nullptr; }

    void requireOpen() const {
        if (!isOpen()) fail(kNotOpen.arg(view->fileName_));
    }

    // The table's fields, in their stored order.
    const QStringList& columns() const { return server ? server->columns() : conn.columns(); }

    // A server's change lost to another user's (the record changed or gone,
    // the name taken meanwhile): the change is dropped and the view shows
    // what is stored.
    template <class Fn> void serverChange(Fn&& fn) {
        try {
            fn();
        } catch (const ArchiveError& e) {
            if (e.code() == SQLITE_BUSY || e.code() == SQLITE_CONSTRAINT) {
                invalidate();
                cancelPending();
            }
            throw;
        }
    }

    // The fields the file must hold: the table's own and every bound one.
    QStringList requiredFields() const {
        QStringList fields = archivefile::requiredColumns(view->table_);
        for (const BoundSpec& bound : boxSpecs) {
            const QString field = QString::fromLatin1(bound.field);
            if (!fields.contains(field, Qt::CaseInsensitive)) fields << field;
        }
        return fields;
    }

    std::function<void()> releaseStatements() {
        return [this] { blockQuery.reset(); };
    }

    int columnIndex(const QString& name) const {
        for (qsizetype i = 0; i < columns().size(); ++i) {
            if (columns()[i].compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
        }
        return -1;
    }

    int requireColumn(const QString& name) const {
        const int index = columnIndex(name);
        if (index < 0) fail(kUnknownField.arg(name, view->table_));
        return index;
    }

    void invalidate() {
        blockFirst = kNoBlock;
        block.clear();
    }

    void loadBlock(std::size_t first) {
        invalidate();
        const std::size_t count = std::min(kBlockSize, keys.size() - first);
        std::unordered_map<std::int64_t, std::size_t> slot;
        slot.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            slot.emplace(keys[first + i], i);

        if (server) {
            block = server->records(keys.data() + first, count);
            blockFirst = first;
            return;
        }
        std::vector<std::optional<Row>> rows(count);
        try {
            if (!blockQuery) blockQuery = blockQueryFor(conn.db(), columns());
        } catch (const SQLite::Exception& e) {
            engineFailure(e);
        }
        SQLite::Statement& query = *blockQuery;
        try {
            query.reset();
            for (std::size_t i = 0; i < kBlockSize; ++i) {
                const int index = static_cast<int>(i) + 1;
                if (i < count)
                    query.bind(index, keys[first + i]);
                else
                    query.bind(index);
            }
            const int width = static_cast<int>(columns().size());
            while (query.executeStep()) {
                const auto found = slot.find(query.getColumn(0).getInt64());
                if (found == slot.end()) continue;
                Row row;
                row.reserve(static_cast<std::size_t>(width));
                for (int c = 0; c < width; ++c)
                    row.push_back(columnValue(query.getColumn(c + 1)));
                rows[found->second] = std::move(row);
            }
            query.reset();
        } catch (const SQLite::Exception& e) {
            query.tryReset();
            engineFailure(e);
        }
        block = std::move(rows);
        blockFirst = first;
    }

    // The record at position i of the result, or nullptr when it no longer
    // exists.
    const Row* rowAt(std::size_t i) {
        if (i >= keys.size() || removed.count(keys[i]) != 0) return nullptr;
        const std::size_t first = i - i % kBlockSize;
        if (first != blockFirst) loadBlock(first);
        const auto& row = block[i - first];
        return row ? &*row : nullptr;
    }

    const Row* current() { return rowAt(pos); }

    // Passes over the keys whose records are gone.
    void settle() {
        while (pos < keys.size() && rowAt(pos) == nullptr)
            ++pos;
    }

    void cancelPending() {
        mode = Mode::Browsing;
        buffer.clear();
        touched.clear();
    }

    // Runs a write; when another program replaced the file meanwhile, on
    // the file under the view's name. A keyed write (of the record the view
    // stands on) goes there only while that record is the same there.
    void execute(const QString& sql, const std::vector<QVariant>& values, bool keyed) {
        conn.execute(sql, values, [&] {
            followReplacedFile();
            if (keyed && keys.empty()) fail(kRecordGone);
        });
    }

    // Before a change, and before a read that would show what the file held
    // when it was opened: a file replaced since is opened again, so the change
    // goes to the file under the view's name. The result keeps its keys, which
    // a compaction keeps too; if the record the view stands on is not the same
    // there, the result is dropped, and so is a record being edited. Inside a
    // transaction nothing can replace the file.
    void followReplacedFile() {
        if (server || conn.inTransaction() || !conn.fileReplaced()) return;
        const bool known =
            blockFirst != kNoBlock && pos >= blockFirst && pos - blockFirst < block.size();
        const std::optional<Row> before = known ? block[pos - blockFirst] : std::nullopt;
        const QStringList columnsBefore = columns();
        if (!conn.followReplacedFile(requiredFields(), releaseStatements())) return;
        invalidate();
        const Row* now = rowAt(pos);
        const bool same = columns() == columnsBefore &&
                          (!known || (before && now && *before == *now) || (!before && !now));
        if (same) return;
        keys.clear();
        removed.clear();
        pos = 0;
        if (mode == Mode::Editing || (mode == Mode::Adding && columns() != columnsBefore)) {
            cancelPending();
            fail(kRecordGone);
        }
    }

    std::unique_ptr<SQLite::Statement> blockQueryFor(SQLite::Database& on,
                                                     const QStringList& names) const {
        QString sql = QStringLiteral("select rowid");
        for (const QString& column : names)
            sql += QLatin1String(", ") + quoted(column);
        sql += QLatin1String(" from ") + quoted(view->table_) + QLatin1String(" where rowid in (");
        for (std::size_t i = 0; i < kBlockSize; ++i)
            sql += i == 0 ? QLatin1String("?") : QLatin1String(",?");
        sql += QLatin1Char(')');
        return std::make_unique<SQLite::Statement>(on, utf8(sql));
    }
};

// ---------------------------------------------------------------------------

BoundText::BoundText(RecordView* view, QString field, const QString& objectName)
    : QObject(view)
    , view_(view)
    , field_(std::move(field)) {
    setObjectName(objectName);
}

QString BoundText::text() const {
    if (!view_) return {};
    try {
        return view_->text(field_);
    } catch (const ArchiveError&) {
        return {};
    }
}

// ---------------------------------------------------------------------------

RecordView::RecordView(const QString& objectName, QString fileName, QString table,
                       const std::vector<BoundSpec>& boxes, QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Impl>(this, fileName, table))
    , fileName_(std::move(fileName))
    , table_(std::move(table)) {
    setObjectName(objectName);
    d->boxSpecs = boxes;
    for (const BoundSpec& bound : boxes) {
        d->boxes.push_back(
            new BoundText(this, QString::fromLatin1(bound.field), QString::fromLatin1(bound.box)));
    }
}

RecordView::~RecordView() {
    close();
}

QString RecordView::open(const QString& folder) {
    close();
    const QString path = QDir(folder).filePath(fileName_);
    if (!QFileInfo::exists(path)) return archivefile::missing(path);
    return d->conn.open(path, d->requiredFields(), true, d->releaseStatements());
}

QString RecordView::openOnServer(const QString& connection) {
    close();
    auto table = std::make_unique<ServerTable>(fileName_, table_);
    if (QString problem = table->open(connection); !problem.isEmpty()) return problem;
    d->server = std::move(table);
    return {};
}

bool RecordView::onServer() const {
    return d->server != nullptr;
}

int RecordView::serverBackend() const {
    return d->server ? d->server->backend() : 0;
}

void RecordView::close() {
    d->server.reset();
    d->cancelPending();
    d->invalidate();
    d->keys.clear();
    d->removed.clear();
    d->pos = 0;
    d->removedAtBegin.clear();
    d->blockQuery.reset();
    d->conn.close();
}

bool RecordView::isOpen() const {
    return d->isOpen();
}

void RecordView::setRecordSource(const char* sql, QStringList params) {
    if (sql == nullptr || std::string_view(sql).rfind(kSelectStar, 0) != 0)
        d->fail(kBadSource.arg(QString::fromUtf8(sql ? sql : "")));
    source_ = sql;
    d->params = std::move(params);
}

void RecordView::refresh() {
    d->requireOpen();
    d->cancelPending();
    d->followReplacedFile();
    if (d->server) {
        d->keys = d->server->keys(source_, d->params);
        d->removed.clear();
        d->invalidate();
        d->pos = 0;
        d->settle();
        return;
    }
    // The same query, asking only for the keys of the result in its order.
    std::string sql =
        source_ ? kSelectKey + std::string(source_ + std::char_traits<char>::length(kSelectStar))
                : kSelectKey + utf8(quoted(table_));
    // Asked for its keys alone, a whole table would be read through an index
    // that holds them (in the order of the indexed names); the records come in
    // the table's own order, as "select *" returns them.
    if (isWholeTable(sql)) sql += " NOT INDEXED";

    std::vector<std::int64_t> keys;
    try {
        SQLite::Statement query(d->conn.db(), sql);
        if (query.getBindParameterCount() != static_cast<int>(d->params.size()))
            d->fail(kBadSource.arg(QString::fromStdString(sql)));
        for (qsizetype i = 0; i < d->params.size(); ++i)
            query.bind(static_cast<int>(i) + 1, utf8(d->params[i]));
        while (query.executeStep())
            keys.push_back(query.getColumn(0).getInt64());
    } catch (const SQLite::Exception& e) {
        d->engineFailure(e);
    }

    d->keys = std::move(keys);
    d->removed.clear();
    d->invalidate();
    d->pos = 0;
    d->settle();
}

void RecordView::readKeyedTexts(const char* sql, const QStringList& params,
                                const KeyedTextsFn& fn) {
    d->requireOpen();
    d->followReplacedFile();
    if (d->server) {
        d->server->keyedTexts(sql, params, fn);
        return;
    }
    // Straight on the engine's statement: a column object per value would cost
    // more than reading the record.
    sqlite3* db = d->conn.db().getHandle();
    sqlite3_stmt* prepared = nullptr;
    if (const int code = sqlite3_prepare_v2(db, sql, -1, &prepared, nullptr); code != SQLITE_OK) {
        sqlite3_finalize(prepared);
        d->engineFailure(resultCode(db, code));
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(prepared,
                                                                          sqlite3_finalize);
    if (sqlite3_bind_parameter_count(prepared) != static_cast<int>(params.size()))
        d->fail(kBadSource.arg(QString::fromUtf8(sql)));
    for (qsizetype i = 0; i < params.size(); ++i) {
        const std::string value = utf8(params[i]);
        sqlite3_bind_text(prepared, static_cast<int>(i) + 1, value.data(),
                          static_cast<int>(value.size()), SQLITE_TRANSIENT);
    }
    const int width = sqlite3_column_count(prepared);
    std::vector<std::string_view> texts(static_cast<std::size_t>(std::max(width - 1, 1)));
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(prepared)) == SQLITE_ROW) {
        for (int i = 1; i < width; ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(prepared, i));
            const int bytes = sqlite3_column_bytes(prepared, i);
            texts[static_cast<std::size_t>(i - 1)] =
                text ? std::string_view(text, static_cast<std::size_t>(bytes)) : std::string_view();
        }
        fn(sqlite3_column_int64(prepared, 0), texts.data());
    }
    if (step != SQLITE_DONE) d->engineFailure(resultCode(db, step));
}

RecordView::Stamp RecordView::stamp() const {
    // A file replaced since it was opened is read again at the next refresh();
    // a server's table tells by what the program's listeners heard.
    if (d->server) return d->server->stamp().value_or(Stamp{});
    if (!d->conn.isOpen() || d->conn.fileReplaced()) return {};
    Stamp stamp;
    stamp.opening = d->conn.opening();
    stamp.changes = sqlite3_total_changes64(d->conn.db().getHandle());
    try {
        stamp.version = d->conn.db().execAndGet("PRAGMA data_version").getInt64();
    } catch (const SQLite::Exception&) {
        return {};
    }
    return stamp;
}

bool RecordView::eof() const {
    return !d->isOpen() || d->pos >= d->keys.size();
}

void RecordView::moveFirst() {
    d->requireOpen();
    d->cancelPending();
    d->pos = 0;
    d->settle();
    if (eof()) d->fail(kNoCurrentRecord);
}

void RecordView::moveNext() {
    d->requireOpen();
    if (eof()) d->fail(kNoCurrentRecord);
    d->cancelPending();
    ++d->pos;
    d->settle();
}

QString RecordView::text(const QString& field) const {
    if (!d->isOpen()) return {};
    const auto index = static_cast<std::size_t>(d->requireColumn(field));
    if (d->mode != Impl::Mode::Browsing) return fieldText(d->buffer[index]);
    const Row* row = d->current();
    return row ? fieldText((*row)[index]) : QString();
}

BoundText* RecordView::box(const char* objectName) const {
    const QLatin1String name(objectName);
    for (BoundText* box : d->boxes) {
        if (box->objectName() == name) return box;
    }
    return nullptr;
}

QVariant RecordView::field(const QString& name) const {
    d->requireOpen();
    const auto index = static_cast<std::size_t>(d->requireColumn(name));
    if (d->mode != Impl::Mode::Browsing) return d->buffer[index];
    const Row* row = d->current();
    if (!row) d->fail(kNoCurrentRecord);
    return (*row)[index];
}

void RecordView::addNew() {
    d->requireOpen();
    d->mode = Impl::Mode::Adding;
    d->buffer.assign(static_cast<std::size_t>(d->columns().size()), QVariant());
    d->touched.assign(d->buffer.size(), false);
}

void RecordView::edit() {
    d->requireOpen();
    d->cancelPending();
    const Row* row = d->current();
    if (!row) d->fail(kNoCurrentRecord);
    d->buffer = *row;
    if (d->server) {
        d->editRead = *row;
        d->buffer.pop_back(); // the version
    }
    d->touched.assign(d->buffer.size(), false);
    d->editKey = d->keys[d->pos];
    d->mode = Impl::Mode::Editing;
}

void RecordView::setField(const QString& name, const QVariant& value) {
    d->requireOpen();
    const auto index = static_cast<std::size_t>(d->requireColumn(name));
    if (d->mode == Impl::Mode::Browsing) d->fail(kNotEditing);
    d->buffer[index] = value;
    d->touched[index] = true;
}

void RecordView::update() {
    d->requireOpen();
    if (d->mode == Impl::Mode::Browsing) d->fail(kNotEditing);
    d->followReplacedFile();

    QStringList names;
    std::vector<QVariant> values;
    for (std::size_t i = 0; i < d->touched.size(); ++i) {
        if (!d->touched[i]) continue;
        names << quoted(d->columns()[static_cast<qsizetype>(i)]);
        values.push_back(d->buffer[i]);
    }
    const QString table = quoted(table_);

    if (d->server) {
        d->serverChange([&] {
            if (d->mode == Impl::Mode::Adding)
                d->server->insert(names, values, d->buffer);
            else
                d->server->update(names, values, d->editKey, d->editRead);
        });
        d->invalidate();
        d->cancelPending();
        return;
    }
    if (d->mode == Impl::Mode::Adding) {
        QString sql = QLatin1String("INSERT INTO ") + table;
        if (names.isEmpty()) {
            sql += QLatin1String(" DEFAULT VALUES");
        } else {
            QStringList marks;
            for (qsizetype i = 0; i < names.size(); ++i)
                marks << QStringLiteral("?");
            sql += QLatin1String(" (") + names.join(QLatin1String(", ")) +
                   QLatin1String(") VALUES (") + marks.join(QLatin1String(", ")) + QLatin1Char(')');
        }
        d->execute(sql, values, false);
        d->invalidate();
    } else if (!names.isEmpty()) {
        QString sql = QLatin1String("UPDATE ") + table + QLatin1String(" SET ") +
                      names.join(QLatin1String(" = ?, ")) + QLatin1String(" = ? WHERE rowid = ?");
        values.push_back(QVariant(static_cast<qlonglong>(d->editKey)));
        d->execute(sql, values, true);
        d->invalidate();
        if (d->conn.db().getChanges() == 0) d->fail(kRecordGone);
    }
    d->cancelPending();
}

void RecordView::remove() {
    d->requireOpen();
    d->cancelPending();
    d->followReplacedFile();
    if (!d->current()) d->fail(kNoCurrentRecord);
    const std::int64_t key = d->keys[d->pos];
    if (d->server) {
        const Row read = *d->current(); // the block goes if the change is lost
        d->serverChange([&] { d->server->remove(key, read); });
        d->invalidate();
        d->removed.insert(key);
        return;
    }
    d->execute(QLatin1String("DELETE FROM ") + quoted(table_) + QLatin1String(" WHERE rowid = ?"),
               {QVariant(static_cast<qlonglong>(key))}, true);
    d->invalidate();
    d->removed.insert(key);
}

void RecordView::walk(const std::function<bool()>& visit) {
    d->requireOpen();
    d->cancelPending();
    d->pos = 0;
    d->settle();
    for (; !eof(); moveNext())
        if (!visit()) return;
}

QStringList RecordView::texts(const QString& field) {
    QStringList out;
    walk([&] {
        out << text(field);
        return true;
    });
    return out;
}

QStringList RecordView::texts(const QString& field, const QString& where, const QString& value) {
    QStringList out;
    walk([&] {
        if (text(where) == value) out << text(field);
        return true;
    });
    return out;
}

bool RecordView::findExact(std::initializer_list<Exact> fields) {
    bool found = false;
    walk([&] {
        found = std::all_of(fields.begin(), fields.end(),
                            [this](const Exact& f) { return text(f.field) == f.value; });
        return !found;
    });
    return found;
}

std::size_t RecordView::resultSize() const {
    return d->keys.size();
}

void RecordView::onConnection(const std::function<void(SQLite::Database&)>& fn) {
    d->requireOpen();
    if (d->server) throw ArchiveError(fileName_, SQLITE_READONLY);
    try {
        fn(d->conn.db());
    } catch (const SQLite::Exception& e) {
        d->engineFailure(e);
    }
}

void RecordView::onServerConnection(const std::function<void(server::Connection&)>& fn) {
    d->requireOpen();
    if (!d->server) throw ArchiveError(fileName_, SQLITE_MISUSE);
    d->server->onConnection(fn);
}

void RecordView::beginTransaction() {
    d->requireOpen();
    d->followReplacedFile();
    if (d->server)
        d->server->begin();
    else
        d->conn.begin();
    d->removedAtBegin.push_back(d->removed);
}

void RecordView::commit() {
    if (!d->isOpen() || d->removedAtBegin.empty()) return;
    try {
        if (d->server)
            d->server->commit();
        else
            d->conn.commit();
    } catch (const ArchiveError&) {
        // The connection undid the level: so does the view.
        undoLevel();
        throw;
    }
    d->removedAtBegin.pop_back();
}

void RecordView::rollback() {
    if (!d->isOpen() || d->removedAtBegin.empty()) return;
    if (d->server)
        d->server->rollback();
    else
        d->conn.rollback();
    undoLevel();
}

void RecordView::undoLevel() {
    d->removed = std::move(d->removedAtBegin.back());
    d->removedAtBegin.pop_back();
    d->cancelPending();
    d->invalidate();
}

} // namespace orvena
