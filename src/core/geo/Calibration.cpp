#include "core/geo/Calibration.h"

#include "core/base/Numbers.h"

namespace orvena {

namespace {

// A scale kept in single precision; 0 would make the read-out divide by zero.
float scale(std::int64_t twips, std::int32_t seconds) {
    const auto s = static_cast<float>(static_cast<double>(twips) / static_cast<double>(seconds));
    return s == 0.0f ? 100.0f : s;
}

} // namespace

std::optional<std::int32_t> toSeconds(const Dms& angle) {
    const auto degrees = checkedInt32(std::int64_t{angle.deg} * 3600);
    if (!degrees) return std::nullopt;
    const auto minutes = checkedInt32(std::int64_t{angle.min} * 60);
    if (!minutes) return std::nullopt;
    const auto partial = checkedInt32(std::int64_t{*degrees} + *minutes);
    if (!partial) return std::nullopt;
    return checkedInt32(std::int64_t{*partial} + angle.sec);
}

CalibrationResult calibrate(const ReferencePoint& first, const ReferencePoint& second) {
    const auto la1 = toSeconds(first.lat);
    const auto lo1 = toSeconds(first.lon);
    const auto la2 = toSeconds(second.lat);
    const auto lo2 = toSeconds(second.lon);
    if (!la1 || !lo1 || !la2 || !lo2) return CalibrationError::Overflow;

    const auto dLon = checkedInt32(std::int64_t{*lo2} - *lo1);
    const auto dLat = checkedInt32(std::int64_t{*la1} - *la2);
    if (!dLon || !dLat) return CalibrationError::Overflow;
    if (*dLon == 0) return CalibrationError::SameLongitude;
    if (*dLat == 0) return CalibrationError::SameLatitude;

    Calibration c;
    c.colo = scale(std::int64_t{second.x} - first.x, *dLon);
    c.cola = scale(std::int64_t{second.y} - first.y, *dLat);
    c.pxlao = first.y;
    c.seclao = *la1;
    c.pxloo = first.x;
    c.secloo = *lo1;
    return c;
}

} // namespace orvena
