#include "core/server/ServerListener.h"

#include "core/server/ServerConnection.h"

#include <QSocketNotifier>

#include <libpq-fe.h>

namespace orvena::server {

Listener::Listener(QObject* parent)
    : QObject(parent)
    , connection_(std::make_unique<Connection>()) {}

Listener::~Listener() = default;

QString Listener::start(const QString& connection) {
    delete notifier_;
    notifier_ = nullptr;
    if (QString problem = connection_->open(connection); !problem.isEmpty()) return problem;
    try {
        connection_->exec((QByteArray("LISTEN ") + kChannel).constData());
    } catch (const ServerError& e) {
        connection_->close();
        return e.message();
    }
    notifier_ = new QSocketNotifier(qintptr(PQsocket(connection_->raw())),
                                    QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &Listener::readable);
    return {};
}

bool Listener::listening() const {
    return notifier_ != nullptr;
}

void Listener::readable() {
    pg_conn* conn = connection_->raw();
    if (PQconsumeInput(conn) == 0 || PQstatus(conn) != CONNECTION_OK) {
        delete notifier_;
        notifier_ = nullptr;
        connection_->close();
        emit lost();
        return;
    }
    while (PGnotify* n = PQnotifies(conn)) {
        const QString table = QString::fromUtf8(n->extra);
        PQfreemem(n);
        emit changed(table);
    }
}

} // namespace orvena::server
