#pragma once

#include <cstdint>
#include <optional>
#include <variant>

namespace orvena {

// An angle as typed: whole degrees, minutes and seconds, each with its own sign.
struct Dms {
    std::int32_t deg = 0;
    std::int32_t min = 0;
    std::int32_t sec = 0;
};

// deg * 3600 + min * 60 + sec in 32-bit arithmetic, every step checked for
// overflow. The parts are added as they stand, without mirroring a negative
// degree into its minutes and seconds: -45 30 0 is -160200.
std::optional<std::int32_t> toSeconds(const Dms& angle);

// A point clicked on the sheet at zoom 100 (twips from the image's top-left
// corner) with its typed latitude and longitude.
struct ReferencePoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    Dms lat;
    Dms lon;
};

// The calibration fields of an area record: a linear map per axis through the
// first reference point.
struct Calibration {
    float cola = 0.0f;       // twips per second of latitude, positive when it decreases downwards
    float colo = 0.0f;       // twips per second of longitude, positive when it grows to the right
    std::int32_t pxlao = 0;  // y of the first point
    std::int32_t seclao = 0; // latitude of the first point, in seconds
    std::int32_t pxloo = 0;  // x of the first point
    std::int32_t secloo = 0; // longitude of the first point, in seconds

    friend bool operator==(const Calibration&, const Calibration&) = default;
};

// A calibration as it is read back from a record to be used: the scales in
// single precision (COLA, COLO: at zoom 100 as stored, or the scales in force
// at another zoom), the reference values as the numbers the record holds.
struct SheetCalibration {
    float cola = 0.0f;
    float colo = 0.0f;
    double pxlao = 0.0;
    double seclao = 0.0;
    double pxloo = 0.0;
    double secloo = 0.0;
};

enum class CalibrationError {
    SameLatitude,  // both points have the same latitude in seconds
    SameLongitude, // both points have the same longitude in seconds
    Overflow,      // an angle or a difference of angles leaves the 32-bit range
};

// Either a calibration or the reason why none can be made.
class CalibrationResult {
public:
    CalibrationResult(const Calibration& calibration)
        : value_(calibration) {} // NOLINT
    CalibrationResult(CalibrationError error)
        : value_(error) {} // NOLINT

    bool isValid() const { return std::holds_alternative<Calibration>(value_); }
    // Only when isValid().
    const Calibration& calibration() const { return std::get<Calibration>(value_); }
    // Only when !isValid().
    CalibrationError error() const { return std::get<CalibrationError>(value_); }

private:
    std::variant<Calibration, CalibrationError> value_;
};

// The calibration through two reference points:
//   COLO = (x2 - x1) / (lo2 - lo1),  COLA = (y2 - y1) / (la1 - la2)
// divided in double precision and kept in single precision, a scale of exactly
// 0 (both clicks on the same column or row) stored as 100. The points may lie
// in any order on the sheet; sheets whose angles run the other way get
// negative scales. Angles in seconds and their differences are checked 32-bit
// values; when both angles coincide the longitude is reported first.
CalibrationResult calibrate(const ReferencePoint& first, const ReferencePoint& second);

} // namespace orvena
