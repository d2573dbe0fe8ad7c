#include "core/gis/TileCache.h"

#include "core/base/QuietGdal.h"
#include "core/gis/SheetWarp.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_utils.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace orvena::gis {

namespace {

constexpr qint64 kHashedBytes = 1 << 20;
constexpr int kTile = 256;

const QString kNotMade = QStringLiteral("La copia a tessere della cartina non è stata creata: %1");
const QString kCancelled = QStringLiteral("operazione annullata");

} // namespace

TileCache::TileCache(QString folder, qint64 limitBytes)
    : folder_(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                                     QStringLiteral("/tessere")
                               : std::move(folder))
    , limit_(limitBytes) {}

QString TileCache::copyName(const QString& sheet) const {
    const QFileInfo info(sheet);
    QFile file(sheet);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArray::number(info.size()) + ' ' +
                 QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + ' ');
    hash.addData(file.read(kHashedBytes));
    if (file.size() > kHashedBytes) {
        file.seek(std::max(kHashedBytes, file.size() - kHashedBytes));
        hash.addData(file.read(kHashedBytes));
    }
    return QString::fromLatin1(hash.result().toHex()) + QStringLiteral(".tif");
}

QString TileCache::tiledCopy(const QString& sheet, const Progress& progress, QString* error) {
    const QString name = copyName(sheet);
    if (name.isEmpty()) {
        *error = kNotMade.arg(QStringLiteral("la cartina non si può leggere"));
        return {};
    }
    const QString target = QDir(folder_).absoluteFilePath(name);
    if (QFileInfo::exists(target)) {
        // Used now: the last to be dropped.
        QFile(target).setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime);
        return target;
    }
    if (!QDir().mkpath(folder_)) {
        *error = kNotMade.arg(QStringLiteral("la cartella della cache non si può creare"));
        return {};
    }
    const QString partial = target + QStringLiteral(".part");
    const auto fail = [&](const QString& why) {
        QFile::remove(partial);
        *error = kNotMade.arg(why);
        return QString();
    };
    const QuietGdal quiet;
    {
        const GdalDataset source(GDALOpenEx(QFile::encodeName(sheet).constData(),
                                            GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr,
                                            nullptr));
        if (!source) return fail(warp::GdalSession::lastError());
        // A palette is expanded: the tiles are read as colours.
        const bool palette = GDALGetRasterColorTable(GDALGetRasterBand(source.get(), 1)) != nullptr;
        const char* const argv[] = {"-of",
                                    "GTiff",
                                    "-co",
                                    "TILED=YES",
                                    "-co",
                                    "BLOCKXSIZE=256",
                                    "-co",
                                    "BLOCKYSIZE=256",
                                    "-co",
                                    "COMPRESS=DEFLATE",
                                    "-co",
                                    "BIGTIFF=IF_SAFER",
                                    palette ? "-expand" : nullptr,
                                    "rgb",
                                    nullptr};
        GDALTranslateOptions* options = GDALTranslateOptionsNew(const_cast<char**>(argv), nullptr);
        warp::Watch copying{&progress, 0.0, 0.6};
        GDALTranslateOptionsSetProgress(options, warp::watch, &copying);
        int usage = 0;
        const GdalDataset copy(
            GDALTranslate(QFile::encodeName(partial).constData(), source.get(), options, &usage));
        GDALTranslateOptionsFree(options);
        if (!copy)
            return fail(progress && CPLGetLastErrorNo() == CPLE_UserInterrupt
                            ? kCancelled
                            : warp::GdalSession::lastError());
    }
    {
        const GdalDataset copy(GDALOpenEx(QFile::encodeName(partial).constData(),
                                          GDAL_OF_RASTER | GDAL_OF_UPDATE, nullptr, nullptr,
                                          nullptr));
        if (!copy) return fail(warp::GdalSession::lastError());
        std::vector<int> factors;
        for (int f = 2;
             std::max(GDALGetRasterXSize(copy.get()), GDALGetRasterYSize(copy.get())) / (f / 2) >
             kTile;
             f *= 2)
            factors.push_back(f);
        warp::Watch overviews{&progress, 0.6, 0.4};
        if (!factors.empty() &&
            GDALBuildOverviews(copy.get(), "AVERAGE", int(factors.size()), factors.data(), 0,
                               nullptr, warp::watch, &overviews) != CE_None)
            return fail(CPLGetLastErrorNo() == CPLE_UserInterrupt ? kCancelled
                                                                  : warp::GdalSession::lastError());
    }
    if (!QFile::rename(partial, target)) return fail(QStringLiteral("la copia non si può salvare"));
    trim(name);
    return target;
}

void TileCache::trim(const QString& keep) const {
    QFileInfoList copies = QDir(folder_).entryInfoList({QStringLiteral("*.tif")}, QDir::Files,
                                                       QDir::Time | QDir::Reversed);
    qint64 total = 0;
    for (const QFileInfo& f : copies)
        total += f.size();
    for (const QFileInfo& f : copies) {
        if (total <= limit_) break;
        if (f.fileName() == keep) continue;
        if (QFile::remove(f.absoluteFilePath())) total -= f.size();
    }
}

QImage readTiles(const QString& tiledCopy, const QRect& area, double scale) {
    const QuietGdal quiet;
    const GdalDataset ds(GDALOpenEx(QFile::encodeName(tiledCopy).constData(),
                                    GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
    if (!ds || GDALGetRasterCount(ds.get()) < 1) return {};
    const QRect whole(0, 0, GDALGetRasterXSize(ds.get()), GDALGetRasterYSize(ds.get()));
    const QRect part = area.intersected(whole);
    if (part.isEmpty() || scale <= 0) return {};
    const int width = std::max(1, int(part.width() * scale));
    const int height = std::max(1, int(part.height() * scale));
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(0xFFFFFFFFu);
    const int count = GDALGetRasterCount(ds.get());
    const bool little = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    const int bands[3] = {1, count >= 3 ? 2 : 1, count >= 3 ? 3 : 1};
    const int bytes[3] = {little ? 2 : 1, little ? 1 : 2, little ? 0 : 3};
    GDALRasterIOExtraArg extra;
    INIT_RASTERIO_EXTRA_ARG(extra);
    extra.eResampleAlg = GRIORA_Bilinear;
    for (int i = 0; i < 3; ++i)
        if (GDALRasterIOEx(GDALGetRasterBand(ds.get(), bands[i]), GF_Read, part.x(), part.y(),
                           part.width(), part.height(), image.bits() + bytes[i], width, height,
                           GDT_Byte, 4, image.bytesPerLine(), &extra) != CE_None)
            return {};
    return image;
}

} // namespace orvena::gis
