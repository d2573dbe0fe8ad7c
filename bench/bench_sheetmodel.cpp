// A sheet calibrated from its points: what the read-out costs a pointer move
// with each model (a fit grid, so one PROJ call besides the model), and what a
// refit of 30 points costs (done after each point the user adds or moves).
//
//   bench_sheetmodel
//
// Prints microseconds per read-out and milliseconds per refit, each the mean
// of many, wall clock.
#include "core/geo/SheetModel.h"
#include "core/geo/SheetPosition.h"

#include <QElapsedTimer>

#include <cmath>
#include <cstdio>

using namespace orvena;

int main() {
    // 30 points of a scan 2.1 m a pixel in UTM 33 / ED50, slightly bent.
    SheetPoints points{FitModel::Affine, 23033, {}, {}};
    for (int i = 0; i < 30; ++i) {
        const double x = 200.0 * (i % 6) + 17 * i, y = 300.0 * (i / 6) + 11 * i;
        points.points.push_back({x, y, true, 4650000 - 2.1 * y + 1e-5 * x * y, 400000 + 2.1 * x});
    }
    const FitModel models[] = {FitModel::PerAxis,     FitModel::Helmert,
                               FitModel::Affine,      FitModel::Projective,
                               FitModel::Polynomial2, FitModel::ThinPlateSpline};
    for (const FitModel model : models) {
        points.model = model;
        QElapsedTimer timer;
        timer.start();
        constexpr int kFits = 50;
        SheetModel m;
        for (int i = 0; i < kFits; ++i)
            m = SheetModel::fit(points, Datum::Ed50);
        const double fitMs = timer.nsecsElapsed() / 1e6 / kFits;
        if (!m.isValid()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(fitModelName(model)),
                         qPrintable(m.error()));
            return 1;
        }
        const SheetPosition position(m, 1200, 1500);
        constexpr int kMoves = 200000;
        double sink = 0;
        timer.restart();
        for (int i = 0; i < kMoves; ++i) {
            const auto r = position.readoutAt(i % 1200, (i / 1200) % 1500);
            if (r) sink += r->latSeconds;
        }
        const double moveUs = timer.nsecsElapsed() / 1e3 / kMoves;
        std::printf("%-24s refit of 30 points %.3f ms, read-out %.2f us a move (%g)\n",
                    qPrintable(fitModelName(model)), fitMs, moveUs, std::fmod(sink, 1.0));
    }
    return 0;
}
