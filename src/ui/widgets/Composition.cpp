#include "ui/widgets/Composition.h"

#include "core/base/Picture.h"

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

// How far a text's halo reaches beyond its glyphs, in sheet pixels.
constexpr int kHaloReach = 1;

// Paints the marks that may touch area onto a painter that draws in sheet pixels.
// The map, the printed page and the saved picture all come from here.
void paintMarks(QPainter& p, const std::vector<Mark>& marks, const QRect& area) {
    for (const Mark& m : marks) {
        if (!m.bounds().intersects(area)) continue;
        p.save();
        if (m.picture.isNull()) {
            p.setRenderHint(QPainter::TextAntialiasing);
            p.setFont(m.font);
            // The halo is the text itself in the halo's colour, shifted by whole
            // pixels all round: the same glyphs as the text, so a part composed
            // alone has the very pixels of the whole.
            if (m.halo.isValid()) {
                p.setPen(m.halo);
                for (int dy = -kHaloReach; dy <= kHaloReach; ++dy)
                    for (int dx = -kHaloReach; dx <= kHaloReach; ++dx)
                        if (dx != 0 || dy != 0) p.drawText(m.at + QPointF(dx, dy), m.text);
            }
            p.setPen(m.colour);
            p.drawText(m.at, m.text);
        } else {
            p.drawImage(m.at, m.picture);
        }
        p.restore();
    }
}

} // namespace

void Composition::add(Mark mark) {
    if (!mark.picture.isNull()) {
        mark.box = QRectF(mark.at, QSizeF(mark.picture.size())).toAlignedRect();
    } else {
        // The glyphs' own box and the text cell, with a margin for their smoothed
        // edges and the halo.
        const QFontMetricsF metrics(mark.font);
        const QRectF cell(mark.at.x(), mark.at.y() - metrics.ascent(),
                          metrics.horizontalAdvance(mark.text), metrics.height());
        const int margin = 3 + (mark.halo.isValid() ? kHaloReach : 0);
        mark.box = (metrics.boundingRect(mark.text).translated(mark.at) | cell)
                       .toAlignedRect()
                       .adjusted(-margin, -margin, margin, margin);
    }
    marks_.push_back(std::move(mark));
}

Composition::Composition(QImage sheet, QString file)
    : sheet_(std::move(sheet))
    , file_(std::move(file))
    , size_(sheet_.size()) {}

Composition::Composition(std::shared_ptr<const PictureTiles> tiles, QString file)
    : tiles_(std::move(tiles))
    , file_(std::move(file))
    , size_(tiles_ ? tiles_->size() : QSize()) {}

void Composition::releaseSheet() {
    if (tiles_) tiles_->forget();
    if (!file_.isEmpty()) sheet_ = QImage();
}

bool Composition::reloadSheet() {
    if (!sheet_.isNull() || tiles_) return true;
    if (file_.isEmpty()) return false;
    auto picture = loadPicture(file_);
    if (!picture || picture->size() != size_) return false;
    sheet_ = *picture;
    return true;
}

QImage Composition::compose() const {
    if (tiles_) return {};
    QImage sheet = sheet_;
    if (sheet.isNull() && !file_.isEmpty()) sheet = loadPicture(file_).value_or(QImage());
    if (sheet.isNull() || marks_.empty()) return sheet;
    QImage composed = paintable(sheet.copy());
    QPainter p(&composed);
    paintMarks(p, marks_, composed.rect());
    return composed;
}

QImage Composition::composePart(const QRect& part) const {
    QImage composed = tiles_ ? tiles_->read(part, 1.0).image : paintable(sheet_.copy(part));
    if (composed.isNull()) return composed;
    QPainter p(&composed);
    p.translate(-part.topLeft());
    paintMarks(p, marks_, part);
    return composed;
}

PictureTiles::Part Composition::composeScaled(const QRect& area, double scale) const {
    if (!tiles_) {
        const QRect part = area & sheet_.rect();
        return {part.isEmpty() ? QImage() : composePart(part), QRectF(part)};
    }
    PictureTiles::Part part = tiles_->read(area, scale);
    if (part.image.isNull() || marks_.empty()) return part;
    QPainter p(&part.image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(part.image.width() / part.covered.width(), part.image.height() / part.covered.height());
    p.translate(-part.covered.topLeft());
    paintMarks(p, marks_, part.covered.toAlignedRect());
    return part;
}

std::vector<QRect> Composition::markedParts(const QRect& area) const {
    std::vector<QRect> parts;
    for (const Mark& m : marks_) {
        QRect part = m.bounds() & area;
        if (part.isEmpty()) continue;
        // Joins every part it overlaps, until it overlaps none.
        for (auto it = parts.begin(); it != parts.end();) {
            if (it->intersects(part)) {
                part |= *it;
                parts.erase(it);
                it = parts.begin();
            } else {
                ++it;
            }
        }
        parts.push_back(part);
    }
    return parts;
}

} // namespace orvena
