#include "core/geo/SetupChecks.h"

#include "core/base/Numbers.h"

namespace orvena {

namespace {

// The largest value each box accepts, in the order of the boxes.
constexpr std::array<double, 6> kUpperBounds{90, 59, 59, 180, 59, 59};

} // namespace

void fillEmpty(CoordinateTexts& texts, const QString& fallback) {
    for (QString& t : texts)
        if (t.isEmpty()) t = fallback;
}

bool allEqual(const CoordinateTexts& texts, const QString& text) {
    for (const QString& t : texts)
        if (t != text) return false;
    return true;
}

std::optional<CoordinateValues> readCoordinates(const CoordinateTexts& texts,
                                                const QLocale& locale) {
    CoordinateValues values{};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const auto number = parseNumber(texts[i], locale);
        if (!number || *number > kUpperBounds[i]) return std::nullopt;
        const auto whole = roundToInt32(*number);
        if (!whole) return std::nullopt;
        values[i] = *whole;
    }
    const ReferencePoint p = referencePoint(0, 0, values);
    if (!toSeconds(p.lat) || !toSeconds(p.lon)) return std::nullopt;
    return values;
}

ReferencePoint referencePoint(std::int32_t x, std::int32_t y, const CoordinateValues& values) {
    return {x, y, Dms{values[0], values[1], values[2]}, Dms{values[3], values[4], values[5]}};
}

} // namespace orvena
