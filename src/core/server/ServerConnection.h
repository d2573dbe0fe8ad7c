#pragma once

// One connection to the PostgreSQL server that holds an atlas, through libpq
// (loaded at the first call, core/server/PqLibrary.cpp). The connection is
// named by a libpq connection string or service ("service=atlante",
// "host=... dbname=..."): passwords come from libpq's own means (~/.pgpass,
// the service file, PGPASSWORD), TLS from its settings (sslmode ...), and no
// text the program shows ever holds a password.

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace orvena::server {

// A failure of the server or of a statement: its Italian sentence, naming
// the server, and the SQLSTATE code ("23505" ...), empty when the connection
// itself failed.
class ServerError : public std::runtime_error {
public:
    ServerError(const QString& message, QByteArray state);
    const QString& message() const { return message_; }
    const QByteArray& state() const { return state_; }
    // The connection was lost (the server went away or cannot be reached).
    // (class 08, or the server shutting down or ending the connection: 57P0x)
    bool lostConnection() const {
        return state_.isEmpty() || state_.startsWith("08") || state_.startsWith("57P0");
    }

private:
    QString message_;
    QByteArray state_;
};

// A statement's result, freed when it goes.
class Result {
public:
    explicit Result(pg_result* result = nullptr);
    ~Result();
    Result(Result&& other) noexcept;
    Result& operator=(Result&& other) noexcept;
    int rows() const;
    int columns() const;
    bool isNull(int row, int column) const;
    QByteArray bytes(int row, int column) const;
    // The same, without a copy: valid while the result lives.
    std::string_view view(int row, int column) const;
    QString text(int row, int column) const;
    qint64 integer(int row, int column) const;
    // A value as the files' engine gives it: an integer as qlonglong, a real
    // as double, a text as QString, a null as a null QVariant.
    QVariant value(int row, int column) const;

private:
    pg_result* result_;
};

// A parameter of a statement, as its text; none is SQL null.
using Parameter = std::optional<QByteArray>;

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The connection string as it may be shown: every setting given but the
    // password, in libpq's order of its settings ("postgresql://" texts too);
    // a text libpq cannot read is shown with anything after "password=" or
    // a URI's "user:" hidden.
    static QString shown(const QString& connection);

    // Connects; an empty text, or the Italian sentence saying why not.
    QString open(const QString& connection);
    void close();
    bool isOpen() const { return conn_ != nullptr; }
    // The server's process serving this connection (the one a notification
    // names), 0 when closed.
    int backend() const;
    // The server as messages name it: the database and where it is
    // ("atlante su db.example.org:5432").
    const QString& name() const { return name_; }

    // Runs one statement with its parameters bound to $1, $2 ...; ServerError
    // on a failure. A connection lost since (the server gone away, or the
    // connection ended by it) is made again first, when no transaction was
    // open on it: the failure is told once, and work goes on when the server
    // is back.
    Result exec(const char* sql, const std::vector<Parameter>& params = {});
    // Transactions one inside another: the outermost BEGIN ... COMMIT, a
    // savepoint inside. ServerError on a failure; a commit refused is undone.
    void begin();
    void commit();
    void rollback() noexcept;
    int depth() const { return depth_; }

    // COPY ... FROM STDIN: rows gives the data in COPY's text format a piece
    // at a time (answering false when there is no more). ServerError on a
    // failure; the copy is then abandoned.
    void copyIn(const char* sql, const std::function<bool(QByteArray& piece)>& rows);

    pg_conn* raw() const { return conn_; }

private:
    [[noreturn]] void fail(pg_result* result, const char* sql);
    void reconnectIfLost();

    pg_conn* conn_ = nullptr;
    QString name_;
    int depth_ = 0;
};

// A value in COPY's text format: backslash, tab, newline and carriage return
// escaped; a null as \N.
void appendCopyField(QByteArray& line, const Parameter& value);

} // namespace orvena::server
