#include "core/gis/FileGeoreference.h"

#include "core/base/QuietGdal.h"
#include "core/geo/SheetModel.h"

#include <QFile>

#include <cpl_error.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <array>
#include <memory>
#include <mutex>

namespace orvena::gis {

namespace {

// The EPSG code of a coordinate system, identified when the file names none.
int epsgOf(OGRSpatialReferenceH srs) {
    const bool projected = OSRIsProjected(srs) != 0;
    const char* key = projected ? "PROJCS" : "GEOGCS";
    const char* authority = OSRGetAuthorityName(srs, key);
    if (!authority || qstrcmp(authority, "EPSG") != 0) {
        OSRAutoIdentifyEPSG(srs);
        authority = OSRGetAuthorityName(srs, key);
    }
    if (!authority || qstrcmp(authority, "EPSG") != 0) return 0;
    const char* code = OSRGetAuthorityCode(srs, key);
    return code ? QByteArray(code).toInt() : 0;
}

} // namespace

std::optional<FileGeoreference> fileGeoreference(const QString& fileName) {
    const char* const drivers[] = {"GTiff", nullptr};
    const GdalDataset ds = [&] {
        const QuietGdal quiet;
        return openGdalRaster(fileName, drivers);
    }();
    if (!ds) return std::nullopt;
    std::array<double, 6> t{};
    OGRSpatialReferenceH srs = GDALGetSpatialRef(ds.get());
    if (GDALGetGeoTransform(ds.get(), t.data()) != CE_None || !srs) return std::nullopt;
    if (t[1] == 0.0 || t[5] == 0.0 || t[1] * t[5] - t[2] * t[4] == 0.0) return std::nullopt;

    const int epsg = epsgOf(srs);
    FileGeoreference out;
    out.points.model = FitModel::Affine;
    bool inGrid = true;
    if (isFitGrid(epsg)) {
        out.points.grid = epsg;
        out.datum = datumForGrid(epsg, Datum::Wgs84);
        out.system = fitGridName(epsg);
    } else if (const auto datum = datumFromCode(QStringLiteral("EPSG:%1").arg(epsg))) {
        out.points.grid = 0;
        out.datum = *datum;
        out.system = datumName(*datum);
        inGrid = false;
    } else {
        return std::nullopt;
    }
    const double w = GDALGetRasterXSize(ds.get());
    const double h = GDALGetRasterYSize(ds.get());
    for (const auto& [x, y] : {std::pair{0.0, 0.0}, {w, 0.0}, {w, h}, {0.0, h}}) {
        const double east = t[0] + x * t[1] + y * t[2];
        const double north = t[3] + x * t[4] + y * t[5];
        out.points.points.push_back(TiePoint{x, y, inGrid, north, east});
    }
    return out;
}

} // namespace orvena::gis
