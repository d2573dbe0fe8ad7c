#include "core/server/ServerListener.h"

#include "core/server/ServerConnection.h"

#include <QHash>
#include <QMutex>
#include <QSocketNotifier>

#include <libpq-fe.h>

namespace orvena::server {

namespace {

// What every listener of the program heard: per table, and the times one
// stopped hearing. Listeners may live on several threads.
struct Heard {
    QMutex mutex;
    QHash<QString, std::uint64_t> changes;
    std::uint64_t losses = 0;
    int listening = 0;
};

Heard& heard() {
    static Heard h;
    return h;
}

} // namespace

Listener::Listener(QObject* parent)
    : QObject(parent)
    , connection_(std::make_unique<Connection>()) {}

Listener::~Listener() {
    if (notifier_ != nullptr) stopped();
}

std::uint64_t Listener::heardChanges(const QString& table) {
    Heard& h = heard();
    const QMutexLocker lock(&h.mutex);
    return h.changes.value(table.toLower()) + h.losses;
}

bool Listener::anyListening() {
    Heard& h = heard();
    const QMutexLocker lock(&h.mutex);
    return h.listening > 0;
}

QString Listener::start(const QString& connection) {
    if (notifier_ != nullptr) stopped();
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
    Heard& h = heard();
    const QMutexLocker lock(&h.mutex);
    ++h.listening;
    return {};
}

bool Listener::listening() const {
    return notifier_ != nullptr;
}

// Whatever was committed from now until the next start() goes unheard.
void Listener::stopped() {
    delete notifier_;
    notifier_ = nullptr;
    connection_->close();
    Heard& h = heard();
    const QMutexLocker lock(&h.mutex);
    --h.listening;
    ++h.losses;
}

void Listener::readable() {
    pg_conn* conn = connection_->raw();
    if (PQconsumeInput(conn) == 0 || PQstatus(conn) != CONNECTION_OK) {
        stopped();
        emit lost();
        return;
    }
    while (PGnotify* n = PQnotifies(conn)) {
        const QString table = QString::fromUtf8(n->extra);
        const int backend = n->be_pid;
        PQfreemem(n);
        {
            Heard& h = heard();
            const QMutexLocker lock(&h.mutex);
            ++h.changes[table];
        }
        emit changed(table, backend);
    }
}

} // namespace orvena::server
