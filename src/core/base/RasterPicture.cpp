#include "core/base/RasterPicture.h"

#include "core/base/QuietGdal.h"

#include <QFile>
#include <QFileInfo>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>

#include <algorithm>
#include <memory>
#include <mutex>

namespace orvena {

namespace {

// Rows decoded at a time, rounded up to whole blocks.
constexpr int kBandRows = 256;

GdalDataset openRaster(const QString& fileName) {
    const char* const drivers[] = {"GTiff", "PNG", nullptr};
    return openGdalRaster(fileName, drivers);
}

// Whether every block of the band lies within a file of that many bytes (a
// block never written, offset 0, is empty and allowed).
bool blocksWithin(GDALRasterBandH band, int width, int height, qint64 bytes) {
    int bx = 0, by = 0;
    GDALGetBlockSize(band, &bx, &by);
    if (bx <= 0 || by <= 0) return false;
    const int columns = (width + bx - 1) / bx;
    const int rows = (height + by - 1) / by;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const QByteArray at = QByteArray::number(i) + '_' + QByteArray::number(j);
            const char* offset = GDALGetMetadataItem(band, "BLOCK_OFFSET_" + at, "TIFF");
            const char* size = GDALGetMetadataItem(band, "BLOCK_SIZE_" + at, "TIFF");
            if (!offset || !size) continue;
            if (QByteArray(offset).toLongLong() + QByteArray(size).toLongLong() > bytes)
                return false;
        }
    return true;
}

// The byte of a 32-bit pixel holding the channel at that shift (0 blue, 8
// green, 16 red, 24 alpha).
int byteOf(int shift) {
    return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? shift / 8 : 3 - shift / 8;
}

} // namespace

QByteArray rasterFormat(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray head = file.read(8);
    if (head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4)) ||
        head.startsWith(QByteArray("II+\0", 4)) || head.startsWith(QByteArray("MM\0+", 4)))
        return "tiff";
    if (head == QByteArray("\x89PNG\r\n\x1a\n", 8)) return "png";
    return {};
}

RasterHeader rasterHeader(const QString& fileName, bool blocks) {
    RasterHeader header;
    const QuietGdal quiet;
    const GdalDataset ds = openRaster(fileName);
    if (!ds || GDALGetRasterCount(ds.get()) < 1) {
        header.error = QuietGdal::message();
        return header;
    }
    header.opened = true;
    header.size = QSize(GDALGetRasterXSize(ds.get()), GDALGetRasterYSize(ds.get()));
    if (!blocks) return header;
    const qint64 bytes = QFileInfo(fileName).size();
    const char* interleave = GDALGetMetadataItem(ds.get(), "INTERLEAVE", "IMAGE_STRUCTURE");
    const int bands =
        interleave && qstrcmp(interleave, "BAND") == 0 ? GDALGetRasterCount(ds.get()) : 1;
    header.whole = true;
    for (int b = 1; b <= bands && header.whole; ++b)
        header.whole = blocksWithin(GDALGetRasterBand(ds.get(), b), header.size.width(),
                                    header.size.height(), bytes);
    return header;
}

QImage readRaster(const QString& fileName, qint64 limitBytes, bool* damaged, QString* error,
                  QSize scaledTo) {
    const QuietGdal quiet;
    const GdalDataset ds = openRaster(fileName);
    const int count = ds ? GDALGetRasterCount(ds.get()) : 0;
    if (count < 1) {
        *error = QuietGdal::message();
        return {};
    }
    const int fullWidth = GDALGetRasterXSize(ds.get());
    const int fullHeight = GDALGetRasterYSize(ds.get());
    const bool scaled = !scaledTo.isEmpty();
    const int width = scaled ? scaledTo.width() : fullWidth;
    const int height = scaled ? scaledTo.height() : fullHeight;
    if (qint64(width) * height * 4 > limitBytes) {
        *error = QStringLiteral("picture over the allocation limit");
        return {};
    }
    GDALRasterBandH first = GDALGetRasterBand(ds.get(), 1);
    GDALColorTableH palette =
        count == 1 && GDALGetRasterColorInterpretation(first) == GCI_PaletteIndex
            ? GDALGetRasterColorTable(first)
            : nullptr;

    // Which band goes into which byte of a pixel: a palette's indices into
    // one byte of their own, grey into red, green and blue alike.
    struct Plane {
        int band;
        int byte;
    };
    std::vector<Plane> planes;
    QImage image;
    if (palette) {
        image = QImage(width, height, QImage::Format_Indexed8);
        QList<QRgb> colours;
        for (int i = 0; i < std::min(256, GDALGetColorEntryCount(palette)); ++i) {
            GDALColorEntry e{};
            GDALGetColorEntryAsRGB(palette, i, &e);
            colours << qRgba(e.c1, e.c2, e.c3, e.c4);
        }
        while (colours.size() < 256)
            colours << qRgb(255, 255, 255);
        image.setColorTable(colours);
        image.fill(0);
        planes.push_back({1, 0});
    } else {
        const bool grey = count < 3;
        const int alphaBand = grey ? (count == 2 ? 2 : 0) : (count >= 4 ? 4 : 0);
        const bool alpha = alphaBand != 0 && GDALGetRasterColorInterpretation(GDALGetRasterBand(
                                                 ds.get(), alphaBand)) == GCI_AlphaBand;
        image = QImage(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        image.fill(0xFFFFFFFFu);
        planes = {{1, byteOf(16)}, {grey ? 1 : 2, byteOf(8)}, {grey ? 1 : 3, byteOf(0)}};
        if (alpha) planes.push_back({alphaBand, byteOf(24)});
    }
    if (image.isNull()) {
        *error = QStringLiteral("no memory for the picture");
        return {};
    }
    const int pixelSpace = palette ? 1 : 4;
    int bx = 0, by = 0;
    GDALGetBlockSize(first, &bx, &by);
    if (scaled) {
        for (const Plane& p : planes)
            if (GDALRasterIO(GDALGetRasterBand(ds.get(), p.band), GF_Read, 0, 0, fullWidth,
                             fullHeight, image.bits() + p.byte, width, height, GDT_Byte,
                             pixelSpace, int(image.bytesPerLine())) != CE_None)
                *damaged = true;
        return image;
    }
    const int step =
        std::max(1, by) * std::max(1, (kBandRows + std::max(1, by) - 1) / std::max(1, by));
    for (int y = 0; y < height; y += step) {
        const int rows = std::min(step, height - y);
        for (const Plane& p : planes) {
            uchar* to = image.scanLine(y) + p.byte;
            if (GDALRasterIO(GDALGetRasterBand(ds.get(), p.band), GF_Read, 0, y, width, rows, to,
                             width, rows, GDT_Byte, pixelSpace,
                             int(image.bytesPerLine())) != CE_None)
                *damaged = true;
        }
    }
    return image;
}

} // namespace orvena
