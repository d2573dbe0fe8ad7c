#pragma once

// A neighbouring sheet's pixels placed on the pixels of the sheet shown: each
// of its points taken to WGS 84 through its own frame and back through the
// shown sheet's, so that the map runs on across the sheets' edges. The
// mapping is kept as one plane transform when that places every point within
// half a pixel, as a mesh of small ones otherwise (a bent model, datums
// apart).

#include "core/geo/SheetFrame.h"

#include <QPolygonF>
#include <QRectF>
#include <QTransform>

#include <vector>

namespace orvena {

// A part of the neighbour (its pixels at zoom 100) and the transform that
// takes it onto the shown sheet's pixels.
struct JoinPiece {
    QRectF source;
    QTransform toShown;
};

struct SheetJoin {
    QPolygonF border; // the neighbour's border, in the shown sheet's pixels
    std::vector<JoinPiece> pieces;
    double scale = 0.0; // shown pixels to one of the neighbour's, about

    bool isValid() const { return !pieces.empty(); }
};

// The neighbour placed on the shown sheet, cut at border (its pixels; the
// image's edges when it has fewer than three points). Not valid when either
// frame is not, or a point of the neighbour finds no place on the shown
// sheet.
SheetJoin joinSheets(const SheetFrame& shown, const SheetFrame& neighbour,
                     const std::vector<QPointF>& border);

} // namespace orvena
