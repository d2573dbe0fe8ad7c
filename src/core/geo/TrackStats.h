#pragma once

// The figures of a track: geodesic length on WGS 84, time, moving time, the
// climbs and the extremes; and the distance along it of each point, for its
// profile. Any run of its points (a range of the profile) gives its own.

#include "core/geo/Track.h"

#include <optional>
#include <span>
#include <vector>

namespace orvena {

// Faster than this (metres a second, 1.8 km/h) a leg counts as moving.
inline constexpr double kMovingSpeed = 0.5;
// A climb or a descent counts once the elevation has moved this far (metres)
// from the last turning point: the noise of a barometer or of GPS heights
// adds no metres.
inline constexpr double kClimbThreshold = 2.0;

struct TrackFigures {
    double metres = 0.0;
    std::optional<double> seconds;       // last time less first; none without times
    std::optional<double> movingSeconds; // the legs faster than kMovingSpeed
    std::optional<double> ascent, descent, highest, lowest; // none without elevations

    // Metres a second over the time taken; none without times.
    std::optional<double> averageSpeed() const {
        if (!seconds || *seconds <= 0.0) return std::nullopt;
        return metres / *seconds;
    }
};

TrackFigures trackFigures(std::span<const TrackPoint> points);

// The distance along the track from its first point to each point, metres.
std::vector<double> distanceAlong(std::span<const TrackPoint> points);

// "12,35 km" (or "850 m"), "1:05:09", "123 m": how the figures are shown.
QString lengthText(double metres);
QString durationText(double seconds);
QString climbText(double metres);

} // namespace orvena
