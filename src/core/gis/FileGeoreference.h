#pragma once

// The georeferencing a sheet's own file carries (a GeoTIFF's geotransform and
// coordinate system), read through GDAL and turned into the points of an
// affine calibration, so a sheet set up from it needs no clicks.

#include "core/archive/SheetPoints.h"
#include "core/geo/Datum.h"

#include <QString>

#include <optional>

namespace orvena::gis {

struct FileGeoreference {
    SheetPoints points; // affine, the image's four corners, in grid (or graticule)
    Datum datum;        // the datum of the file's coordinate system
    QString system;     // its name for the user: "UTM 33 N (ED50) (EPSG:23033)" ...
};

// The file's georeferencing when it has a geotransform (no rotation needed)
// and a coordinate system the calibration knows: one of the fit grids, or
// the graticule of one of the four datums. Nothing otherwise, also for a file
// GDAL does not open or that is no raster.
std::optional<FileGeoreference> fileGeoreference(const QString& fileName);

} // namespace orvena::gis
