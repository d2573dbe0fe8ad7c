#pragma once

#include <QWidget>

namespace orvena {

// One of the four small arrow images that pan the map: a grey button face
// with a black triangle pointing its way. A double click arrives after the
// click of its first press.
class ArrowImage : public QWidget {
    Q_OBJECT
public:
    enum class Direction { North, South, West, East };
    ArrowImage(Direction direction, QWidget* parent = nullptr);

signals:
    void clicked();
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    Direction direction_;
    bool pressed_ = false;
};

} // namespace orvena
