#include "ui/map/TrackLayer.h"

#include "ui/map/EarthView.h"

#include <QFont>
#include <QPainterPath>

#include <cmath>

namespace orvena {

namespace {

// Colours that read on the sheets' paper and on each other.
const QColor kPalette[] = {QColor(220, 20, 60), QColor(0, 90, 255),   QColor(255, 0, 200),
                           QColor(0, 160, 60),  QColor(255, 120, 0), QColor(120, 0, 200),
                           QColor(0, 170, 190), QColor(140, 80, 0)};
constexpr double kLineWidth = 3.0;
constexpr double kHighlightWidth = 7.0;
constexpr double kDropBelow = 1.0; // pixels: a point this near the last drawn is left out

const QFont& nameFont() {
    static const QFont font = [] {
        QFont f(QStringLiteral("Courier New"));
        f.setStyleHint(QFont::TypeWriter);
        f.setPointSize(9);
        f.setBold(true);
        return f;
    }();
    return font;
}

// The name in colour over a halo of white, as the place marks write theirs.
void haloText(QPainter& p, QPointF at, const QString& text, const QColor& colour) {
    p.setFont(nameFont());
    p.setPen(Qt::white);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx != 0 || dy != 0) p.drawText(at + QPointF(dx, dy), text);
    p.setPen(colour);
    p.drawText(at, text);
}

// Where a point lies against a rectangle: the sides it is beyond, as bits.
int outcode(QPointF q, const QRectF& r) {
    return (q.x() < r.left() ? 1 : 0) | (q.x() > r.right() ? 2 : 0) |
           (q.y() < r.top() ? 4 : 0) | (q.y() > r.bottom() ? 8 : 0);
}

// The runs of a line that may cross clip, in widget pixels, each point at
// least kDropBelow from the last kept (the last of a run always kept).
void drawLine(QPainter& p, const std::vector<QPointF>& pixels, std::size_t first,
              std::size_t last, const EarthView& view, const QRectF& clip) {
    QPolygonF run;
    QPointF previous;
    int previousCode = -1; // no previous point
    const auto flush = [&] {
        if (run.size() >= 2) p.drawPolyline(run);
        run.clear();
    };
    for (std::size_t i = first; i <= last && i < pixels.size(); ++i) {
        const QPointF q = view.toView(pixels[i]);
        if (!std::isfinite(q.x()) || !std::isfinite(q.y())) {
            flush();
            previousCode = -1;
            continue;
        }
        const int code = outcode(q, clip);
        if (previousCode < 0) {
            previous = q;
            previousCode = code;
            continue;
        }
        if ((code & previousCode) != 0) { // the leg lies wholly beyond one side
            flush();
        } else {
            if (run.isEmpty()) run << previous;
            const QPointF d = q - run.back();
            if (std::abs(d.x()) + std::abs(d.y()) >= kDropBelow || i == last) run << q;
        }
        previous = q;
        previousCode = code;
    }
    flush();
}

} // namespace

TrackLayer::TrackLayer(const MapView& view, QObject* parent)
    : QObject(parent)
    , view_(view) {}

void TrackLayer::open(const TrackFile& file) {
    OpenTrackFile f{file.path, file.name(), {}, file.waypoints};
    for (const Track& t : file.tracks) {
        const QColor colour = kPalette[coloursGiven_++ % std::size(kPalette)];
        f.tracks.push_back({t, trackFigures(t.points), colour, true});
    }
    files_.push_back(std::move(f));
    placed_ = false;
    emit changed();
}

void TrackLayer::close(std::size_t file) {
    if (file >= files_.size()) return;
    files_.erase(files_.begin() + std::ptrdiff_t(file));
    if (highlight_ && highlight_->file == file) highlight_.reset();
    else if (highlight_ && highlight_->file > file) --highlight_->file;
    placed_ = false;
    emit fileClosed(file);
    emit changed();
}

void TrackLayer::setVisible(std::size_t file, std::size_t track, bool visible) {
    if (file >= files_.size() || track >= files_[file].tracks.size()) return;
    files_[file].tracks[track].visible = visible;
    emit changed();
}

void TrackLayer::setColour(std::size_t file, std::size_t track, const QColor& colour) {
    if (file >= files_.size() || track >= files_[file].tracks.size()) return;
    files_[file].tracks[track].colour = colour;
    emit changed();
}

void TrackLayer::setHighlight(std::size_t file, std::size_t track, std::size_t first,
                              std::size_t last) {
    highlight_ = Highlight{file, track, first, last};
    emit redrawn();
}

void TrackLayer::clearHighlight() {
    highlight_.reset();
    emit redrawn();
}

void TrackLayer::setTarget(std::optional<LonLat> wgs84, const QString& text) {
    target_ = wgs84;
    targetText_ = text;
    emit redrawn();
}

void TrackLayer::place(const SheetFrame& frame) const {
    if (placed_ && placedOn_ == frame.serial()) return;
    trackPixels_.clear();
    waypointPixels_.clear();
    for (const OpenTrackFile& f : files_) {
        auto& tracks = trackPixels_.emplace_back();
        for (const OpenTrack& t : f.tracks) {
            std::vector<LonLat> at;
            at.reserve(t.track.points.size());
            for (const TrackPoint& p : t.track.points)
                at.push_back(p.at);
            tracks.push_back(frame.fromWgs84(at));
        }
        std::vector<LonLat> at;
        for (const Waypoint& w : f.waypoints)
            at.push_back(w.at);
        waypointPixels_.push_back(frame.fromWgs84(at));
    }
    placedOn_ = frame.serial();
    placed_ = true;
}

void TrackLayer::paint(QPainter& painter, const QTransform& sheetToView) const {
    if (files_.empty() && !target_) return;
    paintOn(painter, EarthView(view_, painter, sheetToView));
}

void TrackLayer::paintOn(QPainter& p, const EarthView& view) const {
    if (!view.frame.isValid()) return;
    place(view.frame);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF clip = view.visible.adjusted(-kHighlightWidth, -kHighlightWidth,
                                              kHighlightWidth, kHighlightWidth);
    for (std::size_t fi = 0; fi < files_.size(); ++fi) {
        for (std::size_t ti = 0; ti < files_[fi].tracks.size(); ++ti) {
            const OpenTrack& t = files_[fi].tracks[ti];
            if (!t.visible) continue;
            const auto& pixels = trackPixels_[fi][ti];
            if (pixels.empty()) continue;
            if (highlight_ && highlight_->file == fi && highlight_->track == ti) {
                p.setPen(QPen(QColor(255, 230, 0, 200), kHighlightWidth, Qt::SolidLine,
                              Qt::RoundCap, Qt::RoundJoin));
                drawLine(p, pixels, highlight_->first, highlight_->last, view, clip);
            }
            p.setPen(QPen(t.colour, kLineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            drawLine(p, pixels, 0, pixels.size() - 1, view, clip);
        }
        const auto& at = waypointPixels_[fi];
        for (std::size_t wi = 0; wi < at.size(); ++wi) {
            const QPointF q = view.toView(at[wi]);
            if (!std::isfinite(q.x()) || !clip.adjusted(-200, -20, 20, 20).contains(q)) continue;
            p.setPen(QPen(Qt::white, 1.5));
            p.setBrush(QColor(0, 0, 160));
            p.drawEllipse(q, 4.5, 4.5);
            haloText(p, q + QPointF(7, -5), files_[fi].waypoints[wi].name, QColor(0, 0, 160));
        }
    }
    if (target_) {
        if (const auto at = view.frame.fromWgs84(*target_)) {
            const QPointF q = view.toView(*at);
            p.setPen(QPen(Qt::red, 2.5));
            p.drawLine(q - QPointF(10, 0), q + QPointF(10, 0));
            p.drawLine(q - QPointF(0, 10), q + QPointF(0, 10));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(q, 6, 6);
            haloText(p, q + QPointF(12, -8), targetText_, Qt::red);
        }
    }
}

} // namespace orvena
