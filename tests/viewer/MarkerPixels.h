#pragma once

// Finding locality markers on the window by their pixels, and records and
// files for the viewer tests.

#include "app/MainWindow.h"
#include "archive/RecordView.h"
#include "viewer/Markers.h"

#include <QApplication>
#include <QBuffer>
#include <QLineEdit>
#include <QPalette>

#include <optional>

namespace orvena::test {

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
