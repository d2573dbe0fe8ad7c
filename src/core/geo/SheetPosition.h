#pragma once

// The position under the pointer in WGS 84 and UTM, for the sheet on display:
// the read-out's second line (only for a sheet in another datum) and the text
// the position is copied to the clipboard as.

#include "core/geo/Datum.h"
#include "core/geo/Readout.h"
#include "core/geo/SheetModel.h"

#include <QString>

#include <memory>
#include <optional>

namespace orvena {

// Made once for a sheet, when it is shown: the PROJ operation for its extent
// and the UTM projections are kept, so a mouse move only transforms a point.
class SheetPosition {
public:
    // A sheet without a datum: its coordinates are taken as WGS 84.
    SheetPosition() = default;
    // A sheet in datum, extent in its own degrees, by the operation of
    // datumOperations() whose key is operation (empty: PROJ's choice).
    SheetPosition(Datum datum, const GeoBox& extent, const QString& operation = {});
    // The sheet whose stored datum code is code (empty: none), extent as
    // above when its calibration gives one: a code that is none of the four
    // datums is kept as unknown, and no WGS 84 position is given there.
    static SheetPosition forSheet(const QString& code, const std::optional<GeoBox>& extent,
                                  const QString& operation);
    // A sheet calibrated from its points: its model's datum, the extent the
    // model gives an image of that size (pixels), the operation as above, and
    // the model for the read-out.
    SheetPosition(const SheetModel& model, int width, int height, const QString& operation = {});
    ~SheetPosition();
    SheetPosition(SheetPosition&&) noexcept;
    SheetPosition& operator=(SheetPosition&&) noexcept;

    // The read-out's position (seconds of arc in the sheet's datum) in WGS 84
    // degrees; nothing when PROJ cannot transform it.
    std::optional<LonLat> wgs84(double latSeconds, double lonSeconds) const;

    // The second line of the tool tip, for a sheet whose datum is not WGS 84:
    // "WGS 84 = 45.4716670, 9.1796525 ,UTM 32N = 514043 E 5035254 N"; empty for
    // a sheet in WGS 84 or without a datum, or where PROJ cannot transform.
    // For a sheet whose WGS 84 position cannot be given (its datum unknown,
    // PROJ's data missing) the second line says why in short ("WGS 84 non
    // disponibile: datum sconosciuto: EPSG:9999").
    QString secondLine(double latSeconds, double lonSeconds);

    // Why no WGS 84 position is given on this sheet, in Italian; empty when
    // one is.
    const QString& problem() const { return problem_; }
    // The problem when PROJ's data are missing, the first time in this run of
    // the program that any sheet asks; empty otherwise, so it is told once.
    QString problemToTellOnce() const;

    // Whether the sheet is read through its model.
    bool hasModel() const { return model_.isValid(); }
    // The read-out at a position on the image (pixels at zoom 100) through
    // the model, in seconds of the sheet's datum; nothing without a model or
    // where it gives no position. The lines above then take its seconds.
    std::optional<Readout> readoutAt(double x, double y) const;

private:
    SheetModel model_;
    std::optional<Datum> datum_;
    QString unknownCode_;
    QString problem_;
    bool missingData_ = false;
    DatumTransform toWgs84_;
    std::unique_ptr<UtmProjection> utm_; // for the second line: none in WGS 84
};

// A sheet's extent in its own degrees: the read-out at two opposite corners
// of its picture (width and height in twips at zoom 100) with the calibration
// of its record (x and y unused). Nothing when it gives no position there.
std::optional<GeoBox> sheetExtent(ReadoutInput calibration, int widthTwips, int heightTwips);

// "lat, lon" in WGS 84 decimal degrees, seven decimals (about a centimetre):
// "45.4716670, 9.1796525".
QString latLonText(LonLat wgs84);

} // namespace orvena
