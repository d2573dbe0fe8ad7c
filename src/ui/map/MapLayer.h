#pragma once

#include <QTransform>

class QPainter;

namespace orvena {

// Something drawn over the sheet shown, above its picture and marks, and not
// part of it: it is never printed or saved. The map view paints its layers
// after the picture, in the order they were added, with a transform that
// takes pixels of the sheet at zoom 100 to the view's own pixels.
class MapLayer {
public:
    virtual ~MapLayer() = default;
    virtual void paint(QPainter& painter, const QTransform& sheetToView) const = 0;
};

} // namespace orvena
