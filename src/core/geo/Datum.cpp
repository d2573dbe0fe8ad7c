#include "core/geo/Datum.h"

#include <QLocale>
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
const QString kUnknownDatum = QStringLiteral("datum sconosciuto: %1");
const QString kNoDatabase =
    QStringLiteral("Manca il database di PROJ (proj.db, del pacchetto proj-data; cercato in %1): "
                   "le posizioni in WGS 84 non si possono calcolare.");
const QString kOperationText = QStringLiteral("%1, %2, %3");
const QString kMetres = QStringLiteral("%1 m");
const QString kNoAccuracy = QStringLiteral("accuratezza non nota");
const QString kNoArea = QStringLiteral("area d'uso non indicata");

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

    // Every operation PROJ finds from source to target whose area of use
    // meets area (its bounding box), in PROJ's order of preference.
    std::vector<Pj> operations(const PJ* source, const PJ* target, const GeoBox& area) const {
        std::vector<Pj> found;
        PJ_OPERATION_FACTORY_CONTEXT* factory =
            proj_create_operation_factory_context(ctx_, nullptr);
        if (!factory) return found;
        proj_operation_factory_context_set_area_of_interest(ctx_, factory, area.west, area.south,
                                                            area.east, area.north);
        proj_operation_factory_context_set_spatial_criterion(
            ctx_, factory, PROJ_SPATIAL_CRITERION_PARTIAL_INTERSECTION);
        proj_operation_factory_context_set_grid_availability_use(
            ctx_, factory, PROJ_GRID_AVAILABILITY_DISCARD_OPERATION_IF_MISSING_GRID);
        if (PJ_OBJ_LIST* list = proj_create_operations(ctx_, source, target, factory)) {
            for (int i = 0, n = proj_list_get_count(list); i < n; ++i)
                if (Pj op{proj_list_get(ctx_, list, i)}) found.push_back(std::move(op));
            proj_list_destroy(list);
        }
        proj_operation_factory_context_destroy(factory);
        return found;
    }

    DatumOperation describe(const PJ* op) const {
        DatumOperation d;
        d.name = QString::fromUtf8(proj_get_name(op));
        const char* authority = proj_get_id_auth_name(op, 0);
        const char* code = proj_get_id_code(op, 0);
        d.key = authority && code ? QStringLiteral("%1:%2").arg(QString::fromUtf8(authority),
                                                                QString::fromUtf8(code))
                                  : d.name;
        const char* area = nullptr;
        if (proj_get_area_of_use(ctx_, op, nullptr, nullptr, nullptr, nullptr, &area) && area)
            d.area = QString::fromUtf8(area);
        const double metres = proj_coordoperation_get_accuracy(ctx_, op);
        if (metres >= 0.0) d.accuracy = metres;
        return d;
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

QString unknownDatumText(const QString& code) {
    return kUnknownDatum.arg(code);
}

QString unknownDatumsNote(const QList<std::pair<QString, QString>>& sheets) {
    QStringList unknown;
    for (const auto& [sheet, code] : sheets)
        if (!code.isEmpty() && !datumFromCode(code))
            unknown << QStringLiteral("%1 (%2)").arg(sheet, unknownDatumText(code));
    if (unknown.isEmpty()) return {};
    return QStringLiteral("Datum sconosciuti copiati così come sono: %1.")
        .arg(unknown.join(QStringLiteral(", ")));
}

QString projDataProblem() {
    const Context context;
    if (proj_context_get_database_path(context.get())) return {};
    const char* searched = proj_info().searchpath;
    return kNoDatabase.arg(searched && *searched ? QString::fromUtf8(searched)
                                                 : QStringLiteral("nessuna cartella"));
}

namespace {

// The source a datum's step to WGS 84 starts from, and the area in its
// degrees: longitudes from Monte Mario are first moved to Greenwich.
struct DatumStart {
    Pj source;
    GeoBox area;
    Context::Operation meridian; // only for longitudes from Monte Mario
};

std::optional<DatumStart> datumStart(const Context& context, Datum datum, const GeoBox& area) {
    DatumStart start{context.crs(datumEpsg(datum)), area, {}};
    if (!start.source) return std::nullopt;
    if (datum != Datum::Roma40Rome) return start;
    Pj greenwich = context.crs(kRoma40Greenwich);
    if (!greenwich) return std::nullopt;
    start.meridian = context.operation(start.source.get(), greenwich.get(), nullptr, area.centre());
    if (!start.meridian.ordered) return std::nullopt;
    double x[] = {area.west, area.east}, y[] = {area.south, area.north};
    transform(start.meridian.ordered.get(), PJ_FWD, x, y, 2);
    start.area = GeoBox::around({{x[0], y[0]}, {x[1], y[1]}});
    start.source = std::move(greenwich);
    return start;
}

} // namespace

std::vector<DatumOperation> datumOperations(Datum datum, const GeoBox& area) {
    std::vector<DatumOperation> offered;
    const Context context;
    auto start = datumStart(context, datum, area);
    const Pj target = context.crs(DatumTransform::kWgs84);
    if (!start || !target) return offered;
    for (const Pj& op : context.operations(start->source.get(), target.get(), start->area))
        offered.push_back(context.describe(op.get()));
    const auto chosen =
        context.operation(start->source.get(), target.get(), &start->area, start->area.centre());
    if (chosen.named) {
        const DatumOperation own = context.describe(chosen.named.get());
        const auto at = std::find_if(offered.begin(), offered.end(),
                                     [&](const DatumOperation& o) { return o.key == own.key; });
        if (at != offered.end()) offered.erase(at);
        offered.insert(offered.begin(), own);
    }
    return offered;
}

QString operationText(const DatumOperation& operation) {
    const QString accuracy =
        operation.accuracy ? kMetres.arg(QLocale(QLocale::Italian).toString(*operation.accuracy))
                           : kNoAccuracy;
    return kOperationText.arg(operation.name, accuracy,
                              operation.area.isEmpty() ? kNoArea : operation.area);
}

GeoBox GeoBox::around(std::span<const LonLat> points) {
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

DatumTransform::DatumTransform(Datum datum, const GeoBox& area, int targetEpsg,
                               const QString& operationKey)
    : impl_(std::make_shared<Impl>())
    , error_() {
    const Context& context = impl_->context;
    const auto fail = [&](int epsg) {
        const QString missing = projDataProblem();
        error_ = !missing.isEmpty()
                     ? missing
                     : kNoTransformation.arg(epsg).arg(targetEpsg).arg(context.lastError());
    };
    auto start = datumStart(context, datum, area);
    const Pj target = context.crs(targetEpsg);
    if (!start || !target) {
        fail(datumEpsg(datum));
        return;
    }
    const int sourceEpsg = datum == Datum::Roma40Rome ? kRoma40Greenwich : datumEpsg(datum);

    QStringList names;
    double metres = 0.0;
    bool known = true;
    const auto step = [&](Pj named, Pj ordered) {
        names << QString::fromUtf8(proj_get_name(named.get()));
        const double accuracy = proj_coordoperation_get_accuracy(context.get(), named.get());
        known = known && accuracy >= 0.0;
        metres += accuracy;
        impl_->steps.push_back(std::move(ordered));
    };
    if (start->meridian.ordered)
        step(std::move(start->meridian.named), std::move(start->meridian.ordered));

    // The operation chosen for the sheet, when PROJ still offers it there:
    // to WGS 84, then on to the target by PROJ's own operation.
    Pj chosen;
    if (!operationKey.isEmpty()) {
        const Pj wgs84 = context.crs(kWgs84);
        for (Pj& op : context.operations(start->source.get(), wgs84.get(), start->area))
            if (context.describe(op.get()).key == operationKey) chosen = std::move(op);
    }
    if (chosen) {
        Pj ordered(proj_normalize_for_visualization(context.get(), chosen.get()));
        if (!ordered) {
            fail(sourceEpsg);
            return;
        }
        area_ = context.describe(chosen.get()).area;
        step(std::move(chosen), std::move(ordered));
        if (targetEpsg != kWgs84) {
            const Pj wgs84 = context.crs(kWgs84);
            GeoBox box = start->area;
            double x[] = {box.west, box.east}, y[] = {box.south, box.north};
            transform(impl_->steps.back().get(), PJ_FWD, x, y, 2);
            box = GeoBox::around({{x[0], y[0]}, {x[1], y[1]}});
            auto on = context.operation(wgs84.get(), target.get(), &box, box.centre());
            if (!on.ordered) {
                fail(kWgs84);
                return;
            }
            step(std::move(on.named), std::move(on.ordered));
        }
    } else {
        auto op = context.operation(start->source.get(), target.get(), &start->area,
                                    start->area.centre());
        if (!op.ordered) {
            fail(sourceEpsg);
            return;
        }
        area_ = context.describe(op.named.get()).area;
        step(std::move(op.named), std::move(op.ordered));
    }
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
