#include "Sheets.h"

#include "Geography.h"

namespace orvena::demo {

SheetCalibration SheetCalibration::fromReferencePoints(int x1, int y1, int la1s, int lo1s, int x2,
                                                       int y2, int la2s, int lo2s) {
    SheetCalibration c;
    c.colo = static_cast<float>(double(x2 - x1) / double(lo2s - lo1s));
    c.cola = static_cast<float>(double(y2 - y1) / double(la1s - la2s));
    if (c.colo == 0.0F) c.colo = 100.0F;
    if (c.cola == 0.0F) c.cola = 100.0F;
    c.pxlao = y1;
    c.seclao = la1s;
    c.pxloo = x1;
    c.secloo = lo1s;
    return c;
}

namespace {

constexpr int kSheetLatSpan = 10 * 60; // seconds
constexpr int kSheetLonSpan = 20 * 60;
constexpr int kImageWidth = 1600;
constexpr int kImageHeight = 1200;

struct Scan {
    const char* name;
    const char* title;
    const char* quadrant;
    int row, column;
    SheetFormat format;
    int frameLeft, frameTop; // where the scanner put the frame's top-left corner
};

// The north-east sheet was cropped close to the frame at the top and right.
const Scan kScans[] = {
    {"valfonda_no.gif", "VALFONDA NORD-OVEST", "NO", 0, 0, SheetFormat::Gif, 120, 104},
    {"valfonda_ne.bmp", "VALFONDA NORD-EST", "NE", 0, 1, SheetFormat::Bmp, 176, 40},
    {"valfonda_so.jpg", "VALFONDA SUD-OVEST", "SO", 1, 0, SheetFormat::Jpeg, 128, 112},
    {"valfonda_se.jpg", "VALFONDA SUD-EST", "SE", 1, 1, SheetFormat::Jpeg, 112, 100},
};

std::vector<SheetLayout> buildLayouts() {
    std::vector<SheetLayout> out;
    for (const Scan& s : kScans) {
        SheetLayout l;
        l.name = QString::fromLatin1(s.name);
        l.title = QString::fromLatin1(s.title);
        l.quadrant = QString::fromLatin1(s.quadrant);
        l.row = s.row;
        l.column = s.column;
        l.format = s.format;
        l.latNorth = kBlockLatNorth - s.row * kSheetLatSpan;
        l.latSouth = l.latNorth - kSheetLatSpan;
        l.lonWest = kBlockLonWest + s.column * kSheetLonSpan;
        l.lonEast = l.lonWest + kSheetLonSpan;
        l.width = kImageWidth;
        l.height = kImageHeight;
        l.frameLeft = s.frameLeft;
        l.frameTop = s.frameTop;
        l.frameRight = s.frameLeft + kPixelsPerLonMinute * kSheetLonSpan / 60;
        l.frameBottom = s.frameTop + kPixelsPerLatMinute * kSheetLatSpan / 60;
        // Set up on the frame's corners: the first reference point top left,
        // the second bottom right, both on the graticule.
        l.calibration = SheetCalibration::fromReferencePoints(
            l.frameLeft * kTwipsPerPixel, l.frameTop * kTwipsPerPixel, l.latNorth, l.lonWest,
            l.frameRight * kTwipsPerPixel, l.frameBottom * kTwipsPerPixel, l.latSouth, l.lonEast);
        out.push_back(l);
    }
    auto at = [&](int row, int column) -> QString {
        for (const SheetLayout& l : out)
            if (l.row == row && l.column == column) return l.name;
        return {};
    };
    for (SheetLayout& l : out) {
        l.north = at(l.row - 1, l.column);
        l.south = at(l.row + 1, l.column);
        l.west = at(l.row, l.column - 1);
        l.east = at(l.row, l.column + 1);
    }
    return out;
}

} // namespace

const std::vector<SheetLayout>& sheetLayouts() {
    static const std::vector<SheetLayout> layouts = buildLayouts();
    return layouts;
}

} // namespace orvena::demo
