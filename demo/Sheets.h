#pragma once

// The four sheets of the demo atlas: where each lies, how it was scanned
// (where its map frame sits on the image) and its calibration.

#include "core/base/Twips.h"

#include <QString>

#include <vector>

namespace orvena::demo {

// The program's own rate, as a whole number for the demo's integer arithmetic.
inline constexpr int kTwipsPerPixel = static_cast<int>(twips::kPerPixel);

// The AREA calibration fields, as the set-up computes them from two
// reference points (positions in twips, angles in seconds of arc).
struct SheetCalibration {
    float cola = 0;
    float colo = 0;
    int pxlao = 0;
    int seclao = 0;
    int pxloo = 0;
    int secloo = 0;

    static SheetCalibration fromReferencePoints(int x1, int y1, int la1s, int lo1s, int x2, int y2,
                                                int la2s, int lo2s);

    // Image position in twips of a latitude or longitude in seconds.
    double twipsX(double lon) const { return pxloo + (lon - secloo) * double(colo); }
    double twipsY(double lat) const { return pxlao + (seclao - lat) * double(cola); }
    double pixelX(double lon) const { return twipsX(lon) / kTwipsPerPixel; }
    double pixelY(double lat) const { return twipsY(lat) / kTwipsPerPixel; }
    // The inverse, in seconds.
    double latAt(double twipsY) const { return seclao - (twipsY - pxlao) / double(cola); }
    double lonAt(double twipsX) const { return secloo + (twipsX - pxloo) / double(colo); }
};

enum class SheetFormat { Gif, Bmp, Jpeg };

struct SheetLayout {
    QString name;     // file name, also the AREA name
    QString title;    // printed in the margin
    QString quadrant; // NO, NE, SO, SE
    int row = 0;      // 0 north, 1 south
    int column = 0;   // 0 west, 1 east
    SheetFormat format = SheetFormat::Jpeg;
    int latSouth = 0, latNorth = 0, lonWest = 0, lonEast = 0;         // seconds
    int width = 0, height = 0;                                        // image pixels
    int frameLeft = 0, frameTop = 0, frameRight = 0, frameBottom = 0; // pixels of the map frame
    SheetCalibration calibration;
    QString north, east, south, west;

    bool contains(double lat, double lon) const {
        return lat >= latSouth && lat <= latNorth && lon >= lonWest && lon <= lonEast;
    }
};

// Scale of the scans: pixels per minute of latitude and of longitude.
inline constexpr int kPixelsPerLatMinute = 97;
inline constexpr int kPixelsPerLonMinute = 68;

// North-west, north-east, south-west, south-east.
const std::vector<SheetLayout>& sheetLayouts();

} // namespace orvena::demo
