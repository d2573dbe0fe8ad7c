#pragma once

// A position typed or pasted as text, latitude first: decimal degrees as
// "Copia posizione WGS 84" copies them ("45.4716670, 9.1796525"), or
// degrees, minutes and seconds with or without their signs and hemispheres
// ("45°28'18\" N 9°10'47\" E", "45 28 18; 9 10 47"); "-", S and W (or O,
// ovest) make an angle negative. Decimal commas are read when the two
// angles are apart by ";" or by a hemisphere.

#include "core/geo/Datum.h"

#include <QString>

#include <optional>

namespace orvena {

// Longitude and latitude in degrees; nothing for a text that is not a
// position, or one off the globe.
std::optional<LonLat> parseLatLon(const QString& text);

} // namespace orvena
