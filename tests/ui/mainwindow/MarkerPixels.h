#pragma once

// Finding locality markers on the window by their pixels, the records the
// viewer tests mark and the sheets they load.

#include "Workspace.h"

#include "DemoAtlas.h"
#include "Sheets.h"
#include "core/archive/RecordView.h"
#include "core/base/Hourglass.h"
#include "ui/mainwindow/MainWindow.h"
#include "ui/widgets/MapImage.h"
#include "ui/widgets/Markers.h"

#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QTest>

#include <initializer_list>
#include <optional>
#include <utility>

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

using Fields = std::initializer_list<std::pair<const char*, QVariant>>;

// A new record of v with the given fields.
inline void addRecord(RecordView* v, Fields fields) {
    v->addNew();
    for (const auto& [name, value] : fields)
        v->setField(QLatin1String(name), value);
    v->update();
}

// A locality record at 45° 20' 10", 9° 50' 5".
inline void addLocality(RecordView* v, const QString& area, const QString& name, const QVariant& px,
                        const QVariant& py) {
    addRecord(v, {{"AREA", area},
                  {"LOCALITA", name},
                  {"LAGR", 45},
                  {"LAMN", 20},
                  {"LASE", 10},
                  {"LOGR", 9},
                  {"LOMN", 50},
                  {"LOSE", 5},
                  {"PX", px},
                  {"PY", py}});
}

// A sheet file of the test's own, width x height pixels, and its AREA record
// with the other fields given; the started window lists it anew.
inline void addSheet(Workspace& ws, const QString& name, int width, int height,
                     Fields fields = {}) {
    QVERIFY(demo::writeLargeSheet(ws.file(name), width, height).isEmpty());
    RecordView* v = ws.archives.Data1;
    v->addNew();
    v->setField(QStringLiteral("AREA"), name);
    for (const auto& [field, value] : fields)
        v->setField(QLatin1String(field), value);
    v->update();
    ws.window().Form_Load();
}

// Left, top, width and height in twips, as the image keeps them.
inline QRectF twipsOf(const MapImage* m) {
    return {m->left(), m->top(), m->widthTwips(), m->heightTwips()};
}

// The demo sheet of a quadrant ("NE", "SO", ...).
inline QString sheet(const char* quadrant) {
    for (const auto& l : demo::sheetLayouts())
        if (l.quadrant == QLatin1String(quadrant)) return l.name;
    qFatal("no sheet %s", quadrant);
}

// The places of a demo sheet, as its list shows them.
inline QStringList placesOf(const QString& area) {
    QStringList names;
    for (const auto& p : demo::demoPlaces())
        if (p.area == area) names << p.name;
    names.sort();
    return names;
}

// The messages shown: message alone (none when empty), the hourglass down
// while it is up and after it.
inline void checkTold(Workspace& ws, const QString& message) {
    QCOMPARE(ws.dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    QVERIFY2(ws.dialogs.shown().isEmpty() || !ws.dialogs.shown().front().hourglassBusy,
             "hourglass up at the message");
    QVERIFY(!hourglass::isBusy());
}

inline QStringList boxTexts(MainWindow& w) {
    QStringList texts;
    for (QLineEdit* b : w.coordinateBoxes())
        texts << (isShown(b) ? b->text() : QString(u'-'));
    return texts;
}

} // namespace orvena::test
