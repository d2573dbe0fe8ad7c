#include "viewer/Canvas.h"

#include "toolkit/Twips.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace orvena {

namespace {

// Courier New, bold, 14.25 points: 19 pixels at 96 dots an inch, given in
// pixels so that the written names have the same size on every screen.
QFont canvasFont() {
    QFont f(QStringLiteral("Courier New"));
    f.setStyleHint(QFont::TypeWriter);
    f.setBold(true);
    f.setPixelSize(19);
    return f;
}

} // namespace

Canvas::Canvas(QWidget* parent)
    : QWidget(parent) {
    setFont(canvasFont());
}

void Canvas::setPicture(const QImage& picture) {
    picture_ = picture;
    currentX_ = 0;
    currentY_ = 0;
    resize(picture_.size());
}

double Canvas::topTwips() const {
    return twips::fromPixels(y());
}

double Canvas::widthTwips() const {
    return twips::fromPixels(picture_.width());
}

double Canvas::heightTwips() const {
    return twips::fromPixels(picture_.height());
}

// Whether there is a picture to paint on; a palette picture is first turned
// into one the painter can draw on.
bool Canvas::preparePainting() {
    if (picture_.isNull()) return false;
    switch (picture_.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        picture_.convertTo(picture_.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                      : QImage::Format_RGB32);
        break;
    default:
        break;
    }
    return true;
}

void Canvas::paintPicture(const QImage& picture, double x, double y) {
    if (picture.isNull() || !preparePainting()) return;
    QPainter p(&picture_);
    p.drawImage(QPointF(std::round(twips::toPixelsF(x)), std::round(twips::toPixelsF(y))), picture);
}

void Canvas::print(const QString& text) {
    const QFontMetricsF metrics(font());
    if (!text.isEmpty() && preparePainting()) {
        QPainter p(&picture_);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setFont(font());
        p.setPen(foreColor_);
        p.drawText(
            QPointF(twips::toPixelsF(currentX_), twips::toPixelsF(currentY_) + metrics.ascent()),
            text);
    }
    currentX_ = 0;
    currentY_ += twips::fromPixels(metrics.height());
}

} // namespace orvena
