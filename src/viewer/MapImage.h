#pragma once

#include <QImage>
#include <QWidget>

namespace orvena {

// The map image (Image1): a picture placed on the main window by Left, Top,
// Width and Height in twips, kept at full precision; only the widget's own
// placement is rounded to pixels. With stretch off it takes the picture's own
// size; with stretch on the picture is scaled to its size. It paints only the
// part of the picture the window lets show, so very large sheets move freely.
class MapImage : public QWidget {
    Q_OBJECT
public:
    explicit MapImage(QWidget* parent = nullptr);

    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture);
    // Hands the picture over and keeps none (size and place stay), so that
    // whoever takes it can paint on it without a copy.
    QImage takePicture();

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

signals:
    // Every move of the pointer over the image, in twips from its top-left corner.
    void mouseMoved(double x, double y);
    // A press and release of the left button on the image.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void place();

    QImage picture_;
    bool stretch_ = false;
    bool pressed_ = false;
    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

} // namespace orvena
