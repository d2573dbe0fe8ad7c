#pragma once

// Sheets as MBTiles 1.3 files, the tiles offline map apps on phones read:
// the sheet warped by GDAL from its own graticule to web mercator, through the
// same PROJ operation the places take, and written by GDAL's MBTiles driver.

#include "core/base/Progress.h"
#include "core/geo/Datum.h"
#include "core/geo/SheetModel.h"
#include "core/gis/GisFormats.h"

#include <QImage>
#include <QPointF>
#include <QString>

#include <vector>

namespace orvena::gis {

// The zooms of a sheet: the deepest is the one whose pixels are nearest in
// size to the sheet's own, the shallowest the one at which the whole sheet
// is no larger than one tile.
struct ZoomRange {
    int min = 0;
    int max = 0;
};

struct MbTilesResult {
    ZoomRange zooms;
    bool cancelled = false;
    QString error; // in Italian, naming the file
    // The file could not be written (a full disk, a folder not writable):
    // not the sheet's fault, and the next sheet would meet it too.
    bool writeFailed = false;
    bool ok() const { return error.isEmpty() && !cancelled; }
};

// Writes picture, the sheet placed by its world file in the graticule of
// datum, as path: 256-pixel web mercator tiles from zooms.max down to
// zooms.min, rows in the TMS order of the format; JPEG tiles (white where the
// sheet does not reach) when jpeg, PNG tiles (transparent there) otherwise;
// the metadata name, format, bounds (the sheet's corners in WGS 84), minzoom
// and maxzoom. GDAL reads the picture where it lies, so it is the only copy of
// the sheet in memory. The file appears whole, flushed to the disk, or not at
// all (its partial file, name + ".parziale", removed); progress may cancel it.
// operation: the key of the sheet's operation to WGS 84 (empty: PROJ's
// choice).
MbTilesResult writeMbTiles(QImage picture, const WorldFile& world, Datum datum, const QString& name,
                           bool jpeg, const QString& path, const Progress& progress = {},
                           const QString& operation = {});
// The same for a sheet calibrated from its points, placed by its model (in
// the model's datum) rather than a world file. A border (the sheet's pixels,
// three corners or more) cuts the sheet there: the tiles are PNG, transparent
// outside it, so that neighbouring sheets meet without a white margin.
MbTilesResult writeMbTiles(QImage picture, const SheetModel& model, const QString& name, bool jpeg,
                           const QString& path, const Progress& progress = {},
                           const QString& operation = {}, const std::vector<QPointF>& border = {});

} // namespace orvena::gis
