#include "core/gis/TiledSheet.h"

#include "core/base/QuietGdal.h"

#include <gdal.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvena::gis {

bool drawnFromTiles(QSize size) {
    return size.isValid() && qint64(size.width()) * size.height() * 4 > kTiledAboveBytes;
}

std::shared_ptr<TiledSheet> TiledSheet::open(const QString& tiledCopy) {
    const QuietGdal quiet;
    GdalDataset ds(GDALOpenEx(QFile::encodeName(tiledCopy).constData(),
                              GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
    if (!ds || GDALGetRasterCount(ds.get()) < 1) return nullptr;
    std::shared_ptr<TiledSheet> sheet(new TiledSheet);
    const int count = GDALGetRasterCount(ds.get());
    std::vector<GDALRasterBandH> bands;
    for (int b : {1, count >= 3 ? 2 : 1, count >= 3 ? 3 : 1})
        bands.push_back(GDALGetRasterBand(ds.get(), b));
    sheet->size_ = QSize(GDALGetRasterXSize(ds.get()), GDALGetRasterYSize(ds.get()));
    int blockWidth = 0, blockHeight = 0;
    GDALGetBlockSize(bands[0], &blockWidth, &blockHeight);
    if (blockWidth >= 16 && blockWidth == blockHeight) sheet->block_ = blockWidth;
    sheet->levels_.push_back({sheet->size_, {bands.begin(), bands.end()}});
    for (int i = 0; i < GDALGetOverviewCount(bands[0]); ++i) {
        Level level;
        for (GDALRasterBandH band : bands)
            level.bands.push_back(GDALGetOverview(band, i));
        if (std::find(level.bands.begin(), level.bands.end(), nullptr) != level.bands.end())
            break;
        level.size = QSize(GDALGetRasterBandXSize(level.bands[0]),
                           GDALGetRasterBandYSize(level.bands[0]));
        sheet->levels_.push_back(std::move(level));
    }
    sheet->dataset_ = ds.release();
    return sheet;
}

TiledSheet::~TiledSheet() {
    if (dataset_) GDALClose(dataset_);
}

void TiledSheet::forget() const {
    tiles_.clear();
    uses_.clear();
    kept_ = 0;
}

// One tile of a level, decoded: from the tiles kept, or read and kept. GDAL's
// own cache of the blocks is let go at once: the tiles kept here are the only
// decoded pixels held.
const QImage& TiledSheet::tile(int level, int column, int row) const {
    const Key key{level, column, row};
    if (auto it = tiles_.find(key); it != tiles_.end()) {
        uses_.splice(uses_.begin(), uses_, it->second.use);
        return it->second.pixels;
    }
    const Level& l = levels_[std::size_t(level)];
    const QRect area = QRect(column * block_, row * block_, block_, block_) & QRect({}, l.size);
    QImage pixels(area.size(), QImage::Format_RGB32);
    pixels.fill(0xFFFFFFFFu);
    const bool little = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    const int offsets[3] = {little ? 2 : 1, little ? 1 : 2, little ? 0 : 3};
    {
        const QuietGdal quiet;
        for (std::size_t i = 0; i < 3; ++i)
            // A tile GDAL cannot read stays white, as a damaged band of a
            // decoded sheet does.
            if (GDALRasterIO(static_cast<GDALRasterBandH>(l.bands[i]), GF_Read, area.x(),
                               area.y(), area.width(), area.height(), pixels.bits() + offsets[i],
                               area.width(), area.height(), GDT_Byte, 4,
                               int(pixels.bytesPerLine())) != CE_None)
                break;
        for (void* band : l.bands)
            GDALFlushRasterCache(static_cast<GDALRasterBandH>(band));
    }
    uses_.push_front(key);
    kept_ += pixels.sizeInBytes();
    auto& kept = tiles_[key] = Kept{std::move(pixels), uses_.begin()};
    while (kept_ > kKeptTileBytes && uses_.size() > 1) {
        auto old = tiles_.find(uses_.back());
        kept_ -= old->second.pixels.sizeInBytes();
        tiles_.erase(old);
        uses_.pop_back();
    }
    return kept.pixels;
}

PictureTiles::Part TiledSheet::read(const QRect& area, double scale) const {
    const QRect part = area & QRect({}, size_);
    if (part.isEmpty() || scale <= 0 || levels_.empty()) return {};
    // The smallest overview still as fine as the scale asks.
    int level = 0;
    for (int i = 1; i < int(levels_.size()); ++i)
        if (double(levels_[std::size_t(i)].size.width()) / size_.width() >= scale * 0.999)
            level = i;
    const QSize levelSize = levels_[std::size_t(level)].size;
    const double sx = double(levelSize.width()) / size_.width();
    const double sy = double(levelSize.height()) / size_.height();
    const int x0 = std::max(0, int(std::floor(part.x() * sx)));
    const int y0 = std::max(0, int(std::floor(part.y() * sy)));
    const int x1 = std::min(levelSize.width(), int(std::ceil((part.right() + 1) * sx)));
    const int y1 = std::min(levelSize.height(), int(std::ceil((part.bottom() + 1) * sy)));
    if (x1 <= x0 || y1 <= y0) return {};
    QImage image(x1 - x0, y1 - y0, QImage::Format_RGB32);
    for (int row = y0 / block_; row <= (y1 - 1) / block_; ++row)
        for (int column = x0 / block_; column <= (x1 - 1) / block_; ++column) {
            const QImage& t = tile(level, column, row);
            const QRect from = QRect(column * block_, row * block_, t.width(), t.height()) &
                               QRect(x0, y0, x1 - x0, y1 - y0);
            for (int y = from.top(); y <= from.bottom(); ++y)
                std::memcpy(image.scanLine(y - y0) + std::size_t(from.x() - x0) * 4,
                            t.constScanLine(y - row * block_) +
                                std::size_t(from.x() - column * block_) * 4,
                            std::size_t(from.width()) * 4);
        }
    return {std::move(image), QRectF(x0 / sx, y0 / sy, (x1 - x0) / sx, (y1 - y0) / sy)};
}

} // namespace orvena::gis
