// Datums: what the read-out's second line costs a mouse move, and a sheet
// written as MBTiles, how long it takes and how much memory the process holds
// meanwhile.
//
//   bench_datum [side]   (default 10000: a generated side x side JPEG sheet)
//
// Prints, in one run: the time to make a sheet's PROJ operation (once per
// sheet shown) and the time of one second line (once per mouse move); the
// demo atlas' south-east sheet (a JPEG of about two million pixels, in ED50)
// decoded and written as tiles; then the large sheet the same way, with the
// peak resident memory of the process beside the size of the decoded sheet.
// Times are wall clock and, steadier on a shared machine, the processor time
// of the process. Peaks are read from the system (Linux: VmHWM, reset through
// clear_refs), elsewhere they read "n/a".
#include "DemoAtlas.h"
#include "ProcessMemory.h"
#include "Sheets.h"
#include "TempFolder.h"
#include "core/base/Picture.h"
#include "core/geo/Datum.h"
#include "core/geo/SheetPosition.h"
#include "core/gis/GisFormats.h"
#include "core/gis/MbTiles.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>

#include <cstdio>
#include <ctime>

using namespace orvena;

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

// Decodes the sheet and writes its tiles; prints the time, the zooms, the
// file's size and the peak memory against the decoded sheet.
bool run(const char* what, const QString& image, const gis::WorldFile& world, Datum datum,
         const QString& out) {
    const QSize size = QImageReader(image).size();
    const double decoded = double(size.width()) * size.height() * 4;
    bench::resetPeak();
    const long before = bench::statusKb("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpu = std::clock();
    auto picture = loadPicture(image);
    if (!picture) return false;
    const qint64 decodedAt = timer.elapsed();
    const std::clock_t decodedCpu = std::clock();
    const auto result = gis::writeMbTiles(std::move(*picture), world, datum,
                                          QFileInfo(image).fileName(), true, out);
    const qint64 total = timer.elapsed();
    const auto ms = [](std::clock_t ticks) { return double(ticks) * 1000.0 / CLOCKS_PER_SEC; };
    const double tilesCpu = ms(std::clock() - decodedCpu);
    if (!result.ok()) {
        std::fprintf(stderr, "%s: %s\n", what, qPrintable(result.error));
        return false;
    }
    const long peak = bench::statusKb("VmHWM:");
    std::printf("%s: %d x %d pixels (%.0f MiB decoded), zooms %d-%d, %.1f MiB of tiles\n", what,
                size.width(), size.height(), decoded / kMiB, result.zooms.min, result.zooms.max,
                double(QFileInfo(out).size()) / kMiB);
    std::printf("  decode %lld ms (cpu %.0f ms), tiles %lld ms (cpu %.0f ms), in all %lld ms\n",
                decodedAt, ms(decodedCpu - cpu), total - decodedAt, tilesCpu, total);
    if (peak < 0 || before < 0)
        std::printf("  peak memory n/a\n");
    else
        std::printf("  peak memory %.0f MiB (%.0f MiB above the start), %.2f x the decoded sheet\n",
                    peak / 1024.0, (peak - before) / 1024.0, (peak - before) * 1024.0 / decoded);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // the demo sheets are drawn with fonts
    const int side = app.arguments().value(1, QStringLiteral("10000")).toInt();
    if (side < 100) {
        std::fprintf(stderr, "usage: bench_datum [side]\n");
        return 2;
    }
    {
        const GeoBox sheet{9.6, 45.1, 10.0, 45.4};
        QElapsedTimer timer;
        timer.start();
        SheetPosition position(Datum::Ed50, sheet);
        const double made = timer.nsecsElapsed() / 1e6;
        constexpr int kMoves = 100000;
        qint64 length = 0;
        timer.restart();
        for (int i = 0; i < kMoves; ++i)
            length += position.secondLine((45.1 + 0.3 * i / kMoves) * 3600, 9.8 * 3600).size();
        std::printf("read-out: the sheet's operation made in %.1f ms, a second line in %.2f us "
                    "(%d moves, %lld characters)\n",
                    made, timer.nsecsElapsed() / 1e3 / kMoves, kMoves, length);
    }
    test::TempFolder folder;
    if (const QString error = demo::writeDemoAtlas(folder.path()); !error.isEmpty()) {
        std::fprintf(stderr, "cannot write the demo atlas: %s\n", qPrintable(error));
        return 1;
    }

    const demo::SheetLayout& se = demo::sheetLayouts().back();
    const demo::SheetCalibration& c = se.calibration;
    const auto world = gis::worldFileFor(
        {c.cola, c.colo, double(c.pxlao), double(c.seclao), double(c.pxloo), double(c.secloo)});
    if (!world || !run("demo sheet", folder.file(se.name), *world, Datum::Ed50,
                       folder.file(QStringLiteral("se.mbtiles"))))
        return 1;

    // The large sheet covers the same ground at side / width times the detail.
    const QString large = folder.file(QStringLiteral("grande.jpg"));
    if (!demo::writeLargeSheet(large, side, side).isEmpty()) return 1;
    gis::WorldFile big = *world;
    big[0] *= double(se.width) / side;
    big[3] *= double(se.height) / side;
    return run("large sheet", large, big, Datum::Ed50,
               folder.file(QStringLiteral("grande.mbtiles")))
               ? 0
               : 1;
}
