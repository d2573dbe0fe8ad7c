#include "core/archive/ServerTable.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/ArchiveFile.h"
#include "core/archive/AtlasServer.h"
#include "core/archive/FieldText.h"
#include "core/archive/ServerTexts.h"
#include "core/server/ServerConnection.h"
#include "core/server/ServerListener.h"
#include "core/server/ServerRecords.h"
#include "core/server/ServerSchema.h"

#include <QHash>

#include <atomic>
#include <sqlite3.h>

namespace orvena {

namespace {

const QString kBadSource = QStringLiteral("Origine dei record non valida: %1");
// What another user did meanwhile to the record being written: the place (or
// sheet) named.
const QString kPlaceChanged = QStringLiteral(
    "La località %1 del foglio %2 è stata modificata da un altro utente nel frattempo: la "
    "modifica non è stata registrata; ora si vedono i valori registrati.");
const QString kPlaceDeleted = QStringLiteral(
    "La località %1 del foglio %2 è stata eliminata da un altro utente nel frattempo: la "
    "modifica non è stata registrata.");
const QString kPlaceTaken = QStringLiteral(
    "La località %1 del foglio %2 c'è già: l'ha appena inserita un altro utente.");
const QString kSheetChanged = QStringLiteral(
    "Il foglio %1 è stato modificato da un altro utente nel frattempo: la modifica non è "
    "stata registrata; ora si vedono i valori registrati.");
const QString kSheetDeleted = QStringLiteral(
    "Il foglio %1 è stato eliminato da un altro utente nel frattempo: la modifica non è stata "
    "registrata.");


// A value as a statement's parameter (its text; a null as none).
server::Parameter parameterOf(const QVariant& value) {
    if (value.isNull()) return std::nullopt;
    if (value.typeId() == QMetaType::Double) return QByteArray::number(value.toDouble(), 'g', 17);
    return value.toString().toUtf8();
}

std::vector<server::Parameter> parametersOf(const QStringList& texts) {
    std::vector<server::Parameter> out;
    for (const QString& t : texts)
        out.push_back(t.toUtf8());
    return out;
}

} // namespace

ServerTable::ServerTable(QString fileName, QString table)
    : fileName_(std::move(fileName))
    , table_(std::move(table)) {}

ServerTable::~ServerTable() = default;

QString ServerTable::open(const QString& connection) {
    auto server = std::make_unique<server::Connection>();
    if (QString problem = server->open(connection); !problem.isEmpty()) return problem;
    try {
        if (!serverschema::isAtlas(*server)) return atlasserver::notAtlas(server->name());
    } catch (const server::ServerError& e) {
        return e.message();
    }
    columns_ = archivefile::requiredColumns(table_);
    server_ = std::move(server);
    static std::atomic<std::uint64_t> openings{0};
    opening_ = ++openings;
    return {};
}

std::optional<RecordView::Stamp> ServerTable::stamp() const {
    if (!server::Listener::anyListening()) return std::nullopt;
    RecordView::Stamp stamp;
    stamp.opening = opening_;
    stamp.changes = writes_;
    stamp.version = std::int64_t(server::Listener::heardChanges(table_));
    return stamp;
}

int ServerTable::backend() const {
    return server_ ? server_->backend() : 0;
}

bool ServerTable::places() const {
    return table_.compare(QLatin1String("localita"), Qt::CaseInsensitive) == 0;
}

void ServerTable::onConnection(const std::function<void(server::Connection&)>& fn) {
    try {
        fn(*server_);
    } catch (const server::ServerError& e) {
        failure(e);
    }
}

void ServerTable::failure(const server::ServerError& e) const {
    atlasserver::fail(fileName_, *server_, e);
}

std::vector<std::int64_t> ServerTable::keys(const char* source, const QStringList& params) {
    const char* sql =
        source ? servertexts::of(source) : servertexts::wholeTable(table_.toLatin1().constData());
    if (sql == nullptr) throw ArchiveError(kBadSource.arg(QString::fromUtf8(source)));
    std::vector<std::int64_t> out;
    try {
        const server::Result r = server_->exec(sql, parametersOf(params));
        out.reserve(std::size_t(r.rows()));
        for (int i = 0; i < r.rows(); ++i)
            out.push_back(r.integer(i, 0));
    } catch (const server::ServerError& e) {
        failure(e);
    }
    return out;
}

std::vector<std::optional<ServerTable::Row>> ServerTable::records(const std::int64_t* keys,
                                                                   std::size_t count) {
    QByteArray list = "{";
    QHash<qint64, std::size_t> slot;
    for (std::size_t i = 0; i < count; ++i) {
        list += (i ? "," : "") + QByteArray::number(qlonglong(keys[i]));
        slot.insert(keys[i], i);
    }
    list += '}';
    QByteArray sql = "select id";
    for (const QString& column : columns_)
        sql += ", " + column.toLatin1();
    sql += ", xmin::text from " + table_.toLatin1() + " where id = any($1::bigint[])";
    std::vector<std::optional<Row>> rows(count);
    try {
        const server::Result r = server_->exec(sql.constData(), {list});
        const int width = int(columns_.size());
        for (int i = 0; i < r.rows(); ++i) {
            const auto found = slot.constFind(r.integer(i, 0));
            if (found == slot.constEnd()) continue;
            Row row;
            row.reserve(std::size_t(width + 1));
            for (int c = 0; c < width; ++c)
                row.push_back(r.value(i, c + 1));
            row.push_back(r.bytes(i, width + 1)); // the version
            rows[*found] = std::move(row);
        }
    } catch (const server::ServerError& e) {
        failure(e);
    }
    return rows;
}

void ServerTable::keyedTexts(const char* sql, const QStringList& params,
                             const RecordView::KeyedTextsFn& fn) {
    const char* text = servertexts::of(sql);
    if (text == nullptr) throw ArchiveError(kBadSource.arg(QString::fromUtf8(sql)));
    try {
        const server::Result r = server_->exec(text, parametersOf(params));
        std::vector<std::string_view> texts;
        for (int i = 0; i < r.rows(); ++i) {
            texts.clear();
            for (int c = 1; c < r.columns(); ++c)
                texts.push_back(r.view(i, c));
            if (texts.empty()) texts.emplace_back();
            fn(r.integer(i, 0), texts.data());
        }
    } catch (const server::ServerError& e) {
        failure(e);
    }
}

void ServerTable::told(server::Change change, const Row& record) {
    const QString area = fieldText(record.at(0));
    const QString name = places() ? fieldText(record.at(1)) : QString();
    QString message;
    int code = SQLITE_BUSY;
    switch (change) {
    case server::Change::Done: return;
    case server::Change::ChangedMeanwhile:
        message = places() ? kPlaceChanged.arg(name, area) : kSheetChanged.arg(area);
        break;
    case server::Change::DeletedMeanwhile:
    case server::Change::SheetGone:
        message = places() && change == server::Change::DeletedMeanwhile
                      ? kPlaceDeleted.arg(name, area)
                      : kSheetDeleted.arg(area);
        break;
    case server::Change::NameTaken:
        message = kPlaceTaken.arg(name, area);
        code = SQLITE_CONSTRAINT;
        break;
    }
    throw ArchiveError(fileName_, code, message);
}

// The written fields as the server names them, and their values.
struct ServerTable::Written {
    std::vector<QByteArray> names;
    std::vector<const char*> fields;
    std::vector<server::Parameter> values;
    Written(const QStringList& written, const std::vector<QVariant>& given) {
        for (const QString& name : written)
            names.push_back(QString(name).remove(QLatin1Char('"')).toLatin1());
        for (const QByteArray& name : names)
            fields.push_back(name.constData());
        for (const QVariant& value : given)
            values.push_back(parameterOf(value));
    }
};

void ServerTable::insert(const QStringList& names, const std::vector<QVariant>& values,
                         const Row& written) {
    ++writes_;
    const Written w(names, values);
    try {
        told(server::Records(*server_, table_.toLatin1().constData(), w.fields).insert(w.values),
             written);
    } catch (const server::ServerError& e) {
        failure(e);
    }
}

void ServerTable::update(const QStringList& names, const std::vector<QVariant>& values,
                         std::int64_t key, const Row& read) {
    ++writes_;
    const Written w(names, values);
    Row written = read;
    for (qsizetype i = 0; i < names.size(); ++i)
        written[std::size_t(columns_.indexOf(QString::fromLatin1(w.names[std::size_t(i)]),
                                             Qt::CaseInsensitive))] = values[std::size_t(i)];
    try {
        const server::StoredRow row{key, read.back().toByteArray(), {}};
        const server::Change change =
            server::Records(*server_, table_.toLatin1().constData(), w.fields)
                .update(row, w.values);
        // A record changed or gone is named as it was read; a name taken, as
        // it was to be written.
        told(change, change == server::Change::NameTaken ? written : read);
    } catch (const server::ServerError& e) {
        failure(e);
    }
}

void ServerTable::remove(std::int64_t key, const Row& read) {
    ++writes_;
    try {
        told(server::Records(*server_, table_.toLatin1().constData(), {})
                 .remove(server::StoredRow{key, read.back().toByteArray(), {}}),
             read);
    } catch (const server::ServerError& e) {
        failure(e);
    }
}

void ServerTable::begin() {
    try {
        server_->begin();
    } catch (const server::ServerError& e) {
        failure(e);
    }
}

void ServerTable::commit() {
    try {
        server_->commit();
    } catch (const server::ServerError& e) {
        failure(e);
    }
}

void ServerTable::rollback() noexcept {
    server_->rollback();
}

} // namespace orvena
