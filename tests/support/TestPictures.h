#pragma once

#include <QBuffer>
#include <QImage>

namespace orvena::test {

// A small JPEG whose header claims width x height pixels, padded with zeros
// to size bytes.
inline QByteArray jpegClaiming(int width, int height, qsizetype size = 0) {
    QImage small(64, 64, QImage::Format_RGB32);
    small.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    small.save(&buffer, "JPEG");
    const qsizetype sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    bytes[sof + 5] = char(height >> 8);
    bytes[sof + 6] = char(height & 0xFF);
    bytes[sof + 7] = char(width >> 8);
    bytes[sof + 8] = char(width & 0xFF);
    return bytes + QByteArray(std::max<qsizetype>(0, size - bytes.size()), '\0');
}

} // namespace orvena::test
