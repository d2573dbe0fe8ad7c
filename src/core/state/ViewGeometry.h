#pragma once

// The fixed places of the map view on the main window, in twips.
namespace orvena::view {

// Where a sheet shown at natural size has its top-left corner: an area load,
// the set-up's picture and the locality editor's sheet put it there.
inline constexpr int kSheetLeft = 1080;
inline constexpr int kSheetTop = 840;

// The view's reference point: a marked locality's arrow is brought to it, the
// map counts as past an edge once blank window shows on that side of it, and
// the east and south neighbours are placed with their near edge on it.
inline constexpr int kReferenceX = 5500;
inline constexpr int kReferenceY = 3500;

} // namespace orvena::view
