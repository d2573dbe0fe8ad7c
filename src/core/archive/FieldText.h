#pragma once

#include <QString>
#include <QVariant>

namespace orvena {

// The text of a real field: the shortest text that reads back as the same
// single-precision number, with '.' as the decimal separator whatever the
// locale (12 -> "12", 0.1 -> "0.1", 9652.5 -> "9652.5").
QString realFieldText(double value);

// The text of a stored value as a bound text box shows it: an integer as its
// digits, a real as realFieldText(), a text as it is, a null as the empty text.
QString fieldText(const QVariant& value);

} // namespace orvena
