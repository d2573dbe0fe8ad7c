#include "core/archive/FieldText.h"

#include <QByteArray>
#include <QMetaType>
#include <SQLiteCpp/Column.h>
#include <sqlite3.h>

#include <charconv>

namespace orvena {

QVariant columnValue(const SQLite::Column& column) {
    switch (column.getType()) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(column.getInt64()));
    case SQLITE_FLOAT:
        return QVariant(column.getDouble());
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(column.getText(), column.getBytes()));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(column.getBlob()), column.getBytes()));
    default:
        return {};
    }
}

QString realFieldText(double value) {
    // The shortest text that reads back as the same float, written without an
    // exponent (a position of a million twips reads "1000000", not "1e+06").
    // Values too small or too large for that fall back to the exponent form.
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value),
                                std::chars_format::fixed);
    if (result.ec != std::errc())
        result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
    if (result.ec != std::errc()) return QString::number(value, 'g', 9);
    return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

QString fieldText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return realFieldText(value.toDouble());
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
        return QString::number(value.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
        return QString::number(value.toULongLong());
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    default:
        return value.toString();
    }
}

} // namespace orvena
