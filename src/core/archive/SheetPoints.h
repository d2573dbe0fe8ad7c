#pragma once

// A sheet's reference points as they are kept: plain values, shared by the
// archive that stores them and the model fitted from them (core/geo).

#include <QPointF>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace orvena {

// How the points are fitted.
enum class FitModel {
    PerAxis,         // latitude from y and longitude from x, each a straight line
    Helmert,         // a turn, one scale and a shift (2 points or more)
    Affine,          // a scale along each axis, turn and skew (3 or more)
    Projective,      // a plane seen in perspective (4 or more)
    Polynomial2,     // second order polynomials (6 or more)
    ThinPlateSpline, // through every point, bent smoothly between them (10 or more)
};

// A reference point: where it is on the sheet, in pixels of the image at zoom
// 100 from its top-left corner (pixel column c spans [c, c + 1)), and where it
// is on the ground: latitude and longitude in degrees of the sheet's datum
// (its own longitudes), or northing and easting in metres of the fit grid.
struct TiePoint {
    double x = 0.0;
    double y = 0.0;
    bool inGrid = false;
    double north = 0.0; // latitude or northing
    double east = 0.0;  // longitude or easting

    friend bool operator==(const TiePoint&, const TiePoint&) = default;
};

struct SheetPoints {
    FitModel model = FitModel::Affine;
    int grid = 0; // EPSG code of the fit grid; 0 for the graticule of the sheet's datum
    std::vector<TiePoint> points;
    std::vector<QPointF> border; // pixels; empty: the image's edges

    friend bool operator==(const SheetPoints&, const SheetPoints&) = default;
};

// The AREA fields as the set-up writes them.
struct AreaFields {
    double cola = 0.0;
    double colo = 0.0;
    std::int32_t pxlao = 0;
    std::int32_t seclao = 0;
    std::int32_t pxloo = 0;
    std::int32_t secloo = 0;
};

// The model's name as stored ("per-asse", "helmert", "affine", "proiettiva",
// "polinomiale-2", "tps") and back.
QString fitModelCode(FitModel model);
std::optional<FitModel> fitModelFromCode(const QString& code);

} // namespace orvena
