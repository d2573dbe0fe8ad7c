#include "core/archive/LiveChanges.h"

namespace orvena {

namespace {

const QStringList kTables = {QStringLiteral("area"), QStringLiteral("localita"),
                             QStringLiteral("area_datum"), QStringLiteral("area_calibration")};

} // namespace

LiveChanges::LiveChanges(QString connection, Own own, Busy busy, QObject* parent)
    : QObject(parent)
    , connection_(std::move(connection))
    , own_(std::move(own))
    , busy_(std::move(busy))
    , listener_(this) {
    gather_.setSingleShot(true);
    gather_.setInterval(kGatherMs);
    retry_.setInterval(kRetryMs);
    connect(&gather_, &QTimer::timeout, this, &LiveChanges::tell);
    connect(&retry_, &QTimer::timeout, this, &LiveChanges::listenAgain);
    connect(&listener_, &server::Listener::changed, this, &LiveChanges::heard);
    connect(&listener_, &server::Listener::lost, this, [this] { retry_.start(); });
    if (!listener_.start(connection_).isEmpty()) retry_.start();
}

void LiveChanges::heard(const QString& table, int backend) {
    if (own_ && own_(backend)) return;
    if (!pending_.contains(table)) pending_ << table;
    // Gathered from the first change of a burst, not the last: a steady
    // stream of changes is still told every kGatherMs.
    if (!gather_.isActive()) gather_.start();
}

void LiveChanges::listenAgain() {
    if (!listener_.start(connection_).isEmpty()) return;
    retry_.stop();
    for (const QString& table : kTables)
        if (!pending_.contains(table)) pending_ << table;
    gather_.start();
}

void LiveChanges::tell() {
    if (pending_.isEmpty()) return;
    if (busy_ && busy_()) {
        gather_.start();
        return;
    }
    QStringList tables;
    for (const QString& table : kTables)
        if (pending_.contains(table)) tables << table;
    pending_.clear();
    emit changed(tables);
}

} // namespace orvena
