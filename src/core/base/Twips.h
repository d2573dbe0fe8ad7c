#pragma once

#include <cmath>

namespace orvena::twips {

// Positions are kept in twips (1/1440 inch); a device-independent pixel is 15.
inline constexpr double kPerPixel = 15.0;

inline constexpr double fromPixels(double px) {
    return px * kPerPixel;
}
inline double toPixelsF(double tw) {
    return tw / kPerPixel;
}
// Whole pixels for placing a widget.
inline int toPixels(double tw) {
    return static_cast<int>(std::lround(tw / kPerPixel));
}

} // namespace orvena::twips
