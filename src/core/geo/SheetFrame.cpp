#include "core/geo/SheetFrame.h"

#include "core/base/Twips.h"
#include "core/geo/SheetModelStore.h"

#include <QDir>
#include <QImageReader>

#include <atomic>
#include <cmath>
#include <limits>

namespace orvena {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kOutlineSteps = 8;
std::atomic<quint64> frameSerials{0};

} // namespace

SheetFrame::SheetFrame(const Sheet& sheet, QSize size, const SheetModel& model)
    : name_(sheet.name)
    , size_(size)
    , model_(model)
    , calibration_(sheet.calibration)
    , serial_(++frameSerials) {
    if (size.isEmpty()) return;
    std::optional<Datum> datum;
    if (model_.isValid()) {
        datum = model_.datum();
    } else {
        if (!calibration_.usable() || !calibration_.pxlao || !calibration_.pxloo ||
            !calibration_.seclao || !calibration_.secloo)
            return;
        datum = sheet.datum.code.isEmpty() ? Datum::Wgs84 : datumFromCode(sheet.datum.code);
    }
    if (!datum) return; // a datum PROJ is not told of
    datum_ = *datum;
    std::vector<LonLat> corners;
    for (const QPointF c : {QPointF(0, 0), QPointF(size.width(), 0),
                            QPointF(size.width(), size.height()), QPointF(0, size.height())})
        if (const auto p = toSheetDatum(c)) corners.push_back(*p);
    if (corners.size() != 4) return;
    if (datum_ != Datum::Wgs84) {
        toWgs84_ = DatumTransform(datum_, GeoBox::around(corners), DatumTransform::kWgs84,
                                  sheet.datum.operation);
        if (!toWgs84_.isValid()) return;
    }
    valid_ = true;
}

SheetFrame SheetFrame::read(const QString& folder, const Sheet& sheet) {
    if (!sheet.exists()) return {};
    const QSize size = QImageReader(QDir(folder).filePath(sheet.name)).size();
    return SheetFrame(sheet, size, loadSheetModel(folder, sheet.name));
}

std::optional<LonLat> SheetFrame::toSheetDatum(QPointF pixel) const {
    if (model_.isValid()) return model_.forward(pixel.x(), pixel.y());
    const StoredCalibration& c = calibration_;
    if (!c.cola || !c.colo || !c.pxlao || !c.pxloo || !c.seclao || !c.secloo) return std::nullopt;
    // The read-out's rule, at zoom 100: twips from the reference point over
    // twips a second.
    const double x = twips::fromPixels(pixel.x());
    const double y = twips::fromPixels(pixel.y());
    const double lat = *c.seclao - (y - *c.pxlao) / double(float(*c.cola));
    const double lon = *c.secloo + (x - *c.pxloo) / double(float(*c.colo));
    if (!std::isfinite(lat) || !std::isfinite(lon)) return std::nullopt;
    return LonLat{lon / 3600.0, lat / 3600.0};
}

std::optional<QPointF> SheetFrame::fromSheetDatum(LonLat p) const {
    if (model_.isValid()) return model_.inverse(p);
    const StoredCalibration& c = calibration_;
    if (!c.cola || !c.colo || !c.pxlao || !c.pxloo || !c.seclao || !c.secloo) return std::nullopt;
    const double y = *c.pxlao - (p.lat * 3600.0 - *c.seclao) * double(float(*c.cola));
    const double x = *c.pxloo + (p.lon * 3600.0 - *c.secloo) * double(float(*c.colo));
    if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
    return QPointF(x / twips::kPerPixel, y / twips::kPerPixel);
}

std::optional<LonLat> SheetFrame::sheetDatumOf(LonLat wgs84) const {
    if (datum_ == Datum::Wgs84) return wgs84;
    return toWgs84_.inverse(wgs84);
}

std::optional<LonLat> SheetFrame::wgs84Of(LonLat own) const {
    if (datum_ == Datum::Wgs84) return own;
    return toWgs84_.forward(own);
}

std::optional<LonLat> SheetFrame::toWgs84(QPointF pixel) const {
    if (!valid_) return std::nullopt;
    const auto own = toSheetDatum(pixel);
    if (!own) return std::nullopt;
    return wgs84Of(*own);
}

std::optional<QPointF> SheetFrame::fromWgs84(LonLat p) const {
    if (!valid_) return std::nullopt;
    const auto own = sheetDatumOf(p);
    if (!own) return std::nullopt;
    return fromSheetDatum(*own);
}

std::vector<QPointF> SheetFrame::fromWgs84(std::span<const LonLat> points) const {
    std::vector<QPointF> out(points.size(), QPointF(kNaN, kNaN));
    if (!valid_ || points.empty()) return out;
    std::vector<double> x(points.size()), y(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        x[i] = points[i].lon;
        y[i] = points[i].lat;
    }
    if (datum_ != Datum::Wgs84) toWgs84_.inverse(x.data(), y.data(), x.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) continue;
        if (const auto p = fromSheetDatum({x[i], y[i]})) out[i] = *p;
    }
    return out;
}

std::vector<LonLat> SheetFrame::outline() const {
    if (!valid_) return {};
    const double w = size_.width(), h = size_.height();
    const QPointF corners[] = {{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}};
    std::vector<LonLat> ring;
    for (int side = 0; side < 4; ++side) {
        for (int step = 0; step < kOutlineSteps; ++step) {
            const double t = double(step) / kOutlineSteps;
            const QPointF at = corners[side] + t * (corners[side + 1] - corners[side]);
            if (const auto p = toWgs84(at)) ring.push_back(*p);
        }
    }
    return ring;
}

bool SheetFrame::holds(LonLat wgs84) const {
    const auto at = fromWgs84(wgs84);
    return at && at->x() >= 0 && at->y() >= 0 && at->x() <= size_.width() &&
           at->y() <= size_.height();
}

} // namespace orvena
