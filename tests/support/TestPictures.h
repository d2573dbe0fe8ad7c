#pragma once

#include <QBuffer>
#include <QImage>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

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

// Mean difference per colour channel between area of b (all of it when
// empty) and the same area of a shifted by up to shift pixels either way,
// the best shift's.
inline double meanDifference(const QImage& a, const QImage& b, QRect area = {}, int shift = 0) {
    if (area.isEmpty()) area = b.rect();
    double best = 255;
    for (int dy = -shift; dy <= shift; ++dy)
        for (int dx = -shift; dx <= shift; ++dx) {
            double sum = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    const QRgb p = a.pixel(x + dx, y + dy), q = b.pixel(x, y);
                    sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                           std::abs(qBlue(p) - qBlue(q));
                }
            best = std::min(best, sum / (3.0 * area.width() * area.height()));
        }
    return best;
}

} // namespace orvena::test
