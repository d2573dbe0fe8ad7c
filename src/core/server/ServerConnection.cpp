#include "core/server/ServerConnection.h"

#include "core/base/LazyLibrary.h"

#include <QRegularExpression>
#include <QStringList>

#include <libpq-fe.h>

namespace orvena::server {

namespace {

const QString kNoLibrary = QStringLiteral(
    "La libreria di PostgreSQL (libpq) non si può caricare: %1. Gli archivi sul server %2 "
    "non si possono aprire.");
const QString kUnreachable = QStringLiteral("Il server %1 non è raggiungibile: %2");
const QString kLost = QStringLiteral("Il collegamento con il server %1 si è interrotto: %2");
const QString kRefused = QStringLiteral("Il server %1 ha rifiutato la richiesta: %2");

QString trimmed(const char* text) {
    return QString::fromUtf8(text == nullptr ? "" : text).trimmed();
}

} // namespace

ServerError::ServerError(const QString& message, QByteArray state)
    : std::runtime_error(message.toStdString())
    , message_(message)
    , state_(std::move(state)) {}

Result::Result(pg_result* result)
    : result_(result) {}
Result::~Result() {
    if (result_ != nullptr) PQclear(result_);
}
Result::Result(Result&& other) noexcept
    : result_(std::exchange(other.result_, nullptr)) {}
Result& Result::operator=(Result&& other) noexcept {
    if (this != &other) {
        if (result_ != nullptr) PQclear(result_);
        result_ = std::exchange(other.result_, nullptr);
    }
    return *this;
}
int Result::rows() const {
    return result_ == nullptr ? 0 : PQntuples(result_);
}
int Result::columns() const {
    return result_ == nullptr ? 0 : PQnfields(result_);
}
bool Result::isNull(int row, int column) const {
    return PQgetisnull(result_, row, column) != 0;
}
QByteArray Result::bytes(int row, int column) const {
    return QByteArray(PQgetvalue(result_, row, column), PQgetlength(result_, row, column));
}
std::string_view Result::view(int row, int column) const {
    return {PQgetvalue(result_, row, column), std::size_t(PQgetlength(result_, row, column))};
}
QString Result::text(int row, int column) const {
    return QString::fromUtf8(PQgetvalue(result_, row, column), PQgetlength(result_, row, column));
}
qint64 Result::integer(int row, int column) const {
    return bytes(row, column).toLongLong();
}

QVariant Result::value(int row, int column) const {
    if (isNull(row, column)) return {};
    // The server's type numbers (pg_type.h): int2, int4, int8; float4, float8.
    switch (PQftype(result_, column)) {
    case 20:
    case 21:
    case 23: return QVariant(integer(row, column));
    case 700:
    case 701: return QVariant(bytes(row, column).toDouble());
    default: return QVariant(text(row, column));
    }
}

Connection::Connection() = default;
Connection::~Connection() {
    close();
}

QString Connection::shown(const QString& connection) {
    const QByteArray text = connection.toUtf8();
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(text.constData(), &error);
    if (error != nullptr) PQfreemem(error);
    if (options == nullptr) {
        // Not read (or libpq missing): whatever follows "password=" or the
        // ':' of a URI's user goes all the same.
        QString text = connection;
        text.replace(QRegularExpression(QStringLiteral("password\\s*=\\s*('([^'\\\\]|\\\\.)*'|\\S*)"),
                                        QRegularExpression::CaseInsensitiveOption),
                     QStringLiteral("password=***"));
        text.replace(QRegularExpression(QStringLiteral("^(\\w+://[^:/@]*):[^@/]*@")),
                     QStringLiteral("\\1@"));
        return text;
    }
    QStringList parts;
    for (const PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
        if (o->val == nullptr || qstrcmp(o->keyword, "password") == 0) continue;
        QString value = QString::fromUtf8(o->val);
        if (value.isEmpty() || value.contains(QLatin1Char(' ')) ||
            value.contains(QLatin1Char('\'')) || value.contains(QLatin1Char('\\')))
            value = QLatin1Char('\'') +
                    value.replace(QLatin1String("\\"), QLatin1String("\\\\"))
                        .replace(QLatin1String("'"), QLatin1String("\\'")) +
                    QLatin1Char('\'');
        parts << QString::fromLatin1(o->keyword) + QLatin1Char('=') + value;
    }
    PQconninfoFree(options);
    return parts.join(QLatin1Char(' '));
}

QString Connection::open(const QString& connection) {
    close();
    if (!lazylibrary::available(ORVENA_PQ_LIBRARY))
        return kNoLibrary.arg(lazylibrary::loadError(ORVENA_PQ_LIBRARY), shown(connection));
    pg_conn* conn = PQconnectdb(connection.toUtf8().constData());
    if (conn == nullptr || PQstatus(conn) != CONNECTION_OK) {
        const QString why = conn == nullptr ? QStringLiteral("memoria esaurita")
                                            : trimmed(PQerrorMessage(conn));
        if (conn != nullptr) PQfinish(conn);
        return kUnreachable.arg(shown(connection), why);
    }
    conn_ = conn;
    PQsetClientEncoding(conn_, "UTF8");
    const QString host = trimmed(PQhost(conn_));
    name_ = QStringLiteral("%1 su %2:%3")
                .arg(trimmed(PQdb(conn_)), host.startsWith(QLatin1Char('/'))
                                               ? QStringLiteral("localhost")
                                               : host,
                     trimmed(PQport(conn_)));
    return {};
}

int Connection::backend() const {
    return conn_ == nullptr ? 0 : PQbackendPID(conn_);
}

void Connection::close() {
    if (conn_ != nullptr) PQfinish(conn_);
    conn_ = nullptr;
    depth_ = 0;
}

void Connection::begin() {
    exec(depth_ == 0 ? "BEGIN" : ("SAVEPOINT s" + QByteArray::number(depth_)).constData());
    ++depth_;
}

void Connection::commit() {
    --depth_;
    try {
        exec(depth_ == 0 ? "COMMIT"
                         : ("RELEASE SAVEPOINT s" + QByteArray::number(depth_)).constData());
    } catch (const ServerError&) {
        // The outermost the server undid itself; a savepoint is undone here.
        if (depth_ > 0) {
            ++depth_;
            rollback();
        }
        throw;
    }
}

void Connection::rollback() noexcept {
    if (depth_ == 0) return;
    --depth_;
    try {
        exec(depth_ == 0 ? "ROLLBACK"
                         : ("ROLLBACK TO SAVEPOINT s" + QByteArray::number(depth_)).constData());
    } catch (const ServerError&) {
        // The connection is gone, and the transaction with it.
    }
}

void Connection::fail(pg_result* result, const char* sql) {
    Q_UNUSED(sql);
    const QByteArray state = result == nullptr
                                 ? QByteArray()
                                 : QByteArray(PQresultErrorField(result, PG_DIAG_SQLSTATE));
    const QString why = trimmed(result == nullptr ? PQerrorMessage(conn_)
                                                  : PQresultErrorMessage(result));
    if (result != nullptr) PQclear(result);
    const bool lost = PQstatus(conn_) != CONNECTION_OK || state.startsWith("08");
    if (lost) depth_ = 0; // the transaction went with the connection
    throw ServerError((lost ? kLost : kRefused).arg(name_, why), state);
}

void Connection::reconnectIfLost() {
    // The server went away and may be back: connect again, outside a
    // transaction only (one that was open went with the connection).
    if (conn_ != nullptr && PQstatus(conn_) == CONNECTION_BAD && depth_ == 0) PQreset(conn_);
}

Result Connection::exec(const char* sql, const std::vector<Parameter>& params) {
    reconnectIfLost();
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const Parameter& p : params)
        values.push_back(p ? p->constData() : nullptr);
    pg_result* result = PQexecParams(conn_, sql, int(values.size()), nullptr, values.data(),
                                     nullptr, nullptr, 0);
    const ExecStatusType status = result == nullptr ? PGRES_FATAL_ERROR : PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail(result, sql);
    return Result(result);
}

void Connection::copyIn(const char* sql, const std::function<bool(QByteArray& piece)>& rows) {
    reconnectIfLost();
    pg_result* start = PQexec(conn_, sql);
    if (start == nullptr || PQresultStatus(start) != PGRES_COPY_IN) fail(start, sql);
    PQclear(start);
    QByteArray piece;
    bool more = true;
    while (more) {
        piece.clear();
        try {
            more = rows(piece);
        } catch (...) {
            PQputCopyEnd(conn_, "abandoned");
            while (pg_result* r = PQgetResult(conn_))
                PQclear(r);
            throw;
        }
        if (!piece.isEmpty() && PQputCopyData(conn_, piece.constData(), int(piece.size())) != 1)
            fail(nullptr, sql);
    }
    if (PQputCopyEnd(conn_, nullptr) != 1) fail(nullptr, sql);
    pg_result* end = PQgetResult(conn_);
    const bool ok = end != nullptr && PQresultStatus(end) == PGRES_COMMAND_OK;
    if (!ok) {
        while (pg_result* r = PQgetResult(conn_))
            PQclear(r);
        fail(end, sql);
    }
    PQclear(end);
    while (pg_result* r = PQgetResult(conn_))
        PQclear(r);
}

void appendCopyField(QByteArray& line, const Parameter& value) {
    if (!value) {
        line += "\\N";
        return;
    }
    for (const char c : *value) {
        switch (c) {
        case '\\': line += "\\\\"; break;
        case '\t': line += "\\t"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        default: line += c;
        }
    }
}

} // namespace orvena::server
