#pragma once

// GPS tracks, routes and waypoints as values, in WGS 84 degrees, whatever
// file they came from (core/gis/TrackFile reads them).

#include "core/geo/Datum.h"

#include <QString>

#include <cmath>
#include <limits>
#include <vector>

namespace orvena {

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

struct TrackPoint {
    LonLat at;
    double elevation = kNoValue; // metres; NaN when the file gives none
    double time = kNoValue;      // seconds since 1970 (UTC); NaN when none

    bool hasElevation() const { return !std::isnan(elevation); }
    bool hasTime() const { return !std::isnan(time); }
};

// A track or a route: its segments joined in the order the file gives them.
struct Track {
    QString name;
    std::vector<TrackPoint> points;
};

struct Waypoint {
    QString name;
    LonLat at;
    double elevation = kNoValue;
};

} // namespace orvena
