#pragma once

#include <QBuffer>
#include <QImage>
#include <QtEndian>

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
    qToBigEndian<quint16>(height, bytes.data() + sof + 5);
    qToBigEndian<quint16>(width, bytes.data() + sof + 7);
    return bytes + QByteArray(std::max<qsizetype>(0, size - bytes.size()), '\0');
}

} // namespace orvena::test
