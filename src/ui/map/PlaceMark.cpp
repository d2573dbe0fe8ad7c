#include "ui/map/PlaceMark.h"

#include "core/base/Numbers.h"
#include "core/base/Twips.h"
#include "ui/widgets/Markers.h"

#include <QFontMetricsF>
#include <QPixmap>

#include <cmath>
#include <cstdint>

namespace orvena {

namespace {

// Character widths of the written name, in twips: the first decides whether
// the name fits on the right of the arrow, the second places it on the left.
constexpr std::int64_t kFitCharWidth = 155;
constexpr std::int64_t kPlaceCharWidth = 163;
// Where the marks were first drawn: a canvas whose top lay this far down the
// window, in twips; the arrow goes below the point when above it would leave
// less than kTopRoom between the two.
constexpr double kCanvasTop = 960;
constexpr double kTopRoom = 201;

// Courier New, bold, 14.25 points: 19 pixels at 96 dots an inch, given in
// pixels so that the written names have the same size on every screen. Made
// and measured once: matching a font costs more than a marking.
const QFont& nameFont() {
    static const QFont font = [] {
        QFont f(QStringLiteral("Courier New"));
        f.setStyleHint(QFont::TypeWriter);
        f.setBold(true);
        f.setPixelSize(19);
        return f;
    }();
    return font;
}

double nameAscent() {
    static const double ascent = QFontMetricsF(nameFont()).ascent();
    return ascent;
}

// Black round a light text, white round a dark one.
QColor contrastingHalo(const QColor& text) {
    return qGray(text.rgb()) >= 128 ? QColor(Qt::black) : QColor(Qt::white);
}

// The arrows as a pixmap gives them back: in the painter's own premultiplied
// pixels, which every paint of the map then draws without converting them.
const QImage& paintable(bool down) {
    static const QImage downArrow = QPixmap::fromImage(markers::downArrow()).toImage();
    static const QImage upArrow = QPixmap::fromImage(markers::upArrow()).toImage();
    return down ? downArrow : upArrow;
}

Mark arrow(const QImage& picture, double x, double y) {
    Mark m;
    m.picture = picture;
    m.at = QPointF(std::round(twips::toPixelsF(x)), std::round(twips::toPixelsF(y)));
    return m;
}

} // namespace

std::vector<Mark> placeMark(const QString& name, double x, double y, double sheetWidth,
                            const QColor& colour) {
    std::vector<Mark> marks;
    const auto fitWidth = checkedInt32(kFitCharWidth * name.size());
    const double room = fitWidth ? sheetWidth - x - *fitWidth : -1.0;
    const double textX = room < 0 ? x - double(kPlaceCharWidth * name.size()) + 100 : x + 100;
    double textY;
    if (kCanvasTop - y - 350 < kTopRoom) {
        marks.push_back(arrow(paintable(true), x, y));
        textY = y - 350;
    } else {
        marks.push_back(arrow(paintable(false), x + 100, y + 350));
        textY = y + 700;
    }
    if (!name.isEmpty()) {
        Mark text;
        text.font = nameFont();
        text.at = QPointF(twips::toPixelsF(textX),
                          twips::toPixelsF(textY) + nameAscent());
        text.text = name;
        text.colour = colour;
        text.halo = contrastingHalo(colour);
        marks.push_back(std::move(text));
    }
    return marks;
}

} // namespace orvena
