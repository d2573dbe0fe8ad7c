#include "core/geo/SheetOutlines.h"

#include "core/archive/AreaCalibrations.h"
#include "core/archive/AtlasServer.h"
#include "core/geo/SheetLookup.h"
#include "core/geo/SheetModel.h"

#include <QDir>
#include <QImageReader>
#include <SQLiteCpp/Database.h>

#include <cmath>

namespace orvena {

namespace {

// Points along each side of the border, so that a bent model or a datum
// shift keeps the outline's shape.
constexpr int kAlongSide = 8;

std::vector<QPointF> alongBorder(const std::vector<QPointF>& corners) {
    std::vector<QPointF> out;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const QPointF a = corners[i], b = corners[(i + 1) % corners.size()];
        for (int k = 0; k < kAlongSide; ++k)
            out.push_back(a + (b - a) * (double(k) / kAlongSide));
    }
    return out;
}

} // namespace

std::optional<QPolygonF> sheetOutline(const Sheet& sheet, QSize size,
                                      const std::optional<SheetPoints>& points) {
    if (size.isEmpty()) return std::nullopt;
    std::optional<Datum> datum = Datum::Wgs84; // a sheet without a datum is taken as WGS 84
    if (!sheet.datum.code.isEmpty()) datum = datumFromCode(sheet.datum.code);
    if (!datum) return std::nullopt;

    std::vector<QPointF> corners = {QPointF(0, 0), QPointF(size.width(), 0),
                                    QPointF(size.width(), size.height()),
                                    QPointF(0, size.height())};
    std::vector<LonLat> own;
    if (points && !points->points.empty()) {
        const SheetModel model = SheetModel::fit(*points, *datum);
        if (!model.isValid()) return std::nullopt;
        datum = model.datum();
        if (points->border.size() >= 3) corners = points->border;
        for (const QPointF& p : alongBorder(corners))
            if (const auto at = model.forward(p.x(), p.y())) own.push_back(*at);
    } else {
        const StoredCalibration& c = sheet.calibration;
        if (!c.usable()) return std::nullopt;
        for (const QPointF& p : alongBorder(corners)) {
            const auto in = c.readoutInput(std::int32_t(std::lround(p.x() * 15)),
                                           std::int32_t(std::lround(p.y() * 15)), float(*c.cola),
                                           float(*c.colo));
            if (!in) return std::nullopt;
            const auto r = computeReadout(*in);
            if (r) own.push_back({r->lonSeconds / 3600.0, r->latSeconds / 3600.0});
        }
    }
    if (own.size() < 3) return std::nullopt;
    std::vector<double> x, y;
    for (const LonLat& p : own) {
        x.push_back(p.lon);
        y.push_back(p.lat);
    }
    if (*datum != Datum::Wgs84) {
        const DatumTransform toWgs84(*datum, GeoBox::around(own), DatumTransform::kWgs84,
                                     sheet.datum.operation);
        if (!toWgs84.isValid()) return std::nullopt;
        toWgs84.forward(x.data(), y.data(), x.size());
    }
    QPolygonF outline;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (std::isfinite(x[i]) && std::isfinite(y[i])) outline << QPointF(x[i], y[i]);
    if (outline.size() < 3) return std::nullopt;
    return outline;
}

SheetOutlines SheetOutlines::read(const QString& folder) {
    SheetOutlines out;
    try {
        QHash<QString, SheetPoints> points;
        if (atlasserver::onServer(folder)) {
            points = areacalibrations::readAll(atlasserver::connection(folder));
        } else {
            SQLite::Database db(QDir(folder).filePath(QStringLiteral("area.mdb")).toStdString(),
                                SQLite::OPEN_READONLY);
            points = areacalibrations::readAll(db);
        }
        const SheetLookup lookup(folder);
        for (const QString& name : lookup.sheetNames()) {
            const QSize size = QImageReader(QDir(folder).filePath(name)).size();
            const Sheet sheet = lookup.sheet(name);
            const auto p = points.constFind(name);
            if (const auto outline = sheetOutline(
                    sheet, size, p == points.cend() ? std::nullopt : std::optional(*p)))
                out.add(name, *outline);
        }
    } catch (const std::exception&) {
        return {};
    }
    return out;
}

long long SheetOutlines::cellOf(double lon, double lat) {
    const auto column = static_cast<long long>(std::floor((lon + 540.0) / kCell));
    const auto row = static_cast<long long>(std::floor((lat + 90.0) / kCell));
    return row * 100000 + column;
}

void SheetOutlines::add(const QString& sheet, const QPolygonF& wgs84) {
    const QRectF box = wgs84.boundingRect();
    const auto index = std::uint32_t(outlines_.size());
    outlines_.push_back({sheet, wgs84, box});
    for (double lat = std::floor(box.top() / kCell) * kCell; lat <= box.bottom(); lat += kCell)
        for (double lon = std::floor(box.left() / kCell) * kCell; lon <= box.right(); lon += kCell)
            cells_[cellOf(lon + kCell / 2, lat + kCell / 2)].push_back(index);
}

QStringList SheetOutlines::holding(LonLat p) const {
    QStringList out;
    const auto cell = cells_.find(cellOf(p.lon, p.lat));
    if (cell == cells_.end()) return out;
    const QPointF at(p.lon, p.lat);
    for (const std::uint32_t i : cell->second) {
        const Outline& o = outlines_[i];
        if (o.box.contains(at) && o.polygon.containsPoint(at, Qt::OddEvenFill)) out << o.sheet;
    }
    return out;
}

} // namespace orvena
