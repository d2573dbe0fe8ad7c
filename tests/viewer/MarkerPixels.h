#pragma once

// Finding locality markers on the window by their pixels, and the records
// the viewer tests mark.

#include "app/MainWindow.h"
#include "archive/RecordView.h"
#include "viewer/Markers.h"

#include <QApplication>
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

inline QStringList boxTexts(MainWindow& w) {
    QStringList texts;
    for (QLineEdit* b : w.coordinateBoxes())
        texts << (isShown(b) ? b->text() : QString(u'-'));
    return texts;
}

} // namespace orvena::test
