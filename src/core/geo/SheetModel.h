#pragma once

// A sheet calibrated from its reference points: the model that takes a pixel
// of the image to the sheet's latitude and longitude and back, fitted once
// (GDAL's GCP transformers, PROJ between a grid and its graticule) and then
// only evaluated, so a pointer move costs no more than a few multiplications
// and one PROJ call. Also each point's residual and the per-axis fit the
// AREA record keeps for earlier builds.

#include "core/archive/SheetPoints.h"
#include "core/geo/Calibration.h"
#include "core/geo/Datum.h"

#include <QPointF>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace orvena {

// The grids a fit can be made in, by EPSG code: Gauss-Boaga west and east
// (Roma 40), UTM 32-34 N on ED50 and on WGS 84. 0 is the graticule of the
// sheet's own datum.
inline constexpr std::array<int, 8> kFitGrids = {3003,  3004,  23032, 23033,
                                                 23034, 32632, 32633, 32634};
bool isFitGrid(int epsg);
// "Gauss-Boaga Fuso Ovest (EPSG:3003)" ...; "Reticolato geografico del datum" for 0.
QString fitGridName(int epsg);
// The datum a grid implies; a sheet whose datum is another takes it. Roma 40
// with longitudes from Monte Mario keeps them: it is the same datum. The
// graticule (0) keeps the sheet's.
Datum datumForGrid(int epsg, Datum sheetDatum);

// Points each model needs at least: 2, 2, 3, 4, 6, 10; and the model a
// sheet with that many points gets unless the user chooses: the per-axis fit
// with 2, affine from 3 on.
int minimumPoints(FitModel model);
FitModel defaultModel(std::size_t points);
// "per asse", "Helmert", "affine", "proiettivo", "polinomiale di 2° grado",
// "thin-plate spline".
QString fitModelName(FitModel model);

// At most this many points on a sheet.
inline constexpr std::size_t kMaxPoints = 30;

// How far a point lies from the fitted model: the image position the model
// gives its coordinates minus the one clicked (pixels), the distance on the
// ground between its coordinates and where the model puts the click
// (metres), and whether it is probably a mis-click: more than three times
// the RMS, or more than 5 pixels.
struct Residual {
    double dx = 0.0;
    double dy = 0.0;
    double pixels = 0.0;
    double metres = 0.0;
    bool flagged = false;
};

// A pixel and its place in the fit grid (or degrees of the graticule,
// longitude first), as GDAL's ground control points hold them.
struct GridTie {
    double pixel = 0.0;
    double line = 0.0;
    double x = 0.0;
    double y = 0.0;
};

class SheetModel {
public:
    SheetModel() = default; // not valid

    // Fits points for a sheet in datum (the datum the grid implies, if it
    // differs). Never throws: a model that cannot be made is not valid and
    // says why in error().
    static SheetModel fit(const SheetPoints& points, Datum datum);

    bool isValid() const { return impl_ != nullptr && error_.isEmpty(); }
    // Why it is not valid, in Italian.
    const QString& error() const { return error_; }

    FitModel model() const;
    int grid() const;
    Datum datum() const;

    // A position on the image (pixels at zoom 100) to degrees of the sheet's
    // datum, longitudes as its graticule counts them; nothing outside what
    // PROJ can transform. inverse() goes back.
    std::optional<LonLat> forward(double x, double y) const;
    std::optional<QPointF> inverse(LonLat p) const;
    // The same position in the fit grid (or the graticule's degrees).
    std::optional<LonLat> toFit(double x, double y) const;

    const std::vector<Residual>& residuals() const;
    double rmsPixels() const;
    double rmsMetres() const;

    // The model as GDAL's six numbers from a pixel's corner to the fit grid,
    // when it is affine (per axis, Helmert, affine).
    std::optional<std::array<double, 6>> geoTransform() const;
    // Ground control points GDAL turns back into this model: for the
    // second-order polynomial a 3 x 3 lattice (whole pixels) over an image of that size
    // (GDAL fits 6 to 9 points with order 2), for the projective a 5 x 5
    // lattice (order 3: near it, not exactly), for the spline the points
    // themselves (GDAL's -tps). Empty for an affine model.
    std::vector<GridTie> controlPoints(int width, int height) const;

    // The AREA fields of the per-axis least-squares fit of the points, in
    // the sheet's own graticule (twips and seconds, as the set-up stores
    // them).
    const AreaFields& areaFields() const;

private:
    struct Impl;
    std::shared_ptr<const Impl> impl_;
    QString error_ = QStringLiteral("nessuna calibrazione");
};

// The per-axis least-squares fit of points given in degrees of a sheet's
// graticule: seconds of latitude from y, of longitude from x, as the AREA
// fields hold them. With two points it is the set-up's own calibration.
// Nothing when the points share a column or a row, or the numbers leave the
// fields' range.
std::optional<AreaFields> perAxisFields(const std::vector<TiePoint>& geographic);

} // namespace orvena
