#include "core/gis/SheetRasters.h"

#include "core/base/FileFailure.h"
#include "core/base/LazyLibrary.h"
#include "core/base/SafeSave.h"
#include "core/gis/SheetWarp.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_alg.h>
#include <gdalwarper.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace orvena::gis {

using namespace warp;

namespace {

const QString kKmzCannot = QStringLiteral("Il KMZ di %1 non può essere scritto (%2).");
const QString kTiffCannot = QStringLiteral("Il GeoTIFF %1 non può essere scritto (%2).");
const QString kNotPlaced = QStringLiteral("il foglio non si colloca in WGS 84");
const QString kNoGdal = QStringLiteral("GDAL non può essere caricato: %1");

// A sheet's pixels placed in WGS 84 degrees, with the operation that takes it
// there (which the placement points to).
struct Placed {
    Placement placement{};
    DatumTransform toWgs84;
    double west = 0, south = 0, east = 0, north = 0;
    bool ok = false;
};

void placeSheet(Placed& p, QSize size, const SheetPlace& place) {
    Placement& pl = p.placement;
    pl.model = place.model;
    pl.sheet = {0, 1, 0, 0, 0, 1};
    if (place.world) {
        const WorldFile& w = *place.world;
        pl.sheet = {w[4] - w[0] / 2 - w[2] / 2, w[0], w[2], w[5] - w[1] / 2 - w[3] / 2, w[1], w[3]};
    }
    if (size.isEmpty() || !GDALInvGeoTransform(pl.sheet.data(), pl.sheetInverse.data())) return;
    // The edges, five points a side, in the sheet's degrees and in WGS 84.
    std::vector<double> x, y;
    for (int i = 0; i < 5; ++i)
        for (const QPointF e :
             {QPointF(i / 4.0, 0), QPointF(1, i / 4.0), QPointF(i / 4.0, 1), QPointF(0, i / 4.0)}) {
            double ex = e.x() * size.width(), ey = e.y() * size.height();
            pl.toDegrees(ex, ey);
            x.push_back(ex);
            y.push_back(ey);
        }
    const GeoBox own = GeoBox::around({{x[0], y[0]}, {x[5], y[5]}, {x[10], y[10]}, {x[15], y[15]}});
    const Datum datum = place.model ? place.model->datum() : place.datum;
    p.toWgs84 = DatumTransform(datum, own, DatumTransform::kWgs84, place.operation);
    if (!p.toWgs84.isValid()) return;
    pl.toTarget = &p.toWgs84;
    p.toWgs84.forward(x.data(), y.data(), x.size());
    const auto [w, e] = std::minmax_element(x.begin(), x.end());
    const auto [s, n] = std::minmax_element(y.begin(), y.end());
    p.west = *w, p.east = *e, p.south = *s, p.north = *n;
    p.ok = std::isfinite(p.west) && std::isfinite(p.east) && std::isfinite(p.south) &&
           std::isfinite(p.north) && p.east > p.west && p.north > p.south;
}

KmzLayout layoutOf(const Placed& p, QSize size, double scale) {
    KmzLayout l;
    if (!p.ok) {
        l.error = p.toWgs84.isValid() ? kNotPlaced : p.toWgs84.error();
        return l;
    }
    l.west = p.west, l.east = p.east, l.south = p.south, l.north = p.north;
    l.width = std::max(1, int(std::ceil(size.width() / scale)));
    l.height = std::max(1, int(std::ceil(size.height() / scale)));
    l.columns = (l.width + kKmzTileSide - 1) / kKmzTileSide;
    l.rows = (l.height + kKmzTileSide - 1) / kKmzTileSide;
    return l;
}

// A tile as a baseline JPEG under the limit: the quality lowered until it fits.
QByteArray jpegTile(const QImage& tile) {
    QByteArray bytes;
    for (int quality = 85; quality >= 25; quality -= 15) {
        bytes.clear();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        tile.save(&buffer, "JPEG", quality);
        if (bytes.size() < kKmzTileBytes) break;
    }
    return bytes;
}

QByteArray degrees(double v) {
    return QByteArray::number(v, 'f', 9);
}

// Moves partial to path once it is whole on the disk; the reason otherwise.
QString commit(const QString& partial, const QString& path) {
    if (const int code = syncToDisk(partial); code != 0) return systemFailureReason(code);
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(partial.toStdU16String()),
                            std::filesystem::path(path.toStdU16String()), error);
    if (error) return systemFailureReason(error.value());
    syncToDisk(QFileInfo(path).absolutePath(), true);
    return {};
}

} // namespace

KmzLayout kmzLayout(QSize size, const SheetPlace& place, double scale) {
    Placed p;
    placeSheet(p, size, place);
    return layoutOf(p, size, scale);
}

double kmzScaleWithinLimit(QSize size, const SheetPlace& place, int most) {
    Placed p;
    placeSheet(p, size, place);
    double scale = 1;
    most = std::max(most, 1);
    while (layoutOf(p, size, scale).tiles() > most)
        scale *= 1.05;
    return scale;
}

RasterResult writeKmz(QImage picture, const SheetPlace& place, const KmzLayout& layout,
                      const QString& name, const QString& path, const Progress& progress) {
    RasterResult result;
    const QString file = QFileInfo(path).fileName();
    if (!lazylibrary::available(ORVENA_GDAL_LIBRARY)) {
        result.error =
            kKmzCannot.arg(file, kNoGdal.arg(lazylibrary::loadError(ORVENA_GDAL_LIBRARY)));
        return result;
    }
    Placed p;
    placeSheet(p, picture.size(), place);
    if (!p.ok || layout.tiles() == 0) {
        result.error = kKmzCannot.arg(file, p.toWgs84.isValid() ? kNotPlaced : p.toWgs84.error());
        return result;
    }
    const GdalSession gdal;
    bool alpha = false;
    Dataset sheet = pictureDataset(picture, p.placement.sheet, &alpha);
    const double dx = (layout.east - layout.west) / layout.width;
    const double dy = (layout.north - layout.south) / layout.height;
    const QString partial = path + QStringLiteral(".parziale");
    void* zip = sheet ? CPLCreateZip(partial.toUtf8().constData(), nullptr) : nullptr;
    const auto fail = [&](const QString& why, bool disk) {
        if (zip) CPLCloseZip(zip);
        QFile::remove(partial);
        result.error = kKmzCannot.arg(file, why);
        result.writeFailed = disk;
        return result;
    };
    if (!zip)
        return fail(folderFailureReason(QFileInfo(path).absolutePath(), GdalSession::lastError()),
                    true);
    const QByteArray escaped = name.toHtmlEscaped().toUtf8();
    QByteArray kml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n<name>" +
                     escaped + "</name>\n";
    QList<std::pair<QByteArray, QByteArray>> tiles;
    OGRGeometryH cutline = place.border.size() >= 3 ? borderPolygon(place.border) : nullptr;
    for (int r = 0; r < layout.rows; ++r) {
        for (int c = 0; c < layout.columns; ++c) {
            const int w = std::min(kKmzTileSide, layout.width - c * kKmzTileSide);
            const int h = std::min(kKmzTileSide, layout.height - r * kKmzTileSide);
            const double west = layout.west + c * kKmzTileSide * dx;
            const double north = layout.north - r * kKmzTileSide * dy;
            p.placement.tiles = {west, dx, 0, north, 0, -dy};
            if (!GDALInvGeoTransform(p.placement.tiles.data(), p.placement.tilesInverse.data()))
                continue;
            QImage tile(w, h, QImage::Format_ARGB32);
            tile.fill(Qt::transparent);
            bool tileAlpha = true;
            Dataset target = pictureDataset(tile, p.placement.tiles, &tileAlpha);
            GDALWarpOptions* warp = warp::rgbWarp(sheet.get(), target.get(), alpha);
            warp->papszWarpOptions = CSLSetNameValue(warp->papszWarpOptions, "INIT_DEST", "0");
            warp->hCutline = cutline;
            warp->pfnTransformer = GDALApproxTransform;
            warp->pTransformerArg = GDALCreateApproxTransformer(warp::place, &p.placement, 0.125);
            const CPLErr warped = warp::runWarp(warp, w, h);
            target.reset();
            if (warped != CE_None) {
                if (cutline) OGR_G_DestroyGeometry(cutline);
                return fail(GdalSession::lastError(), false);
            }
            if (progress && !progress(r * layout.columns + c + 1, layout.tiles())) {
                if (cutline) OGR_G_DestroyGeometry(cutline);
                fail({}, false);
                result.error.clear();
                result.cancelled = true;
                return result;
            }
            // A tile the sheet does not reach is left out.
            bool reached = false;
            for (int y = 0; y < h && !reached; ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(tile.constScanLine(y));
                reached = std::any_of(line, line + w, [](QRgb v) { return qAlpha(v) > 0; });
            }
            if (!reached) continue;
            QImage plain(w, h, QImage::Format_RGB32);
            plain.fill(Qt::white);
            QPainter(&plain).drawImage(0, 0, tile);
            const QByteArray href =
                "files/" + QByteArray::number(r) + '_' + QByteArray::number(c) + ".jpg";
            tiles.append({href, jpegTile(plain)});
            kml += "<GroundOverlay>\n<name>" + escaped + ' ' + QByteArray::number(r + 1) + ',' +
                   QByteArray::number(c + 1) + "</name>\n<drawOrder>50</drawOrder>\n<Icon><href>" +
                   href + "</href></Icon>\n<LatLonBox><north>" + degrees(north) +
                   "</north><south>" + degrees(north - h * dy) + "</south><east>" +
                   degrees(west + w * dx) + "</east><west>" + degrees(west) +
                   "</west></LatLonBox>\n</GroundOverlay>\n";
        }
    }
    if (cutline) OGR_G_DestroyGeometry(cutline);
    sheet.reset();
    kml += "</Document>\n</kml>\n";
    tiles.prepend({"doc.kml", kml});
    for (const auto& [entry, bytes] : tiles) {
        if (CPLCreateFileInZip(zip, entry.constData(), nullptr) != CE_None ||
            CPLWriteFileInZip(zip, bytes.constData(), int(bytes.size())) != CE_None ||
            CPLCloseFileInZip(zip) != CE_None)
            return fail(
                folderFailureReason(QFileInfo(path).absolutePath(), GdalSession::lastError()),
                true);
    }
    const CPLErr closed = CPLCloseZip(zip);
    zip = nullptr;
    if (closed != CE_None)
        return fail(folderFailureReason(QFileInfo(path).absolutePath(), GdalSession::lastError()),
                    true);
    if (const QString why = commit(partial, path); !why.isEmpty()) return fail(why, true);
    result.tiles = int(tiles.size()) - 1;
    return result;
}

RasterResult writeGeoTiff(QImage picture, const std::optional<std::array<double, 6>>& geoTransform,
                          const std::vector<GridTie>& controlPoints, const QByteArray& wkt,
                          const QString& path) {
    RasterResult result;
    const QString file = QFileInfo(path).fileName();
    if (!lazylibrary::available(ORVENA_GDAL_LIBRARY)) {
        result.error =
            kTiffCannot.arg(file, kNoGdal.arg(lazylibrary::loadError(ORVENA_GDAL_LIBRARY)));
        return result;
    }
    const GdalSession gdal;
    const QString partial = path + QStringLiteral(".parziale");
    bool alpha = false;
    Dataset ds = pictureDataset(
        picture, geoTransform.value_or(std::array<double, 6>{0, 1, 0, 0, 0, 1}), &alpha);
    const auto fail = [&](const QString& why) {
        QFile::remove(partial);
        result.error = kTiffCannot.arg(file, why);
        result.writeFailed = true;
        return result;
    };
    if (!ds) return fail(GdalSession::lastError());
    if (geoTransform) {
        GDALSetProjection(ds.get(), wkt.constData());
    } else {
        std::vector<GDAL_GCP> gcps(controlPoints.size());
        std::vector<QByteArray> ids;
        for (std::size_t i = 0; i < controlPoints.size(); ++i)
            ids.push_back(QByteArray::number(qulonglong(i + 1)));
        for (std::size_t i = 0; i < controlPoints.size(); ++i) {
            gcps[i].pszId = ids[i].data();
            gcps[i].pszInfo = const_cast<char*>("");
            gcps[i].dfGCPPixel = controlPoints[i].pixel;
            gcps[i].dfGCPLine = controlPoints[i].line;
            gcps[i].dfGCPX = controlPoints[i].x;
            gcps[i].dfGCPY = controlPoints[i].y;
            gcps[i].dfGCPZ = 0;
        }
        GDALSetGCPs(ds.get(), int(gcps.size()), gcps.data(), wkt.constData());
    }
    const char* options[] = {"COMPRESS=DEFLATE", "PREDICTOR=2", "TILED=YES",
                             alpha ? "ALPHA=YES" : nullptr, nullptr};
    QFile::remove(partial);
    Dataset tiff(GDALCreateCopy(GDALGetDriverByName("GTiff"), partial.toUtf8().constData(),
                                ds.get(), FALSE, const_cast<char**>(options), nullptr, nullptr));
    if (!tiff)
        return fail(folderFailureReason(QFileInfo(path).absolutePath(), GdalSession::lastError()));
    tiff.reset();
    if (CPLGetLastErrorType() == CE_Failure)
        return fail(folderFailureReason(QFileInfo(path).absolutePath(), GdalSession::lastError()));
    if (const QString why = commit(partial, path); !why.isEmpty()) return fail(why);
    return result;
}

} // namespace orvena::gis
