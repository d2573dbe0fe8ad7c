#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>
#include <optional>

namespace orvena {

// The number in a box the user typed: blanks around it are ignored, a leading
// sign is allowed, and the decimal separator is the locale's. When the text is
// not a number in the locale it is tried once more in the C form ('.' as the
// separator). Empty text, anything else and non-finite values give nothing.
std::optional<double> parseNumber(const QString& text, const QLocale& locale = QLocale());

// v rounded to the nearest whole number, ties to the even one (12.5 -> 12,
// 13.5 -> 14, -2.5 -> -2); nothing when v is not finite or the result does not
// fit in 32 bits.
std::optional<std::int32_t> roundToInt32(double v);

// v when it fits in 32 bits: the overflow check of whole-number arithmetic
// done in 64 bits.
std::optional<std::int32_t> checkedInt32(std::int64_t v);

// The "##" pattern: the decimal digits without leading zeros, a leading "-"
// when negative, and the empty text for 0.
QString formatHash(std::int32_t v);

} // namespace orvena
