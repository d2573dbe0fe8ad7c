#include "ui/widgets/Canvas.h"

#include "core/base/Twips.h"

#include <QFontMetricsF>

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

// Black round a light text, white round a dark one.
QColor contrastingHalo(const QColor& text) {
    return qGray(text.rgb()) >= 128 ? QColor(Qt::black) : QColor(Qt::white);
}

} // namespace

Canvas::Canvas(QWidget* parent)
    : QWidget(parent) {
    setFont(canvasFont());
}

void Canvas::setComposition(const Composition& composition) {
    composition_ = composition;
    currentX_ = 0;
    currentY_ = 0;
    resize(composition_.size());
}

double Canvas::topTwips() const {
    return twips::fromPixels(y());
}

double Canvas::widthTwips() const {
    return twips::fromPixels(composition_.size().width());
}

double Canvas::heightTwips() const {
    return twips::fromPixels(composition_.size().height());
}

void Canvas::paintPicture(const QImage& picture, double x, double y) {
    if (picture.isNull() || composition_.isNull()) return;
    Mark mark;
    mark.picture = picture;
    mark.at = QPointF(std::round(twips::toPixelsF(x)), std::round(twips::toPixelsF(y)));
    composition_.add(std::move(mark));
}

void Canvas::print(const QString& text) {
    const QFontMetricsF metrics(font());
    if (!text.isEmpty() && !composition_.isNull()) {
        Mark mark;
        mark.at =
            QPointF(twips::toPixelsF(currentX_), twips::toPixelsF(currentY_) + metrics.ascent());
        mark.text = text;
        mark.font = font();
        mark.colour = foreColor_;
        mark.halo = contrastingHalo(foreColor_);
        composition_.add(std::move(mark));
    }
    currentX_ = 0;
    currentY_ += twips::fromPixels(metrics.height());
}

} // namespace orvena
