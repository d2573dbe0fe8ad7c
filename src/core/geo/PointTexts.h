#pragma once

// What the calibration window reads and shows of a reference point: its
// coordinates as typed, and the two points a sheet set up by two points
// starts from.

#include "core/archive/SheetPoints.h"
#include "core/geo/Sheet.h"

#include <QString>

#include <optional>
#include <vector>

namespace orvena {

// A latitude or longitude as typed: degrees, minutes and seconds with
// decimals ("45 28 18.5", "45°28'18,5\"", "45 28.31") or decimal degrees
// ("45.47180"); a leading minus makes the whole angle negative. Nothing for
// a text that is none of these, or minutes or seconds of 60 or more.
std::optional<double> angleFromText(const QString& text);
// "45 28 18.500": degrees, minutes, seconds with three decimals.
QString angleText(double degrees);
// A northing or easting in metres ("4650000", "4 650 000,5": blanks only
// between thousands).
std::optional<double> metresFromText(const QString& text);
QString metresText(double metres);

// A point at (x, y) pixels with its coordinates typed as north and east:
// latitude and longitude when both read as angles within 90 and 360
// degrees (no grid's metres are that small), otherwise northing and
// easting in metres of the grid. Nothing when they read as neither.
std::optional<TiePoint> pointFromTexts(double x, double y, const QString& north,
                                       const QString& east);
// The texts a point's coordinates are shown as, north first.
std::pair<QString, QString> pointTexts(const TiePoint& point);

// The reference points a sheet set up by two points offers the window: the
// first point of the set-up, where its record keeps it, and the corner of the
// image farthest from it with the coordinates the record's calibration gives
// there (width and height in pixels). Their per-axis fit is the record's
// calibration again. Empty when the record's calibration is not usable.
std::vector<TiePoint> setupPoints(const StoredCalibration& calibration, int width, int height);

} // namespace orvena
