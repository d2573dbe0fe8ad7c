#include "ui/map/RulerLayer.h"

#include "ui/map/EarthView.h"

#include <QPainterPath>

namespace orvena {

RulerLayer::RulerLayer(const MapView& view, QObject* parent)
    : QObject(parent)
    , view_(view) {}

void RulerLayer::add(LonLat wgs84, double tolerance) {
    ruler_.add(wgs84, tolerance);
    emit changed();
}

void RulerLayer::movePointer(std::optional<LonLat> wgs84) {
    pointer_ = wgs84;
    if (!ruler_.empty() && !ruler_.closed()) emit changed();
}

void RulerLayer::clear() {
    ruler_.clear();
    pointer_.reset();
    emit changed();
}

void RulerLayer::paint(QPainter& p, const QTransform& sheetToView) const {
    if (ruler_.empty()) return;
    const EarthView view(view_, p, sheetToView);
    if (!view.frame.isValid()) return;
    std::vector<LonLat> line = ruler_.points();
    if (ruler_.closed()) line.push_back(line.front());
    const std::vector<QPointF> at = view.frame.fromWgs84(line);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF drawn;
    for (const QPointF& q : at)
        if (std::isfinite(q.x())) drawn << view.toView(q);
    if (ruler_.closed()) {
        QPainterPath area;
        area.addPolygon(drawn);
        p.fillPath(area, QColor(255, 200, 0, 60));
    }
    p.setPen(QPen(Qt::white, 5));
    p.drawPolyline(drawn);
    p.setPen(QPen(Qt::black, 2));
    p.drawPolyline(drawn);
    p.setBrush(Qt::yellow);
    for (const QPointF& q : drawn)
        p.drawEllipse(q, 4, 4);
    if (pointer_ && !ruler_.closed() && !drawn.isEmpty()) {
        if (const auto to = view.frame.fromWgs84(*pointer_)) {
            p.setPen(QPen(Qt::black, 2, Qt::DashLine));
            p.drawLine(drawn.back(), view.toView(*to));
        }
    }
}

} // namespace orvena
