#include "ui/windows/TrackProfile.h"

#include "core/geo/TrackStats.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <span>

namespace orvena {

namespace {

constexpr double kMarginLeft = 56, kMarginRight = 56, kMarginTop = 12, kMarginBottom = 28;
// The speed of a point is taken over this many legs each side of it.
constexpr std::size_t kSpeedLegs = 5;
const QColor kElevation(70, 130, 180);
const QColor kSpeed(230, 120, 0);

QString speedText(double metresPerSecond) {
    return QStringLiteral("%1 km/h")
        .arg(QString::number(metresPerSecond * 3.6, 'f', 1).replace(u'.', u','));
}

} // namespace

TrackProfile::TrackProfile(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TrackProfile"));
    setWindowTitle(QStringLiteral("Profilo"));
    lbltratto = new QLabel(this);
    lbltratto->setObjectName(QStringLiteral("lbltratto"));
    auto* column = new QVBoxLayout(this);
    column->addStretch();
    column->addWidget(lbltratto);
    resize(720, 300);
}

void TrackProfile::setTrack(const Track& track) {
    track_ = track;
    along_ = distanceAlong(track_.points);
    speeds_.clear();
    const auto& p = track_.points;
    if (!p.empty() && p.front().hasTime() && p.back().hasTime()) {
        for (std::size_t i = 0; i < p.size(); ++i) {
            const std::size_t a = i > kSpeedLegs ? i - kSpeedLegs : 0;
            const std::size_t b = std::min(p.size() - 1, i + kSpeedLegs);
            const double dt = p[b].time - p[a].time;
            speeds_.push_back(dt > 0 ? (along_[b] - along_[a]) / dt * 3.6 : 0.0);
        }
    }
    setWindowTitle(QStringLiteral("Profilo: %1").arg(track_.name));
    range_.reset();
    describe();
    update();
}

QRectF TrackProfile::plot() const {
    const double bottom = lbltratto->geometry().top() - kMarginBottom;
    return QRectF(QPointF(kMarginLeft, kMarginTop), QPointF(width() - kMarginRight, bottom));
}

double TrackProfile::metresAt(double x) const {
    const QRectF r = plot();
    if (along_.empty() || r.width() <= 0) return 0.0;
    return std::clamp((x - r.left()) / r.width(), 0.0, 1.0) * along_.back();
}

void TrackProfile::chooseRange(double fromMetres, double toMetres) {
    if (along_.size() < 2) return;
    const auto [from, to] = std::minmax(fromMetres, toMetres);
    const auto first = std::size_t(std::lower_bound(along_.begin(), along_.end(), from) - along_.begin());
    auto last = std::size_t(std::upper_bound(along_.begin(), along_.end(), to) - along_.begin());
    last = last > 0 ? last - 1 : 0;
    if (to - from <= 0.0 || first >= last) range_.reset();
    else range_ = std::pair(first, last);
    describe();
    update();
    if (range_) emit rangeChosen(range_->first, range_->second);
    else emit rangeChosen(0, along_.size() - 1);
}

void TrackProfile::describe() {
    const auto& p = track_.points;
    if (p.empty()) {
        lbltratto->clear();
        return;
    }
    const std::size_t first = range_ ? range_->first : 0;
    const std::size_t last = range_ ? range_->second : p.size() - 1;
    const TrackFigures f = trackFigures(std::span(p).subspan(first, last - first + 1));
    QStringList parts{(range_ ? QStringLiteral("Tratto: ") : QStringLiteral("Traccia intera: ")) +
                      lengthText(f.metres)};
    if (f.seconds) parts << durationText(*f.seconds);
    if (f.ascent) parts << QStringLiteral("salita %1").arg(climbText(*f.ascent));
    if (const auto v = f.averageSpeed()) parts << QStringLiteral("media %1").arg(speedText(*v));
    lbltratto->setText(parts.join(QStringLiteral(" · ")));
}

void TrackProfile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const QRectF r = plot();
    if (along_.size() < 2 || along_.back() <= 0 || r.width() < 10 || r.height() < 10) return;
    p.setRenderHint(QPainter::Antialiasing);
    const double total = along_.back();
    double low = 0, high = 0;
    bool any = false;
    for (const TrackPoint& t : track_.points)
        if (t.hasElevation()) {
            low = any ? std::min(low, t.elevation) : t.elevation;
            high = any ? std::max(high, t.elevation) : t.elevation;
            any = true;
        }
    const auto xOf = [&](double m) { return r.left() + m / total * r.width(); };
    if (range_) {
        p.fillRect(QRectF(QPointF(xOf(along_[range_->first]), r.top()),
                          QPointF(xOf(along_[range_->second]), r.bottom())),
                   QColor(255, 230, 0, 110));
    }
    p.setPen(palette().text().color());
    p.drawRect(r);
    p.drawText(QPointF(r.left(), r.bottom() + 18), QStringLiteral("0"));
    p.drawText(QRectF(r.right() - 100, r.bottom() + 4, 100, 20), Qt::AlignRight,
               lengthText(total));
    if (any) {
        if (high - low < 10) high = low + 10;
        const auto yOf = [&](double e) { return r.bottom() - (e - low) / (high - low) * r.height(); };
        // A pixel column at a time: its highest point, so a long track costs
        // what a short one does.
        QPainterPath area(QPointF(r.left(), r.bottom()));
        int column = -1;
        double top = 0;
        for (std::size_t i = 0; i < along_.size(); ++i) {
            const TrackPoint& t = track_.points[i];
            if (!t.hasElevation()) continue;
            const int c = int(xOf(along_[i]));
            if (c != column && column >= 0) area.lineTo(column, yOf(top));
            top = c != column ? t.elevation : std::max(top, t.elevation);
            column = c;
        }
        if (column >= 0) area.lineTo(column, yOf(top));
        area.lineTo(r.right(), r.bottom());
        area.closeSubpath();
        p.fillPath(area, QColor(kElevation.red(), kElevation.green(), kElevation.blue(), 120));
        p.setPen(kElevation);
        p.drawText(QRectF(0, r.top() - 6, kMarginLeft - 4, 20), Qt::AlignRight, climbText(high));
        p.drawText(QRectF(0, r.bottom() - 14, kMarginLeft - 4, 20), Qt::AlignRight,
                   climbText(low));
    }
    if (!speeds_.empty()) {
        const double fastest = std::max(1.0, *std::max_element(speeds_.begin(), speeds_.end()));
        QPolygonF line;
        int column = -1;
        for (std::size_t i = 0; i < speeds_.size(); ++i) {
            const int c = int(xOf(along_[i]));
            if (c == column) continue;
            column = c;
            line << QPointF(c, r.bottom() - speeds_[i] / fastest * r.height());
        }
        p.setPen(QPen(kSpeed, 1.5));
        p.drawPolyline(line);
        p.drawText(QRectF(r.right() + 4, r.top() - 6, kMarginRight, 20), Qt::AlignLeft,
                   QStringLiteral("%1 km/h").arg(std::lround(fastest)));
    }
}

void TrackProfile::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragFrom_ = metresAt(event->position().x());
}

void TrackProfile::mouseMoveEvent(QMouseEvent* event) {
    if (dragFrom_) chooseRange(*dragFrom_, metresAt(event->position().x()));
}

void TrackProfile::mouseReleaseEvent(QMouseEvent* event) {
    if (dragFrom_) chooseRange(*dragFrom_, metresAt(event->position().x()));
    dragFrom_.reset();
}

} // namespace orvena
