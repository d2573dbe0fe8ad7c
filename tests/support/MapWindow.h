#pragma once

// What the tests of the main window and of the windows it opens share: the
// demo atlas's sheets, the pointer over the map as the user moves and clicks
// it, the coordinate boxes, the markers found by their pixels, and the
// messages told.

#include "Records.h"
#include "TestMain.h"
#include "Workspace.h"

#include "DemoAtlas.h"
#include "Sheets.h"
#include "core/base/Hourglass.h"
#include "core/base/Twips.h"
#include "ui/widgets/ActivationTracker.h"
#include "ui/widgets/ComboText.h"
#include "ui/map/MapView.h"
#include "ui/widgets/Markers.h"
#include "ui/windows/LocalityEditor.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <optional>

namespace orvena::test {

// The demo sheet most tests mark on: 1600 x 1200 pixels; VILLAFREDDA lies at
// PX 14064, PY 5110 on it.
inline const QString kNE = QStringLiteral("valfonda_ne.bmp");
inline const QString kSheetMissing =
    QStringLiteral("La cartina selezionata non è presente nella cartella,");
// The middle of the down arrow on the window after a marking at zoom 100: its
// corner lies at (5500, 3500) twips, pixel (367, 233).
inline const QPoint kArrowMiddle(367 + 8, 233 + 10);

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

// A sheet file of the test's own, width x height pixels, and its AREA record
// with the other fields given; the started window lists it anew.
inline void addSheet(Workspace& ws, const QString& name, int width, int height,
                     Fields fields = {}) {
    QVERIFY(demo::writeLargeSheet(ws.file(name), width, height).isEmpty());
    addRecord(ws.archives.Data1, {{"AREA", name}}, fields);
    ws.window().Form_Load();
}

// A copy of kNE's picture under name, with a record of its scales alone.
inline void addCopyOfNE(Workspace& ws, const QString& name) {
    QVERIFY(QFile::copy(ws.file(kNE), ws.file(name)));
    addRecord(ws.archives.Data1, {{"AREA", name}, {"COLA", 24.25}, {"COLO", 17.0}});
}

// Tells the program's windows that w became the active one.
inline void activated(QWidget* w) {
    ActivationTracker::instance().windowActivated(w);
}

// The messages shown, in order, the hourglass down at each and after them.
inline void checkTold(Workspace& ws, const QStringList& messages) {
    QCOMPARE(ws.dialogs.texts(), messages);
    for (const auto& s : ws.dialogs.shown())
        QVERIFY2(!s.hourglassBusy, qPrintable("hourglass up at: " + s.text));
    QVERIFY(!hourglass::isBusy());
}

// The one message shown (none when empty), as above.
inline void checkTold(Workspace& ws, const QString& message) {
    checkTold(ws, message.isEmpty() ? QStringList() : QStringList{message});
}

// Left, top, width and height in twips, as the image keeps them.
inline QRectF twipsOf(const MapImage* m) {
    return {m->left(), m->top(), m->widthTwips(), m->heightTwips()};
}

// The window large enough for a 700 x 600 pixel sheet at 1080, 840 to lie
// entirely inside it, so every point of the sheet can be reached by the pointer.
inline void makeRoomForTheSheet(MainWindow& w) {
    w.resize(900, 760);
    QCoreApplication::processEvents();
}

// Moves the pointer over Image1 to (x, y) twips, as the user does, and waits
// until the image has seen the move (a real window system delivers it later).
// The window system reports no move to where the pointer already is, so it
// first steps aside.
inline void pointTo(MapImage* image, int xTwips, int yTwips) {
    const auto moveTo = [image](QPoint p) {
        QSignalSpy moved(image, &MapImage::mouseMoved);
        QTest::mouseMove(image, p);
        const QVariantList expected{twips::fromPixels(p.x()), twips::fromPixels(p.y())};
        QTRY_VERIFY(!moved.isEmpty() && moved.last() == expected);
    };
    const QPoint target(twips::toPixels(xTwips), twips::toPixels(yTwips));
    if (QCursor::pos() == image->mapToGlobal(target))
        moveTo(target + QPoint(target.x() > 0 ? -1 : 1, 0));
    moveTo(target);
}

// Moves to (x, y) twips and clicks there.
inline void clickAt(MapImage* image, int xTwips, int yTwips) {
    pointTo(image, xTwips, yTwips);
    QTest::mouseClick(image, Qt::LeftButton, {},
                      QPoint(twips::toPixels(xTwips), twips::toPixels(yTwips)));
}

// The locality editor opened and its "Clicca la posizione" pressed: the map
// awaits a click for it.
inline LocalityEditor& awaitPosition(MainWindow& w) {
    w.mnlocagg->trigger();
    LocalityEditor& e = *w.localityEditor();
    e.cmdpixel_Click();
    return e;
}

// Types a point into the six coordinate boxes, as the user does: their texts
// joined by '|' (latitude degrees, minutes, seconds, longitude degrees,
// minutes, seconds); boxes left out are emptied. Not typed, the texts are put
// into the boxes directly.
inline void typePoint(MainWindow& w, const QString& point, bool typed = true) {
    const auto boxes = w.coordinateBoxes();
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        boxes[i]->clear();
        if (typed) QTest::keyClicks(boxes[i], point.section(u'|', i, i));
        if (!typed) boxes[i]->setText(point.section(u'|', i, i));
    }
}

// Puts the texts into the six boxes directly: for what the keyboard filter
// keeps from being typed (a minus sign).
inline void setPoint(MainWindow& w, const QString& point) {
    typePoint(w, point, false);
}

// The texts of the six boxes joined by '|'; a hidden one reads as hidden when
// that is given.
inline QString boxTexts(MainWindow& w, const QString& hidden = QString()) {
    QStringList texts;
    for (QLineEdit* b : w.coordinateBoxes())
        texts << (hidden.isNull() || isShown(b) ? b->text() : hidden);
    return texts.join(u'|');
}

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
    const QRgb fill = markers::downArrow().pixel(8, 10);
    for (int y = p.y() - 3; y <= p.y() + 3; ++y)
        for (int x = p.x() - 3; x <= p.x() + 3; ++x) {
            const QRgb c = shot.pixel(x, y);
            if (std::abs(qRed(c) - qRed(fill)) + std::abs(qGreen(c) - qGreen(fill)) +
                    std::abs(qBlue(c) - qBlue(fill)) <
                30)
                return true;
        }
    return false;
}

} // namespace orvena::test
