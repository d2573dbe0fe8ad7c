#pragma once

#include <QImage>
#include <QWidget>

namespace orvena {

// The hidden drawing canvas (Picture1) on which a sheet's picture is composed
// with its locality markers. It takes the size of the picture given to it.
class Canvas : public QWidget {
    Q_OBJECT
public:
    explicit Canvas(QWidget* parent = nullptr);

    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture) { picture_ = picture; }
    QImage& surface() { return picture_; }

private:
    QImage picture_;
};

} // namespace orvena
