#pragma once

// Which sheets hold a point: each calibrated sheet's outline in WGS 84 (its
// border, or its image's edges, placed by its model or its AREA fields and
// taken to WGS 84 by its datum's operation), and an index over them, so that
// a point finds its sheets among thousands in microseconds.

#include "core/archive/SheetPoints.h"
#include "core/geo/Datum.h"
#include "core/geo/Sheet.h"

#include <QPolygonF>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <unordered_map>
#include <vector>

namespace orvena {

// A sheet's outline in WGS 84 degrees (longitude as x), its border followed
// along its sides; nothing when the sheet gives no position (no usable
// calibration, a datum PROJ cannot take to WGS 84, an unknown datum code).
// size: its image in pixels; points: its reference points, when it has them.
std::optional<QPolygonF> sheetOutline(const Sheet& sheet, QSize size,
                                      const std::optional<SheetPoints>& points);

class SheetOutlines {
public:
    // Every calibrated sheet of folder's area.mdb whose image is there. A
    // file that cannot be read gives none.
    static SheetOutlines read(const QString& folder);

    void add(const QString& sheet, const QPolygonF& wgs84);
    std::size_t size() const { return outlines_.size(); }

    // The sheets whose outline holds the point (WGS 84 degrees), in the
    // order they were added.
    QStringList holding(LonLat wgs84) const;

private:
    struct Outline {
        QString sheet;
        QPolygonF polygon;
        QRectF box;
    };
    // A grid of cells over the whole world, each listing the outlines whose
    // boxes reach into it.
    static constexpr double kCell = 0.25; // degrees
    static long long cellOf(double lon, double lat);
    std::vector<Outline> outlines_;
    std::unordered_map<long long, std::vector<std::uint32_t>> cells_;
};

} // namespace orvena
