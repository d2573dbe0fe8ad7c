#pragma once

#include <QImage>

namespace orvena::markers {

// The two arrows painted into a sheet to mark a locality: blue, 17 x 21
// pixels (255 x 315 twips) on a transparent ground, shipped with the program.
// The down arrow (freccia) has its tip at the bottom, the up arrow (blusu) at
// the top. A null picture only if the program was built without them.
QImage downArrow();
QImage upArrow();

} // namespace orvena::markers
