// A sheet far too large to decode, shown from its tiles on the real main
// window: the first opening (the tiled copy made) beside gdal_translate and
// gdaladdo making the same kind of copy, the copy's size beside the JPEG's,
// reopening to the first screen, pan steps and wheel notches at several
// zooms to the repainted map, and the memory held while viewing; then a
// 100-megapixel sheet opened again from its tiles beside today's decoding of
// it whole.
//
//   bench_bigsheet [side [side100]]   (default 32000 and 10000)
//
// Run from a Release build; the cache goes into a temporary folder.
#include "DemoAtlas.h"
#include "ProcessMemory.h"
#include "Records.h"
#include "StreamedJpeg.h"
#include "Workspace.h"

#include "core/base/Picture.h"
#include "core/gis/TiledSheet.h"
#include "ui/map/MapView.h"

#include <QApplication>
#include <QComboBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace orvena;
using orvena::test::Workspace;

namespace {

// A demo sheet chosen between two openings of the large one.
const QString kSmall = QStringLiteral("valfonda_ne.bmp");

double mib(long kb) {
    return kb / 1024.0;
}

bool run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(-1) && p.exitCode() == 0;
}

double median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

double msSince(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

// Median and worst of n runs of step, each followed by the window's repaint.
void measure(const char* what, int n, MainWindow& w, const std::function<void(int)>& step) {
    std::vector<double> ms;
    QElapsedTimer t;
    for (int i = 0; i < n; ++i) {
        t.start();
        step(i);
        w.repaint();
        ms.push_back(msSince(t));
    }
    std::printf("  %-46s median %7.2f ms   worst %7.2f ms\n", what, median(ms),
                *std::max_element(ms.begin(), ms.end()));
}

void wheel(MapImage* map, int notches) {
    const QPointF at(map->width() / 2.0, map->height() / 2.0);
    QWheelEvent e(at, map->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(map, &e);
}

qint64 cacheBytes(const QString& folder) {
    qint64 total = 0;
    QDirIterator it(folder, {QStringLiteral("*.tif")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        total += QFileInfo(it.next()).size();
    return total;
}

void addSheet(Workspace& ws, const QString& name, int place) {
    test::addRecord(ws.archives.Data1, {{"AREA", name}, {"COLA", 12.0}, {"COLO", 10.0}},
                    {{"PXLAO", 450}, {"SECLAO", 163800}, {"PXLOO", 300}, {"SECLOO", 33000}});
    test::addRecord(ws.archives.Data2, {{"AREA", name}, {"LOCALITA", "PUNTO"}},
                    {{"PX", place * 15.0}, {"PY", place * 15.0}});
    ws.window().Form_Load();
}

// Chooses name and its place: the marked first screen, repainted.
double openMarked(Workspace& ws, const QString& name) {
    MainWindow& w = ws.window();
    QElapsedTimer t;
    t.start();
    Workspace::choose(w.f1area, name);
    Workspace::choose(w.cmbloc, QStringLiteral("PUNTO"));
    w.repaint();
    return msSince(t);
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("XDG_CACHE_HOME", home.filePath("cache").toLocal8Bit());
    QApplication app(argc, argv);
    const int side = argc > 1 ? std::atoi(argv[1]) : 32000;
    const int side100 = argc > 2 ? std::atoi(argv[2]) : 10000;
    const QString cache = home.filePath("cache");

    Workspace ws;
    MainWindow& w = ws.start();
    w.resize(1280, 900);
    QCoreApplication::processEvents();
    const QString big = QStringLiteral("enorme.jpg");
    if (!test::writeStreamedJpeg(ws.file(big), side, side)) {
        std::fprintf(stderr, "the sheet could not be made\n");
        return 1;
    }
    const double jpegMiB = QFileInfo(ws.file(big)).size() / 1048576.0;
    std::printf("sheet %d x %d JPEG, %.1f MiB on disk, %.0f MiB decoded\n", side, side, jpegMiB,
                double(side) * side * 4 / 1048576.0);

    // gdal_translate and gdaladdo making a tiled JPEG copy with overviews.
    QElapsedTimer t;
    t.start();
    const QString reference = home.filePath("riferimento.tif");
    QStringList levels;
    for (int f = 2; side / (f / 2) > 256; f *= 2)
        levels << QString::number(f);
    const bool referenced =
        run("gdal_translate", {"-q", "-co", "TILED=YES", "-co", "COMPRESS=JPEG", "-co",
                               "BIGTIFF=IF_SAFER", ws.file(big), reference}) &&
        run("gdaladdo", QStringList{"-q", reference} + levels);
    const double gdalMs = msSince(t);
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("gdal_translate + gdaladdo: %.1f s, peak %.0f MiB, %.1f MiB%s\n", gdalMs / 1000,
                children.ru_maxrss / 1024.0, QFileInfo(reference).size() / 1048576.0,
                referenced ? "" : " (FAILED)");
    QFile::remove(reference);

    addSheet(ws, big, side * 3 / 4);
    bench::resetPeak();
    const long before = bench::statusKb("VmRSS:");
    const double firstMs = openMarked(ws, big);
    const long firstPeak = bench::statusKb("VmHWM:");
    const double copyMiB = cacheBytes(cache) / 1048576.0;
    std::printf("first opening, copy made, to the marked screen: %.1f s (%.2fx gdal), peak %.0f "
                "MiB (%.0f MiB over the window before)\n",
                firstMs / 1000, firstMs / gdalMs, mib(firstPeak), mib(firstPeak - before));
    std::printf("tiled copy: %.1f MiB, %.2fx the JPEG\n", copyMiB, copyMiB / jpegMiB);
    if (!w.Image1->composition().tiles()) std::printf("  (NOT drawn from tiles)\n");

    std::vector<double> reopen;
    for (int i = 0; i < 5; ++i) {
        Workspace::choose(w.f1area, kSmall);
        reopen.push_back(openMarked(ws, big));
    }
    std::printf("reopening to the marked first screen: median %.1f ms\n", median(reopen));

    bench::resetPeak();
    for (int zoomOut : {0, 5, 9}) {
        openMarked(ws, big);
        for (int i = 0; i < zoomOut; ++i)
            w.cmdrid_Click();
        std::printf(" at zoom %s:\n", qPrintable(w.f1ing->text()));
        measure("arrow click (240 twips) to the repainted map", 100, w,
                [&w](int i) { i % 40 < 20 ? w.imgde_Click(false) : w.imgsu_Click(false); });
        measure("arrow double click (1200 twips)", 40, w,
                [&w](int i) { i % 10 < 5 ? w.imgde_Click(true) : w.imgsu_Click(true); });
        measure("wheel notch (in, then out)", 40, w,
                [&w](int i) { wheel(w.Image1, i % 2 == 0 ? 1 : -1); });
    }
    std::printf("memory while viewing: %.0f MiB held, peak %.0f MiB (the window before the "
                "sheet: %.0f MiB)\n",
                mib(bench::statusKb("VmRSS:")), mib(bench::statusKb("VmHWM:")), mib(before));

    // 100 megapixels: opened again from its tiles beside decoding it whole.
    const QString hundred = QStringLiteral("cento.jpg");
    if (!test::writeStreamedJpeg(ws.file(hundred), side100, side100)) return 1;
    addSheet(ws, hundred, side100 / 2);
    Workspace::choose(w.f1area, kSmall);
    openMarked(ws, hundred); // the copy made
    std::vector<double> tiles, whole;
    long tilesPeak = 0, wholePeak = 0;
    for (int i = 0; i < 3; ++i) {
        Workspace::choose(w.f1area, kSmall);
        bench::resetPeak();
        tiles.push_back(openMarked(ws, hundred));
        tilesPeak = std::max(tilesPeak, bench::statusKb("VmHWM:"));
        // Today's path: the sheet decoded whole into the map, then marked.
        Workspace::choose(w.f1area, kSmall);
        bench::resetPeak();
        t.start();
        const QImage decoded = readPicture(ws.file(hundred)).image;
        w.Image1->setPicture(decoded, ws.file(hundred));
        w.Image1->markPlace(QStringLiteral("PUNTO"), side100 / 2 * 15.0, side100 / 2 * 15.0,
                            Qt::red);
        w.repaint();
        whole.push_back(msSince(t));
        wholePeak = std::max(wholePeak, bench::statusKb("VmHWM:"));
    }
    std::printf("%d x %d (%.0f MP), second opening to the marked screen: from tiles %.0f ms "
                "(peak %.0f MiB), decoded whole %.0f ms (peak %.0f MiB), ratio %.2f\n",
                side100, side100, side100 * double(side100) / 1e6, median(tiles), mib(tilesPeak),
                median(whole), mib(wholePeak), median(tiles) / median(whole));
    return 0;
}
