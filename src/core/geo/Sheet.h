#pragma once

// One sheet as a value: what its AREA record says (the calibration, the four
// links) and its datum, read once and then passed around. Nothing here ever
// goes back to the archive.

#include "core/archive/AreaDatums.h"
#include "core/geo/Readout.h"

#include <QString>
#include <QVariant>

#include <array>
#include <cstdint>
#include <optional>

namespace orvena {

// The four ways out of a sheet, to the neighbour its record names.
enum class Side : std::uint8_t { North, East, South, West };

// The one rule by which a stored number is read: the text a bound box shows
// for the value (core/archive/FieldText), read with '.' whatever the locale.
// Nothing for a null, a text that is not a number or a non-finite value.
std::optional<double> storedNumber(const QVariant& value);

// The calibration of a sheet as its record holds it, each value read by
// storedNumber(): the scales COLA and COLO (twips per second of arc at zoom
// 100) and the reference values PXLAO, SECLAO, PXLOO, SECLOO.
struct StoredCalibration {
    std::optional<double> cola, colo;
    std::optional<double> pxlao, seclao, pxloo, secloo;
    // Reference values that are stored but are not numbers (a null is not
    // counted: a record never calibrated is shown without a word).
    bool unreadableReference = false;

    // Both scales usable (non-zero, single precision finite) and no reference
    // value unreadable: the sheet is shown with these scales.
    bool usable() const;
    // The read-out's input for the position (x, y) with the scales given;
    // nothing when a reference value is missing or a scale is zero.
    std::optional<ReadoutInput> readoutInput(std::int32_t x, std::int32_t y, float latScale,
                                             float lonScale) const;
};

struct Sheet {
    QString name; // as AREA holds it; empty: no record
    StoredCalibration calibration;
    std::array<QString, 4> links; // by Side: the neighbours' names, empty for none
    areadatums::SheetDatum datum; // its code ("EPSG:4265") and operation; empty for none

    bool exists() const { return !name.isEmpty(); }
    const QString& link(Side side) const { return links[std::size_t(side)]; }
};

} // namespace orvena
