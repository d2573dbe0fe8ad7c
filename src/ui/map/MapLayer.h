#pragma once

// A layer drawn over the sheet shown, on the screen only (the printed page
// and the saved picture keep the sheet and its place marks): tracks, the
// ruler, a residual plot. The map view paints its layers after the sheet, in
// the order they were added, each only over the part being repainted.

#include "core/geo/SheetFrame.h"

#include <QPainter>
#include <QRectF>

namespace orvena {

struct LayerView {
    // The sheet shown, as the earth goes to its pixels; not valid for a
    // sheet without a usable calibration.
    const SheetFrame& frame;
    // Widget pixels per sheet pixel (the zoom in force).
    double scale = 1.0;
    // The part of the widget being repainted, in its pixels.
    QRectF visible;

    QPointF toWidget(QPointF sheetPixel) const { return sheetPixel * scale; }
};

class MapLayer {
public:
    virtual ~MapLayer() = default;
    // painter draws in the map widget's pixels, clipped to the sheet.
    virtual void paint(QPainter& painter, const LayerView& view) = 0;
};

} // namespace orvena
