// The .map import from the command line: 1,000 .map files, written by the
// program's own writer from four small scans in several grids and models,
// each naming an image of its own in the folder of the .map files, brought
// into a fresh working folder by one run of `orvena --importa-calibrazione`.
//
//   bench_mapimport [files]
//
// Prints the wall time of the run and its time per file; the goal is under a
// minute for 1,000 files.
#include "core/archive/Archives.h"
#include "core/geo/SheetModel.h"
#include "core/gis/OziMap.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace orvena;

namespace {

// A scan of width x height in the given grid: its four corners, turned a
// little, n metres a pixel from the origin (easting, northing).
SheetPoints corners(int grid, int width, int height, double east, double north, double metres,
                    FitModel model) {
    SheetPoints p{model, grid, {}, {}};
    const double turn = 0.004;
    for (const QPointF c : {QPointF(0, 0), QPointF(width, 0), QPointF(width, height),
                            QPointF(0, height), QPointF(width / 2.0, height / 3.0),
                            QPointF(width / 3.0, height / 2.0)})
        p.points.push_back({c.x(), c.y(), true,
                            north - metres * c.y() + turn * metres * c.x(),
                            east + metres * c.x() + turn * metres * c.y()});
    if (model == FitModel::Affine) p.points.resize(4);
    return p;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 1000;
    QTemporaryDir dir;
    const QDir root(dir.path());
    root.mkpath("lavoro");
    root.mkpath("scansioni");
    const QDir working(root.filePath("lavoro")), scans(root.filePath("scansioni"));
    {
        Archives archives;
        if (const QString error = archives.openAll(working.path()); !error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        archives.closeAll();
    }

    struct Scan {
        int width, height, grid;
        FitModel model;
        Datum datum;
        double east, north, metres;
        QByteArray jpeg;
    };
    std::vector<Scan> kinds = {
        {800, 600, 23033, FitModel::Affine, Datum::Ed50, 400000, 4650000, 20, {}},
        {640, 480, 32632, FitModel::Affine, Datum::Wgs84, 500000, 5000000, 10, {}},
        {700, 500, 3003, FitModel::Projective, Datum::Roma40, 1500000, 5000000, 15, {}},
        {600, 600, 32633, FitModel::Polynomial2, Datum::Wgs84, 350000, 4500000, 25, {}},
    };
    for (Scan& s : kinds) {
        QImage image(s.width, s.height, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter(&image).drawEllipse(10, 10, s.width - 20, s.height - 20);
        const QString path = scans.filePath("modello.jpg");
        image.save(path, "JPEG");
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        s.jpeg = f.readAll();
    }
    QStringList args{"--importa-calibrazione"};
    for (int i = 0; i < files; ++i) {
        const Scan& s = kinds[std::size_t(i) % kinds.size()];
        const QString image = QStringLiteral("foglio%1.jpg").arg(i, 4, 10, QChar(u'0'));
        const SheetModel model = SheetModel::fit(
            corners(s.grid, s.width, s.height, s.east + 1000.0 * i, s.north, s.metres, s.model),
            s.datum);
        const QByteArray text = gis::oziMapText(image, model, {s.width, s.height}, {});
        QFile jpeg(scans.filePath(image)), map(scans.filePath(image.chopped(4) + ".map"));
        if (text.isEmpty() || !jpeg.open(QIODevice::WriteOnly) || !map.open(QIODevice::WriteOnly) ||
            jpeg.write(s.jpeg) != s.jpeg.size() || map.write(text) != text.size()) {
            std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(image),
                         qPrintable(model.error()));
            return 1;
        }
        args << map.fileName();
    }

    QProcess run;
    run.setWorkingDirectory(working.path());
    run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    run.start(QStringLiteral(ORVENA_PROGRAM), args);
    run.waitForFinished(-1);
    const double seconds = clock.nsecsElapsed() / 1e9;
    const QList<QByteArray> lines = run.readAllStandardOutput().trimmed().split('\n');
    std::printf("%s\n", lines.isEmpty() ? "" : lines.last().constData());
    std::printf("%d .map files imported in %.2f s (%.1f ms a file; goal: under 60 s)\n", files,
                seconds, seconds * 1000 / files);
    return run.exitCode();
}
