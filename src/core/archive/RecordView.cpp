#include "core/archive/RecordView.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/ArchiveFile.h"
#include "core/archive/FieldText.h"
#include "core/archive/LockWaits.h"
#include "core/archive/Transaction.h"

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

// Each opening of a file gets its own number, so that a file opened again
// never looks unchanged.
std::uint64_t openings = 0;

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

// Binds a value the way the engine converts it: numbers as numbers, a text as
// a text (the column's affinity turns a numeric text into a number), a null
// QVariant as NULL.
void bindValue(SQLite::Statement& statement, int index, const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        statement.bind(index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        statement.bind(index, static_cast<std::int64_t>(value.toLongLong()));
        break;
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        statement.bind(index, static_cast<std::int64_t>(value.toULongLong()));
        break;
    case QMetaType::Float:
    case QMetaType::Double:
        statement.bind(index, value.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        statement.bind(index, static_cast<const void*>(bytes.constData()),
                       static_cast<int>(bytes.size()));
        break;
    }
    default:
        statement.bind(index, utf8(value.toString()));
        break;
    }
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

    // The statement is declared after the database so that it goes first.
    std::unique_ptr<SQLite::Database> db;
    std::unique_ptr<SQLite::Statement> blockQuery;
    QStringList columns; // the table's fields, in their stored order

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
    // The file as opened, and the number of that opening.
    QString path;
    std::uint64_t opening = 0;
    Row buffer;
    std::vector<bool> touched;
    std::int64_t editKey = 0;

    // Open transactions and what `removed` was when each began.
    TransactionLevels levels{"nested", TransactionLevels::Lock::Immediate};
    std::vector<std::unordered_set<std::int64_t>> removedAtBegin;

    explicit Impl(RecordView* v)
        : view(v) {}

    [[noreturn]] void fail(const QString& text) const { throw ArchiveError(text); }

    [[noreturn]] void engineFailure(int code) const { throw ArchiveError(view->fileName_, code); }
    [[noreturn]] void engineFailure(const SQLite::Exception& e) const {
        engineFailure(resultCode(e));
    }

    void requireOpen() const {
        if (!db) fail(kNotOpen.arg(view->fileName_));
    }

    int columnIndex(const QString& name) const {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (columns[i].compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
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

        std::vector<std::optional<Row>> rows(count);
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
            const int width = static_cast<int>(columns.size());
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

    // Runs a write. Another program may replace the file between the look
    // before the change and the write itself (a compaction renames its file
    // over the archive while this write waits for the lock): the engine then
    // refuses the write on the old file, and it goes to the file under the
    // view's name instead, unless a transaction of this view holds the old
    // one. A keyed write (of the record the view stands on) goes there only
    // while that record is the same there.
    void execute(const QString& sql, const std::vector<QVariant>& values, bool keyed) {
        for (bool followed = false;; followed = true) {
            try {
                SQLite::Statement statement(*db, utf8(sql));
                for (std::size_t i = 0; i < values.size(); ++i)
                    bindValue(statement, static_cast<int>(i) + 1, values[i]);
                statement.exec();
                return;
            } catch (const SQLite::Exception& e) {
                if (followed || resultCode(e) != SQLITE_READONLY_DBMOVED ||
                    !removedAtBegin.empty())
                    engineFailure(e);
            }
            followReplacedFile();
            if (keyed && keys.empty()) fail(kRecordGone);
        }
    }

    // True when the file under the view's name is no longer the one the
    // connection holds: another program replaced it (a compaction writes the
    // compacted file beside the archive and renames it over it) or removed it.
    bool fileReplaced() const {
        int moved = 0;
        return db &&
               sqlite3_file_control(db->getHandle(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) ==
                   SQLITE_OK &&
               moved != 0;
    }

    // Opens the connection to the file at path in place of the one there is,
    // which stays when this fails: an empty text, or why it failed (as
    // start-up tells it, or as a sentence of its own later on). An archive
    // that may not be written is opened for reading only; one that may gains
    // the program's indexes when it lacks them.
    QString connect(bool atStartUp) {
        QStringList fields = archivefile::requiredColumns(view->table_);
        for (const BoundSpec& bound : boxSpecs) {
            const QString field = QString::fromLatin1(bound.field);
            if (!fields.contains(field, Qt::CaseInsensitive)) fields << field;
        }
        const QString problem = atStartUp ? archivefile::check(path, view->table_, fields)
                                          : archivefile::describe(path, view->table_, fields);
        if (!problem.isEmpty()) return problem;
        try {
            const bool writable = archivefile::canWrite(path);
            auto fresh = std::make_unique<SQLite::Database>(
                archivefile::nativePath(path),
                (writable ? SQLite::OPEN_READWRITE : SQLite::OPEN_READONLY) | SQLite::OPEN_NOMUTEX);
            fresh->setBusyTimeout(lockwait::kWindowMs);
            // Indexes speed up the look-ups but nothing depends on them.
            if (writable && sqlite3_db_readonly(fresh->getHandle(), "main") == 0) {
                for (const char* index : archivefile::indexStatements(view->table_)) {
                    try {
                        fresh->exec(index);
                    } catch (const SQLite::Exception& e) {
                        if ((e.getErrorCode() & 0xff) != SQLITE_READONLY) throw;
                    }
                }
            }
            QStringList freshColumns = readColumns(*fresh);
            auto freshQuery = blockQueryFor(*fresh, freshColumns);
            blockQuery.reset();
            db = std::move(fresh);
            columns = std::move(freshColumns);
            blockQuery = std::move(freshQuery);
            opening = ++openings;
        } catch (const SQLite::Exception& e) {
            const int code = resultCode(e);
            return atStartUp ? archivefile::engineRefusal(path, code)
                             : failureMessageAt(path, code);
        }
        return {};
    }

    // Before a change, and before a read that would show what the file held
    // when it was opened: a file replaced since is opened again, so the change
    // goes to the file under the view's name. The result keeps its keys, which
    // a compaction keeps too; if the record the view stands on is not the same
    // there, the result is dropped, and so is a record being edited. Inside a
    // transaction nothing can replace the file.
    void followReplacedFile() {
        if (!removedAtBegin.empty() || !fileReplaced()) return;
        const bool known =
            blockFirst != kNoBlock && pos >= blockFirst && pos - blockFirst < block.size();
        const std::optional<Row> before = known ? block[pos - blockFirst] : std::nullopt;
        const QStringList columnsBefore = columns;
        // The file under the view's name cannot be opened again (removed, or
        // no archive of ours): the sentence naming it.
        if (!QFileInfo::exists(path))
            throw ArchiveError(view->fileName_, SQLITE_CANTOPEN, archivefile::missing(path));
        if (const QString problem = connect(false); !problem.isEmpty())
            throw ArchiveError(view->fileName_, SQLITE_CANTOPEN, problem);
        invalidate();
        const Row* now = rowAt(pos);
        const bool same = columns == columnsBefore &&
                          (!known || (before && now && *before == *now) || (!before && !now));
        if (same) return;
        keys.clear();
        removed.clear();
        pos = 0;
        if (mode == Mode::Editing || (mode == Mode::Adding && columns != columnsBefore)) {
            cancelPending();
            fail(kRecordGone);
        }
    }

    QStringList readColumns(SQLite::Database& on) const {
        QStringList names;
        SQLite::Statement info(on, "select name from pragma_table_info(?)");
        info.bind(1, utf8(view->table_));
        while (info.executeStep())
            names << QString::fromUtf8(info.getColumn(0).getText());
        return names;
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
    , d(std::make_unique<Impl>(this))
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
    d->path = QDir(folder).filePath(fileName_);
    if (!QFileInfo::exists(d->path)) return archivefile::missing(d->path);
    return d->connect(true);
}

void RecordView::close() {
    d->cancelPending();
    d->invalidate();
    d->keys.clear();
    d->removed.clear();
    d->pos = 0;
    d->removedAtBegin.clear();
    d->levels.clear();
    d->blockQuery.reset();
    d->db.reset();
    d->columns.clear();
}

bool RecordView::isOpen() const {
    return d->db != nullptr;
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
        SQLite::Statement query(*d->db, sql);
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
    // Straight on the engine's statement: a column object per value would cost
    // more than reading the record.
    sqlite3* db = d->db->getHandle();
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
    // A file replaced since it was opened is read again at the next refresh().
    if (!d->db || d->fileReplaced()) return {};
    Stamp stamp;
    stamp.opening = d->opening;
    stamp.changes = sqlite3_total_changes64(d->db->getHandle());
    try {
        stamp.version = d->db->execAndGet("PRAGMA data_version").getInt64();
    } catch (const SQLite::Exception&) {
        return {};
    }
    return stamp;
}

bool RecordView::eof() const {
    return !d->db || d->pos >= d->keys.size();
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
    if (!d->db) return {};
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
    d->buffer.assign(static_cast<std::size_t>(d->columns.size()), QVariant());
    d->touched.assign(d->buffer.size(), false);
}

void RecordView::edit() {
    d->requireOpen();
    d->cancelPending();
    const Row* row = d->current();
    if (!row) d->fail(kNoCurrentRecord);
    d->buffer = *row;
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
        names << quoted(d->columns[static_cast<qsizetype>(i)]);
        values.push_back(d->buffer[i]);
    }
    const QString table = quoted(table_);

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
        if (d->db->getChanges() == 0) d->fail(kRecordGone);
    }
    d->cancelPending();
}

void RecordView::remove() {
    d->requireOpen();
    d->cancelPending();
    d->followReplacedFile();
    if (!d->current()) d->fail(kNoCurrentRecord);
    const std::int64_t key = d->keys[d->pos];
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

void RecordView::beginTransaction() {
    d->requireOpen();
    d->followReplacedFile();
    if (const int code = d->levels.begin(d->db->getHandle()); code != SQLITE_OK)
        d->engineFailure(resultCode(d->db->getHandle(), code));
    d->removedAtBegin.push_back(d->removed);
}

void RecordView::commit() {
    if (!d->db || d->removedAtBegin.empty()) return;
    if (const int code = d->levels.commit(d->db->getHandle()); code != SQLITE_OK) {
        // What cannot be committed is undone: the file stays as it was.
        const int failure = resultCode(d->db->getHandle(), code);
        rollback();
        d->engineFailure(failure);
    }
    d->removedAtBegin.pop_back();
}

void RecordView::rollback() {
    if (!d->db || d->removedAtBegin.empty()) return;
    d->levels.rollback(d->db->getHandle());
    d->removed = std::move(d->removedAtBegin.back());
    d->removedAtBegin.pop_back();
    d->cancelPending();
    d->invalidate();
}

} // namespace orvena
