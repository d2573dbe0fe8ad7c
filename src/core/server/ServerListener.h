#pragma once

// Changes other programs commit on the server, heard as they happen: a
// connection of its own LISTENs on the channel the schema's triggers notify
// (one notification per table a transaction changed, carrying the table's
// name), and the event loop wakes on its socket, so no thread and no polling.

#include <QObject>
#include <QString>

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

signals:
    // A transaction that changed table ("area", "localita", "area_datum",
    // "area_calibration") was committed, by any program.
    void changed(const QString& table);
    // The connection was lost; start() again once the server is back.
    void lost();

private:
    void readable();

    std::unique_ptr<Connection> connection_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace orvena::server
