#include "core/geo/Readout.h"

#include "core/base/Numbers.h"

#include <cmath>

namespace orvena {

namespace {

// Beyond this many degrees, degrees * 3600 cannot fit in 32 bits anyway; the
// bound keeps the narrowing to float defined.
constexpr double kMaxDegrees = 1e9;

// floor(value / divisor) with the quotient kept in single precision.
double flooredSingleQuotient(double value, double divisor) {
    return std::floor(static_cast<double>(static_cast<float>(value / divisor)));
}

} // namespace

std::optional<DmsParts> secondsToDms(double v) {
    if (!std::isfinite(v) || std::abs(v / 3600.0) > kMaxDegrees) return std::nullopt;
    const auto deg = checkedInt32(static_cast<std::int64_t>(flooredSingleQuotient(v, 3600.0)));
    if (!deg) return std::nullopt;
    const auto degSeconds = checkedInt32(std::int64_t{*deg} * 3600);
    if (!degSeconds) return std::nullopt;

    // The remainder is within a few minutes of [0, 3600): the quotient's single
    // precision can push it slightly outside.
    const double rest = v - *degSeconds;
    const auto min = checkedInt32(static_cast<std::int64_t>(flooredSingleQuotient(rest, 60.0)));
    if (!min) return std::nullopt;
    const auto sec = roundToInt32(rest - static_cast<double>(*min) * 60.0);
    if (!sec) return std::nullopt;
    return DmsParts{*deg, *min, *sec};
}

std::optional<Readout> computeReadout(const ReadoutInput& in) {
    for (const double v :
         {double{in.latScale}, double{in.lonScale}, in.pxlao, in.seclao, in.pxloo, in.secloo})
        if (!std::isfinite(v)) return std::nullopt;
    if (in.latScale == 0.0f || in.lonScale == 0.0f) return std::nullopt;
    const double y = in.y;
    const double latScale = in.latScale;
    // Below the reference point the latitude decreases; above it, it grows.
    return readoutOf(y > in.pxlao ? in.seclao - (y - in.pxlao) / latScale
                                  : in.seclao + (in.pxlao - y) / latScale,
                     in.secloo + (in.x - in.pxloo) / static_cast<double>(in.lonScale));
}

std::optional<Readout> readoutOf(double latSeconds, double lonSeconds) {
    Readout r;
    r.latSeconds = latSeconds;
    r.lonSeconds = lonSeconds;
    const auto lat = secondsToDms(r.latSeconds);
    const auto lon = secondsToDms(r.lonSeconds);
    if (!lat || !lon) return std::nullopt;
    r.lat = *lat;
    r.lon = *lon;
    r.texts = {formatHash(lat->deg), formatHash(lat->min), formatHash(lat->sec),
               formatHash(lon->deg), formatHash(lon->min), formatHash(lon->sec)};
    r.toolTip = QStringLiteral("Lat = %1:%2:%3 ,Lon = %4:%5:%6")
                    .arg(r.texts[0], r.texts[1], r.texts[2], r.texts[3], r.texts[4], r.texts[5]);
    return r;
}

} // namespace orvena
