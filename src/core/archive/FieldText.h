#pragma once

#include <QString>
#include <QVariant>

namespace SQLite {
class Column;
}

namespace orvena {

// A stored value as read from the engine: an integer as qlonglong, a real as
// double, a text as QString, a blob as QByteArray, a null as a null QVariant.
QVariant columnValue(const SQLite::Column& column);

// The text of a real field: the shortest text that reads back as the same
// single-precision number, with '.' as the decimal separator whatever the
// locale (12 -> "12", 0.1 -> "0.1", 9652.5 -> "9652.5").
QString realFieldText(double value);

// The text of a stored value as a bound text box shows it: an integer as its
// digits, a real as realFieldText(), a text as it is, a null as the empty text.
QString fieldText(const QVariant& value);

} // namespace orvena
