#pragma once

#include "ui/widgets/Composition.h"

#include <QColor>
#include <QString>

#include <vector>

namespace orvena {

// The layer a marked place adds over a sheet: the down arrow above the point
// (the up arrow below it where the point lies too near the top of the sheet)
// and the place's name beside it, written in colour with a thin halo of the
// contrasting colour, on whichever side has room. The marks are in sheet
// pixels, drawn by Composition like every other layer, on the screen, the
// printed page and the saved picture alike.
//
// (x, y): the down arrow's corner, twips from the sheet's corner at zoom 100
// (the place's point less the arrow's offset); sheetWidth: the sheet's width
// in twips. The rules are the historic canvas's: positions in twips, the
// arrow placed below when 960 - y - 350 < 201 (960: the canvas's top on the
// window), names measured at 155 twips a character to fit, at 163 to go left.
std::vector<Mark> placeMark(const QString& name, double x, double y, double sheetWidth,
                            const QColor& colour);

} // namespace orvena
