#include "core/gis/TileCache.h"

#include "core/base/QuietGdal.h"
#include "core/base/SafeSave.h"
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

constexpr qint64 kHashedChunk = qint64(4) << 20;
constexpr int kTile = 256;
// The share of the progress the sheet's bytes take to read, and that of the
// copy's rows; the overviews take the rest.
constexpr double kHashShare = 0.05;
constexpr double kRowsShare = 0.6;
// The copy's JPEG quality: its size stays near a JPEG sheet's own.
constexpr const char* kJpegQuality = "85";
constexpr const char* kJpegQualityOption = "JPEG_QUALITY=85";

const QString kNotMade = QStringLiteral("La copia a tessere della cartina non è stata creata: %1");
const QString kCancelled = QStringLiteral("operazione annullata");

// gdal_translate's arguments for the copy: JPEG tiles of 256 pixels (YCbCr
// for colour), colours for a palette, the first three bands of more (an alpha
// band is dropped: the map is opaque), samples of more than a byte scaled
// from their range to bytes.
std::vector<const char*> copyOptions(GDALDatasetH source) {
    const int count = GDALGetRasterCount(source);
    GDALRasterBandH first = GDALGetRasterBand(source, 1);
    const bool palette = GDALGetRasterColorTable(first) != nullptr;
    const bool colour = palette || count >= 3;
    std::vector<const char*> argv{"-of",      "GTiff",         "-co", "TILED=YES",
                                  "-co",      "BLOCKXSIZE=256", "-co", "BLOCKYSIZE=256",
                                  "-co",      "COMPRESS=JPEG",  "-co", "BIGTIFF=IF_SAFER",
                                  "-co",      kJpegQualityOption};
    if (colour) argv.insert(argv.end(), {"-co", "PHOTOMETRIC=YCBCR"});
    if (palette)
        argv.insert(argv.end(), {"-expand", "rgb"});
    else if (count >= 3)
        argv.insert(argv.end(), {"-b", "1", "-b", "2", "-b", "3"});
    else
        argv.insert(argv.end(), {"-b", "1"});
    if (GDALGetRasterDataType(first) != GDT_Byte)
        argv.insert(argv.end(), {"-ot", "Byte", "-scale"});
    argv.push_back(nullptr);
    return argv;
}

} // namespace

TileCache::TileCache(QString folder, qint64 limitBytes)
    : folder_(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                                     QStringLiteral("/tessere")
                               : std::move(folder))
    , limit_(limitBytes) {}

QString TileCache::notePath(const QString& sheet) const {
    const QByteArray path = QFileInfo(sheet).absoluteFilePath().toUtf8();
    return QDir(folder_).absoluteFilePath(
        QStringLiteral("note/") +
        QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex()));
}

namespace {

// "size time name": the sheet's file as last seen and its copy's name.
QByteArray noteOf(const QFileInfo& info, const QString& name) {
    return QByteArray::number(info.size()) + ' ' +
           QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + ' ' + name.toLatin1();
}

} // namespace

void TileCache::writeNote(const QString& sheet, const QString& name) const {
    const QString path = notePath(sheet);
    QDir().mkpath(QFileInfo(path).absolutePath());
    SafeSave note(path);
    if (note.create()) note.commit(note.write(noteOf(QFileInfo(sheet), name)) > 0);
}

QString TileCache::readyCopy(const QString& sheet) const {
    const QFileInfo info(sheet);
    QFile note(notePath(sheet));
    if (!info.isFile() || !note.open(QIODevice::ReadOnly)) return {};
    const QByteArray text = note.readAll();
    const QString name = QString::fromLatin1(text.mid(text.lastIndexOf(' ') + 1));
    if (name.isEmpty() || text != noteOf(info, name)) return {};
    const QString copy = QDir(folder_).absoluteFilePath(name);
    if (!QFileInfo::exists(copy)) return {};
    // Used now: the last to be dropped.
    QFile(copy).setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime);
    return copy;
}

QString TileCache::copyName(const QString& sheet, const Progress& progress) const {
    const QFileInfo info(sheet);
    QFile file(sheet);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) return {};
    if (const QString ready = readyCopy(sheet); !ready.isEmpty()) return QFileInfo(ready).fileName();
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(QByteArray::number(info.size()) + ' ');
    QByteArray chunk(kHashedChunk, Qt::Uninitialized);
    for (qint64 done = 0;;) {
        const qint64 read = file.read(chunk.data(), chunk.size());
        if (read < 0) return {};
        if (read == 0) break;
        hash.addData(QByteArrayView(chunk.constData(), read));
        done += read;
        if (progress && !progress(done, info.size())) return {};
    }
    const QString name = QString::fromLatin1(hash.result().toHex()) + QStringLiteral(".tif");
    writeNote(sheet, name);
    return name;
}

QString TileCache::tiledCopy(const QString& sheet, const Progress& reported, QString* error) {
    // Whether the user cancelled is kept here: GDAL's last error may be
    // another by the time its work has unwound.
    bool cancelled = false;
    const Progress progress = [&](qint64 done, qint64 total) {
        cancelled = cancelled || (reported && !reported(done, total));
        return !cancelled;
    };
    const Progress hashing = [&](qint64 done, qint64 total) {
        const warp::Watch share{&progress, 0.0, kHashShare};
        return warp::watch(total > 0 ? double(done) / double(total) : 1.0, nullptr,
                           const_cast<warp::Watch*>(&share)) != FALSE;
    };
    const QString name = copyName(sheet, hashing);
    if (name.isEmpty()) {
        *error = kNotMade.arg(cancelled ? kCancelled
                                        : QStringLiteral("la cartina non si può leggere"));
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
    // GDAL's block cache stays small however large the sheet.
    const warp::GdalSession session;
    {
        const GdalDataset source(GDALOpenEx(QFile::encodeName(sheet).constData(),
                                            GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr,
                                            nullptr));
        if (!source) return fail(warp::GdalSession::lastError());
        const std::vector<const char*> argv = copyOptions(source.get());
        GDALTranslateOptions* options = GDALTranslateOptionsNew(const_cast<char**>(argv.data()), nullptr);
        warp::Watch copying{&progress, kHashShare, kRowsShare};
        GDALTranslateOptionsSetProgress(options, warp::watch, &copying);
        int usage = 0;
        const GdalDataset copy(
            GDALTranslate(QFile::encodeName(partial).constData(), source.get(), options, &usage));
        GDALTranslateOptionsFree(options);
        if (!copy)
            return fail(cancelled ? kCancelled : warp::GdalSession::lastError());
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
        warp::Watch overviews{&progress, kHashShare + kRowsShare, 1.0 - kHashShare - kRowsShare};
        CPLSetThreadLocalConfigOption("JPEG_QUALITY_OVERVIEW", kJpegQuality);
        if (!factors.empty() &&
            GDALBuildOverviews(copy.get(), "AVERAGE", int(factors.size()), factors.data(), 0,
                               nullptr, warp::watch, &overviews) != CE_None)
            return fail(cancelled ? kCancelled : warp::GdalSession::lastError());
        CPLSetThreadLocalConfigOption("JPEG_QUALITY_OVERVIEW", nullptr);
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
