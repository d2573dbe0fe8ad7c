#include "core/gis/MbTiles.h"

#include "core/gis/SheetWarp.h"

#include "core/base/FileFailure.h"
#include "core/base/LazyLibrary.h"
#include "core/base/SafeSave.h"

#include <QFile>
#include <QFileInfo>

#include <SQLiteCpp/SQLiteCpp.h>
#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <gdalwarper.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace orvena::gis {

namespace {

using namespace warp;

// The width of the web mercator world in metres (the equator of a sphere of
// 6378137 m), which the tile of zoom 0 covers; each zoom halves the tile.
constexpr double kWorld = 2.0 * 20037508.342789244;
constexpr int kTile = 256;
constexpr int kDeepestZoom = 22;
// What GDAL's warper works on at a time.
// Of the progress, the part of the deepest zoom; the shallower zooms take
// the rest.
constexpr double kWarpShare = 0.8;

const QString kCannotWrite = QStringLiteral("Le tessere di %1 non possono essere scritte (%2).");
const QString kNoPlace = QStringLiteral("%1: il foglio non si colloca in web mercator (%2).");
const QString kEmpty = QStringLiteral("immagine vuota");
const QString kNoScale = QStringLiteral("scale nulle");
const QString kOffTheWorld = QStringLiteral("coordinate fuori dal mondo");
const QString kNoZoom = QStringLiteral("zoom %1");
const QString kNoGdal = QStringLiteral("GDAL non può essere caricato: %1");

} // namespace

// Either the world file or the model places the sheet.
static MbTilesResult writeTiles(QImage picture, const WorldFile* world, const SheetModel* model,
                                Datum datum, const QString& name, bool jpeg, const QString& path,
                                const Progress& progress, const QString& operationKey,
                                const std::vector<QPointF>& border = {}) {
    // A sheet cut at its border is transparent outside it, which JPEG cannot
    // keep: its tiles are PNG.
    jpeg = jpeg && border.size() < 3;
    MbTilesResult result;
    const QString file = QFileInfo(path).fileName();
    const int width = picture.width(), height = picture.height();
    if (picture.isNull()) {
        result.error = kCannotWrite.arg(file, kEmpty);
        return result;
    }
    // GDAL is loaded here, at the first tiles of the program's run.
    if (!lazylibrary::available(ORVENA_GDAL_LIBRARY)) {
        result.error =
            kCannotWrite.arg(file, kNoGdal.arg(lazylibrary::loadError(ORVENA_GDAL_LIBRARY)));
        return result;
    }

    // The sheet's pixels in its own degrees, from the outer corner of the
    // first pixel (the world file names its centre).
    Placement placement{};
    placement.model = model;
    placement.sheet = {0, 1, 0, 0, 0, 1};
    if (world)
        placement.sheet = {
            (*world)[4] - (*world)[0] / 2 - (*world)[2] / 2, (*world)[0], (*world)[2],
            (*world)[5] - (*world)[1] / 2 - (*world)[3] / 2, (*world)[1], (*world)[3]};
    if (!GDALInvGeoTransform(placement.sheet.data(), placement.sheetInverse.data())) {
        result.error = kNoPlace.arg(name, kNoScale);
        return result;
    }

    // Its corners and the middles of its sides, in its degrees, then in web
    // mercator.
    constexpr int kEdge = 8;
    std::array<double, kEdge> x{}, y{};
    const double px[kEdge] = {0, 0.5, 1, 1, 1, 0.5, 0, 0};
    const double py[kEdge] = {0, 0, 0, 0.5, 1, 1, 1, 0.5};
    for (int i = 0; i < kEdge; ++i) {
        x[i] = px[i] * width;
        y[i] = py[i] * height;
        placement.toDegrees(x[i], y[i]);
    }
    const GeoBox own = GeoBox::around({{x[0], y[0]}, {x[2], y[2]}, {x[4], y[4]}, {x[6], y[6]}});
    const DatumTransform toMercator(datum, own, DatumTransform::kWebMercator, operationKey);
    // Web mercator is WGS 84 by definition: degrees and metres are one
    // conversion apart.
    const DatumTransform mercatorDegrees(Datum::Wgs84, own, DatumTransform::kWebMercator);
    if (!toMercator.isValid() || !mercatorDegrees.isValid()) {
        result.error =
            kNoPlace.arg(name, toMercator.isValid() ? mercatorDegrees.error() : toMercator.error());
        return result;
    }
    placement.toTarget = &toMercator;
    std::array<double, kEdge> mx = x, my = y;
    toMercator.forward(mx.data(), my.data(), kEdge);
    const auto [minX, maxX] = std::minmax_element(mx.begin(), mx.end());
    const auto [minY, maxY] = std::minmax_element(my.begin(), my.end());
    const double spanX = *maxX - *minX, spanY = *maxY - *minY;
    if (!std::isfinite(spanX) || !std::isfinite(spanY) || spanX <= 0 || spanY <= 0) {
        result.error = kNoPlace.arg(name, kOffTheWorld);
        return result;
    }

    // The zooms, and the deepest one's grid of whole tiles around the sheet.
    const double own_resolution = std::sqrt(spanX / width * spanY / height);
    ZoomRange& zooms = result.zooms;
    zooms.max =
        std::clamp(int(std::lround(std::log2(kWorld / kTile / own_resolution))), 0, kDeepestZoom);
    zooms.min =
        std::clamp(int(std::floor(std::log2(kWorld / std::max(spanX, spanY)))), 0, zooms.max);
    const double tile = kWorld / std::pow(2.0, zooms.max);
    const double half = kWorld / 2;
    const double left = std::floor((*minX + half) / tile) * tile - half;
    const double right = std::ceil((*maxX + half) / tile) * tile - half;
    const double top = half - std::floor((half - *maxY) / tile) * tile;
    const double bottom = half - std::ceil((half - *minY) / tile) * tile;
    const int columns = int(std::lround((right - left) / tile)) * kTile;
    const int rows = int(std::lround((top - bottom) / tile)) * kTile;
    placement.tiles = {left, tile / kTile, 0, top, 0, -tile / kTile};
    if (!GDALInvGeoTransform(placement.tiles.data(), placement.tilesInverse.data())) {
        result.error = kNoPlace.arg(name, kNoZoom.arg(zooms.max));
        return result;
    }

    const GdalSession gdal;
    const QString partial = path + QStringLiteral(".parziale");
    // GDAL and SQLite take file names in UTF-8 on every system.
    const QByteArray partialName = partial.toUtf8();
    const auto fail = [&](const QString& why) {
        result.error = kCannotWrite.arg(file, why);
        QFile::remove(partial);
        QFile::remove(partial + QStringLiteral("-journal"));
        return result;
    };
    // GDAL and the engine tell a full disk in words of their own, or as a
    // page they cannot read back: the folder says what it was.
    const QString folder = QFileInfo(path).absolutePath();
    const auto failWrite = [&](const QString& why) {
        result.writeFailed = true;
        return fail(folderFailureReason(folder, why));
    };
    bool alpha = false;
    Dataset sheet = pictureDataset(picture, placement.sheet, &alpha);
    if (!sheet) return fail(GdalSession::lastError());

    const QByteArray nameOption = "NAME=" + name.toUtf8();
    const QByteArray describe = "DESCRIPTION=" + name.toUtf8();
    // The bounds: the sheet's extent widened to whole pixels of the deepest
    // zoom, so that a reader clipping the tiles to them keeps whole pixels.
    const double pixel = tile / kTile;
    const auto outward = [&](double v, bool up) {
        return (up ? std::ceil((v + half) / pixel) : std::floor((v + half) / pixel)) * pixel - half;
    };
    double bx[] = {outward(*minX, false), outward(*maxX, true)};
    double by[] = {outward(*minY, false), outward(*maxY, true)};
    mercatorDegrees.inverse(bx, by, 2);
    const QByteArray bounds = QStringLiteral("BOUNDS=%1,%2,%3,%4")
                                  .arg(bx[0], 0, 'f', 10)
                                  .arg(by[0], 0, 'f', 10)
                                  .arg(bx[1], 0, 'f', 10)
                                  .arg(by[1], 0, 'f', 10)
                                  .toLatin1();
    const char* options[] = {jpeg ? "TILE_FORMAT=JPEG" : "TILE_FORMAT=PNG",
                             "QUALITY=90",
                             "WRITE_MINMAXZOOM=NO",
                             nameOption.constData(),
                             describe.constData(),
                             bounds.constData(),
                             nullptr};
    QFile::remove(partial);
    Dataset tiles(GDALCreate(GDALGetDriverByName("MBTiles"), partialName.constData(), columns, rows,
                             4, GDT_Byte, const_cast<char**>(options)));
    if (!tiles) return failWrite(GdalSession::lastError());
    GDALSetGeoTransform(tiles.get(), placement.tiles.data());
    OGRSpatialReferenceH mercator = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(mercator, DatumTransform::kWebMercator);
    GDALSetSpatialRef(tiles.get(), mercator);
    OSRDestroySpatialReference(mercator);

    // The deepest zoom: GDAL's warper, bilinear, over the placement above
    // (within an eighth of a pixel of it).
    Watch warpWatch{&progress, 0.0, kWarpShare};
    GDALWarpOptions* warp = warp::rgbWarp(sheet.get(), tiles.get(), alpha);
    // Where the sheet does not reach: transparent, and white under it for
    // JPEG, which keeps no transparency.
    warp->papszWarpOptions =
        CSLSetNameValue(warp->papszWarpOptions, "INIT_DEST", jpeg ? "255,255,255,0" : "0");
    // Tile pixels per sheet pixel, for the width of the resampling kernel: the
    // same for the whole sheet, whatever part of it a chunk of work covers.
    const QByteArray scaleX = QByteArray::number(spanX / width / (tile / kTile), 'g', 10);
    const QByteArray scaleY = QByteArray::number(spanY / height / (tile / kTile), 'g', 10);
    warp->papszWarpOptions = CSLSetNameValue(warp->papszWarpOptions, "XSCALE", scaleX.constData());
    warp->papszWarpOptions = CSLSetNameValue(warp->papszWarpOptions, "YSCALE", scaleY.constData());
    // The border, in the sheet's pixels, cuts the sheet: outside it the tiles
    // stay as they were set above.
    OGRGeometryH cutline = border.size() >= 3 ? borderPolygon(border) : nullptr;
    warp->hCutline = cutline;
    warp->pfnTransformer = GDALApproxTransform;
    warp->pTransformerArg = GDALCreateApproxTransformer(place, &placement, 0.125);
    warp->pfnProgress = watch;
    warp->pProgressArg = &warpWatch;
    const CPLErr warped = warp::runWarp(warp, columns, rows);
    if (cutline) OGR_G_DestroyGeometry(cutline);
    sheet.reset();

    // The shallower zooms, each from the one below it.
    CPLErr built = CE_None;
    if (warped == CE_None && zooms.min < zooms.max) {
        std::vector<int> factors;
        for (int z = zooms.max - 1; z >= zooms.min; --z)
            factors.push_back(1 << (zooms.max - z));
        Watch overviewWatch{&progress, kWarpShare, 1.0 - kWarpShare};
        built = GDALBuildOverviews(tiles.get(), "AVERAGE", int(factors.size()), factors.data(), 0,
                                   nullptr, watch, &overviewWatch);
    }
    const bool cancelled = CPLGetLastErrorNo() == CPLE_UserInterrupt;
    const QString why = GdalSession::lastError();
    CPLErrorReset();
    tiles.reset();
    if (cancelled) {
        QFile::remove(partial);
        result.cancelled = true;
        return result;
    }
    if (warped != CE_None || built != CE_None) return failWrite(why);
    if (CPLGetLastErrorType() == CE_Failure) return failWrite(GdalSession::lastError());
    // GDAL knows the zooms only as it writes them; the metadata gets them here.
    try {
        SQLite::Database db(partialName.toStdString(), SQLite::OPEN_READWRITE);
        SQLite::Statement zoom(db, "INSERT INTO metadata (name, value) VALUES (?, ?)");
        for (const auto& [key, value] : {std::pair{"minzoom", zooms.min}, {"maxzoom", zooms.max}}) {
            zoom.bind(1, key);
            zoom.bind(2, std::to_string(value));
            zoom.exec();
            zoom.reset();
        }
    } catch (const SQLite::Exception& e) {
        return failWrite(QString::fromUtf8(e.what()));
    }

    // On the disk whole before it takes its name, as a compacted archive.
    if (const int code = syncToDisk(partial); code != 0)
        return failWrite(systemFailureReason(code));
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(partial.toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), error);
    if (error) return failWrite(systemFailureReason(error.value()));
    syncToDisk(folder, true);
    if (progress) progress(1000, 1000);
    return result;
}

MbTilesResult writeMbTiles(QImage picture, const WorldFile& world, Datum datum, const QString& name,
                           bool jpeg, const QString& path, const Progress& progress,
                           const QString& operation) {
    return writeTiles(std::move(picture), &world, nullptr, datum, name, jpeg, path, progress,
                      operation);
}

MbTilesResult writeMbTiles(QImage picture, const SheetModel& model, const QString& name, bool jpeg,
                           const QString& path, const Progress& progress, const QString& operation,
                           const std::vector<QPointF>& border) {
    return writeTiles(std::move(picture), nullptr, &model, model.datum(), name, jpeg, path,
                      progress, operation, border);
}

} // namespace orvena::gis
