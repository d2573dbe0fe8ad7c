#include "core/geo/Sheet.h"

#include "core/archive/FieldText.h"
#include "core/base/Numbers.h"

#include <QLocale>

#include <cmath>

namespace orvena {

std::optional<double> storedNumber(const QVariant& value) {
    return parseNumber(fieldText(value), QLocale::c());
}

namespace {

// A scale as the map keeps it: single precision, neither zero nor infinite.
std::optional<float> scale(const std::optional<double>& stored) {
    if (!stored) return std::nullopt;
    const auto v = static_cast<float>(*stored);
    if (!std::isfinite(v) || v == 0.0f) return std::nullopt;
    return v;
}

} // namespace

bool StoredCalibration::usable() const {
    return scale(cola) && scale(colo) && !unreadableReference;
}

std::optional<ReadoutInput> StoredCalibration::readoutInput(std::int32_t x, std::int32_t y,
                                                            float latScale, float lonScale) const {
    if (!pxlao || !seclao || !pxloo || !secloo || latScale == 0.0f || lonScale == 0.0f)
        return std::nullopt;
    return ReadoutInput{x, y, {latScale, lonScale, *pxlao, *seclao, *pxloo, *secloo}};
}

} // namespace orvena
