#pragma once

#include <QString>

#include <vector>

namespace orvena::demo {

struct DemoSheet {
    QString name;                     // AREA, also the image file name
    QString north, east, south, west; // neighbour names, empty when none
};

struct DemoPlace {
    QString area; // the sheet it lies on
    QString name; // LOCALITA, in capitals
    int latDeg, latMin, latSec;
    int lonDeg, lonMin, lonSec;
    double px, py; // twips from the sheet image's top-left corner, at zoom 100
};

// The four sheets of the demo atlas and the places drawn on them.
const std::vector<DemoSheet>& demoSheets();
const std::vector<DemoPlace>& demoPlaces();

// Writes the demo working folder: the four sheet images, area.mdb and
// localita.mdb with their records, and empty esparea.mdb and esplocalita.mdb.
// The folder must exist. Returns an empty text, or what went wrong.
QString writeDemoAtlas(const QString& folder);

// Writes a plain JPEG sheet of width x height pixels with a simple drawn
// pattern (for large-sheet tests and benchmarks). Returns an empty text or the error.
QString writeLargeSheet(const QString& path, int width, int height);

} // namespace orvena::demo
