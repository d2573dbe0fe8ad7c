#include "ui/map/MapView.h"

#include "core/base/Hourglass.h"
#include "core/base/Twips.h"
#include "core/state/ViewGeometry.h"
#include "ui/map/PlaceMark.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace orvena {

namespace {

// A zoom-in is refused once the image is wider or taller than this, in twips.
constexpr double kLargestTwips = 230000.0;
constexpr double kStepPercent = 10.0;

// One step of a natural size: size * 10 / 100, the product a whole number,
// the division in double precision.
double stepOf(double naturalSize) {
    return double(std::int64_t(naturalSize) * 10) / 100.0;
}

} // namespace

MapView::MapView(QWidget* parent)
    : MapImage(parent) {
    setClickTakesPoint([this] { return pickMode_; });
    connect(this, &MapImage::mouseMoved, this, [this](double x, double y) { clickAt_ = {x, y}; });
    connect(this, &MapImage::clicked, this,
            [this] { emit pointClicked(clickAt_.x(), clickAt_.y()); });
    // A drag moves the map with the pointer, one to one.
    connect(this, &MapImage::dragged, this,
            [this](double dx, double dy) { move(left() + dx, top() + dy); });
    connect(this, &MapImage::dragEnded, this, &MapView::dragReleased);
}

void MapView::setShownSheet(Sheet sheet) {
    shown_ = std::move(sheet);
    frameStale_ = true;
    if (!layers_.empty()) update();
    emit sheetShown();
}

void MapView::setFrameSource(std::function<SheetFrame(const Sheet&, QSize)> source) {
    frameSource_ = std::move(source);
    frameStale_ = true;
}

const SheetFrame& MapView::sheetFrame() const {
    const QSize size = composition().size();
    if (frameStale_ || size != frameSize_) {
        frame_ = frameSource_ && shown_.exists() && !size.isEmpty() ? frameSource_(shown_, size)
                                                                   : SheetFrame();
        frameSize_ = size;
        frameStale_ = false;
    }
    return frame_;
}

void MapView::markPlace(const QString& name, double x, double y, const QColor& colour) {
    Composition marked = composition();
    if (marked.isNull()) {
        marked_ = marked;
        return;
    }
    if (marked.marks().size() != marksCounted_) markedPlaces_.clear();
    const double sheetWidth = twips::fromPixels(marked.size().width());
    for (Mark& m : placeMark(name, x, y, sheetWidth, colour))
        marked.add(std::move(m));
    markedPlaces_.push_back({name, QPointF(x, y), colour});
    marksCounted_ = marked.marks().size();
    marked_ = marked;
    setComposition(marked);
}

void MapView::remarkPlaces(const MarkCorner& where) {
    if (composition().isNull() || composition().marks().size() != marksCounted_) {
        markedPlaces_.clear();
        return;
    }
    std::vector<MarkedPlace> now;
    for (const MarkedPlace& p : markedPlaces_)
        if (const std::optional<QPointF> corner = where(p.name))
            now.push_back({p.name, *corner, p.colour});
    const bool same = std::equal(now.begin(), now.end(), markedPlaces_.begin(), markedPlaces_.end(),
                                 [](const MarkedPlace& a, const MarkedPlace& b) {
                                     return a.name == b.name && a.corner == b.corner;
                                 });
    if (same) return;
    Composition marked = composition().unmarked();
    const double sheetWidth = twips::fromPixels(marked.size().width());
    for (const MarkedPlace& p : now)
        for (Mark& m : placeMark(p.name, p.corner.x(), p.corner.y(), sheetWidth, p.colour))
            marked.add(std::move(m));
    markedPlaces_ = std::move(now);
    marksCounted_ = marked.marks().size();
    marked_ = marked;
    setComposition(marked);
}

void MapView::releaseSheet() {
    MapImage::releaseSheet();
    marked_.releaseSheet();
}

QPointF MapView::toSheetPixels(double x, double y) const {
    const QSize sheet = composition().size();
    if (sheet.isEmpty() || widthTwips() <= 0 || heightTwips() <= 0) return {};
    return {x * sheet.width() / widthTwips(), y * sheet.height() / heightTwips()};
}

QPointF MapView::fromSheetPixels(QPointF pixel) const {
    const QSize sheet = composition().size();
    if (sheet.isEmpty()) return {};
    return {pixel.x() * widthTwips() / sheet.width(), pixel.y() * heightTwips() / sheet.height()};
}

void MapView::addLayer(const MapLayer* layer) {
    if (std::find(layers_.begin(), layers_.end(), layer) == layers_.end()) layers_.push_back(layer);
    update();
}

void MapView::removeLayer(const MapLayer* layer) {
    std::erase(layers_, layer);
    update();
}

void MapView::paintEvent(QPaintEvent* event) {
    MapImage::paintEvent(event);
    const QSize sheet = composition().size();
    if (layers_.empty() || sheet.isEmpty() || width() <= 0 || height() <= 0) return;
    QPainter painter(this);
    painter.setClipRect(event->rect()); // what a layer need not draw beyond
    painter.setRenderHint(QPainter::Antialiasing);
    const QTransform toView =
        QTransform::fromScale(stretch() ? double(width()) / sheet.width() : 1.0,
                              stretch() ? double(height()) / sheet.height() : 1.0);
    for (const MapLayer* layer : layers_) {
        painter.save();
        layer->paint(painter, toView);
        painter.restore();
    }
}

void MapView::setPickMode(bool on) {
    pickMode_ = on;
    updateCursor();
}

bool MapView::atLargestSize() const {
    return widthTwips() > kLargestTwips || heightTwips() > kLargestTwips;
}

void MapView::zoomStep(int direction, QSizeF natural) {
    const hourglass::Scope busy;
    hide();
    const double dw = direction * stepOf(natural.width());
    const double dh = direction * stepOf(natural.height());
    setTop(top() - dh / 2);
    setLeft(left() - dw / 2);
    setWidthTwips(widthTwips() + dw);
    setHeightTwips(heightTwips() + dh);
    zoom_ += direction * kStepPercent;
    emit zoomChanged(zoom_, direction);
    setStretch(true);
    show();
}

void MapView::zoomAround(int notches, QSizeF natural, double x, double y) {
    const double pointerLeft = left() + x;
    const double pointerTop = top() + y;
    const int direction = notches > 0 ? +1 : -1;
    for (int i = 0; i < std::abs(notches); ++i) {
        if (direction > 0 ? atLargestSize() : zoom_ == kStepPercent) break;
        const double across = (pointerLeft - left()) / widthTwips();
        const double down = (pointerTop - top()) / heightTwips();
        zoomStep(direction, natural);
        move(pointerLeft - across * widthTwips(), pointerTop - down * heightTwips());
    }
}

// Positions are compared, and sums taken, in single precision, as the
// controls have always kept them.
bool MapView::pastEdge(Side side) const {
    const float l = static_cast<float>(left());
    const float t = static_cast<float>(top());
    switch (side) {
    case Side::West:
        return l > view::kReferenceX;
    case Side::East:
        return l + static_cast<float>(widthTwips()) < view::kReferenceX;
    case Side::North:
        return t > view::kReferenceY;
    case Side::South:
        return t + static_cast<float>(heightTwips()) < view::kReferenceY;
    }
    return false;
}

void MapView::shift(Side side, double step) {
    switch (side) {
    case Side::East:
        setLeft(left() - step);
        break;
    case Side::West:
        setLeft(left() + step);
        break;
    case Side::North:
        setTop(top() + step);
        break;
    case Side::South:
        setTop(top() - step);
        break;
    }
}

void MapView::pan(Side side, double step) {
    if (pastEdge(side))
        emit edgePassed(side);
    else
        shift(side, step);
}

void MapView::placeAsNeighbour(Side side) {
    switch (side) {
    case Side::East:
        setLeft(view::kReferenceX);
        break;
    case Side::North:
        setTop(top() - heightTwips());
        break;
    case Side::West:
        setLeft(left() - widthTwips());
        break;
    case Side::South:
        setTop(view::kReferenceY);
        break;
    }
}

} // namespace orvena
