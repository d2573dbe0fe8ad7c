#pragma once

// What a layer that places points of the earth on the sheet shown needs at
// a repaint: the sheet's frame (WGS 84 to its pixels), the scale from its
// pixels to the view's, and the part being repainted.

#include "core/geo/SheetFrame.h"
#include "ui/map/MapView.h"

#include <QPainter>
#include <QRectF>
#include <QTransform>

namespace orvena {

struct EarthView {
    const SheetFrame& frame;
    double sx = 1.0, sy = 1.0;
    QRectF visible; // view pixels

    EarthView(const MapView& view, const QPainter& painter, const QTransform& sheetToView)
        : frame(view.sheetFrame())
        , sx(sheetToView.m11())
        , sy(sheetToView.m22())
        , visible(painter.hasClipping() ? painter.clipBoundingRect()
                                        : QRectF(QPointF(0, 0), QSizeF(view.size()))) {}

    QPointF toView(QPointF sheetPixel) const { return {sheetPixel.x() * sx, sheetPixel.y() * sy}; }
};

} // namespace orvena
