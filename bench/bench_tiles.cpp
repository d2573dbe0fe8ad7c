// A large sheet in the tile cache: how long its tiled copy with overviews
// takes to make, how large it is, and how long a view-sized area takes to
// read at full size and at the overviews, beside decoding the sheet whole.
//
//   bench_tiles [width height]   (default 20000 x 15000: a generated
//                                 JPEG-compressed tiled TIFF, 1144 MiB decoded)
#include "core/base/Picture.h"
#include "core/gis/TileCache.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace orvena;

namespace {

bool run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(-1) && p.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int width = argc > 2 ? std::atoi(argv[1]) : 20000;
    const int height = argc > 2 ? std::atoi(argv[2]) : 15000;
    QTemporaryDir dir;
    // A picture with detail, enlarged to the sheet's size.
    QImage seed(1000, 750, QImage::Format_RGB32);
    for (int y = 0; y < seed.height(); ++y)
        for (int x = 0; x < seed.width(); ++x)
            seed.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, ((x ^ y) * 3) & 255));
    const QString png = dir.filePath("seed.png");
    const QString sheet = dir.filePath("grande.tif");
    if (!seed.save(png) ||
        !run("gdal_translate", {"-q", "-outsize", QString::number(width), QString::number(height),
                                "-co", "TILED=YES", "-co", "COMPRESS=JPEG", png, sheet})) {
        std::fprintf(stderr, "the sheet could not be made\n");
        return 1;
    }
    std::printf("sheet %d x %d, %.1f MiB on disk, %.0f MiB decoded\n", width, height,
                QFileInfo(sheet).size() / 1048576.0, width * double(height) * 4 / 1048576.0);

    gis::TileCache cache(dir.filePath("cache"));
    QElapsedTimer t;
    t.start();
    QString error;
    int reports = 0;
    const QString copy = cache.tiledCopy(
        sheet, [&](qint64, qint64) { return ++reports > 0; }, &error);
    if (copy.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("tiled copy with overviews: %.1f s, %.1f MiB, %d progress reports\n",
                t.elapsed() / 1000.0, QFileInfo(copy).size() / 1048576.0, reports);
    t.restart();
    cache.tiledCopy(sheet, {}, &error);
    std::printf("found again: %.1f ms\n", t.nsecsElapsed() / 1e6);
    for (const double scale : {1.0, 0.5, 0.25, 1.0 / 16}) {
        const QRect area(width / 3, height / 3, int(1600 / scale), int(1000 / scale));
        t.restart();
        const QImage tiles = gis::readTiles(copy, area, scale);
        std::printf("a 1600 x 1000 view at scale %.4g: %.1f ms (%dx%d)\n", scale,
                    t.nsecsElapsed() / 1e6, tiles.width(), tiles.height());
    }
    t.restart();
    const PictureLoad whole = readPicture(sheet);
    std::printf("the sheet decoded whole: %.1f s (%s)\n", t.elapsed() / 1000.0,
                whole.shown() ? "shown" : "over the allocation limit");
    return 0;
}
