#pragma once

#include "core/geo/Calibration.h"

#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace orvena {

// The six coordinate boxes of a reference point, in the order latitude
// degrees, minutes, seconds, longitude degrees, minutes, seconds.
using CoordinateTexts = std::array<QString, 6>;
using CoordinateValues = std::array<std::int32_t, 6>;

// Every empty text becomes fallback.
void fillEmpty(CoordinateTexts& texts, const QString& fallback);

// Whether every text is exactly text.
bool allEqual(const CoordinateTexts& texts, const QString& text);

// The values of a reference point as the set-up accepts them: each text a
// number in the locale, at most 90, 59, 59, 180, 59, 59 (only upper bounds:
// negative values pass), rounded to a whole number ties to even; both angles
// must fit in 32-bit seconds of arc. Nothing when any of this fails.
std::optional<CoordinateValues> readCoordinates(const CoordinateTexts& texts,
                                                const QLocale& locale = QLocale());

// A clicked point (twips on the image) with its accepted values.
ReferencePoint referencePoint(std::int32_t x, std::int32_t y, const CoordinateValues& values);

} // namespace orvena
