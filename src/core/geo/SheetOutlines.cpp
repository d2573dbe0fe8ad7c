#include "core/geo/SheetOutlines.h"

#include "core/geo/SheetFrame.h"
#include "core/geo/SheetLookup.h"

#include <exception>

namespace orvena {

namespace {

// Even-odd crossing of the ring by a ray towards the east: a sheet is small
// enough for its outline to be taken as plane in degrees.
bool inside(const std::vector<LonLat>& ring, LonLat p) {
    bool in = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const LonLat& a = ring[i];
        const LonLat& b = ring[j];
        if ((a.lat > p.lat) != (b.lat > p.lat) &&
            p.lon < (b.lon - a.lon) * (p.lat - a.lat) / (b.lat - a.lat) + a.lon)
            in = !in;
    }
    return in;
}

} // namespace

SheetOutlines SheetOutlines::read(const QString& folder) {
    SheetOutlines outlines;
    try {
        const SheetLookup sheets(folder);
        for (const QString& name : sheets.sheetNames()) {
            const SheetFrame frame = SheetFrame::read(folder, sheets.sheet(name));
            if (frame.isValid()) outlines.add(name, frame.outline());
        }
    } catch (const std::exception&) {
        // An archive that cannot be read holds no sheet for a point.
    }
    return outlines;
}

void SheetOutlines::add(const QString& sheet, std::vector<LonLat> ring) {
    if (ring.size() < 3) return;
    const GeoBox box = GeoBox::around(ring);
    outlines_.push_back({sheet, box, std::move(ring)});
}

QStringList SheetOutlines::holding(LonLat p) const {
    QStringList found;
    for (const Outline& o : outlines_)
        if (p.lon >= o.box.west && p.lon <= o.box.east && p.lat >= o.box.south &&
            p.lat <= o.box.north && inside(o.ring, p))
            found.push_back(o.sheet);
    return found;
}

} // namespace orvena
