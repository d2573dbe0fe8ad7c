#include "core/geo/TrackStats.h"

#include "core/geo/Geodesic.h"

#include <algorithm>
#include <cmath>

namespace orvena {

namespace {

// Climbs and descents with a threshold: the elevation must move
// kClimbThreshold from the last turning point before the change counts.
struct Climbs {
    std::optional<double> reference;
    double ascent = 0.0, descent = 0.0;

    void add(double elevation) {
        if (!reference) {
            reference = elevation;
            return;
        }
        const double change = elevation - *reference;
        if (std::abs(change) < kClimbThreshold) return;
        (change > 0 ? ascent : descent) += std::abs(change);
        reference = elevation;
    }
};

} // namespace

TrackFigures trackFigures(std::span<const TrackPoint> points) {
    TrackFigures f;
    Climbs climbs;
    std::optional<double> firstTime, lastTime;
    double moving = 0.0;
    const TrackPoint* previous = nullptr;
    for (const TrackPoint& p : points) {
        if (p.hasElevation()) {
            climbs.add(p.elevation);
            f.highest = std::max(f.highest.value_or(p.elevation), p.elevation);
            f.lowest = std::min(f.lowest.value_or(p.elevation), p.elevation);
        }
        if (p.hasTime()) {
            if (!firstTime) firstTime = p.time;
            lastTime = p.time;
        }
        if (previous) {
            const double leg = geodesic::inverse(previous->at, p.at).metres;
            f.metres += leg;
            if (previous->hasTime() && p.hasTime()) {
                const double dt = p.time - previous->time;
                if (dt > 0.0 && leg / dt > kMovingSpeed) moving += dt;
            }
        }
        previous = &p;
    }
    if (firstTime) {
        f.seconds = *lastTime - *firstTime;
        f.movingSeconds = moving;
    }
    if (climbs.reference) {
        f.ascent = climbs.ascent;
        f.descent = climbs.descent;
    }
    return f;
}

std::vector<double> distanceAlong(std::span<const TrackPoint> points) {
    std::vector<double> along;
    along.reserve(points.size());
    double total = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i > 0) total += geodesic::inverse(points[i - 1].at, points[i].at).metres;
        along.push_back(total);
    }
    return along;
}

QString lengthText(double metres) {
    if (metres < 1000.0) return QStringLiteral("%1 m").arg(std::llround(metres));
    return QStringLiteral("%1 km").arg(QString::number(metres / 1000.0, 'f', 2).replace(u'.', u','));
}

QString durationText(double seconds) {
    const long long s = std::llround(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString climbText(double metres) {
    return QStringLiteral("%1 m").arg(std::llround(metres));
}

} // namespace orvena
