#include "core/base/SaveBitmap.h"

#include "core/base/SafeSave.h"

#include <QImageWriter>
#include <QLocale>
#include <QtEndian>

#include <algorithm>

namespace orvena {

namespace {

constexpr int kLargestSide = 32767;
constexpr qint64 kLargestData = (qint64(1) << 32) - 1;
constexpr int kHeaderBytes = 14 + 40;
// The rows written at a time by saveBitmapInBands.
constexpr int kBandRows = 256;

const QString kTooLarge =
    QStringLiteral("L'immagine di %1 x %2 pixel è troppo grande per un file bitmap (al massimo "
                   "32.767 pixel per lato e 4 GB di dati): non è stata salvata.");

qint64 rowBytes(int width) {
    return (qint64(width) * 3 + 3) / 4 * 4;
}

template <class T> void put(QByteArray& header, int at, T value) {
    qToLittleEndian(value, header.data() + at);
}

} // namespace

bool saveBitmap(const QImage& picture, const QString& fileName, QString* error) {
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (picture.isNull()) return fail(QStringLiteral("nessuna immagine"));
    if (const QString why = bitmapTooLarge(picture.size()); !why.isEmpty()) return fail(why);
    SafeSave file(fileName);
    if (!file.create()) return fail(file.error());
    QImageWriter writer(&file, "bmp");
    if (!file.commit(writer.write(picture))) return fail(file.error());
    return true;
}

QString bitmapTooLarge(QSize size) {
    const bool fits = size.width() <= kLargestSide && size.height() <= kLargestSide &&
                      rowBytes(size.width()) * size.height() + kHeaderBytes <= kLargestData;
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    return fits ? QString() : kTooLarge.arg(italian.toString(size.width()),
                                            italian.toString(size.height()));
}

bool saveBitmapInBands(QSize size, const std::function<QImage(const QRect&)>& bandOf,
                       const QString& fileName, QString* error) {
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (size.isEmpty()) return fail(QStringLiteral("nessuna immagine"));
    if (const QString why = bitmapTooLarge(size); !why.isEmpty()) return fail(why);
    const qint64 stride = rowBytes(size.width());
    const qint64 data = stride * size.height();
    QByteArray header(kHeaderBytes, '\0');
    header[0] = 'B';
    header[1] = 'M';
    put<quint32>(header, 2, quint32(data + kHeaderBytes));
    put<quint32>(header, 10, quint32(kHeaderBytes));
    put<quint32>(header, 14, 40);
    put<qint32>(header, 18, size.width());
    put<qint32>(header, 22, size.height()); // positive: the bottom row first
    put<quint16>(header, 26, 1);
    put<quint16>(header, 28, 24);
    put<quint32>(header, 34, quint32(data));
    put<qint32>(header, 38, 3780); // 96 dots an inch, as Qt writes
    put<qint32>(header, 42, 3780);

    SafeSave file(fileName);
    if (!file.create()) return fail(file.error());
    bool ok = file.write(header) == header.size();
    QByteArray row(stride, '\0');
    for (int bottom = size.height(); ok && bottom > 0; bottom -= kBandRows) {
        const int top = std::max(0, bottom - kBandRows);
        QImage band = bandOf(QRect(0, top, size.width(), bottom - top));
        if (band.size() != QSize(size.width(), bottom - top)) {
            ok = false;
            break;
        }
        band.convertTo(QImage::Format_RGB32);
        for (int y = band.height() - 1; ok && y >= 0; --y) {
            const auto* pixels = reinterpret_cast<const QRgb*>(band.constScanLine(y));
            auto* out = reinterpret_cast<uchar*>(row.data());
            for (int x = 0; x < size.width(); ++x) {
                out[3 * x] = uchar(qBlue(pixels[x]));
                out[3 * x + 1] = uchar(qGreen(pixels[x]));
                out[3 * x + 2] = uchar(qRed(pixels[x]));
            }
            ok = file.write(row) == row.size();
        }
    }
    if (!file.commit(ok)) return fail(file.error());
    return true;
}

} // namespace orvena
