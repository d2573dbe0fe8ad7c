#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>

namespace orvena {

// The pixels of a sheet too large to decode whole, read a part at a time at
// the resolution a view needs (core/gis/TiledSheet reads them from a tiled
// copy with overviews). Whoever shows a sheet holds it this way or as a
// decoded QImage; positions are always in pixels of the sheet at full size.
class PictureTiles {
public:
    virtual ~PictureTiles() = default;

    // The sheet's size at full size, in pixels.
    virtual QSize size() const = 0;

    // Pixels of a part, at a reduced resolution: image covers the rectangle
    // covered of the sheet (full-size pixels, the part asked for grown to
    // whole pixels of the image).
    struct Part {
        QImage image;
        QRectF covered;
    };
    // The part of the sheet in area (full-size pixels), at the resolution
    // nearest scale (1 full size, 0.5 half ...) that is not below it. A null
    // image when the pixels cannot be read or area misses the sheet.
    virtual Part read(const QRect& area, double scale) const = 0;

    // Lets go of whatever decoded pixels are kept to make the next read fast.
    virtual void forget() const = 0;
};

} // namespace orvena
