#include "ui/widgets/ArrowImage.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

namespace orvena {

ArrowImage::ArrowImage(Direction direction, QWidget* parent)
    : QWidget(parent)
    , direction_(direction) {}

void ArrowImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.fillRect(rect(), QColor(0xC0, 0xC0, 0xC0));
    p.setPen(pressed_ ? QColor(0x80, 0x80, 0x80) : Qt::white);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(pressed_ ? Qt::white : QColor(0x80, 0x80, 0x80));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());

    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = r.center();
    const double a = std::min(r.width(), r.height()) * 0.3;
    QPolygonF tri;
    switch (direction_) {
    case Direction::North:
        tri << QPointF(c.x(), c.y() - a) << QPointF(c.x() - a, c.y() + a * 0.7)
            << QPointF(c.x() + a, c.y() + a * 0.7);
        break;
    case Direction::South:
        tri << QPointF(c.x(), c.y() + a) << QPointF(c.x() - a, c.y() - a * 0.7)
            << QPointF(c.x() + a, c.y() - a * 0.7);
        break;
    case Direction::West:
        tri << QPointF(c.x() - a, c.y()) << QPointF(c.x() + a * 0.7, c.y() - a)
            << QPointF(c.x() + a * 0.7, c.y() + a);
        break;
    case Direction::East:
        tri << QPointF(c.x() + a, c.y()) << QPointF(c.x() - a * 0.7, c.y() - a)
            << QPointF(c.x() - a * 0.7, c.y() + a);
        break;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(tri);
}

void ArrowImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = true;
    update();
}

void ArrowImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    update();
    if (rect().contains(event->position().toPoint())) emit clicked();
}

void ArrowImage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    emit doubleClicked();
}

} // namespace orvena
