#pragma once

// A sheet as rasters other map tools open by themselves: a GeoTIFF in the
// sheet's own system, and a KMZ of JPEG tiles in WGS 84 for the custom maps
// of GPS units (each tile at most 1024 x 1024 pixels and under 3 MB; many
// units take at most 100 tiles a map).

#include "core/base/Progress.h"
#include "core/geo/Datum.h"
#include "core/geo/SheetModel.h"
#include "core/gis/GisFormats.h"

#include <QByteArray>
#include <QImage>
#include <QPointF>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace orvena::gis {

inline constexpr int kKmzTileSide = 1024;
inline constexpr qint64 kKmzTileBytes = 3 * 1000 * 1000;
inline constexpr int kKmzMostTiles = 100;

struct RasterResult {
    QString error; // in Italian, naming the file
    // The file could not be written: the disk's fault, not the sheet's.
    bool writeFailed = false;
    bool cancelled = false;
    int tiles = 0; // of a KMZ: those written
    bool ok() const { return error.isEmpty() && !cancelled; }
};

// Where a sheet lies: by its world file in the graticule of datum, or by its
// model (in the model's datum); cut at border (its pixels; fewer than three:
// the image's edges).
struct SheetPlace {
    const WorldFile* world = nullptr;
    const SheetModel* model = nullptr;
    Datum datum = Datum::Wgs84;
    QString operation; // key of the operation to WGS 84; empty: PROJ's choice
    std::vector<QPointF> border;
};

// The KMZ of a sheet of size at scale (1: pixels as large as the sheet's
// own, 2: twice as large ...): its box in WGS 84 and its grid of tiles.
struct KmzLayout {
    double west = 0, south = 0, east = 0, north = 0;
    int width = 0, height = 0; // pixels of the whole overlay
    int columns = 0, rows = 0;
    QString error; // in Italian, when the sheet cannot be placed in WGS 84
    int tiles() const { return columns * rows; }
};
KmzLayout kmzLayout(QSize size, const SheetPlace& place, double scale = 1);
// The smallest scale (from 1 up) at which the sheet takes at most most
// tiles (at least one).
double kmzScaleWithinLimit(QSize size, const SheetPlace& place, int most = kKmzMostTiles);

// Writes picture as the KMZ path: a doc.kml of GroundOverlays, each a
// baseline JPEG tile (white outside the sheet) with its LatLonBox, warped by
// GDAL from the sheet's placement; tiles the sheet does not reach are left
// out. The file appears whole or not at all; progress may cancel it.
RasterResult writeKmz(QImage picture, const SheetPlace& place, const KmzLayout& layout,
                      const QString& name, const QString& path, const Progress& progress = {});

// Writes picture as a GeoTIFF at path in the system wkt names: placed by
// geoTransform (GDAL's six numbers from a pixel's corner) or, without one, by
// ground control points. The file appears whole or not at all.
RasterResult writeGeoTiff(QImage picture, const std::optional<std::array<double, 6>>& geoTransform,
                          const std::vector<GridTie>& controlPoints, const QByteArray& wkt,
                          const QString& path);

} // namespace orvena::gis
