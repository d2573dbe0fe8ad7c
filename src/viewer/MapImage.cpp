#include "viewer/MapImage.h"

#include "toolkit/Twips.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace orvena {

MapImage::MapImage(QWidget* parent)
    : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void MapImage::setPicture(const QImage& picture) {
    picture_ = picture;
    if (!stretch_) {
        width_ = twips::fromPixels(picture_.width());
        height_ = twips::fromPixels(picture_.height());
    }
    place();
    update();
}

QImage MapImage::takePicture() {
    QImage taken = std::move(picture_);
    picture_ = QImage();
    update();
    return taken;
}

void MapImage::setStretch(bool on) {
    if (stretch_ == on) return;
    stretch_ = on;
    if (!stretch_)
        setPicture(picture_);
    else
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

// Only the exposed part is painted, straight from the decoded picture: a pan
// or zoom step costs what the window shows, whatever the sheet's size.
void MapImage::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect exposed = event->rect();
    if (picture_.isNull() || width() <= 0 || height() <= 0) {
        painter.fillRect(exposed, palette().window());
        return;
    }
    if (!stretch_ || picture_.size() == size()) {
        if (!picture_.rect().contains(exposed)) painter.fillRect(exposed, palette().window());
        painter.drawImage(exposed.topLeft(), picture_, exposed);
        return;
    }
    // Stretched: the exposed part is scaled with a margin of a couple of
    // picture pixels, so that the smooth filter sees the same neighbours as in
    // a full repaint and a partial repaint leaves no seam; the painter's clip
    // keeps the margin out.
    const double sx = double(picture_.width()) / width();
    const double sy = double(picture_.height()) / height();
    const int mx = 2 + int(std::ceil(2 / sx));
    const int my = 2 + int(std::ceil(2 / sy));
    const QRect target = exposed.adjusted(-mx, -my, mx, my) & rect();
    const QRectF source(target.x() * sx, target.y() * sy, target.width() * sx,
                        target.height() * sy);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(target), picture_, source);
}

void MapImage::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit mouseMoved(twips::fromPixels(p.x()), twips::fromPixels(p.y()));
    QWidget::mouseMoveEvent(event);
}

void MapImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressed_ = true;
    QWidget::mousePressEvent(event);
}

void MapImage::mouseReleaseEvent(QMouseEvent* event) {
    const bool was = pressed_;
    pressed_ = false;
    if (event->button() == Qt::LeftButton && was && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

} // namespace orvena
