#pragma once

// Sheets too large to decode whole, kept as tiled GeoTIFFs with overviews in
// the user's cache folder, so that a view reads only the tiles it shows at
// the overview nearest its zoom. The cache is judged by the sheet's size,
// modification time and a hash of its first and last megabyte (never by
// touching the sheet), and kept under a size limit, the least recently used
// copies dropped first. Nothing here draws: the view that reads these tiles
// is yet to come.

#include "core/base/Progress.h"

#include <QImage>
#include <QRect>
#include <QString>

namespace orvena::gis {

// The cache of tiled copies in folder (by default the user's cache folder,
// QStandardPaths::CacheLocation, "tessere" inside), at most limitBytes.
class TileCache {
public:
    explicit TileCache(QString folder = QString(), qint64 limitBytes = qint64(8) << 30);

    const QString& folder() const { return folder_; }

    // The name of the tiled copy of sheet: its identity's hash, ".tif".
    // Empty when the sheet cannot be read.
    QString copyName(const QString& sheet) const;

    // The tiled copy of sheet, made (with overviews down to a tile) when
    // there is none for the sheet as it is now; progress runs over the
    // copy's rows and then its overviews, and false cancels, leaving no copy.
    // Empty, with why in Italian, when it cannot be made.
    QString tiledCopy(const QString& sheet, const Progress& progress, QString* error);

    // Drops the least recently used copies until the folder holds at most
    // the limit (the copy named keep stays).
    void trim(const QString& keep = QString()) const;

private:
    QString folder_;
    qint64 limit_;
};

// The part of the sheet's picture in area (pixels of the full picture), read
// from the tiled copy at scale (1 full size, 0.5 half ...): GDAL takes the
// overview nearest the scale and reads only the tiles the area covers. A null
// picture when the copy cannot be read.
QImage readTiles(const QString& tiledCopy, const QRect& area, double scale);

} // namespace orvena::gis
