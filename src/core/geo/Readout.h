#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace orvena {

// Degrees, minutes and seconds as the read-out shows them.
struct DmsParts {
    std::int32_t deg = 0;
    std::int32_t min = 0;
    std::int32_t sec = 0;

    friend bool operator==(const DmsParts&, const DmsParts&) = default;
};

// Seconds of arc split into degrees, minutes and seconds: each quotient is
// taken in single precision and floored (so -1800 is -1 degree 30 minutes),
// the remaining seconds are rounded to the nearest, ties to even, with no carry
// into the minutes (59.5 shows as 60). Nothing when v is not finite or the
// degrees overflow 32-bit seconds.
std::optional<DmsParts> secondsToDms(double v);

// What the read-out needs: the pointer over the map image (twips at the zoom in
// force), the scales in force and the area's reference values as stored (at
// zoom 100; they are read back from the record's texts, hence doubles).
struct ReadoutInput {
    std::int32_t x = 0;
    std::int32_t y = 0;
    float latScale = 0.0f;
    float lonScale = 0.0f;
    double pxlao = 0.0;
    double seclao = 0.0;
    double pxloo = 0.0;
    double secloo = 0.0;
};

struct Readout {
    double latSeconds = 0.0;
    double lonSeconds = 0.0;
    DmsParts lat;
    DmsParts lon;
    std::array<QString, 6> texts; // lat d, m, s, lon d, m, s in the "##" pattern
    QString toolTip;              // "Lat = d:m:s ,Lon = d:m:s"
};

// The latitude and longitude under the pointer. Nothing for a zero scale, a
// non-finite value or an angle out of range.
std::optional<Readout> computeReadout(const ReadoutInput& in);

// The read-out of a position already in seconds of arc (a sheet calibrated
// from its points): the same texts and tool tip. Nothing for an angle out of
// range.
std::optional<Readout> readoutOf(double latSeconds, double lonSeconds);

} // namespace orvena
