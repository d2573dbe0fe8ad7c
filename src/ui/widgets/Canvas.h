#pragma once

#include "ui/widgets/Composition.h"

#include <QColor>
#include <QImage>
#include <QWidget>

namespace orvena {

// The hidden drawing canvas (Picture1) on which a sheet's picture is composed
// with its locality markers. It takes the size of the picture given to it,
// keeps what is painted on it, and measures in twips: a position (x, y) is
// the pixel (x / 15, y / 15) of its picture.
//
// What it keeps is a recipe (ui/widgets/Composition): the sheet, shared with
// whoever gave it, and the marks painted since. Painting costs no copy of the
// sheet; the pixels are composed only when the picture is asked for.
class Canvas : public QWidget {
    Q_OBJECT
public:
    explicit Canvas(QWidget* parent = nullptr);

    // What has been painted so far, composed: the picture given with
    // everything drawn on it; a null picture before anything was given.
    QImage picture() const { return composition_.compose(); }
    const Composition& composition() const { return composition_; }
    // Gives the canvas a picture (with the marks already on it) to paint on;
    // the canvas takes its size. The write position goes back to the top-left corner.
    void setComposition(const Composition& composition);
    // Lets go of the sheet's pixels; the picture is decoded again if asked for.
    void releaseSheet() { composition_.releaseSheet(); }

    // Top of the canvas on its window, and the size of its picture, in twips.
    double topTwips() const;
    double widthTwips() const;
    double heightTwips() const;

    // Paints picture at its own size with its top-left corner at (x, y).
    void paintPicture(const QImage& picture, double x, double y);

    // Where the next text is written: the top-left corner of its text cell.
    double currentX() const { return currentX_; }
    double currentY() const { return currentY_; }
    void setCurrentX(double twips) { currentX_ = twips; }
    void setCurrentY(double twips) { currentY_ = twips; }

    // The colour of written text. The text is written in the widget's font
    // with no background behind its characters: the picture shows between them.
    // A thin halo of the contrasting colour (black round a light colour, white
    // round a dark one) keeps it readable on any part of a sheet.
    QColor foreColor() const { return foreColor_; }
    void setForeColor(const QColor& c) { foreColor_ = c; }

    // Writes text at (currentX, currentY); the write position then moves to
    // the start of the next line, as a printed line does.
    void print(const QString& text);

private:
    Composition composition_;
    QColor foreColor_ = Qt::black;
    double currentX_ = 0;
    double currentY_ = 0;
};

} // namespace orvena
