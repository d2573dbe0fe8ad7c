#include "core/base/Picture.h"

#include "core/base/RasterPicture.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <turbojpeg.h>

#include <cstring>
#include <memory>

namespace orvena {

namespace {

const QString kDamaged = QStringLiteral(
    "Il file dell'immagine \"%1\" è danneggiato o incompleto: la cartina è mostrata solo "
    "fin dove si è potuta leggere.");
const QString kRefused = QStringLiteral(
    "Il file dell'immagine \"%1\" è danneggiato: dichiara una cartina di %2 x %3 pixel, ma "
    "è troppo piccolo per contenerla. L'immagine non è stata caricata.");

// The fewest pixels a byte of a real file can carry. A JPEG codes every 8 x 8
// block of its luminance with at least one bit; a GIF's codes of 12 bits stand
// for at most 4096 pixels each. Files far below that cannot hold their picture.
constexpr qint64 kJpegPixelsPerByte = 512;
constexpr qint64 kGifPixelsPerByte = 4096;
// A plain BMP holds its rows uncompressed: one holding less than a sixteenth
// of them, for a picture of this many pixels or more, is refused unread.
constexpr qint64 kBmpRefusedFraction = 16;
constexpr qint64 kLargePixels = 16'000'000;

quint32 le32(const uchar* p) {
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
quint16 le16(const uchar* p) {
    return quint16(p[0] | p[1] << 8);
}

// The file's bytes, mapped rather than read where the system allows.
class FileBytes {
public:
    explicit FileBytes(const QString& name)
        : file_(name) {
        if (!file_.open(QIODevice::ReadOnly)) return;
        size_ = file_.size();
        data_ = file_.map(0, size_);
        if (data_ == nullptr) {
            copy_ = file_.readAll();
            data_ = reinterpret_cast<uchar*>(copy_.data());
            size_ = copy_.size();
        }
    }
    const uchar* data() const { return data_; }
    qint64 size() const { return size_; }
    bool ok() const { return data_ != nullptr || size_ == 0; }

private:
    QFile file_;
    QByteArray copy_;
    uchar* data_ = nullptr;
    qint64 size_ = 0;
};

// Whether a JPEG ends with its end-of-image marker (a little trailing padding allowed).
bool jpegEnds(const FileBytes& f) {
    const qint64 from = std::max<qint64>(0, f.size() - 64);
    for (qint64 i = f.size() - 2; i >= from; --i)
        if (f.data()[i] == 0xFF && f.data()[i + 1] == 0xD9) return true;
    return false;
}

// Whether a GIF's blocks are all there, up to its trailer.
bool gifEnds(const FileBytes& f) {
    const uchar* d = f.data();
    const qint64 n = f.size();
    if (n < 13) return false;
    qint64 pos = 13;
    if (d[10] & 0x80) pos += 3 * (qint64(1) << ((d[10] & 7) + 1));
    auto skipSubBlocks = [&] {
        while (pos < n) {
            const int length = d[pos++];
            if (length == 0) return true;
            pos += length;
        }
        return false;
    };
    while (pos < n) {
        switch (d[pos++]) {
        case 0x3B:
            return true;
        case 0x21:
            ++pos;
            if (!skipSubBlocks()) return false;
            break;
        case 0x2C:
            if (pos + 9 > n) return false;
            if (d[pos + 8] & 0x80) pos += 3 * (qint64(1) << ((d[pos + 8] & 7) + 1));
            pos += 10; // the descriptor and the LZW code size
            if (!skipSubBlocks()) return false;
            break;
        default:
            return false;
        }
    }
    return false;
}

// The bytes a BMP's uncompressed rows need, with the offset they start at;
// 0 when the rows are compressed or the header is not one we know.
qint64 bmpNeeds(const FileBytes& f) {
    if (f.size() < 34) return 0;
    const uchar* d = f.data();
    const quint32 header = le32(d + 14);
    if (header < 40) return 0;
    const qint64 width = qint32(le32(d + 18));
    const qint64 height = std::abs(qint64(qint32(le32(d + 22))));
    const qint64 bits = le16(d + 28);
    const quint32 compression = le32(d + 30);
    if (compression != 0 && compression != 3 && compression != 6) return 0;
    if (width <= 0 || bits <= 0) return 0;
    return qint64(le32(d + 10)) + (width * bits + 31) / 32 * 4 * height;
}

// Whether a PNG ends with its IEND chunk (a little trailing padding allowed).
bool pngEnds(const FileBytes& f) {
    const qint64 from = std::max<qint64>(0, f.size() - 64);
    for (qint64 i = f.size() - 4; i >= from; --i)
        if (std::memcmp(f.data() + i, "IEND", 4) == 0) return true;
    return false;
}

constexpr qint64 kLimitBytes = qint64(kPictureAllocationLimitMB) * 1024 * 1024;

// The file's format as the readers below name it: "tiff" and "png" for the
// formats read through GDAL (whether or not Qt reads them too), otherwise
// what Qt's readers make of it; empty when none knows it.
QByteArray formatOf(const QString& fileName) {
    const QByteArray raster = rasterFormat(fileName);
    return raster.isEmpty() ? QImageReader(fileName).format() : raster;
}

QString damaged(const QString& fileName) {
    return kDamaged.arg(QFileInfo(fileName).fileName());
}

// Decodes a JPEG straight into 32-bit pixels. A null picture when
// libjpeg-turbo refuses the file (a colour model it does not turn into RGB,
// a picture over the allocation limit): Qt's reader then tries.
QImage decodeJpeg(const FileBytes& f, bool* warned) {
    std::unique_ptr<void, int (*)(tjhandle)> tj(tjInitDecompress(), tjDestroy);
    if (!tj) return {};
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(tj.get(), f.data(), static_cast<unsigned long>(f.size()), &width,
                            &height, &subsampling, &colourspace) != 0)
        return {};
    if (colourspace == TJCS_CMYK || colourspace == TJCS_YCCK) return {};
    if (qint64(width) * height * 4 > kLimitBytes) return {};
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    const int format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;
    if (tjDecompress2(tj.get(), f.data(), static_cast<unsigned long>(f.size()), image.bits(), width,
                      int(image.bytesPerLine()), height, format, 0) != 0) {
        if (tjGetErrorCode(tj.get()) != TJERR_WARNING) return {};
        *warned = true;
    }
    return image;
}

} // namespace

void allowLargePictures() {
    QImageReader::setAllocationLimit(kPictureAllocationLimitMB);
}

PictureLoad checkPicture(const QString& fileName) {
    PictureLoad result;
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile()) {
        result.message = QStringLiteral("file not found: %1").arg(fileName);
        return result;
    }
    if (!rasterFormat(fileName).isEmpty()) {
        const RasterHeader header = rasterHeader(fileName, false);
        result.outcome = header.opened ? PictureOutcome::Ok : PictureOutcome::Unreadable;
        result.message = header.error;
        return result;
    }
    QImageReader reader(fileName);
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    if (format.isEmpty()) {
        result.message = reader.errorString();
        return result;
    }
    result.outcome = PictureOutcome::Ok;
    if (!size.isValid()) return result;
    const qint64 pixels = qint64(size.width()) * size.height();
    const qint64 bytes = QFileInfo(fileName).size();
    bool refused = false;
    if (format == "jpeg")
        refused = bytes * kJpegPixelsPerByte < pixels;
    else if (format == "gif")
        refused = bytes * kGifPixelsPerByte < pixels;
    else if (format == "bmp" && pixels >= kLargePixels)
        refused = bytes * kBmpRefusedFraction < bmpNeeds(FileBytes(fileName));
    if (refused) {
        result.outcome = PictureOutcome::Refused;
        result.message =
            kRefused.arg(QFileInfo(fileName).fileName()).arg(size.width()).arg(size.height());
    }
    return result;
}

namespace {

// Whether the file's bytes end as a whole picture of its format does.
bool endsWhole(const FileBytes& bytes, const QByteArray& format, const QString& fileName) {
    if (format == "tiff") return rasterHeader(fileName).whole;
    if (format == "png") return pngEnds(bytes);
    if (format == "jpeg") return jpegEnds(bytes);
    if (format == "gif") return gifEnds(bytes);
    if (format == "bmp") return bytes.size() >= bmpNeeds(bytes);
    return true;
}

} // namespace

PictureLoad inspectPicture(const QString& fileName) {
    PictureLoad result = checkPicture(fileName);
    if (result.outcome != PictureOutcome::Ok) return result;
    const FileBytes bytes(fileName);
    if (!bytes.ok() || !endsWhole(bytes, formatOf(fileName), fileName)) {
        result.outcome = PictureOutcome::Damaged;
        result.message = damaged(fileName);
    }
    return result;
}

QString pictureProblem(const PictureLoad& load, const QString& fileName) {
    const QFileInfo file(fileName);
    switch (load.outcome) {
    case PictureOutcome::Ok:
        return {};
    case PictureOutcome::Damaged:
        return QStringLiteral("l'immagine è danneggiata o incompleta");
    case PictureOutcome::Refused:
        return QStringLiteral("l'immagine è danneggiata: il file è troppo piccolo per la cartina "
                              "che dichiara");
    case PictureOutcome::Unreadable:
        break;
    }
    if (!file.isFile()) return QStringLiteral("l'immagine non è presente nella cartella");
    if (file.size() == 0) return QStringLiteral("il file dell'immagine è vuoto");
    if (!file.isReadable()) return QStringLiteral("il file dell'immagine non si può leggere");
    if (formatOf(fileName).isEmpty())
        return QStringLiteral("il file non è un'immagine in un formato che il programma legge");
    return QStringLiteral("l'immagine non si può decodificare (danneggiata o troppo grande)");
}

PictureLoad readPicture(const QString& fileName) {
    static const bool limitRaised = (allowLargePictures(), true);
    (void)limitRaised;
    PictureLoad result = checkPicture(fileName);
    if (result.outcome != PictureOutcome::Ok) return result;

    const FileBytes bytes(fileName);
    QImageReader reader(fileName);
    reader.setAutoTransform(false);
    const QByteArray format = formatOf(fileName);
    bool warned = false;
    QImage image;
    if (format == "tiff" || format == "png") {
        image = readRaster(fileName, kLimitBytes, &warned, &result.message);
    } else {
        if (format == "jpeg" && bytes.ok()) image = decodeJpeg(bytes, &warned);
        if (image.isNull()) image = reader.read();
        if (image.isNull()) result.message = reader.errorString();
    }
    if (image.isNull()) {
        result.outcome = PictureOutcome::Unreadable;
        return result;
    }
    const QImage::Format fast =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != fast) image.convertTo(fast);
    result.image = std::move(image);

    if (warned || !endsWhole(bytes, format, fileName)) {
        result.outcome = PictureOutcome::Damaged;
        result.message = damaged(fileName);
    }
    return result;
}

std::optional<QImage> loadPicture(const QString& fileName, QString* error) {
    PictureLoad load = readPicture(fileName);
    if (!load.shown()) {
        if (error) *error = load.message;
        return std::nullopt;
    }
    return std::move(load.image);
}

} // namespace orvena
