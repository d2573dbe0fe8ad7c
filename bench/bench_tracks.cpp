// Tracks over the sheets: a 100,000-point track opened (read through OGR,
// its figures, listed and placed on the sheet shown) and the map repainted
// with it at several zooms, beside the same repaint without it; and the
// sheets holding a point among 10,000 outlines.
//
//   bench_tracks [points]   (default 100000)
#include "DemoAtlas.h"
#include "Sheets.h"
#include "Workspace.h"
#include "core/geo/SheetOutlines.h"
#include "core/gis/TrackFile.h"
#include "ui/mainwindow/TrackMenus.h"
#include "ui/map/MapView.h"
#include "ui/map/TrackLayer.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QTimeZone>
#include <QElapsedTimer>
#include <QFile>
#include <QPolygonF>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

using namespace orvena;
using orvena::test::Workspace;

namespace {

// A wandering walk over the north-east demo sheet, a point a second.
QString writeTrack(const QString& path, int points) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    QRandomGenerator random(7);
    double lat = 45.42, lon = 9.83, heading = 0.0, ele = 400.0;
    f.write("<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"bench\" "
            "xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><name>Lunga</name><trkseg>\n");
    const qint64 start = 1714550400;
    for (int i = 0; i < points; ++i) {
        heading += (random.generateDouble() - 0.5) * 0.3;
        lat = std::clamp(lat + std::cos(heading) * 1.5e-5, 45.34, 45.49);
        lon = std::clamp(lon + std::sin(heading) * 2.1e-5, 9.68, 9.98);
        ele += (random.generateDouble() - 0.5) * 2.0;
        f.write(QStringLiteral("<trkpt lat=\"%1\" lon=\"%2\"><ele>%3</ele><time>%4</time></trkpt>\n")
                    .arg(lat, 0, 'f', 7)
                    .arg(lon, 0, 'f', 7)
                    .arg(ele, 0, 'f', 1)
                    .arg(QDateTime::fromSecsSinceEpoch(start + i, QTimeZone::utc())
                             .toString(Qt::ISODate))
                    .toUtf8());
    }
    f.write("</trkseg></trk></gpx>\n");
    return path;
}

double millisecondsOf(const std::function<void()>& work, int times = 1) {
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < times; ++i)
        work();
    return double(t.nsecsElapsed()) / 1e6 / times;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int points = argc > 1 ? std::atoi(argv[1]) : 100000;
    Workspace ws;
    const QString path = writeTrack(ws.file(QStringLiteral("lunga.gpx")), points);
    std::printf("track: %d points, %.1f MB of GPX\n", points, QFile(path).size() / 1e6);

    TrackFile file;
    std::printf("read through OGR:            %8.1f ms\n",
                millisecondsOf([&] { file = readTrackFile(path); }));
    std::printf("its figures:                 %8.1f ms\n",
                millisecondsOf([&] { trackFigures(file.tracks.at(0).points); }));

    MainWindow& w = ws.start();
    Workspace::choose(w.f1area, demo::sheetLayouts()[1].name);
    w.resize(1280, 900);
    QCoreApplication::processEvents();
    auto* tracks = w.findChild<TrackMenus*>();
    std::printf("opened on the window:        %8.1f ms (read, figures, list, first paint)\n",
                millisecondsOf([&] {
                    tracks->openFiles({path});
                    w.repaint();
                }));

    std::printf("repaint of the window        with track   without   (mean of 20)\n");
    const auto repaint = [&] { w.repaint(); };
    for (const double zoom : {100.0, 60.0, 30.0, 200.0, 400.0, 800.0}) {
        while (w.Image1->zoom() > zoom) w.cmdrid_Click();
        while (w.Image1->zoom() < zoom) w.cmding_Click();
        // The track's start at the reference point.
        tracks->showTrackStart(0, 0);
        const double with = millisecondsOf(repaint, 20);
        tracks->tracks().setVisible(0, 0, false);
        const double without = millisecondsOf(repaint, 20);
        tracks->tracks().setVisible(0, 0, true);
        std::printf("  zoom %4.0f                  %8.2f ms  %8.2f ms\n", w.Image1->zoom(), with,
                    without);
    }

    // 10,000 outlines of 0.1° sheets on a 100 x 100 grid, slightly tilted.
    SheetOutlines outlines;
    for (int r = 0; r < 100; ++r)
        for (int c = 0; c < 100; ++c) {
            const double w0 = 6.0 + c * 0.1, s0 = 36.0 + r * 0.1;
            outlines.add(QStringLiteral("F%1_%2").arg(r).arg(c),
                         QPolygonF({{w0, s0}, {w0 + 0.001, s0 + 0.11}, {w0 + 0.111, s0 + 0.109},
                                    {w0 + 0.11, s0 - 0.001}}));
        }
    QRandomGenerator random(3);
    std::vector<LonLat> at;
    for (int i = 0; i < 10000; ++i)
        at.push_back({6.0 + random.generateDouble() * 10, 36.0 + random.generateDouble() * 10});
    std::size_t found = 0;
    const double each = millisecondsOf([&] {
        for (const LonLat& p : at)
            found += std::size_t(outlines.holding(p).size());
    }) / double(at.size());
    std::printf("sheets holding a point among %zu: %.1f µs a point (%zu found)\n",
                outlines.size(), each * 1000.0, found);
    return 0;
}
