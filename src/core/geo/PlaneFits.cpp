#include "core/geo/PlaneFits.h"

#include "core/geo/SheetModel.h"

#include <cmath>
#include <utility>

namespace orvena {

namespace {

using Matrix = std::array<double, 9>;

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix m{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 3; ++k)
                m[r * 3 + c] += a[r * 3 + k] * b[k * 3 + c];
    return m;
}

std::optional<Matrix> invert(const Matrix& m) {
    const double a = m[0], b = m[1], c = m[2], d = m[3], e = m[4], f = m[5], g = m[6], h = m[7],
                 i = m[8];
    const double det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    if (!std::isfinite(det) || det == 0.0) return std::nullopt;
    return Matrix{(e * i - f * h) / det, (c * h - b * i) / det, (b * f - c * e) / det,
                  (f * g - d * i) / det, (a * i - c * g) / det, (c * d - a * f) / det,
                  (d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det};
}

// Centring and scaling of a set of points: mean at 0, mean distance sqrt 2.
Matrix normaliser(const std::vector<QPointF>& points) {
    double mx = 0, my = 0;
    for (const QPointF& p : points)
        mx += p.x(), my += p.y();
    mx /= points.size(), my /= points.size();
    double d = 0;
    for (const QPointF& p : points)
        d += std::hypot(p.x() - mx, p.y() - my);
    d /= points.size();
    const double s = d > 0 ? std::sqrt(2.0) / d : 1.0;
    return {s, 0, -s * mx, 0, s, -s * my, 0, 0, 1};
}

// Solves the n x n system a x = b in place (Gaussian elimination with
// partial pivoting); false when it is singular.
template <std::size_t N>
bool solve(std::array<std::array<double, N>, N>& a, std::array<double, N>& b) {
    for (std::size_t col = 0; col < N; ++col) {
        std::size_t pivot = col;
        for (std::size_t r = col + 1; r < N; ++r)
            if (std::abs(a[r][col]) > std::abs(a[pivot][col])) pivot = r;
        if (std::abs(a[pivot][col]) < 1e-12) return false;
        std::swap(a[col], a[pivot]);
        std::swap(b[col], b[pivot]);
        for (std::size_t r = col + 1; r < N; ++r) {
            const double f = a[r][col] / a[col][col];
            for (std::size_t c = col; c < N; ++c)
                a[r][c] -= f * a[col][c];
            b[r] -= f * b[col];
        }
    }
    for (std::size_t r = N; r-- > 0;) {
        for (std::size_t c = r + 1; c < N; ++c)
            b[r] -= a[r][c] * b[c];
        b[r] /= a[r][r];
    }
    return true;
}

} // namespace

std::optional<std::array<double, 6>> helmertFit(const std::vector<GridTie>& ties) {
    if (ties.size() < 2) return std::nullopt;
    // Pixels with the y axis turned up, so that the map is a similarity.
    double mu = 0, mv = 0, mx = 0, my = 0;
    for (const GridTie& t : ties)
        mu += t.pixel, mv -= t.line, mx += t.x, my += t.y;
    const double n = static_cast<double>(ties.size());
    mu /= n, mv /= n, mx /= n, my /= n;
    double ss = 0, sa = 0, sb = 0;
    for (const GridTie& t : ties) {
        const double u = t.pixel - mu, v = -t.line - mv, x = t.x - mx, y = t.y - my;
        ss += u * u + v * v;
        sa += u * x + v * y;
        sb += u * y - v * x;
    }
    if (ss == 0.0) return std::nullopt;
    const double a = sa / ss, b = sb / ss;
    if (a == 0.0 && b == 0.0) return std::nullopt;
    // x = c + a u - b v, y = d + b u + a v, with v = -line.
    const double c = mx - a * mu + b * mv, d = my - b * mu - a * mv;
    return std::array<double, 6>{c, a, b, d, b, -a};
}

std::optional<Homography> Homography::fit(const std::vector<GridTie>& ties) {
    if (ties.size() < 4) return std::nullopt;
    std::vector<QPointF> from, to;
    for (const GridTie& t : ties) {
        from.emplace_back(t.pixel, t.line);
        to.emplace_back(t.x, t.y);
    }
    const Matrix nf = normaliser(from), nt = normaliser(to);
    // h0..h7 of the normalised matrix (h8 = 1), by the normal equations.
    std::array<std::array<double, 8>, 8> ata{};
    std::array<double, 8> atb{};
    const auto add = [&](const std::array<double, 8>& row, double rhs) {
        for (std::size_t r = 0; r < 8; ++r) {
            for (std::size_t c = 0; c < 8; ++c)
                ata[r][c] += row[r] * row[c];
            atb[r] += row[r] * rhs;
        }
    };
    for (std::size_t i = 0; i < ties.size(); ++i) {
        const double x = nf[0] * from[i].x() + nf[2], y = nf[4] * from[i].y() + nf[5];
        const double X = nt[0] * to[i].x() + nt[2], Y = nt[4] * to[i].y() + nt[5];
        add({x, y, 1, 0, 0, 0, -x * X, -y * X}, X);
        add({0, 0, 0, x, y, 1, -x * Y, -y * Y}, Y);
    }
    if (!solve(ata, atb)) return std::nullopt;
    const Matrix hn{atb[0], atb[1], atb[2], atb[3], atb[4], atb[5], atb[6], atb[7], 1.0};
    const auto ntInverse = invert(nt);
    if (!ntInverse) return std::nullopt;
    Homography h;
    h.forward_ = multiply(*ntInverse, multiply(hn, nf));
    const auto back = invert(h.forward_);
    if (!back) return std::nullopt;
    h.inverse_ = *back;
    return h;
}

std::optional<QPointF> Homography::map(const Matrix& m, double x, double y) {
    const double w = m[6] * x + m[7] * y + m[8];
    if (w == 0.0 || !std::isfinite(w)) return std::nullopt;
    return QPointF((m[0] * x + m[1] * y + m[2]) / w, (m[3] * x + m[4] * y + m[5]) / w);
}

std::optional<QPointF> Homography::apply(double x, double y) const {
    return map(forward_, x, y);
}

std::optional<QPointF> Homography::applyInverse(double x, double y) const {
    return map(inverse_, x, y);
}

} // namespace orvena
