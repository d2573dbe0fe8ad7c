#pragma once

// Looking for locality markers in pictures: the arrows by their pixels, the
// written names by the pixels that took the text colour.

#include "app/MainWindow.h"
#include "archive/RecordView.h"
#include "toolkit/Picture.h"
#include "viewer/Markers.h"

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QRect>

#include <optional>

namespace orvena::test {

// Where sprite's opaque pixels all lie, unchanged, in picture, with the
// sprite's top-left corner inside area; nothing when they lie nowhere there.
inline std::optional<QPoint> findSprite(const QImage& picture, const QImage& sprite,
                                        const QRect& area) {
    const QImage pic = picture.convertToFormat(QImage::Format_ARGB32);
    const QImage spr = sprite.convertToFormat(QImage::Format_ARGB32);
    const QRect corners = area.intersected(
        QRect(0, 0, pic.width() - spr.width() + 1, pic.height() - spr.height() + 1));
    for (int y = corners.top(); y <= corners.bottom(); ++y) {
        for (int x = corners.left(); x <= corners.right(); ++x) {
            bool all = true;
            for (int sy = 0; all && sy < spr.height(); ++sy)
                for (int sx = 0; all && sx < spr.width(); ++sx) {
                    const QRgb s = spr.pixel(sx, sy);
                    if (qAlpha(s) == 255 &&
                        (pic.pixel(x + sx, y + sy) & 0xFFFFFF) != (s & 0xFFFFFF))
                        all = false;
                }
            if (all) return QPoint(x, y);
        }
    }
    return std::nullopt;
}

// The colour the names are written in.
inline QRgb textColour() {
    return QApplication::palette().color(QPalette::HighlightedText).rgb() & 0xFFFFFF;
}

// The bounding box of the pixels that differ from before and have the text colour.
inline QRect textPixels(const QImage& before, const QImage& after) {
    const QImage a = before.convertToFormat(QImage::Format_RGB32);
    const QImage b = after.convertToFormat(QImage::Format_RGB32);
    QRect box;
    for (int y = 0; y < b.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < b.width(); ++x)
            if (pa[x] != pb[x] && (pb[x] & 0xFFFFFF) == textColour()) box |= QRect(x, y, 1, 1);
    }
    return box;
}

// The sheet as its file holds it.
inline QImage sheetFromFile(const QString& path) {
    return loadPicture(path).value_or(QImage());
}

// Adds a locality record through the window's locality view.
inline void addLocality(RecordView* v, const QString& area, const QString& name, const QVariant& px,
                        const QVariant& py) {
    v->addNew();
    v->setField(QStringLiteral("AREA"), area);
    v->setField(QStringLiteral("LOCALITA"), name);
    const int dms[] = {45, 20, 10, 9, 50, 5};
    const char* fields[] = {"LAGR", "LAMN", "LASE", "LOGR", "LOMN", "LOSE"};
    for (int i = 0; i < 6; ++i)
        v->setField(QLatin1String(fields[i]), dms[i]);
    v->setField(QStringLiteral("PX"), px);
    v->setField(QStringLiteral("PY"), py);
    v->update();
}

// Whether the window shows arrow blue within a few pixels of point p (the
// arrow's fill lies around its middle, (8, 10) of its 17 x 21 pixels).
inline bool arrowBlueNear(MainWindow& w, QPoint p) {
    const QImage shot = w.centralWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor fill = QColor::fromRgb(markers::downArrow().pixel(8, 10));
    for (int y = p.y() - 3; y <= p.y() + 3; ++y)
        for (int x = p.x() - 3; x <= p.x() + 3; ++x) {
            if (!shot.rect().contains(x, y)) continue;
            const QColor c = shot.pixelColor(x, y);
            if (std::abs(c.red() - fill.red()) + std::abs(c.green() - fill.green()) +
                    std::abs(c.blue() - fill.blue()) <
                30)
                return true;
        }
    return false;
}

} // namespace orvena::test
