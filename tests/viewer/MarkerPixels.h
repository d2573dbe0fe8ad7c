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
