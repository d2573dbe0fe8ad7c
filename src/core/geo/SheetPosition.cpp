#include "core/geo/SheetPosition.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

namespace orvena {

namespace {

const QString kLatLon = QStringLiteral("%1, %2");
const QString kSecondLine = QStringLiteral("WGS 84 = %1 ,UTM %2%3 = %4 E %5 N");
const QString kSecondLineNoUtm = QStringLiteral("WGS 84 = %1");
const QString kNoWgs84Line = QStringLiteral("WGS 84 non disponibile: %1");
const QString kUnknownDatumProblem =
    QStringLiteral("Il foglio è nel %1: la sua posizione in WGS 84 non si può calcolare.");

const QString kNoData = QStringLiteral("manca il database di PROJ (proj.db)");
const QString kNoOperation = QStringLiteral("PROJ non trasforma il datum del foglio");

// Whether the missing data of PROJ were told in this run.
std::atomic<bool> dataProblemTold{false};

// Seven decimals of a degree are about a centimetre on the ground.
constexpr int kDecimals = 7;

// The smallest box holding the image's corners and the middles of its sides
// as the model places them.
GeoBox modelExtent(const SheetModel& model, int width, int height) {
    std::vector<LonLat> at;
    for (const double fx : {0.0, 0.5, 1.0})
        for (const double fy : {0.0, 0.5, 1.0})
            if (const auto p = model.forward(fx * width, fy * height)) at.push_back(*p);
    if (at.empty()) return {};
    return GeoBox::around(at);
}

} // namespace

SheetPosition::SheetPosition(Datum datum, const GeoBox& extent, const QString& operation)
    : datum_(datum)
    , toWgs84_(datum != Datum::Wgs84
                   ? DatumTransform(datum, extent, DatumTransform::kWgs84, operation)
                   : DatumTransform())
    , utm_(datum != Datum::Wgs84 ? std::make_unique<UtmProjection>() : nullptr) {
    if (datum != Datum::Wgs84 && !toWgs84_.isValid()) {
        problem_ = toWgs84_.error();
        missingData_ = !projDataProblem().isEmpty();
    }
}

SheetPosition SheetPosition::forSheet(const QString& code, const std::optional<GeoBox>& extent,
                                      const QString& operation) {
    if (code.isEmpty()) return {};
    const auto datum = datumFromCode(code);
    if (!datum) {
        SheetPosition unknown;
        unknown.unknownCode_ = code;
        unknown.problem_ = kUnknownDatumProblem.arg(unknownDatumText(code));
        return unknown;
    }
    if (!extent) return {};
    return SheetPosition(*datum, *extent, operation);
}

QString SheetPosition::problemToTellOnce() const {
    if (!missingData_) return {};
    return dataProblemTold.exchange(true) ? QString() : problem_;
}

SheetPosition::SheetPosition(const SheetModel& model, int width, int height,
                             const QString& operation)
    : SheetPosition(model.datum(), modelExtent(model, width, height), operation) {
    model_ = model;
}

SheetPosition::~SheetPosition() = default;
SheetPosition::SheetPosition(SheetPosition&&) noexcept = default;
SheetPosition& SheetPosition::operator=(SheetPosition&&) noexcept = default;

std::optional<LonLat> SheetPosition::wgs84(double latSeconds, double lonSeconds) const {
    const LonLat own{lonSeconds / 3600.0, latSeconds / 3600.0};
    if (!std::isfinite(own.lon) || !std::isfinite(own.lat)) return std::nullopt;
    if (!unknownCode_.isEmpty()) return std::nullopt;
    if (!datum_ || *datum_ == Datum::Wgs84) return own;
    return toWgs84_.forward(own);
}

QString SheetPosition::secondLine(double latSeconds, double lonSeconds) {
    if (!unknownCode_.isEmpty()) return kNoWgs84Line.arg(unknownDatumText(unknownCode_));
    if (!datum_ || *datum_ == Datum::Wgs84) return {};
    if (!problem_.isEmpty()) return kNoWgs84Line.arg(missingData_ ? kNoData : kNoOperation);
    const auto p = wgs84(latSeconds, lonSeconds);
    if (!p) return {};
    const auto grid = utm_->fromWgs84(*p);
    if (!grid) return kSecondLineNoUtm.arg(latLonText(*p));
    return kSecondLine.arg(latLonText(*p))
        .arg(grid->zone)
        .arg(QChar(grid->north ? u'N' : u'S'))
        .arg(std::llround(grid->easting))
        .arg(std::llround(grid->northing));
}

std::optional<Readout> SheetPosition::readoutAt(double x, double y) const {
    const auto p = model_.forward(x, y);
    if (!p) return std::nullopt;
    return readoutOf(p->lat * 3600.0, p->lon * 3600.0);
}

std::optional<GeoBox> sheetExtent(ReadoutInput calibration, int widthTwips, int heightTwips) {
    calibration.x = 0;
    calibration.y = 0;
    const auto first = computeReadout(calibration);
    calibration.x = widthTwips;
    calibration.y = heightTwips;
    const auto last = computeReadout(calibration);
    if (!first || !last) return std::nullopt;
    return GeoBox::around({{first->lonSeconds / 3600.0, first->latSeconds / 3600.0},
                           {last->lonSeconds / 3600.0, last->latSeconds / 3600.0}});
}

QString latLonText(LonLat wgs84) {
    return kLatLon.arg(wgs84.lat, 0, 'f', kDecimals).arg(wgs84.lon, 0, 'f', kDecimals);
}

} // namespace orvena
