#pragma once

// Distances, azimuths and areas on the WGS 84 ellipsoid, by PROJ's geodesic
// routines (Karney's algorithms, exact to the nanometre): never a flat-earth
// formula.

#include "core/geo/Datum.h"

#include <span>

namespace orvena::geodesic {

// The shortest line from a to b (WGS 84 degrees): its length in metres and
// its azimuth at a, in degrees clockwise from north, 0 to 360.
struct Leg {
    double metres = 0.0;
    double azimuth = 0.0;
};
Leg inverse(LonLat a, LonLat b);

// The area in square metres (positive whatever the order of the vertices)
// and the perimeter in metres of the polygon through points, closed back to
// the first.
struct Polygon {
    double area = 0.0;
    double perimeter = 0.0;
};
Polygon polygon(std::span<const LonLat> points);

} // namespace orvena::geodesic
