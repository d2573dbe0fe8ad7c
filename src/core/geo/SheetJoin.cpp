#include "core/geo/SheetJoin.h"

#include <cmath>
#include <optional>

namespace orvena {

namespace {

constexpr int kAlongSide = 8;     // points along each side of the border
constexpr int kMeshCells[] = {8, 32}; // cells a side when one transform will not do
constexpr double kTolerance = 0.5; // shown pixels

std::optional<QPointF> carry(const SheetFrame& from, const SheetFrame& to, QPointF p) {
    const auto earth = from.toWgs84(p);
    if (!earth) return std::nullopt;
    const auto at = to.fromWgs84(*earth);
    if (!at || !std::isfinite(at->x()) || !std::isfinite(at->y())) return std::nullopt;
    return at;
}

QPolygonF quadOf(const QRectF& r) {
    return QPolygonF({r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()});
}

double areaOf(const QPolygonF& p) {
    double twice = 0.0;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QPointF a = p[i], b = p[(i + 1) % p.size()];
        twice += a.x() * b.y() - b.x() * a.y();
    }
    return std::abs(twice) / 2.0;
}

// The transform of a cell from its corners' places; nothing when a corner has
// none or the quad folds.
std::optional<QTransform> cellTransform(const SheetFrame& from, const SheetFrame& to,
                                        const QRectF& cell) {
    QPolygonF placed;
    for (const QPointF& c : quadOf(cell)) {
        const auto at = carry(from, to, c);
        if (!at) return std::nullopt;
        placed << *at;
    }
    QTransform t;
    if (!QTransform::quadToQuad(quadOf(cell), placed, t)) return std::nullopt;
    return t;
}

// Whether t places the points inside r where the frames do, within the tolerance.
bool closeEnough(const SheetFrame& from, const SheetFrame& to, const QRectF& r,
                 const QTransform& t) {
    for (const double u : {0.25, 0.5, 0.75})
        for (const double v : {0.25, 0.5, 0.75}) {
            const QPointF p(r.left() + u * r.width(), r.top() + v * r.height());
            const auto at = carry(from, to, p);
            if (!at) return false;
            const QPointF d = t.map(p) - *at;
            if (std::hypot(d.x(), d.y()) > kTolerance) return false;
        }
    return true;
}

} // namespace

SheetJoin joinSheets(const SheetFrame& shown, const SheetFrame& neighbour,
                     const std::vector<QPointF>& border) {
    SheetJoin join;
    if (!shown.isValid() || !neighbour.isValid()) return join;
    const QRectF image(QPointF(0, 0), QSizeF(neighbour.size()));
    QPolygonF outline = border.size() >= 3 ? QPolygonF(QList<QPointF>(border.begin(), border.end()))
                                           : quadOf(image);
    for (qsizetype i = 0; i < outline.size(); ++i) {
        const QPointF a = outline[i], b = outline[(i + 1) % outline.size()];
        for (int k = 0; k < kAlongSide; ++k) {
            const auto at = carry(neighbour, shown, a + (b - a) * (double(k) / kAlongSide));
            if (!at) return {};
            join.border << *at;
        }
    }
    const QRectF r = outline.boundingRect() & image;
    if (r.isEmpty()) return {};

    const auto whole = cellTransform(neighbour, shown, r);
    if (!whole) return {};
    join.scale = std::sqrt(areaOf(whole->map(quadOf(r))) / areaOf(quadOf(r)));
    if (closeEnough(neighbour, shown, r, *whole)) {
        join.pieces.push_back({r, *whole});
        return join;
    }
    // Finer meshes until each cell's middle lies within the tolerance.
    for (const int cells : kMeshCells) {
        join.pieces.clear();
        bool close = true;
        const double w = r.width() / cells, h = r.height() / cells;
        for (int j = 0; j < cells; ++j)
            for (int i = 0; i < cells; ++i) {
                const QRectF cell(r.left() + i * w, r.top() + j * h, w, h);
                const auto t = cellTransform(neighbour, shown, cell);
                if (!t) return {};
                const auto middle = carry(neighbour, shown, cell.center());
                if (!middle) return {};
                const QPointF d = t->map(cell.center()) - *middle;
                close = close && std::hypot(d.x(), d.y()) <= kTolerance;
                join.pieces.push_back({cell, *t});
            }
        if (close) break;
    }
    return join;
}

} // namespace orvena
