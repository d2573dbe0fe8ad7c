#pragma once

// Finding locality markers by their pixels: the arrows in a picture or on the
// window, the written names by the pixels that took the text colour.

#include "app/MainWindow.h"
#include "archive/RecordView.h"
#include "viewer/Markers.h"

#include <QApplication>
#include <QBuffer>
#include <QLineEdit>
#include <QPalette>

#include <optional>

namespace orvena::test {

// Where all of sprite's opaque pixels lie unchanged in picture, its corner within area.
inline std::optional<QPoint> findSprite(const QImage& picture, const QImage& sprite, QRect area) {
    const QImage pic = picture.convertToFormat(QImage::Format_RGB32);
    area &= QRect(0, 0, pic.width() - sprite.width() + 1, pic.height() - sprite.height() + 1);
    auto matches = [&](int x, int y) {
        for (int sy = 0; sy < sprite.height(); ++sy)
            for (int sx = 0; sx < sprite.width(); ++sx) {
                const QRgb s = sprite.pixel(sx, sy);
                if (qAlpha(s) == 255 && pic.pixel(x + sx, y + sy) != (s | 0xFF000000)) return false;
            }
        return true;
    };
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (matches(x, y)) return QPoint(x, y);
    return std::nullopt;
}

// The bounding box of the pixels that changed to the colour the names are written in.
inline QRect textPixels(const QImage& before, const QImage& after) {
    const QRgb colour = QApplication::palette().color(QPalette::HighlightedText).rgb();
    QRect box;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (after.pixel(x, y) == colour && before.pixel(x, y) != colour)
                box |= QRect(x, y, 1, 1);
    return box;
}

// Whether the window shows the arrows' blue within 3 pixels of p.
inline bool arrowBlueNear(MainWindow& w, QPoint p) {
    const QImage shot = w.centralWidget()->grab().toImage();
    const QColor fill = markers::downArrow().pixelColor(8, 10);
    for (int y = p.y() - 3; y <= p.y() + 3; ++y)
        for (int x = p.x() - 3; x <= p.x() + 3; ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (std::abs(c.red() - fill.red()) + std::abs(c.green() - fill.green()) +
                    std::abs(c.blue() - fill.blue()) <
                30)
                return true;
        }
    return false;
}

// A locality record at 45° 20' 10", 9° 50' 5".
inline void addLocality(RecordView* v, const QString& area, const QString& name, const QVariant& px,
                        const QVariant& py) {
    v->addNew();
    v->setField(QStringLiteral("AREA"), area);
    v->setField(QStringLiteral("LOCALITA"), name);
    const char* fields[] = {"LAGR", "LAMN", "LASE", "LOGR", "LOMN", "LOSE"};
    const int values[] = {45, 20, 10, 9, 50, 5};
    for (int i = 0; i < 6; ++i)
        v->setField(QLatin1String(fields[i]), values[i]);
    v->setField(QStringLiteral("PX"), px);
    v->setField(QStringLiteral("PY"), py);
    v->update();
}

// A small JPEG whose header claims width x height pixels.
inline QByteArray jpegClaiming(int width, int height) {
    QImage small(64, 64, QImage::Format_RGB32);
    small.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    small.save(&buffer, "JPEG");
    const qsizetype sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    bytes[sof + 5] = char(height >> 8);
    bytes[sof + 6] = char(height & 0xFF);
    bytes[sof + 7] = char(width >> 8);
    bytes[sof + 8] = char(width & 0xFF);
    return bytes;
}

inline QStringList boxTexts(MainWindow& w) {
    QStringList texts;
    for (QLineEdit* b : w.coordinateBoxes())
        texts << (isShown(b) ? b->text() : QString(u'-'));
    return texts;
}

} // namespace orvena::test
