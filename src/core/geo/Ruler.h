#pragma once

// A measure on the map: points clicked in WGS 84 (so that it goes on across
// neighbouring sheets), the leg to the pointer while it moves, and the
// figures shown as the user measures: total geodesic length, the last leg's
// length and azimuth, the area once the line is closed.

#include "core/geo/Datum.h"

#include <QString>

#include <optional>
#include <vector>

namespace orvena {

struct RulerFigures {
    double metres = 0.0;    // the whole line, the leg to the pointer included
    double legMetres = 0.0; // the last leg
    double azimuth = 0.0;   // of the last leg, degrees from north
    std::optional<double> squareMetres; // once closed
};

class Ruler {
public:
    const std::vector<LonLat>& points() const { return points_; }
    bool closed() const { return closed_; }
    bool empty() const { return points_.empty(); }

    // A click: a new point; a click near the first point (within tolerance
    // metres) of a line of three or more points closes it. A closed line
    // starts again.
    void add(LonLat p, double tolerance = 0.0);
    void clear();

    // The figures with the leg to pointer, when given, as the last one.
    RulerFigures figures(std::optional<LonLat> pointer = std::nullopt) const;
    // "Totale 12,35 km · ultimo tratto 850 m, azimut 123,4° · area 3,21 km²".
    static QString text(const RulerFigures& f);

private:
    std::vector<LonLat> points_;
    bool closed_ = false;
};

} // namespace orvena
