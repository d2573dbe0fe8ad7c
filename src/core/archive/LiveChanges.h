#pragma once

// What other programs commit to the atlas on the server, told to the windows
// once a burst of changes is over: a listener (core/server/ServerListener) on
// a connection of its own hears every committed change with the server
// process that made it; the program's own are dropped (the windows already
// show them), the others gathered for a short while and told in one go, so
// that many changes close together cost one refresh. A listener that loses
// its server tries again every second, quietly, and once back tells every
// table as changed (what was committed meanwhile went unheard).

#include "core/server/ServerListener.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace orvena {

class LiveChanges : public QObject {
    Q_OBJECT
public:
    // Whether a change committed by that server process is the program's own.
    using Own = std::function<bool(int backend)>;
    // Whether the windows cannot take a refresh now (a message or a list
    // open over them): the changes wait until they can.
    using Busy = std::function<bool()>;

    // The time a burst of changes is gathered, and between two attempts to
    // listen again.
    static constexpr int kGatherMs = 150;
    static constexpr int kRetryMs = 1000;

    // connection: the server the atlas is on. Starts listening at once (or
    // keeps trying).
    LiveChanges(QString connection, Own own, Busy busy, QObject* parent = nullptr);

    bool listening() const { return listener_.listening(); }

signals:
    // Other programs committed changes of these tables ("area", "localita",
    // "area_datum", "area_calibration"), in that order.
    void changed(const QStringList& tables);

private:
    void heard(const QString& table, int backend);
    void listenAgain();
    void tell();

    QString connection_;
    Own own_;
    Busy busy_;
    server::Listener listener_;
    QTimer gather_;
    QTimer retry_;
    QStringList pending_;
};

} // namespace orvena
