#pragma once

// A sheet drawn from the tiled copy TileCache made of it: the copy kept open,
// the tiles of an area read at the overview nearest the scale shown, and the
// last tiles read kept decoded, so that a pan step reads only the strip it
// uncovers. Sheets whose decoded pixels would pass kTiledAboveBytes are shown
// this way; smaller ones are decoded whole.

#include "core/base/PictureTiles.h"

#include <QString>

#include <list>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

namespace orvena::gis {

// Sheets that would take more than this decoded (4 bytes a pixel) are drawn
// from tiles: 128 MiB, a sheet of 33.5 megapixels. Below it a sheet decodes
// in about a third of a second and the map holds it once; above it the tiles
// keep the memory a view holds near kKeptTileBytes whatever the size.
inline constexpr qint64 kTiledAboveBytes = qint64(128) << 20;
// The decoded tiles kept for the next paints: 48 MiB, four screens' worth.
inline constexpr qint64 kKeptTileBytes = qint64(48) << 20;

// Whether a picture of this size is drawn from tiles.
bool drawnFromTiles(QSize size);

class TiledSheet : public PictureTiles {
public:
    // The tiled copy opened; null when it cannot be read.
    static std::shared_ptr<TiledSheet> open(const QString& tiledCopy);
    ~TiledSheet() override;

    QSize size() const override { return size_; }
    Part read(const QRect& area, double scale) const override;
    void forget() const override;

    // The bytes of decoded tiles kept now.
    qint64 keptBytes() const { return kept_; }

private:
    struct Level {
        QSize size;              // pixels
        std::vector<void*> bands; // red, green, blue (the same band thrice for grey)
    };
    using Key = std::tuple<int, int, int>; // level, column, row
    struct Kept {
        QImage pixels;
        std::list<Key>::iterator use;
    };

    TiledSheet() = default;
    const QImage& tile(int level, int column, int row) const;

    void* dataset_ = nullptr;
    QSize size_;
    std::vector<Level> levels_; // full size first, then the overviews halving
    int block_ = 256;
    mutable std::map<Key, Kept> tiles_;
    mutable std::list<Key> uses_; // most recent first
    mutable qint64 kept_ = 0;
};

} // namespace orvena::gis
