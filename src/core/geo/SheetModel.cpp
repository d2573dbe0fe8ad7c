#include "core/geo/SheetModel.h"

#include "core/base/Numbers.h"
#include "core/geo/PlaneFits.h"

#include <cpl_error.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace orvena {

namespace {

// Twips of the map at zoom 100 per pixel of the image.
constexpr double kTwips = 15.0;
// Beyond this a residual is a probable mis-click whatever the RMS.
constexpr double kFlagPixels = 5.0;

const QString kTooFew = QStringLiteral("Il modello %1 richiede almeno %2 punti (ce ne sono %3).");
const QString kTooMany = QStringLiteral("Al massimo %1 punti (ce ne sono %2).");
const QString kUnknownGrid = QStringLiteral("Il reticolo EPSG:%1 non è tra quelli previsti.");
const QString kGridPointNoGrid = QStringLiteral(
    "Il punto %1 è dato in coordinate piane, ma il modello è nel reticolato geografico.");
const QString kNotToGrid = QStringLiteral("PROJ non porta il punto %1 nel reticolo EPSG:%2.");
const QString kNotGeographic =
    QStringLiteral("PROJ non porta il punto %1 in latitudine e longitudine.");
const QString kNoFit =
    QStringLiteral("Il modello %1 non si calcola con questi punti: sono allineati o coincidono.");
const QString kNoAxisFit = QStringLiteral(
    "I punti non danno la calibrazione per asse: hanno tutti la stessa latitudine o la stessa "
    "longitudine, o sono fuori dai limiti.");
const QString kBadNumber = QStringLiteral("Il punto %1 ha coordinate non valide.");

struct GridText {
    int epsg;
    Datum datum;
    const char* name;
};
constexpr std::array<GridText, 8> kGridTexts = {{
    {3003, Datum::Roma40, "Gauss-Boaga Fuso Ovest (EPSG:3003)"},
    {3004, Datum::Roma40, "Gauss-Boaga Fuso Est (EPSG:3004)"},
    {23032, Datum::Ed50, "UTM 32N ED50 (EPSG:23032)"},
    {23033, Datum::Ed50, "UTM 33N ED50 (EPSG:23033)"},
    {23034, Datum::Ed50, "UTM 34N ED50 (EPSG:23034)"},
    {32632, Datum::Wgs84, "UTM 32N WGS 84 (EPSG:32632)"},
    {32633, Datum::Wgs84, "UTM 33N WGS 84 (EPSG:32633)"},
    {32634, Datum::Wgs84, "UTM 34N WGS 84 (EPSG:32634)"},
}};

const GridText* gridText(int epsg) {
    for (const GridText& g : kGridTexts)
        if (g.epsg == epsg) return &g;
    return nullptr;
}

struct GdalFree {
    void operator()(void* t) const {
        if (t) GDALDestroyTransformer(t);
    }
};
using Transformer = std::unique_ptr<void, GdalFree>;

struct PjFree {
    void operator()(PJ* p) const { proj_destroy(p); }
};

// The ground distance between two positions of a graticule (degrees, longitude
// first) on its datum's ellipsoid, by PROJ's geodesic.
class Geodesic {
public:
    explicit Geodesic(Datum datum)
        : context_(proj_context_create())
        , pj_(proj_create(context_, datum == Datum::Wgs84 ? "+proj=longlat +ellps=WGS84"
                                                          : "+proj=longlat +ellps=intl")) {}
    ~Geodesic() {
        pj_.reset();
        proj_context_destroy(context_);
    }
    Geodesic(const Geodesic&) = delete;
    Geodesic& operator=(const Geodesic&) = delete;
    double metres(LonLat a, LonLat b) const {
        if (!pj_) return std::numeric_limits<double>::quiet_NaN();
        return proj_lp_dist(pj_.get(), proj_coord(proj_torad(a.lon), proj_torad(a.lat), 0, 0),
                            proj_coord(proj_torad(b.lon), proj_torad(b.lat), 0, 0));
    }

private:
    PJ_CONTEXT* context_;
    std::unique_ptr<PJ, PjFree> pj_;
};

// GDAL's complaints about points it cannot fit stay off the console: the
// model says why in Italian.
class QuietGdal {
public:
    QuietGdal() { CPLPushErrorHandler(CPLQuietErrorHandler); }
    ~QuietGdal() { CPLPopErrorHandler(); }
    QuietGdal(const QuietGdal&) = delete;
    QuietGdal& operator=(const QuietGdal&) = delete;
};

GDAL_GCP gcp(const GridTie& t) {
    GDAL_GCP g{};
    g.pszId = const_cast<char*>("");
    g.pszInfo = const_cast<char*>("");
    g.dfGCPPixel = t.pixel;
    g.dfGCPLine = t.line;
    g.dfGCPX = t.x;
    g.dfGCPY = t.y;
    return g;
}

// An area of use around a grid's central meridian, for PROJ's choice of
// operation; a grid and its own graticule need none.
GeoBox gridArea(int epsg) {
    const int zone = epsg % 100;
    const double meridian = epsg == 3003 ? 9.0 : epsg == 3004 ? 15.0 : zone * 6.0 - 183.0;
    return {meridian - 3.0, 36.0, meridian + 3.0, 47.5};
}

} // namespace

struct SheetModel::Impl {
    FitModel model = FitModel::Affine;
    int grid = 0;
    Datum datum = Datum::Wgs84;
    DatumTransform toGrid; // graticule -> grid; not valid for the graticule
    std::array<double, 6> forwardGt{};
    std::array<double, 6> inverseGt{};
    bool affine = false;
    AreaFields axis;
    Homography homography;
    Transformer transformer; // polynomial or spline
    std::vector<GridTie> ties;
    std::vector<Residual> residuals;
    double rmsPixels = 0.0;
    double rmsMetres = 0.0;

    std::optional<LonLat> toFit(double x, double y) const {
        double X = 0.0, Y = 0.0;
        switch (model) {
        case FitModel::PerAxis: {
            const double tx = x * kTwips, ty = y * kTwips;
            X = (axis.secloo + (tx - axis.pxloo) / axis.colo) / 3600.0;
            Y = (axis.seclao - (ty - axis.pxlao) / axis.cola) / 3600.0;
            break;
        }
        case FitModel::Helmert:
        case FitModel::Affine:
            X = forwardGt[0] + x * forwardGt[1] + y * forwardGt[2];
            Y = forwardGt[3] + x * forwardGt[4] + y * forwardGt[5];
            break;
        case FitModel::Projective: {
            const auto p = homography.apply(x, y);
            if (!p) return std::nullopt;
            X = p->x();
            Y = p->y();
            break;
        }
        case FitModel::Polynomial2:
        case FitModel::ThinPlateSpline: {
            X = x;
            Y = y;
            double z = 0.0;
            int ok = 0;
            GDALUseTransformer(transformer.get(), FALSE, 1, &X, &Y, &z, &ok);
            if (!ok) return std::nullopt;
            break;
        }
        }
        if (!std::isfinite(X) || !std::isfinite(Y)) return std::nullopt;
        return LonLat{X, Y};
    }

    std::optional<QPointF> fromFit(LonLat p) const {
        double x = 0.0, y = 0.0;
        switch (model) {
        case FitModel::PerAxis:
            x = (axis.pxloo + (p.lon * 3600.0 - axis.secloo) * axis.colo) / kTwips;
            y = (axis.pxlao - (p.lat * 3600.0 - axis.seclao) * axis.cola) / kTwips;
            break;
        case FitModel::Helmert:
        case FitModel::Affine:
            x = inverseGt[0] + p.lon * inverseGt[1] + p.lat * inverseGt[2];
            y = inverseGt[3] + p.lon * inverseGt[4] + p.lat * inverseGt[5];
            break;
        case FitModel::Projective: {
            const auto q = homography.applyInverse(p.lon, p.lat);
            if (!q) return std::nullopt;
            x = q->x();
            y = q->y();
            break;
        }
        case FitModel::Polynomial2:
        case FitModel::ThinPlateSpline:
            return solveBack(p);
        }
        if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
        return QPointF(x, y);
    }

    // GDAL fits the way back from the ground as a model of its own, which
    // for these models is only near the inverse of the way there: its answer
    // is refined by Newton's method on the way there.
    std::optional<QPointF> solveBack(LonLat target) const {
        double x = target.lon, y = target.lat, z = 0.0;
        int ok = 0;
        GDALUseTransformer(transformer.get(), TRUE, 1, &x, &y, &z, &ok);
        if (!ok || !std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
        constexpr double h = 0.5;
        for (int i = 0; i < 8; ++i) {
            const auto f = toFit(x, y), fx = toFit(x + h, y), fy = toFit(x, y + h);
            if (!f || !fx || !fy) return std::nullopt;
            const double a = (fx->lon - f->lon) / h, b = (fy->lon - f->lon) / h;
            const double c = (fx->lat - f->lat) / h, d = (fy->lat - f->lat) / h;
            const double det = a * d - b * c;
            if (det == 0.0 || !std::isfinite(det)) return std::nullopt;
            const double ex = target.lon - f->lon, ey = target.lat - f->lat;
            const double dx = (d * ex - b * ey) / det, dy = (a * ey - c * ex) / det;
            x += dx;
            y += dy;
            if (std::hypot(dx, dy) < 1e-9) break;
        }
        if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
        return QPointF(x, y);
    }

    // A 3 x 3 lattice of positions over the points' extent (at least 100
    // pixels each way), placed by the model in the graticule.
    std::vector<TiePoint> lattice(const std::vector<TiePoint>& points) const {
        double left = points.front().x, right = left, top = points.front().y, bottom = top;
        for (const TiePoint& p : points) {
            left = std::min(left, p.x), right = std::max(right, p.x);
            top = std::min(top, p.y), bottom = std::max(bottom, p.y);
        }
        right = std::max(right, left + 100.0);
        bottom = std::max(bottom, top + 100.0);
        std::vector<TiePoint> out;
        for (int i = 0; i <= 2; ++i) {
            for (int j = 0; j <= 2; ++j) {
                const double x = left + (right - left) * j / 2, y = top + (bottom - top) * i / 2;
                auto p = toFit(x, y);
                if (p && grid != 0) p = toGrid.inverse(*p);
                if (p) out.push_back({x, y, false, p->lat, p->lon});
            }
        }
        return out;
    }
};

bool isFitGrid(int epsg) {
    return gridText(epsg) != nullptr;
}

QString fitGridName(int epsg) {
    const GridText* g = gridText(epsg);
    return g ? QString::fromUtf8(g->name) : QStringLiteral("Reticolato geografico del datum");
}

Datum datumForGrid(int epsg, Datum sheetDatum) {
    const GridText* g = gridText(epsg);
    if (!g) return sheetDatum;
    if (g->datum == Datum::Roma40 && sheetDatum == Datum::Roma40Rome) return sheetDatum;
    return g->datum;
}

int minimumPoints(FitModel model) {
    switch (model) {
    case FitModel::PerAxis:
    case FitModel::Helmert:
        return 2;
    case FitModel::Affine:
        return 3;
    case FitModel::Projective:
        return 4;
    case FitModel::Polynomial2:
        return 6;
    case FitModel::ThinPlateSpline:
        return 10;
    }
    return 2;
}

FitModel defaultModel(std::size_t points) {
    return points >= 3 ? FitModel::Affine : FitModel::PerAxis;
}

QString fitModelName(FitModel model) {
    switch (model) {
    case FitModel::PerAxis:
        return QStringLiteral("per asse");
    case FitModel::Helmert:
        return QStringLiteral("Helmert");
    case FitModel::Affine:
        return QStringLiteral("affine");
    case FitModel::Projective:
        return QStringLiteral("proiettivo");
    case FitModel::Polynomial2:
        return QStringLiteral("polinomiale di 2° grado");
    case FitModel::ThinPlateSpline:
        return QStringLiteral("thin-plate spline");
    }
    return {};
}

std::optional<AreaFields> perAxisFields(const std::vector<TiePoint>& geographic) {
    const std::size_t n = geographic.size();
    if (n < 2) return std::nullopt;
    double mx = 0, my = 0, mlat = 0, mlon = 0;
    for (const TiePoint& p : geographic) {
        mx += p.x * kTwips;
        my += p.y * kTwips;
        mlat += p.north * 3600.0;
        mlon += p.east * 3600.0;
    }
    mx /= n, my /= n, mlat /= n, mlon /= n;
    double sxx = 0, syy = 0, sxl = 0, syl = 0;
    for (const TiePoint& p : geographic) {
        const double dx = p.x * kTwips - mx, dy = p.y * kTwips - my;
        sxx += dx * dx;
        syy += dy * dy;
        sxl += dx * (p.east * 3600.0 - mlon);
        syl += dy * (p.north * 3600.0 - mlat);
    }
    if (sxx == 0.0 || syy == 0.0 || sxl == 0.0 || syl == 0.0) return std::nullopt;
    const double lonPerTwip = sxl / sxx, latPerTwip = syl / syy;
    // Anchored where the fit crosses a whole second nearest the first point,
    // so the integer fields lose nothing but a fifteenth of a pixel; two
    // points with whole seconds anchor at the first, as the set-up does.
    const TiePoint& first = geographic.front();
    const double seclao = std::round(mlat + latPerTwip * (first.y * kTwips - my));
    const double secloo = std::round(mlon + lonPerTwip * (first.x * kTwips - mx));
    const double pxlao = std::round(my + (seclao - mlat) / latPerTwip);
    const double pxloo = std::round(mx + (secloo - mlon) / lonPerTwip);
    const auto s = [](double twipsPerSecond) {
        const auto f = static_cast<float>(twipsPerSecond);
        return f == 0.0f ? 100.0 : double{f};
    };
    const auto la = checkedInt32(static_cast<std::int64_t>(seclao));
    const auto lo = checkedInt32(static_cast<std::int64_t>(secloo));
    const auto py = checkedInt32(static_cast<std::int64_t>(pxlao));
    const auto px = checkedInt32(static_cast<std::int64_t>(pxloo));
    for (const double v : {seclao, secloo, pxlao, pxloo})
        if (!std::isfinite(v) || std::abs(v) > 2e9) return std::nullopt;
    if (!la || !lo || !py || !px) return std::nullopt;
    return AreaFields{s(-1.0 / latPerTwip), s(1.0 / lonPerTwip), *py, *la, *px, *lo};
}

SheetModel SheetModel::fit(const SheetPoints& sheet, Datum sheetDatum) {
    SheetModel out;
    auto impl = std::make_shared<Impl>();
    impl->model = sheet.model;
    impl->grid = sheet.grid;
    impl->datum = datumForGrid(sheet.grid, sheetDatum);
    const std::size_t n = sheet.points.size();
    const auto failed = [&](const QString& why) {
        out.error_ = why;
        return out;
    };
    if (n > kMaxPoints) return failed(kTooMany.arg(kMaxPoints).arg(n));
    if (static_cast<int>(n) < minimumPoints(sheet.model))
        return failed(
            kTooFew.arg(fitModelName(sheet.model)).arg(minimumPoints(sheet.model)).arg(n));
    if (sheet.grid != 0 && !isFitGrid(sheet.grid)) return failed(kUnknownGrid.arg(sheet.grid));
    for (std::size_t i = 0; i < n; ++i) {
        const TiePoint& p = sheet.points[i];
        for (const double v : {p.x, p.y, p.north, p.east})
            if (!std::isfinite(v)) return failed(kBadNumber.arg(i + 1));
        if (!p.inGrid && (std::abs(p.north) > 90.0 || std::abs(p.east) > 360.0))
            return failed(kBadNumber.arg(i + 1));
    }
    if (sheet.grid != 0) {
        impl->toGrid = DatumTransform(impl->datum, gridArea(sheet.grid), sheet.grid);
        if (!impl->toGrid.isValid()) return failed(impl->toGrid.error());
    }

    // Every point in the fit's coordinates, and in the graticule.
    std::vector<TiePoint> geographic;
    for (std::size_t i = 0; i < n; ++i) {
        const TiePoint& p = sheet.points[i];
        GridTie t{p.x, p.y, p.east, p.north};
        TiePoint g = p;
        if (sheet.grid == 0) {
            if (p.inGrid) return failed(kGridPointNoGrid.arg(i + 1));
        } else if (p.inGrid) {
            const auto ll = impl->toGrid.inverse({p.east, p.north});
            if (!ll) return failed(kNotGeographic.arg(i + 1));
            g = {p.x, p.y, false, ll->lat, ll->lon};
        } else {
            const auto en = impl->toGrid.forward({p.east, p.north});
            if (!en) return failed(kNotToGrid.arg(i + 1).arg(sheet.grid));
            t.x = en->lon;
            t.y = en->lat;
        }
        impl->ties.push_back(t);
        geographic.push_back(g);
    }

    const QuietGdal quiet;
    std::vector<GDAL_GCP> gcps;
    for (const GridTie& t : impl->ties)
        gcps.push_back(gcp(t));
    const int count = static_cast<int>(gcps.size());
    const QString noFit = kNoFit.arg(fitModelName(sheet.model));
    switch (sheet.model) {
    case FitModel::PerAxis:
        if (sheet.grid != 0) {
            // Per axis is a fit of the graticule: the grid only carries points.
            impl->grid = 0;
            impl->toGrid = DatumTransform();
            for (std::size_t i = 0; i < n; ++i)
                impl->ties[i] = {geographic[i].x, geographic[i].y, geographic[i].east,
                                 geographic[i].north};
        }
        break;
    case FitModel::Helmert:
    case FitModel::Affine: {
        const auto gt = sheet.model == FitModel::Helmert ? helmertFit(impl->ties)
                                                         : std::optional<std::array<double, 6>>();
        if (sheet.model == FitModel::Helmert) {
            if (!gt) return failed(noFit);
            impl->forwardGt = *gt;
        } else if (!GDALGCPsToGeoTransform(count, gcps.data(), impl->forwardGt.data(), TRUE)) {
            return failed(noFit);
        }
        if (!GDALInvGeoTransform(impl->forwardGt.data(), impl->inverseGt.data()))
            return failed(noFit);
        impl->affine = true;
        break;
    }
    case FitModel::Projective: {
        const auto h = Homography::fit(impl->ties);
        if (!h) return failed(noFit);
        impl->homography = *h;
        break;
    }
    case FitModel::Polynomial2:
        impl->transformer.reset(GDALCreateGCPTransformer(count, gcps.data(), 2, FALSE));
        if (!impl->transformer) return failed(noFit);
        break;
    case FitModel::ThinPlateSpline:
        impl->transformer.reset(GDALCreateTPSTransformer(count, gcps.data(), FALSE));
        if (!impl->transformer) return failed(noFit);
        break;
    }

    // The AREA fields: the per-axis fit of the points or, where they leave
    // an axis undetermined (all on one row, say), of the model over them.
    auto axis = perAxisFields(geographic);
    if (!axis && sheet.model != FitModel::PerAxis) axis = perAxisFields(impl->lattice(geographic));
    if (!axis) return failed(sheet.model == FitModel::PerAxis ? kNoAxisFit : noFit);
    impl->axis = *axis;

    // Residuals: in pixels through the inverse, in metres on the ground.
    const Geodesic geodesic(impl->datum);
    double sumPixels = 0.0, sumMetres = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const GridTie& t = impl->ties[i];
        Residual r;
        const auto back = impl->fromFit({t.x, t.y});
        const auto there = impl->toFit(t.pixel, t.line);
        if (!back || !there) return failed(noFit);
        r.dx = back->x() - t.pixel;
        r.dy = back->y() - t.line;
        r.pixels = std::hypot(r.dx, r.dy);
        r.metres = impl->grid != 0 ? std::hypot(there->lon - t.x, there->lat - t.y)
                                   : geodesic.metres(*there, {t.x, t.y});
        sumPixels += r.pixels * r.pixels;
        sumMetres += r.metres * r.metres;
        impl->residuals.push_back(r);
    }
    impl->rmsPixels = std::sqrt(sumPixels / n);
    impl->rmsMetres = std::sqrt(sumMetres / n);
    for (Residual& r : impl->residuals)
        r.flagged = r.pixels > kFlagPixels || r.pixels > 3.0 * impl->rmsPixels + 1e-9;

    out.impl_ = std::move(impl);
    out.error_.clear();
    return out;
}

FitModel SheetModel::model() const {
    return impl_ ? impl_->model : FitModel::PerAxis;
}

int SheetModel::grid() const {
    return impl_ ? impl_->grid : 0;
}

Datum SheetModel::datum() const {
    return impl_ ? impl_->datum : Datum::Wgs84;
}

std::optional<LonLat> SheetModel::toFit(double x, double y) const {
    if (!isValid()) return std::nullopt;
    return impl_->toFit(x, y);
}

std::optional<LonLat> SheetModel::forward(double x, double y) const {
    const auto p = toFit(x, y);
    if (!p || impl_->grid == 0) return p;
    return impl_->toGrid.inverse(*p);
}

std::optional<QPointF> SheetModel::inverse(LonLat p) const {
    if (!isValid()) return std::nullopt;
    if (impl_->grid != 0) {
        const auto g = impl_->toGrid.forward(p);
        if (!g) return std::nullopt;
        p = *g;
    }
    return impl_->fromFit(p);
}

const std::vector<Residual>& SheetModel::residuals() const {
    static const std::vector<Residual> none;
    return impl_ ? impl_->residuals : none;
}

double SheetModel::rmsPixels() const {
    return impl_ ? impl_->rmsPixels : 0.0;
}

double SheetModel::rmsMetres() const {
    return impl_ ? impl_->rmsMetres : 0.0;
}

std::optional<std::array<double, 6>> SheetModel::geoTransform() const {
    if (!isValid()) return std::nullopt;
    if (impl_->affine) return impl_->forwardGt;
    if (impl_->model != FitModel::PerAxis) return std::nullopt;
    const AreaFields& a = impl_->axis;
    return std::array<double, 6>{(a.secloo - a.pxloo / a.colo) / 3600.0,
                                 kTwips / a.colo / 3600.0,
                                 0.0,
                                 (a.seclao + a.pxlao / a.cola) / 3600.0,
                                 0.0,
                                 -kTwips / a.cola / 3600.0};
}

std::vector<GridTie> SheetModel::controlPoints(int width, int height) const {
    if (!isValid() || geoTransform()) return {};
    if (impl_->model == FitModel::ThinPlateSpline) return impl_->ties;
    const int steps = impl_->model == FitModel::Polynomial2 ? 2 : 4;
    std::vector<GridTie> lattice;
    for (int i = 0; i <= steps; ++i) {
        for (int j = 0; j <= steps; ++j) {
            const double x = std::round(double(width) * j / steps);
            const double y = std::round(double(height) * i / steps);
            if (const auto p = impl_->toFit(x, y)) lattice.push_back({x, y, p->lon, p->lat});
        }
    }
    return lattice;
}

const AreaFields& SheetModel::areaFields() const {
    static const AreaFields none;
    return impl_ ? impl_->axis : none;
}

} // namespace orvena
