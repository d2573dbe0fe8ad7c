#pragma once

// Sheets too large to decode whole, kept as tiled GeoTIFFs with overviews in
// the user's cache folder, so that a view reads only the tiles it shows at
// the overview nearest its zoom (core/gis/TiledSheet). A copy is named by
// the sheet's content (its size and a hash of all its bytes); a note per
// sheet file remembers the size, time and content last seen there, so an
// unchanged file is never read again to find its copy, while a file touched
// or copied over with the same bytes is read once and finds its copy still
// good. The cache is kept under a size limit, the least recently used copies
// dropped first.

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

    // The name of the tiled copy of sheet as its bytes are now: the hash of
    // its size and content, ".tif" (the note of the sheet's file answers
    // when size and time are as noted). Empty when the sheet cannot be read;
    // progress runs over its bytes when they are read.
    QString copyName(const QString& sheet, const Progress& progress = {}) const;

    // The tiled copy of sheet when one is there for the sheet as it is now
    // and its file is as noted (nothing read but the note); empty otherwise.
    QString readyCopy(const QString& sheet) const;

    // The tiled copy of sheet, made (JPEG tiles of 256 pixels, with
    // overviews halving down to a tile) when there is none for the sheet as
    // it is now; progress runs over the sheet's bytes, the copy's rows and
    // then its overviews, and false cancels, leaving no copy.
    // Empty, with why in Italian, when it cannot be made.
    QString tiledCopy(const QString& sheet, const Progress& progress, QString* error);

    // Drops the least recently used copies until the folder holds at most
    // the limit (the copy named keep stays).
    void trim(const QString& keep = QString()) const;

private:
    QString notePath(const QString& sheet) const;
    void writeNote(const QString& sheet, const QString& name) const;

    QString folder_;
    qint64 limit_;
};

// The part of the sheet's picture in area (pixels of the full picture), read
// from the tiled copy at scale (1 full size, 0.5 half ...): GDAL takes the
// overview nearest the scale and reads only the tiles the area covers. A null
// picture when the copy cannot be read.
QImage readTiles(const QString& tiledCopy, const QRect& area, double scale);

} // namespace orvena::gis
