#include "viewer/Composition.h"

#include "toolkit/Picture.h"

#include <QFontMetricsF>
#include <QPainter>

namespace orvena {

namespace {

// A palette or one-bit picture is turned into one the painter can draw on,
// keeping its transparency.
QImage paintable(QImage image) {
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
        break;
    default:
        break;
    }
    return image;
}

// Paints the marks that may touch area onto a painter that draws in sheet pixels.
void paintMarks(QPainter& p, const std::vector<Mark>& marks, const QRect& area) {
    for (const Mark& m : marks) {
        if (!m.bounds().intersects(area)) continue;
        p.save();
        if (m.picture.isNull()) {
            p.setRenderHint(QPainter::TextAntialiasing);
            p.setFont(m.font);
            p.setPen(m.colour);
            p.drawText(m.at, m.text);
        } else {
            p.drawImage(m.at, m.picture);
        }
        p.restore();
    }
}

} // namespace

QRect Mark::bounds() const {
    if (!picture.isNull()) return QRectF(at, QSizeF(picture.size())).toAlignedRect();
    // The glyphs' own box and the text cell, with a margin for their smoothed edges.
    const QFontMetricsF metrics(font);
    const QRectF cell(at.x(), at.y() - metrics.ascent(), metrics.horizontalAdvance(text),
                      metrics.height());
    return (metrics.boundingRect(text).translated(at) | cell)
        .toAlignedRect()
        .adjusted(-3, -3, 3, 3);
}

Composition::Composition(QImage sheet, QString file)
    : sheet_(std::move(sheet))
    , file_(std::move(file))
    , size_(sheet_.size()) {}

void Composition::releaseSheet() {
    if (!file_.isEmpty()) sheet_ = QImage();
}

bool Composition::reloadSheet() {
    if (!sheet_.isNull()) return true;
    if (file_.isEmpty()) return false;
    auto picture = loadPicture(file_);
    if (!picture || picture->size() != size_) return false;
    sheet_ = *picture;
    return true;
}

QImage Composition::compose() const {
    QImage sheet = sheet_;
    if (sheet.isNull() && !file_.isEmpty()) sheet = loadPicture(file_).value_or(QImage());
    if (sheet.isNull() || marks_.empty()) return sheet;
    QImage composed = paintable(sheet.copy());
    QPainter p(&composed);
    paintMarks(p, marks_, composed.rect());
    return composed;
}

QImage Composition::composePart(const QRect& part) const {
    QImage composed = paintable(sheet_.copy(part));
    QPainter p(&composed);
    p.translate(-part.topLeft());
    paintMarks(p, marks_, part);
    return composed;
}

bool Composition::marksTouch(const QRect& area) const {
    for (const Mark& m : marks_)
        if (m.bounds().intersects(area)) return true;
    return false;
}

} // namespace orvena
