#pragma once

// Changes other programs commit on the server, heard as they happen: a
// connection of its own LISTENs on the channel the schema's triggers notify
// (one notification per table a transaction changed, carrying the table's
// name), and the event loop wakes on its socket, so no thread and no polling.

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class QSocketNotifier;

namespace orvena::server {

class Connection;

inline constexpr const char* kChannel = "orvena";

class Listener : public QObject {
    Q_OBJECT
public:
    explicit Listener(QObject* parent = nullptr);
    ~Listener() override;

    // Connects and listens; an empty text or the Italian reason it could not.
    QString start(const QString& connection);
    bool listening() const;

    // What the listeners of this program have heard of table since it
    // started: a figure that grows with every change of table heard and
    // every time a listener stopped hearing (its changes meanwhile unknown).
    // Two equal figures, while anyListening(), mean that no change of the
    // table was committed in between (but for one not yet delivered).
    static std::uint64_t heardChanges(const QString& table);
    static bool anyListening();

signals:
    // A transaction that changed table ("area", "localita", "area_datum",
    // "area_calibration") was committed, by any program: backend is the
    // server process of the connection that committed it.
    void changed(const QString& table, int backend);
    // The connection was lost; start() again once the server is back.
    void lost();

private:
    void readable();
    void stopped();

    std::unique_ptr<Connection> connection_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace orvena::server
