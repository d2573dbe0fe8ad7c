#include "core/geo/Datum.h"

#include <QStringList>
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <vector>

namespace orvena {

namespace {

struct DatumText {
    Datum datum;
    int epsg;
    const char* name;
};

// Monte Mario longitudes are Roma 40 (EPSG:4265) once PROJ has moved them to
// Greenwich: EPSG:4806 carries the prime meridian.
constexpr int kRoma40Greenwich = 4265;

const QString kNoTransformation = QStringLiteral("PROJ non trasforma EPSG:%1 in EPSG:%2 (%3).");
const QString kUnknownError = QStringLiteral("errore sconosciuto");

constexpr std::array<DatumText, 4> kTexts = {{
    {Datum::Wgs84, 4326, "WGS 84 / ETRS89"},
    {Datum::Roma40, kRoma40Greenwich, "Roma 40 (Monte Mario), longitudini da Greenwich"},
    {Datum::Roma40Rome, 4806, "Roma 40, longitudini da Monte Mario"},
    {Datum::Ed50, 4230, "ED50"},
}};

const DatumText& textOf(Datum datum) {
    return *std::find_if(kTexts.begin(), kTexts.end(),
                         [datum](const DatumText& t) { return t.datum == datum; });
}

struct PjFree {
    void operator()(PJ* p) const { proj_destroy(p); }
};
using Pj = std::unique_ptr<PJ, PjFree>;

// A PROJ context that never goes to the network for grids and keeps its
// messages to itself: failures are told through error().
class Context {
public:
    Context()
        : ctx_(proj_context_create()) {
        proj_context_set_enable_network(ctx_, 0);
        proj_log_level(ctx_, PJ_LOG_NONE);
    }
    ~Context() { proj_context_destroy(ctx_); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    PJ_CONTEXT* get() const { return ctx_; }

    QString lastError() const {
        const int code = proj_context_errno(ctx_);
        const char* text = code != 0 ? proj_context_errno_string(ctx_, code) : nullptr;
        return text ? QString::fromUtf8(text) : kUnknownError;
    }

    Pj crs(int epsg) const {
        return Pj(proj_create_from_database(ctx_, "EPSG", QByteArray::number(epsg).constData(),
                                            PJ_CATEGORY_CRS, 0, nullptr));
    }

    // Whether a system's first axis is the latitude (as in EPSG's geographic
    // systems) rather than the longitude or the easting.
    bool northFirst(const PJ* crs) const {
        const Pj cs(proj_crs_get_coordinate_system(ctx_, crs));
        const char* direction = nullptr;
        return cs &&
               proj_cs_get_axis_info(ctx_, cs.get(), 0, nullptr, nullptr, &direction, nullptr,
                                     nullptr, nullptr, nullptr) &&
               direction && qstricmp(direction, "north") == 0;
    }

    // The operation from source to target PROJ chooses for an area of use
    // (in degrees from Greenwich; none for the whole world): of the
    // candidates it finds there, the one it takes at centre (in the source's
    // own degrees). As PROJ names it, and in longitude and latitude order.
    struct Operation {
        Pj named;
        Pj ordered;
    };
    Operation operation(const PJ* source, const PJ* target, const GeoBox* area,
                        std::optional<LonLat> centre) const {
        PJ_AREA* where = nullptr;
        if (area) {
            where = proj_area_create();
            proj_area_set_bbox(where, area->west, area->south, area->east, area->north);
        }
        Pj chosen(proj_create_crs_to_crs_from_pj(ctx_, source, target, where, nullptr));
        if (where) proj_area_destroy(where);
        if (chosen && centre) {
            const PJ_COORD at = northFirst(source) ? proj_coord(centre->lat, centre->lon, 0, 0)
                                                   : proj_coord(centre->lon, centre->lat, 0, 0);
            proj_trans(chosen.get(), PJ_FWD, at);
            if (Pj used{proj_trans_get_last_used_operation(chosen.get())}) chosen = std::move(used);
        }
        Pj ordered(chosen ? proj_normalize_for_visualization(ctx_, chosen.get()) : nullptr);
        return {ordered ? std::move(chosen) : nullptr, std::move(ordered)};
    }

private:
    PJ_CONTEXT* ctx_;
};

void transform(PJ* op, PJ_DIRECTION direction, double* x, double* y, std::size_t n) {
    proj_trans_generic(op, direction, x, sizeof(double), n, y, sizeof(double), n, nullptr, 0, 0,
                       nullptr, 0, 0);
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i]))
            x[i] = y[i] = std::numeric_limits<double>::infinity();
    }
}

std::optional<LonLat> finite(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
    return LonLat{x, y};
}

} // namespace

QString datumName(Datum datum) {
    return QString::fromUtf8(textOf(datum).name);
}

std::optional<Datum> datumFromName(const QString& name) {
    for (const DatumText& t : kTexts)
        if (name == QString::fromUtf8(t.name)) return t.datum;
    return std::nullopt;
}

int datumEpsg(Datum datum) {
    return textOf(datum).epsg;
}

QString datumCode(Datum datum) {
    return QStringLiteral("EPSG:%1").arg(datumEpsg(datum));
}

std::optional<Datum> datumFromCode(const QString& code) {
    for (const DatumText& t : kTexts)
        if (code == datumCode(t.datum)) return t.datum;
    return std::nullopt;
}

QByteArray datumWkt(Datum datum, WktFlavour flavour) {
    return crsWkt(datumEpsg(datum), flavour);
}

QByteArray crsWkt(int epsg, WktFlavour flavour) {
    const Context context;
    const Pj crs = context.crs(epsg);
    if (!crs) return {};
    const char* const options[] = {
        "MULTILINE=NO", flavour == WktFlavour::Gdal ? "OUTPUT_AXIS=YES" : nullptr, nullptr};
    const char* wkt =
        proj_as_wkt(context.get(), crs.get(),
                    flavour == WktFlavour::Esri ? PJ_WKT1_ESRI : PJ_WKT1_GDAL, options);
    return wkt ? QByteArray(wkt) : QByteArray();
}

GeoBox GeoBox::around(std::initializer_list<LonLat> points) {
    GeoBox box{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
               -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (const LonLat& p : points) {
        box.west = std::min(box.west, p.lon);
        box.east = std::max(box.east, p.lon);
        box.south = std::min(box.south, p.lat);
        box.north = std::max(box.north, p.lat);
    }
    return box;
}

struct DatumTransform::Impl {
    Context context;
    std::vector<Pj> steps;
};

DatumTransform::DatumTransform(Datum datum, const GeoBox& area, int targetEpsg)
    : impl_(std::make_shared<Impl>())
    , error_() {
    const Context& context = impl_->context;
    const auto fail = [&](int epsg) {
        error_ = kNoTransformation.arg(epsg).arg(targetEpsg).arg(context.lastError());
    };
    int sourceEpsg = datumEpsg(datum);
    Pj source = context.crs(sourceEpsg);
    const Pj target = context.crs(targetEpsg);
    if (!source || !target) {
        fail(sourceEpsg);
        return;
    }

    GeoBox box = area;
    QStringList names;
    double metres = 0.0;
    bool known = true;
    const auto step = [&](Context::Operation op) {
        names << QString::fromUtf8(proj_get_name(op.named.get()));
        const double accuracy = proj_coordoperation_get_accuracy(context.get(), op.named.get());
        known = known && accuracy >= 0.0;
        metres += accuracy;
        impl_->steps.push_back(std::move(op.ordered));
    };
    if (datum == Datum::Roma40Rome) {
        // Longitudes from Monte Mario become longitudes from Greenwich by
        // PROJ's own change of prime meridian, then go on as Roma 40.
        Pj greenwich = context.crs(kRoma40Greenwich);
        auto meridian =
            greenwich ? context.operation(source.get(), greenwich.get(), nullptr, box.centre())
                      : Context::Operation{};
        if (!meridian.ordered) {
            fail(sourceEpsg);
            return;
        }
        double x[] = {box.west, box.east}, y[] = {box.south, box.north};
        transform(meridian.ordered.get(), PJ_FWD, x, y, 2);
        box = GeoBox::around({{x[0], y[0]}, {x[1], y[1]}});
        step(std::move(meridian));
        source = std::move(greenwich);
        sourceEpsg = kRoma40Greenwich;
    }
    auto op = context.operation(source.get(), target.get(), &box, box.centre());
    if (!op.ordered) {
        fail(sourceEpsg);
        return;
    }
    step(std::move(op));
    operation_ = names.join(QStringLiteral(" + "));
    if (known) accuracy_ = metres;
}

std::optional<LonLat> DatumTransform::forward(LonLat p) const {
    if (!isValid()) return std::nullopt;
    forward(&p.lon, &p.lat, 1);
    return finite(p.lon, p.lat);
}

std::optional<LonLat> DatumTransform::inverse(LonLat p) const {
    if (!isValid()) return std::nullopt;
    inverse(&p.lon, &p.lat, 1);
    return finite(p.lon, p.lat);
}

void DatumTransform::forward(double* x, double* y, std::size_t n) const {
    if (!isValid()) return;
    for (const Pj& step : impl_->steps)
        transform(step.get(), PJ_FWD, x, y, n);
}

void DatumTransform::inverse(double* x, double* y, std::size_t n) const {
    if (!isValid()) return;
    for (auto step = impl_->steps.rbegin(); step != impl_->steps.rend(); ++step)
        transform(step->get(), PJ_INV, x, y, n);
}

struct UtmProjection::Impl {
    Context context;
    Pj wgs84 = context.crs(DatumTransform::kWgs84);
    std::map<int, Pj> zones;
};

UtmProjection::UtmProjection()
    : impl_(std::make_unique<Impl>()) {}

UtmProjection::~UtmProjection() = default;

std::optional<UtmPosition> UtmProjection::fromWgs84(LonLat p) {
    if (!std::isfinite(p.lon) || !std::isfinite(p.lat) || p.lat < -80.0 || p.lat > 84.0 ||
        std::abs(p.lon) > 180.0 || !impl_->wgs84)
        return std::nullopt;
    UtmPosition utm;
    utm.zone = static_cast<int>(std::floor((p.lon + 180.0) / 6.0)) % 60 + 1;
    utm.north = p.lat >= 0.0;
    const int epsg = (utm.north ? 32600 : 32700) + utm.zone;
    Pj& op = impl_->zones[epsg];
    if (!op) {
        const Pj grid = impl_->context.crs(epsg);
        if (grid)
            op = impl_->context.operation(impl_->wgs84.get(), grid.get(), nullptr, {}).ordered;
        if (!op) return std::nullopt;
    }
    transform(op.get(), PJ_FWD, &p.lon, &p.lat, 1);
    if (!std::isfinite(p.lon) || !std::isfinite(p.lat)) return std::nullopt;
    utm.easting = p.lon;
    utm.northing = p.lat;
    return utm;
}

} // namespace orvena
