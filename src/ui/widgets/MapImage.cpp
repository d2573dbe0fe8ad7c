#include "ui/widgets/MapImage.h"

#include "core/base/Twips.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace orvena {

MapImage::MapImage(QWidget* parent)
    : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    updateCursor();
}

void MapImage::setClickTakesPoint(std::function<bool()> takesPoint) {
    takesPoint_ = std::move(takesPoint);
    updateCursor();
}

void MapImage::updateCursor() {
    const Qt::CursorShape shape = dragging_                      ? Qt::ClosedHandCursor
                                  : takesPoint_ && takesPoint_() ? Qt::CrossCursor
                                                                 : Qt::OpenHandCursor;
    if (cursor().shape() != shape) setCursor(shape);
}

void MapImage::setPicture(const QImage& sheet, const QString& file) {
    setComposition(Composition(sheet, file));
}

void MapImage::setTiles(std::shared_ptr<const PictureTiles> tiles, const QString& file) {
    setComposition(Composition(std::move(tiles), file));
}

void MapImage::setComposition(const Composition& composition) {
    composition_ = composition;
    takeNaturalSize();
    place();
    update();
}

void MapImage::takeNaturalSize() {
    if (stretch_) return;
    width_ = twips::fromPixels(composition_.size().width());
    height_ = twips::fromPixels(composition_.size().height());
}

void MapImage::releaseSheet() {
    composition_.releaseSheet();
    update();
}

bool MapImage::restoreSheet() {
    const bool restored = composition_.reloadSheet();
    update();
    return restored;
}

void MapImage::setStretch(bool on) {
    if (stretch_ == on) return;
    stretch_ = on;
    takeNaturalSize();
    place();
    update();
}

void MapImage::setLeft(double twips) {
    left_ = twips;
    place();
}

void MapImage::setTop(double twips) {
    top_ = twips;
    place();
}

void MapImage::setWidthTwips(double twips) {
    width_ = twips;
    place();
}

void MapImage::setHeightTwips(double twips) {
    height_ = twips;
    place();
}

void MapImage::move(double left, double top) {
    left_ = left;
    top_ = top;
    place();
}

void MapImage::place() {
    const int x = twips::toPixels(left_);
    const int y = twips::toPixels(top_);
    const int w = std::max(0, twips::toPixels(width_));
    const int h = std::max(0, twips::toPixels(height_));
    if (geometry() != QRect(x, y, w, h)) setGeometry(x, y, w, h);
}

namespace {

// The marks' composed pixels put into the sheet's own memory for the time of
// one draw, and the sheet's pixels put back when it ends. The draw then reads
// exactly what a picture composed whole holds (the smooth filter included),
// while the sheet is never copied: only the few pixels under the marks are.
// Everything runs on the one user-interface thread, so no one else sees the
// sheet in between. Sheets not of 32 bits a pixel get no marks this way.
class MarksPutIn {
public:
    MarksPutIn(const Composition& composition, const QRect& area)
        : sheet_(composition.sheet()) {
        if (sheet_.depth() != 32) return;
        std::vector<std::pair<QRect, QImage>> composed;
        for (const QRect& part : composition.markedParts(area & sheet_.rect())) {
            // Composed from the clean sheet, before any is put in.
            QImage pixels = composition.composePart(part);
            if (pixels.format() != sheet_.format()) pixels.convertTo(sheet_.format());
            composed.emplace_back(part, std::move(pixels));
        }
        for (auto& [part, pixels] : composed) {
            saved_.emplace_back(part, sheet_.copy(part));
            write(part, pixels);
        }
    }
    ~MarksPutIn() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            write(it->first, it->second);
    }
    MarksPutIn(const MarksPutIn&) = delete;
    MarksPutIn& operator=(const MarksPutIn&) = delete;

private:
    void write(const QRect& part, const QImage& pixels) {
        for (int y = 0; y < part.height(); ++y) {
            // The sheet is shared (the clean sheet of the last load): writing
            // through its constant memory keeps it from being copied.
            auto* line = const_cast<uchar*>(sheet_.constScanLine(part.y() + y));
            std::memcpy(line + std::size_t(part.x()) * 4, pixels.constScanLine(y),
                        std::size_t(part.width()) * 4);
        }
    }

    const QImage& sheet_;
    std::vector<std::pair<QRect, QImage>> saved_;
};

} // namespace

// Only the exposed part is painted, straight from the decoded sheet: a pan or
// zoom step costs what the window shows, whatever the sheet's size. The marks
// over that part are put in for the draw (MarksPutIn).
void MapImage::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect exposed = event->rect();
    if (composition_.tiles()) return paintTiles(painter, exposed);
    const QImage& sheet = composition_.sheet();
    if (sheet.isNull() || width() <= 0 || height() <= 0) {
        painter.fillRect(exposed, palette().window());
        return;
    }
    if (!stretch_ || sheet.size() == size()) {
        if (!sheet.rect().contains(exposed)) painter.fillRect(exposed, palette().window());
        const MarksPutIn marks(composition_, exposed);
        painter.drawImage(exposed.topLeft(), sheet, exposed);
        return;
    }
    // Stretched: the exposed part is scaled with a margin of a couple of
    // picture pixels, so that the smooth filter sees the same neighbours as in
    // a full repaint and a partial repaint leaves no seam; the painter's clip
    // keeps the margin out.
    const double sx = double(sheet.width()) / width();
    const double sy = double(sheet.height()) / height();
    const int mx = 2 + int(std::ceil(2 / sx));
    const int my = 2 + int(std::ceil(2 / sy));
    const QRect target = exposed.adjusted(-mx, -my, mx, my) & rect();
    const QRectF source(target.x() * sx, target.y() * sy, target.width() * sx,
                        target.height() * sy);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const MarksPutIn marks(composition_, source.toAlignedRect().adjusted(-1, -1, 1, 1));
    painter.drawImage(QRectF(target), sheet, source);
}

// A sheet drawn from tiles: the exposed part (with the margin of a stretched
// paint) read at the overview nearest the size shown, the marks painted over
// it at that resolution, and drawn scaled to the widget.
void MapImage::paintTiles(QPainter& painter, const QRect& exposed) {
    const QSize sheet = composition_.size();
    if (sheet.isEmpty() || width() <= 0 || height() <= 0) {
        painter.fillRect(exposed, palette().window());
        return;
    }
    const double sx = double(sheet.width()) / width();
    const double sy = double(sheet.height()) / height();
    const bool natural = sheet == size();
    const int mx = natural ? 0 : 2 + int(std::ceil(2 / sx));
    const int my = natural ? 0 : 2 + int(std::ceil(2 / sy));
    const QRect target = exposed.adjusted(-mx, -my, mx, my) & rect();
    const QRectF source(target.x() * sx, target.y() * sy, target.width() * sx,
                        target.height() * sy);
    const PictureTiles::Part part = composition_.composeScaled(
        natural ? source.toAlignedRect() : source.toAlignedRect().adjusted(-1, -1, 1, 1),
        1.0 / std::max(sx, sy));
    if (part.image.isNull()) {
        painter.fillRect(exposed, palette().window());
        return;
    }
    const double kx = part.image.width() / part.covered.width();
    const double ky = part.image.height() / part.covered.height();
    const QRectF from((source.x() - part.covered.x()) * kx, (source.y() - part.covered.y()) * ky,
                      source.width() * kx, source.height() * ky);
    painter.setClipRect(exposed);
    if (!natural || kx != 1.0 || ky != 1.0)
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(target), part.image, from);
}

void MapImage::mouseMoveEvent(QMouseEvent* event) {
    // Moves are measured on the screen: the image itself moves with a drag.
    const QPointF at = event->globalPosition();
    if (pressed_ && !dragging_ &&
        (at - pressedAt_).manhattanLength() > QApplication::startDragDistance()) {
        dragging_ = true;
        draggedTo_ = pressedAt_;
        updateCursor();
    }
    if (dragging_) {
        const QPointF by = at - draggedTo_;
        draggedTo_ = at;
        emit dragged(twips::fromPixels(by.x()), twips::fromPixels(by.y()));
    } else {
        updateCursor();
    }
    const QPointF p = event->position();
    emit mouseMoved(twips::fromPixels(p.x()), twips::fromPixels(p.y()));
    QWidget::mouseMoveEvent(event);
}

void MapImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        pressedAt_ = event->globalPosition();
    }
    QWidget::mousePressEvent(event);
}

void MapImage::mouseReleaseEvent(QMouseEvent* event) {
    const bool was = pressed_;
    const bool dragged = dragging_;
    if (event->button() == Qt::LeftButton) {
        pressed_ = false;
        dragging_ = false;
    }
    if (event->button() == Qt::LeftButton && dragged) {
        updateCursor();
        emit dragEnded();
    } else if (event->button() == Qt::LeftButton && was &&
               rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QWidget::mouseReleaseEvent(event);
}

void MapImage::wheelEvent(QWheelEvent* event) {
    // A notch is 15 degrees, 120 eighths; finer wheels send parts of it. A
    // turn the other way starts counting afresh.
    constexpr int kNotch = 120;
    const int eighths = event->angleDelta().y();
    if (eighths == 0) return QWidget::wheelEvent(event);
    if (wheelEighths_ != 0 && (eighths > 0) != (wheelEighths_ > 0)) wheelEighths_ = 0;
    wheelEighths_ += eighths;
    const int notches = wheelEighths_ / kNotch;
    wheelEighths_ -= notches * kNotch;
    const QPointF p = event->position();
    if (notches != 0) emit wheelTurned(notches, twips::fromPixels(p.x()), twips::fromPixels(p.y()));
    event->accept();
}

void MapImage::enterEvent(QEnterEvent* event) {
    updateCursor();
    QWidget::enterEvent(event);
}

} // namespace orvena
