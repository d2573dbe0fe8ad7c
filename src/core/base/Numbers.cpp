#include "core/base/Numbers.h"

#include <cmath>
#include <limits>

namespace orvena {

namespace {

std::optional<double> finiteIn(const QLocale& locale, const QString& text) {
    bool ok = false;
    const double v = locale.toDouble(text, &ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

} // namespace

std::optional<double> parseNumber(const QString& text, const QLocale& locale) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return std::nullopt;
    if (const auto v = finiteIn(locale, trimmed)) return v;
    return finiteIn(QLocale::c(), trimmed);
}

std::optional<std::int32_t> roundToInt32(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    // v - floor(v) is exact for every double, so the tie test is exact too.
    const double below = std::floor(v);
    const double fraction = v - below;
    double rounded = below + 1.0;
    if (fraction < 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) == 0.0)) rounded = below;
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

std::optional<std::int32_t> checkedInt32(std::int64_t v) {
    if (v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(v);
}

QString formatHash(std::int32_t v) {
    return v == 0 ? QString() : QString::number(v);
}

} // namespace orvena
