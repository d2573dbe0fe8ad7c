#include "core/geo/Geodesic.h"

#include <geodesic.h>

#include <cmath>
#include <vector>

namespace orvena::geodesic {

namespace {

const geod_geodesic& wgs84() {
    static const geod_geodesic g = [] {
        geod_geodesic made{};
        geod_init(&made, 6378137.0, 1.0 / 298.257223563);
        return made;
    }();
    return g;
}

} // namespace

Leg inverse(LonLat a, LonLat b) {
    double s12 = 0.0, azi1 = 0.0, azi2 = 0.0;
    geod_inverse(&wgs84(), a.lat, a.lon, b.lat, b.lon, &s12, &azi1, &azi2);
    return {s12, azi1 < 0.0 ? azi1 + 360.0 : azi1};
}

Polygon polygon(std::span<const LonLat> points) {
    if (points.empty()) return {};
    std::vector<double> lats, lons;
    lats.reserve(points.size());
    lons.reserve(points.size());
    for (const LonLat& p : points) {
        lats.push_back(p.lat);
        lons.push_back(p.lon);
    }
    double area = 0.0, perimeter = 0.0;
    geod_polygonarea(&wgs84(), lats.data(), lons.data(), int(points.size()), &area, &perimeter);
    return {std::abs(area), perimeter};
}

} // namespace orvena::geodesic
