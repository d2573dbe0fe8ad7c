#pragma once

#include "core/geo/Datum.h"

#include <optional>

class QComboBox;
class QWidget;

// A combo box to choose a sheet's datum from: an empty first line (no datum,
// read as WGS 84) and the four datums by name; a stored code that is none of
// them shows on a line of its own ("datum sconosciuto: EPSG:9999") while it
// is the sheet's. Nothing can be typed into it.
namespace orvena::datumchoice {

QComboBox* create(QWidget* parent, const char* name, int left, int top, int width);
// The datum chosen; nothing for the empty line.
std::optional<Datum> chosen(const QComboBox* box);
// The datum stored for a sheet as its code ("EPSG:4230"): that datum's line,
// the empty line for none, the unknown code's own line for any other.
void show(QComboBox* box, const QString& code);
// The code to store for the line chosen: empty for none, an unknown code as
// it was shown.
QString code(const QComboBox* box);

} // namespace orvena::datumchoice
