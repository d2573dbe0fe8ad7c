#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace orvena {

// The hidden drawing canvas (Picture1) on which a sheet's picture is composed
// with its locality markers. It takes the size of the picture given to it,
// keeps what is painted on it, and measures in twips: a position (x, y) is
// the pixel (x / 15, y / 15) of its picture.
//
// The picture is implicitly shared with whoever gave it: the first thing
// painted makes the canvas's own copy, so the giver's picture never changes.
class Canvas : public QWidget {
    Q_OBJECT
public:
    explicit Canvas(QWidget* parent = nullptr);

    // What has been painted so far: the picture given, with everything drawn on it.
    const QImage& picture() const { return picture_; }
    // Gives the canvas a picture to paint on; the canvas takes its size. The
    // write position goes back to the top-left corner.
    void setPicture(const QImage& picture);
    QImage& surface() { return picture_; }

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
    QColor foreColor() const { return foreColor_; }
    void setForeColor(const QColor& c) { foreColor_ = c; }

    // Writes text at (currentX, currentY); the write position then moves to
    // the start of the next line, as a printed line does.
    void print(const QString& text);

private:
    bool preparePainting();

    QImage picture_;
    QColor foreColor_ = Qt::black;
    double currentX_ = 0;
    double currentY_ = 0;
};

} // namespace orvena
