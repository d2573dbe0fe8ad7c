#pragma once

#include "ui/widgets/Composition.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

class QPainter;

namespace orvena {

// The map image (Image1): a picture placed on the main window by Left, Top,
// Width and Height in twips, kept at full precision; only the widget's own
// placement is rounded to pixels. With stretch off it takes the picture's own
// size; with stretch on the picture is scaled to its size. It paints only the
// part of the picture the window lets show, so very large sheets move freely.
//
// The picture is a sheet with the locality marks painted so far over it
// (ui/widgets/Composition): the sheet is held once, and the marks are drawn over
// the part of it that is painted, with the very pixels a composed picture has.
//
// Besides moves and clicks it reports the wheel in whole notches and drags:
// a press followed by a move of more than the platform's drag distance drags
// the image (no click then); a press and release without it stays a click.
// The cursor tells what a press does: an open hand (drag), a closed hand while
// dragging, a cross while a click takes a point.
class MapImage : public QWidget {
    Q_OBJECT
public:
    explicit MapImage(QWidget* parent = nullptr);

    // The picture shown: the sheet with every mark, composed whole (the sheet
    // itself, shared, while nothing is marked).
    QImage picture() const { return composition_.compose(); }
    const QImage& sheet() const { return composition_.sheet(); }
    const Composition& composition() const { return composition_; }
    // Shows sheet with no marks; file is where it was decoded from, if known.
    void setPicture(const QImage& sheet, const QString& file = QString());
    // Shows a sheet drawn from tiles with no marks: each paint reads the tiles
    // it shows at the overview nearest the size shown.
    void setTiles(std::shared_ptr<const PictureTiles> tiles, const QString& file);
    void setComposition(const Composition& composition);
    // Lets go of the sheet's pixels before another sheet is decoded (size and
    // place stay, nothing is painted); restoreSheet() decodes them again.
    void releaseSheet();
    bool restoreSheet();

    bool stretch() const { return stretch_; }
    void setStretch(bool on);

    double left() const { return left_; }
    double top() const { return top_; }
    double widthTwips() const { return width_; }
    double heightTwips() const { return height_; }
    void setLeft(double twips);
    void setTop(double twips);
    void setWidthTwips(double twips);
    void setHeightTwips(double twips);
    void move(double left, double top);

    // Whether the control is shown, as its own setting (the window may be hidden).
    bool shown() const { return !isHidden(); }

    // Asked whenever the cursor is chosen: whether a click now takes a point.
    void setClickTakesPoint(std::function<bool()> takesPoint);
    // Chooses the cursor again, after what a click does has changed.
    void updateCursor();

signals:
    // Every move of the pointer over the image, in twips from its top-left corner.
    void mouseMoved(double x, double y);
    // A press and release of the left button on the image, without a drag.
    void clicked();
    // Whole notches of the wheel over the image, positive away from the user;
    // (x, y) is the pointer in twips from the image's top-left corner. Finer
    // wheels and touchpads add up to whole notches.
    void wheelTurned(int notches, double x, double y);
    // The pointer has dragged the image by (dx, dy) twips since the last report.
    void dragged(double dx, double dy);
    // The drag is over: the button was released.
    void dragEnded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    void place();
    void takeNaturalSize();
    void paintTiles(QPainter& painter, const QRect& exposed);

    Composition composition_;
    bool stretch_ = false;
    bool pressed_ = false;
    bool dragging_ = false;
    QPointF pressedAt_; // global pixels
    QPointF draggedTo_;
    int wheelEighths_ = 0; // eighths of a degree not yet a whole notch
    std::function<bool()> takesPoint_;
    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

} // namespace orvena
