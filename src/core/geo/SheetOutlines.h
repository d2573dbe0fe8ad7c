#pragma once

// The sheets that hold a place on the earth: each calibrated sheet's outline
// in WGS 84 (its picture's border through its model and datum), kept with
// the box around it, so that a point is looked up among thousands of sheets
// in microseconds.

#include "core/geo/Datum.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace orvena {

class SheetOutlines {
public:
    // Every sheet of folder's area.mdb whose picture is there and whose
    // calibration gives a frame (core/geo/SheetFrame). Sheets that give none
    // are left out; an archive that cannot be read gives none at all.
    static SheetOutlines read(const QString& folder);

    // An outline: a ring of WGS 84 points, closed back to its first.
    void add(const QString& sheet, std::vector<LonLat> ring);
    std::size_t size() const { return outlines_.size(); }

    // The sheets whose outline holds the point, in the order they were added.
    QStringList holding(LonLat wgs84) const;

private:
    struct Outline {
        QString sheet;
        GeoBox box;
        std::vector<LonLat> ring;
    };
    std::vector<Outline> outlines_;
};

} // namespace orvena
