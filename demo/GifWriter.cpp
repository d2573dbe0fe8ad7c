#include "GifWriter.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace orvena::demo {

namespace {

int distance2(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b);
    const int dg = qGreen(a) - qGreen(b);
    const int db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

// Packs variable-width codes, least significant bit first, as GIF wants.
class CodePacker {
public:
    void put(int code, int width) {
        buffer_ |= static_cast<std::uint32_t>(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            bytes_.push_back(static_cast<std::uint8_t>(buffer_ & 0xffU));
            buffer_ >>= 8;
            bits_ -= 8;
        }
    }
    std::vector<std::uint8_t> finish() {
        if (bits_ > 0) bytes_.push_back(static_cast<std::uint8_t>(buffer_ & 0xffU));
        buffer_ = 0;
        bits_ = 0;
        return std::move(bytes_);
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint32_t buffer_ = 0;
    int bits_ = 0;
};

// LZW with 8-bit pixels: clear code 256, end code 257, codes of 9 to 12
// bits. The table is a trie indexed by (prefix code, next pixel).
std::vector<std::uint8_t> compress(const std::vector<std::uint8_t>& pixels) {
    constexpr int kClear = 256;
    constexpr int kEnd = 257;
    constexpr int kFirstFree = 258;
    constexpr int kMaxCodes = 4096;
    constexpr int kMaxWidth = 12;

    std::vector<std::uint16_t> next(static_cast<std::size_t>(kMaxCodes) * 256U, 0);
    CodePacker out;
    int width = 9;
    int free = kFirstFree;
    out.put(kClear, width);
    if (pixels.empty()) {
        out.put(kEnd, width);
        return out.finish();
    }
    int current = pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const int pixel = pixels[i];
        std::uint16_t& slot =
            next[static_cast<std::size_t>(current) * 256U + static_cast<std::size_t>(pixel)];
        if (slot != 0) {
            current = slot;
            continue;
        }
        out.put(current, width);
        slot = static_cast<std::uint16_t>(free++);
        // The reader adds its entries one code later, so it widens its codes
        // once the table holds one more entry than the current width covers.
        if (free > (1 << width) && width < kMaxWidth) ++width;
        if (free == kMaxCodes) {
            out.put(kClear, width);
            std::fill(next.begin(), next.end(), 0);
            free = kFirstFree;
            width = 9;
        }
        current = pixel;
    }
    out.put(current, width);
    // After the last code the reader adds one more entry, which may widen it.
    if (free != kFirstFree && free >= (1 << width) && width < kMaxWidth) ++width;
    out.put(kEnd, width);
    return out.finish();
}

void putWord(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xff));
    out.append(static_cast<char>((value >> 8) & 0xff));
}

} // namespace

QImage reduceTo256Colours(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();

    std::unordered_map<QRgb, std::uint32_t> counts;
    counts.reserve(1U << 16);
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            ++counts[line[x] | 0xff000000U];
    }
    std::vector<std::pair<QRgb, std::uint32_t>> colours(counts.begin(), counts.end());
    std::sort(colours.begin(), colours.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });

    // Most frequent first, skipping colours too close to one already taken;
    // then, if room is left, the closer ones too.
    QList<QRgb> palette;
    for (int threshold : {18 * 18, 9 * 9, 0}) {
        for (const auto& [c, n] : colours) {
            if (palette.size() >= 256) break;
            bool far = true;
            for (QRgb p : palette)
                if (distance2(c, p) <= threshold) {
                    far = false;
                    break;
                }
            if (far && !palette.contains(c)) palette.append(c);
        }
    }
    if (palette.isEmpty()) palette.append(qRgb(0, 0, 0));

    std::unordered_map<QRgb, int> nearest;
    nearest.reserve(colours.size());
    for (const auto& [c, n] : colours) {
        int best = 0;
        int bestDistance = distance2(c, palette[0]);
        for (int k = 1; k < palette.size() && bestDistance > 0; ++k) {
            const int d = distance2(c, palette[k]);
            if (d < bestDistance) {
                bestDistance = d;
                best = k;
            }
        }
        nearest.emplace(c, best);
    }

    QImage indexed(w, h, QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < w; ++x)
            out[x] = static_cast<uchar>(nearest.at(line[x] | 0xff000000U));
    }
    return indexed;
}

QString writeGif(const QString& path, const QImage& indexed) {
    if (indexed.format() != QImage::Format_Indexed8)
        return QStringLiteral("%1: the GIF writer needs an 8-bit indexed image").arg(path);
    const int w = indexed.width();
    const int h = indexed.height();
    if (w <= 0 || h <= 0 || w > 0xffff || h > 0xffff)
        return QStringLiteral("%1: a GIF cannot be %2 x %3 pixels").arg(path).arg(w).arg(h);
    const QList<QRgb> table = indexed.colorTable();
    if (table.isEmpty() || table.size() > 256)
        return QStringLiteral("%1: a GIF palette holds 1 to 256 colours").arg(path);

    QByteArray out;
    out.append("GIF89a", 6);
    putWord(out, w);
    putWord(out, h);
    // Global colour table of 256 entries, 8 bits per primary.
    out.append(static_cast<char>(0xf7));
    out.append('\0'); // background colour index
    out.append('\0'); // pixel aspect ratio not given
    for (int k = 0; k < 256; ++k) {
        const QRgb c = k < table.size() ? table[k] : qRgb(0, 0, 0);
        out.append(static_cast<char>(qRed(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qBlue(c)));
    }
    // Image descriptor: whole screen, no local table, not interlaced.
    out.append(',');
    putWord(out, 0);
    putWord(out, 0);
    putWord(out, w);
    putWord(out, h);
    out.append('\0');

    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        std::copy_n(indexed.constScanLine(y), w,
                    pixels.begin() + static_cast<std::ptrdiff_t>(y) * w);
    const std::vector<std::uint8_t> data = compress(pixels);

    out.append(static_cast<char>(8)); // minimum code size
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        out.append(static_cast<char>(n));
        out.append(reinterpret_cast<const char*>(data.data() + at), static_cast<qsizetype>(n));
    }
    out.append('\0'); // end of the image data
    out.append(';');  // trailer

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    if (file.write(out) != out.size() || !file.commit())
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    return {};
}

} // namespace orvena::demo
