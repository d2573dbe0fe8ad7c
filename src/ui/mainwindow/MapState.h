#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace orvena {

// Whether the pointer read-out works: Unset (nothing loaded yet) counts as on,
// only Zero is off.
enum class Flag : std::uint8_t { Unset, Zero, One };

// The main window's own state of the sheet shown: its natural size and scales,
// the read-out's switch, where the pointer and the print's marker are, and the
// read-out's texts. No other window reads or writes it: the editors hand over
// by signals and calls.
struct MapState {
    std::int32_t naturalWidth = 0;  // twips, at zoom 100
    std::int32_t naturalHeight = 0; // twips, at zoom 100
    float latScale = 0.0f;          // COLA * zoom / 100
    float lonScale = 0.0f;          // COLO * zoom / 100
    Flag readoutEnabled = Flag::Unset;
    std::int32_t markerLeft = 0;
    std::int32_t markerTop = 0;
    std::int32_t pointerX = 0;
    std::int32_t pointerY = 0;
    std::array<QString, 6> readoutTexts; // lat d, m, s, lon d, m, s
};

} // namespace orvena
