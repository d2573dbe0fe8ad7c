#pragma once

// Very large JPEG sheets for tests and benchmarks, written a row at a time
// through libjpeg: never whole in memory, and much faster than enlarging a
// small picture with GDAL.

#include <QFile>
#include <QString>

#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace orvena::test {

// A width x height JPEG (quality 75, baseline): a paper tint varying across the
// sheet, a dark grid every 50 pixels and a heavier one every 500, so that
// every part differs from its neighbours. Whether it was written.
inline bool writeStreamedJpeg(const QString& path, int width, int height) {
    FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out) return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 75, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(std::size_t(width) * 3);
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        for (int x = 0; x < width; ++x) {
            JSAMPLE* p = row.data() + std::size_t(x) * 3;
            const bool heavy = x % 500 < 3 || y % 500 < 3;
            const bool grid = x % 50 == 0 || y % 50 == 0;
            p[0] = JSAMPLE(heavy ? 30 : grid ? 120 : 200 + (x / 7 + y / 11) % 50);
            p[1] = JSAMPLE(heavy ? 30 : grid ? 80 : 160 + (y / 5) % 80);
            p[2] = JSAMPLE(heavy ? 30 : grid ? 60 : 90 + ((x ^ y) >> 4) % 60);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(out) == 0;
}

} // namespace orvena::test
