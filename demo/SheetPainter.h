#pragma once

#include "Sheets.h"

#include <QImage>

namespace orvena::demo {

// Draws one sheet of the demo atlas as a scanned topographic map: frame,
// graticule with its degree and minute labels, relief, woods, water, roads,
// settlements and names. Needs a QGuiApplication for the fonts.
QImage paintSheet(const SheetLayout& sheet);

} // namespace orvena::demo
