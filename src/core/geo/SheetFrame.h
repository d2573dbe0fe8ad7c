#pragma once

// Where a place on the earth lies on a sheet, and back: a pixel of the
// sheet's picture (at zoom 100) to WGS 84 degrees through its calibration
// model (its points' model when it has one, its AREA record's per-axis fit
// otherwise) and its datum (PROJ's operation to WGS 84); and the sheet's
// outline in WGS 84, for the sheets that hold a point.

#include "core/geo/Datum.h"
#include "core/geo/Sheet.h"
#include "core/geo/SheetModel.h"

#include <QPointF>
#include <QSize>
#include <QtGlobal>

#include <optional>
#include <span>
#include <vector>

namespace orvena {

class SheetFrame {
public:
    SheetFrame() = default; // not valid
    // sheet: its record as read; size: its picture in pixels; model: the
    // model of its points, when it has a valid one (it then decides).
    SheetFrame(const Sheet& sheet, QSize size, const SheetModel& model = {});
    // The sheet named in sheet, its picture and its points read from folder.
    static SheetFrame read(const QString& folder, const Sheet& sheet);

    // A frame needs a usable calibration (or model), a picture size and a
    // known datum PROJ can take to WGS 84.
    bool isValid() const { return valid_; }
    // Different for every frame made (copies share it): what was placed
    // through one frame is placed again through another.
    quint64 serial() const { return serial_; }
    const QString& name() const { return name_; }
    QSize size() const { return size_; }
    Datum datum() const { return datum_; }

    // A pixel (zoom 100) to degrees of the sheet's own datum (longitudes as
    // its graticule counts them), and back.
    std::optional<LonLat> toSheetDatum(QPointF pixel) const;
    std::optional<QPointF> fromSheetDatum(LonLat p) const;
    // WGS 84 degrees to the sheet's datum and back.
    std::optional<LonLat> sheetDatumOf(LonLat wgs84) const;
    std::optional<LonLat> wgs84Of(LonLat own) const;

    // A pixel to WGS 84, and back.
    std::optional<LonLat> toWgs84(QPointF pixel) const;
    std::optional<QPointF> fromWgs84(LonLat p) const;
    // Many points at once (one PROJ call): NaN for a point with no place.
    std::vector<QPointF> fromWgs84(std::span<const LonLat> points) const;

    // The picture's border through the model, in WGS 84: eight steps a side,
    // clockwise from the top-left corner. Empty for a frame not valid.
    std::vector<LonLat> outline() const;
    // Whether the picture holds the point (its place falls inside it).
    bool holds(LonLat wgs84) const;

private:
    QString name_;
    QSize size_;
    Datum datum_ = Datum::Wgs84;
    SheetModel model_;
    StoredCalibration calibration_;
    DatumTransform toWgs84_; // not valid for a sheet in WGS 84
    bool valid_ = false;
    quint64 serial_ = 0;
};

} // namespace orvena
