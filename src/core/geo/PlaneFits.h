#pragma once

// The two plane fits GDAL has no transformer for: a similarity (Helmert) and
// a projective transform, each a small least-squares solve. The affine and
// polynomial fits and the spline are GDAL's.

#include <QPointF>

#include <array>
#include <optional>
#include <vector>

namespace orvena {

struct GridTie;

// The least-squares similarity from pixels (y downwards) to a grid whose
// second axis points up: one scale, one turn, a shift, as GDAL's six
// numbers. Nothing when the points coincide.
std::optional<std::array<double, 6>> helmertFit(const std::vector<GridTie>& ties);

// A projective transform of the plane (a 3 x 3 matrix), fitted by least
// squares on the linearised equations in coordinates centred and scaled
// about the points' mean.
class Homography {
public:
    static std::optional<Homography> fit(const std::vector<GridTie>& ties);
    std::optional<QPointF> apply(double x, double y) const;
    std::optional<QPointF> applyInverse(double x, double y) const;

private:
    using Matrix = std::array<double, 9>;
    static std::optional<QPointF> map(const Matrix& m, double x, double y);
    Matrix forward_{};
    Matrix inverse_{};
};

} // namespace orvena
