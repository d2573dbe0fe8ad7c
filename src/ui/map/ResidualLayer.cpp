#include "ui/map/ResidualLayer.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace orvena {

namespace {

constexpr int kCross = 6; // half the cross, view pixels
constexpr double kHead = 5.0;

int enlargementFor(double longest) {
    int best = 1;
    for (int decade = 1; decade <= ResidualLayer::kMostEnlarged / 5; decade *= 10)
        for (const int step : {1, 2, 5})
            if (longest * step * decade <= ResidualLayer::kLongest) best = step * decade;
    return best;
}

} // namespace

void ResidualLayer::setPoints(std::vector<Point> points) {
    points_ = std::move(points);
    double longest = 0;
    for (const Point& p : points_)
        longest = std::max(longest, std::hypot(p.residual.x(), p.residual.y()));
    enlargement_ = enlargementFor(longest);
}

void ResidualLayer::paint(QPainter& painter, const QTransform& sheetToView) const {
    if (!border_.empty()) {
        QPolygonF outline;
        for (const QPointF& c : border_)
            outline << sheetToView.map(c);
        painter.setPen(QPen(QColor(0, 150, 0), 2.0, Qt::DashLine));
        painter.drawPolyline(outline);
        if (border_.size() >= 3) painter.drawLine(outline.last(), outline.first());
    }
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const Point& p = points_[i];
        const QColor colour = p.flagged ? QColor(220, 0, 0) : QColor(0, 70, 220);
        const QPointF at = sheetToView.map(p.at);
        const int size = int(i) == chosen_ ? 2 * kCross : kCross;
        painter.setPen(QPen(colour, int(i) == chosen_ ? 2.5 : 1.5));
        painter.drawLine(at - QPointF(size, 0), at + QPointF(size, 0));
        painter.drawLine(at - QPointF(0, size), at + QPointF(0, size));
        painter.drawText(at + QPointF(size + 2, -size - 2), QString::number(i + 1));

        const QPointF tip = sheetToView.map(p.at + p.residual * enlargement_);
        const QPointF along = tip - at;
        const double length = std::hypot(along.x(), along.y());
        if (length < 1.0) continue;
        painter.setPen(QPen(colour, 2.0));
        painter.drawLine(at, tip);
        const QPointF u = along / length, n(-u.y(), u.x());
        QPainterPath head(tip);
        head.lineTo(tip - kHead * u + kHead / 2 * n);
        head.lineTo(tip - kHead * u - kHead / 2 * n);
        head.closeSubpath();
        painter.fillPath(head, colour);
    }
}

} // namespace orvena
