#include "core/gis/SheetWarp.h"

#include <cpl_conv.h>
#include <cpl_error.h>

#include <algorithm>
#include <mutex>

namespace orvena::gis::warp {

namespace {
// What GDAL may hold of a raster while it writes it.
constexpr GIntBig kCacheBytes = 64 * 1024 * 1024;
// What the warper may hold of a chunk at a time.
constexpr double kWarpBytes = 32.0 * 1024 * 1024;
const QString kGdalFailed = QStringLiteral("errore di GDAL");
} // namespace

int place(void* arg, int tilesToSheet, int count, double* x, double* y, double*, int* ok) {
    const auto* p = static_cast<const Placement*>(arg);
    for (int i = 0; i < count; ++i)
        if (tilesToSheet)
            GDALApplyGeoTransform(const_cast<double*>(p->tiles.data()), x[i], y[i], &x[i], &y[i]);
        else
            p->toDegrees(x[i], y[i]);
    if (tilesToSheet)
        p->toTarget->inverse(x, y, std::size_t(count));
    else
        p->toTarget->forward(x, y, std::size_t(count));
    for (int i = 0; i < count; ++i) {
        if (std::isfinite(x[i]) && std::isfinite(y[i])) {
            if (tilesToSheet)
                p->toPixel(x[i], y[i]);
            else
                GDALApplyGeoTransform(const_cast<double*>(p->tilesInverse.data()), x[i], y[i],
                                      &x[i], &y[i]);
        }
        ok[i] = std::isfinite(x[i]) && std::isfinite(y[i]);
    }
    return TRUE;
}

int CPL_STDCALL watch(double complete, const char*, void* arg) {
    const auto* w = static_cast<const Watch*>(arg);
    if (!w->progress || !*w->progress) return TRUE;
    const double done = w->from + std::clamp(complete, 0.0, 1.0) * w->share;
    return (*w->progress)(qint64(std::lround(done * 1000)), 1000) ? TRUE : FALSE;
}

GdalSession::GdalSession() {
    static std::once_flag registered;
    std::call_once(registered, [] { GDALAllRegister(); });
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
    cache_ = GDALGetCacheMax64();
    GDALSetCacheMax64(std::min(cache_, kCacheBytes));
}

GdalSession::~GdalSession() {
    GDALSetCacheMax64(cache_);
    CPLPopErrorHandler();
}

QString GdalSession::lastError() {
    const QString text = QString::fromUtf8(CPLGetLastErrorMsg());
    return text.isEmpty() ? kGdalFailed : text;
}

Dataset pictureDataset(QImage& picture, const std::array<double, 6>& sheet, bool* alpha) {
    *alpha = picture.hasAlphaChannel();
    const QImage::Format plain = *alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (picture.format() != plain) picture.convertTo(plain);
    Dataset ds(GDALCreate(GDALGetDriverByName("MEM"), "", picture.width(), picture.height(), 0,
                          GDT_Byte, nullptr));
    if (!ds) return nullptr;
    constexpr bool little = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    const std::array<int, 4> offsets = {little ? 2 : 1, little ? 1 : 2, little ? 0 : 3,
                                        little ? 3 : 0};
    uchar* bits = picture.bits();
    for (int band = 0; band < (*alpha ? 4 : 3); ++band) {
        char pointer[64] = {};
        CPLPrintPointer(pointer, bits + offsets[band], sizeof(pointer));
        const QByteArray data = QByteArray("DATAPOINTER=") + pointer;
        const QByteArray line = "LINEOFFSET=" + QByteArray::number(picture.bytesPerLine());
        const char* options[] = {data.constData(), "PIXELOFFSET=4", line.constData(), nullptr};
        if (GDALAddBand(ds.get(), GDT_Byte, const_cast<char**>(options)) != CE_None) return nullptr;
    }
    GDALSetGeoTransform(ds.get(), const_cast<double*>(sheet.data()));
    return ds;
}

OGRGeometryH borderPolygon(const std::vector<QPointF>& border) {
    QByteArray wkt = "POLYGON ((";
    for (std::size_t i = 0; i <= border.size(); ++i) {
        const QPointF p = border[i % border.size()];
        wkt += (i ? "," : "") + QByteArray::number(p.x(), 'f', 6) + ' ' +
               QByteArray::number(p.y(), 'f', 6);
    }
    wkt += "))";
    char* text = wkt.data();
    OGRGeometryH polygon = nullptr;
    if (OGR_G_CreateFromWkt(&text, nullptr, &polygon) != OGRERR_NONE) return nullptr;
    return polygon;
}

GDALWarpOptions* rgbWarp(GDALDatasetH source, GDALDatasetH target, bool sourceAlpha) {
    GDALWarpOptions* warp = GDALCreateWarpOptions();
    warp->hSrcDS = source;
    warp->hDstDS = target;
    warp->nBandCount = 3;
    warp->panSrcBands = static_cast<int*>(CPLMalloc(3 * sizeof(int)));
    warp->panDstBands = static_cast<int*>(CPLMalloc(3 * sizeof(int)));
    for (int b = 0; b < 3; ++b)
        warp->panSrcBands[b] = warp->panDstBands[b] = b + 1;
    warp->nSrcAlphaBand = sourceAlpha ? 4 : 0;
    warp->nDstAlphaBand = 4;
    warp->eResampleAlg = GRA_Bilinear;
    warp->dfWarpMemoryLimit = kWarpBytes;
    return warp;
}

CPLErr runWarp(GDALWarpOptions* warp, int width, int height) {
    GDALWarpOperationH operation = GDALCreateWarpOperation(warp);
    const CPLErr warped =
        operation ? GDALChunkAndWarpImage(operation, 0, 0, width, height) : CE_Failure;
    if (operation) GDALDestroyWarpOperation(operation);
    GDALDestroyApproxTransformer(warp->pTransformerArg);
    warp->pTransformerArg = nullptr;
    warp->hCutline = nullptr;
    GDALDestroyWarpOptions(warp);
    return warped;
}

} // namespace orvena::gis::warp
