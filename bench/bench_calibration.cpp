// The calibration window with 30 points over a map view: what it costs to
// move a point (the table's position changed, the model fitted again, the
// residuals shown and the layer drawn over the view, synchronously); and
// which of 10,000 sheets hold a point.
//
//   QT_QPA_PLATFORM=offscreen bench_calibration
//
// Prints milliseconds per move and microseconds per look-up, each the mean of
// many, wall clock.
#include "core/geo/SheetOutlines.h"
#include "ui/map/MapView.h"
#include "ui/windows/CalibrationWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QRandomGenerator>
#include <QTableWidget>

#include <cstdio>

using namespace orvena;

namespace {

void moves() {
    QImage sheet(1400, 1000, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    MapView view;
    view.setPicture(sheet);
    view.resize(1000, 700);
    view.show();
    // 30 points of a scan 2.1 m a pixel in UTM 33 / ED50, slightly bent.
    SheetPoints points{FitModel::Affine, 23033, {}, {}};
    for (int i = 0; i < 30; ++i) {
        const double x = 200.0 * (i % 6) + 17 * i, y = 150.0 * (i / 6) + 11 * i;
        points.points.push_back({x, y, true, 4650000 - 2.1 * y + 1e-5 * x * y, 400000 + 2.1 * x});
    }
    CalibrationWindow window(QString(), QStringLiteral("banco"), Datum::Ed50, sheet.size(), points);
    view.addLayer(&window.layer());
    QObject::connect(&window, &CalibrationWindow::layerChanged, &view, [&] { view.repaint(); });
    constexpr int kMoves = 200;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kMoves; ++i)
        window.table->item(i % 30, 0)->setText(QString::number(points.points[i % 30].x + i % 3));
    std::printf("a point moved among 30 (refit, table, layer drawn): %.3f ms (%s)\n",
                timer.nsecsElapsed() / 1e6 / kMoves, qPrintable(window.fitLabel->text()));
}

void lookups() {
    // 100 x 100 sheets of 0.1 degrees from 6 E, 36 N, each a little turned.
    SheetOutlines outlines;
    for (int r = 0; r < 100; ++r)
        for (int c = 0; c < 100; ++c) {
            const double w = 6 + 0.1 * c, s = 36 + 0.1 * r;
            outlines.add(QStringLiteral("%1_%2").arg(r).arg(c),
                         QPolygonF({{w, s + 0.002},
                                    {w + 0.1, s},
                                    {w + 0.1 + 0.002, s + 0.1},
                                    {w + 0.002, s + 0.1 + 0.002}}));
        }
    constexpr int kLookups = 100000;
    QRandomGenerator random(7);
    std::vector<LonLat> at(kLookups);
    for (LonLat& p : at)
        p = {6 + 10 * random.generateDouble(), 36 + 10 * random.generateDouble()};
    std::size_t found = 0;
    QElapsedTimer timer;
    timer.start();
    for (const LonLat& p : at)
        found += std::size_t(outlines.holding(p).size());
    std::printf("which of %zu sheets hold a point: %.2f us (%zu found)\n", outlines.size(),
                timer.nsecsElapsed() / 1e3 / kLookups, found);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    moves();
    lookups();
    return 0;
}
