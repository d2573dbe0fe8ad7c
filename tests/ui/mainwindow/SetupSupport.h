#pragma once

// What the set-up and read-out tests share: the pointer over the map as the
// user moves and clicks it, and the set-up's texts as the user sees them.

#include "Workspace.h"

#include "core/base/Twips.h"
#include "ui/widgets/MapImage.h"

#include <QCursor>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace orvena::test {

inline const QString kFirstPrompt = QStringLiteral(
    "Inserisci le coordinate (Latitudine e Longitudine in gradi, minuti, secodi) del primo punto "
    "di riferimento conosciuto in alto a senistra e clicca il punto corrispondente sulla carta.");
inline const QString kSecondPrompt = QStringLiteral(
    "Inserisci le coordinate (Latitudine e Longitudine in gradi,minuti,secodi) del secondo punto "
    "di riferimento in basso a destra  e clicca il punto corrispondente sulla carta, poi premi "
    "'Registra\"");
inline const QString kBadCoordinates =
    QStringLiteral("Le coordinate del primo punto non sono corrette. Rifare il Set up");
inline const QString kSetupDone = QStringLiteral("Set up effettuato correttamente.");
inline const QString kAreaExists =
    QStringLiteral("Area già esistente. Vuoi modificare i dati dell'area?");

// The window large enough for a 700 x 600 pixel sheet at 1080, 840 to lie
// entirely inside it, so every point of the sheet can be reached by the pointer.
inline void makeRoomForTheSheet(MainWindow& w) {
    w.resize(900, 760);
    QCoreApplication::processEvents();
}

// The pixel of Image1 at (x, y) twips from its top-left corner.
inline QPoint pixelAt(int xTwips, int yTwips) {
    return {twips::toPixels(xTwips), twips::toPixels(yTwips)};
}

// Moves the pointer over Image1 to the pixel p, as the user does, and waits
// until the image has seen the move (a real window system delivers it later).
inline void movePointer(MapImage* image, const QPoint& p) {
    QSignalSpy moved(image, &MapImage::mouseMoved);
    QTest::mouseMove(image, p);
    const QVariantList expected{twips::fromPixels(p.x()), twips::fromPixels(p.y())};
    QTRY_VERIFY(!moved.isEmpty() && moved.last() == expected);
}

// Moves the pointer over Image1 to (x, y) twips. The window system reports no
// move to where the pointer already is, so it first steps aside.
inline void pointTo(MapImage* image, int xTwips, int yTwips) {
    const QPoint target = pixelAt(xTwips, yTwips);
    if (QCursor::pos() == image->mapToGlobal(target))
        movePointer(image, target + QPoint(target.x() > 0 ? -1 : 1, 0));
    movePointer(image, target);
}

// Moves to (x, y) twips and clicks there.
inline void clickAt(MapImage* image, int xTwips, int yTwips) {
    pointTo(image, xTwips, yTwips);
    QTest::mouseClick(image, Qt::LeftButton, {}, pixelAt(xTwips, yTwips));
}

// Types a point into the six boxes, as the user does (latitude degrees,
// minutes, seconds, longitude degrees, minutes, seconds).
inline void typePoint(MainWindow& w, const QStringList& six) {
    const auto boxes = w.coordinateBoxes();
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        boxes[i]->clear();
        QTest::keyClicks(boxes[i], six.value(i));
    }
}

// Puts texts into the six boxes directly: for what the keyboard filter keeps
// from being typed (a minus sign).
inline void setPoint(MainWindow& w, const QStringList& six) {
    const auto boxes = w.coordinateBoxes();
    for (qsizetype i = 0; i < boxes.size(); ++i)
        boxes[i]->setText(six.value(i));
}

inline QStringList boxTexts(MainWindow& w) {
    QStringList out;
    for (QLineEdit* b : w.coordinateBoxes())
        out << b->text();
    return out;
}

} // namespace orvena::test
