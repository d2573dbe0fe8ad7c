// The model of a sheet calibrated from its points: residuals against figures
// worked out by hand, each model giving back a mapping it can represent, the
// per-axis fit of two points as the set-up's calibration, and refusals.
#include "core/geo/SheetModel.h"
#include "core/geo/Calibration.h"
#include "core/geo/SheetJoin.h"
#include "core/geo/PointTexts.h"
#include "support/TestMain.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace orvena;

namespace {

using Mapping = std::function<QPointF(double x, double y)>;

// Points at the given pixels placed by a mapping into UTM 33 / ED50.
SheetPoints pointsOf(FitModel model, const QList<QPointF>& pixels, const Mapping& to) {
    SheetPoints s{model, 23033, {}, {}};
    for (const QPointF& p : pixels) {
        const QPointF g = to(p.x(), p.y());
        s.points.push_back({p.x(), p.y(), true, g.y(), g.x()});
    }
    return s;
}

QList<QPointF> lattice(int columns, int rows, double step) {
    QList<QPointF> out;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            out << QPointF(c * step, r * step);
    return out;
}

// A point moved e metres east, its residual, the RMS and the fitted scale
// across, and the points flagged.
struct ResidualRow {
    const char* tag;
    QList<QPointF> pixels;
    int moved;
    double e, residual, rms, scale; // metres; scale in metres a pixel
    QList<bool> flagged;
};

// 2 m a pixel, north up.
QPointF square(double x, double y) {
    return {400000.0 + 2.0 * x, 4650000.0 - 2.0 * y};
}

} // namespace

class SheetModelTest : public QObject {
    Q_OBJECT
private slots:
    // One point moved e metres east of a mapping the affine model holds
    // exactly (2 m a pixel). By least squares its residual is (1 - h) e and
    // the sum of squares of all residuals (1 - h) e^2, h being its leverage:
    // 3/4 for a corner of four (residual e/4 at each point), 1/10 for the
    // point (1, 1) of a 4 x 3 lattice (residual 0.9 e, RMS e sqrt(0.9 / 12)).
    // The fitted scale across moves by e (x - mean x) / sum (x - mean x)^2:
    // e / 2000 and -e / 3000 a pixel; residuals in pixels are in that scale.
    void residualsAsWorkedByHand_data() {
        QList<bool> one(12, false);
        one[5] = true;
        test::addRows<ResidualRow>({
            {"four corners, 8 m", lattice(2, 2, 1000), 3, 8.0, 2.0, 2.0, 2.004,
             QList<bool>(4, false)},
            {"four corners, 48 m: over 5 px", lattice(2, 2, 1000), 3, 48.0, 12.0, 12.0, 2.024,
             QList<bool>(4, true)},
            {"4 x 3, 4 m: over 3 RMS", lattice(4, 3, 100), 5, 4.0, 3.6, 4.0 * std::sqrt(0.9 / 12),
             2.0 - 4.0 / 3000, one},
        });
    }
    void residualsAsWorkedByHand() {
        QFETCH(ResidualRow, row);
        const auto& [tag, pixels, moved, e, residual, rms, scale, flagged] = row;
        SheetPoints s = pointsOf(FitModel::Affine, pixels, square);
        s.points[moved].east += e;
        const SheetModel m = SheetModel::fit(s, Datum::Ed50);
        QVERIFY2(m.isValid(), qPrintable(m.error()));
        const Residual& r = m.residuals().at(moved);
        QVERIFY(std::abs(r.metres - residual) < 1e-6);
        QVERIFY(std::abs(r.pixels - residual / scale) < 1e-6);
        QVERIFY(std::abs(r.dx - residual / scale) < 1e-6); // the model puts it back west
        QVERIFY(std::abs(m.rmsMetres() - rms) < 1e-6);
        QVERIFY(std::abs(m.rmsPixels() - rms / scale) < 1e-6);
        for (int i = 0; i < pixels.size(); ++i)
            QCOMPARE(m.residuals().at(i).flagged, flagged.at(i));
    }

    // Each model fitted to points of a mapping it can represent gives that
    // mapping between the points and back.
    void modelsGiveBackTheirMapping_data() {
        QTest::addColumn<FitModel>("model");
        QTest::addColumn<Mapping>("mapping");
        const double c = std::cos(0.3), s = std::sin(0.3);
        const Mapping helmert = [=](double x, double y) {
            return QPointF(400000 + 1.5 * (c * x + s * y), 4650000 + 1.5 * (s * x - c * y));
        };
        const Mapping affine = [](double x, double y) {
            return QPointF(400000 + 2.1 * x + 0.02 * y, 4650000 + 0.015 * x - 2.0 * y);
        };
        const Mapping projective = [](double x, double y) {
            const double w = 1 + 1e-5 * x + 2e-5 * y;
            return QPointF((400000 + 2.1 * x + 0.02 * y) / w, (4650000 - 2.0 * y) / w);
        };
        const Mapping quadratic = [](double x, double y) {
            return QPointF(400000 + 2.1 * x + 1e-4 * x * y, 4650000 - 2.0 * y + 2e-4 * x * x);
        };
        QTest::newRow("Helmert") << FitModel::Helmert << helmert;
        QTest::newRow("affine") << FitModel::Affine << affine;
        QTest::newRow("projective") << FitModel::Projective << projective;
        QTest::newRow("polynomial") << FitModel::Polynomial2 << quadratic;
        QTest::newRow("spline") << FitModel::ThinPlateSpline << affine;
    }
    void modelsGiveBackTheirMapping() {
        QFETCH(FitModel, model);
        QFETCH(Mapping, mapping);
        QList<QPointF> pixels = lattice(4, 3, 700);
        for (int i = 0; i < pixels.size(); ++i)
            pixels[i] += QPointF(37 * (i % 3), 23 * (i % 4));
        const SheetModel m = SheetModel::fit(pointsOf(model, pixels, mapping), Datum::Ed50);
        QVERIFY2(m.isValid(), qPrintable(m.error()));
        QVERIFY(m.rmsPixels() < 1e-6);
        for (const QPointF at : {QPointF(333, 444), QPointF(1900, 1234), QPointF(1000, 10)}) {
            const auto p = m.toFit(at.x(), at.y());
            QVERIFY(p);
            const QPointF truth = mapping(at.x(), at.y());
            QVERIFY2(std::hypot(p->lon - truth.x(), p->lat - truth.y()) < 1e-4,
                     qPrintable(
                         QStringLiteral("%1 %2").arg(p->lon - truth.x()).arg(p->lat - truth.y())));
            const auto back = m.inverse(*m.forward(at.x(), at.y()));
            QVERIFY(back && std::hypot(back->x() - at.x(), back->y() - at.y()) < 1e-3);
        }
    }

    // Two points with whole seconds: the per-axis fit is the set-up's own
    // calibration, field by field, whichever point comes first.
    void twoPointsAreTheSetUpsCalibration() {
        const ReferencePoint nw{1500, 3000, {45, 30, 0}, {9, 10, 0}},
            se{30000, 45000, {45, 20, 30}, {9, 25, 15}};
        for (const auto& [first, second] : {std::pair{nw, se}, std::pair{se, nw}}) {
            const Calibration c = calibrate(first, second).calibration();
            std::vector<TiePoint> points;
            for (const ReferencePoint& r : {first, second})
                points.push_back({r.x / 15.0, r.y / 15.0, false, *toSeconds(r.lat) / 3600.0,
                                  *toSeconds(r.lon) / 3600.0});
            const auto f = perAxisFields(points);
            QVERIFY(f);
            QCOMPARE(float(f->cola), c.cola);
            QCOMPARE(float(f->colo), c.colo);
            QCOMPARE(f->pxlao, c.pxlao);
            QCOMPARE(f->seclao, c.seclao);
            QCOMPARE(f->pxloo, c.pxloo);
            QCOMPARE(f->secloo, c.secloo);
        }
    }

    // A point's coordinates as typed: angles (d m s with decimals, decimal
    // degrees, a minus for the whole angle) or metres of a grid (blanks
    // between thousands); "-" for texts that read as neither. Shown again,
    // an angle reads as degrees, minutes and seconds.
    void typedCoordinatesRead() {
        const struct {
            const char *north, *east, *read, *shown;
        } rows[] = {
            {"45 28 18,5", "9 10 0", "g 45.471806 9.166667", "45 28 18.500|9 10 0.000"},
            {"45°28'18.5\"", "-9 10", "g 45.471806 -9.166667", "45 28 18.500|-9 10 0.000"},
            {"45.4718056", "9,1666667", "g 45.471806 9.166667", "45 28 18.500|9 10 0.000"},
            {"4650000", "514043,5", "c 4650000.000000 514043.500000", "4650000.00|514043.50"},
            {"4 650 000", "514 043", "c 4650000.000000 514043.000000", "4650000.00|514043.00"},
            {"45 60 0", "9", "-", ""},
            {"45 28", "", "-", ""},
            {"nord", "9", "-", ""},
            {"95", "9", "c 95.000000 9.000000", "95.00|9.00"},
        };
        for (const auto& r : rows) {
            const auto p =
                pointFromTexts(1, 2, QString::fromUtf8(r.north), QString::fromUtf8(r.east));
            const QString read = p ? QStringLiteral("%1 %2 %3")
                                         .arg(QChar(p->inGrid ? u'c' : u'g'))
                                         .arg(p->north, 0, 'f', 6)
                                         .arg(p->east, 0, 'f', 6)
                                   : QStringLiteral("-");
            QCOMPARE(read, QString::fromUtf8(r.read));
            if (!p) continue;
            const auto [north, east] = pointTexts(*p);
            QCOMPARE(north + u'|' + east, QString::fromUtf8(r.shown));
        }
    }

    // Too few points for the model, points in a line, plane points without a
    // grid, a grid not among those offered.
    void refusesWhatMakesNoModel() {
        const SheetPoints three = pointsOf(FitModel::Affine, lattice(3, 1, 100), square);
        SheetPoints two = three, graticule = three, otherGrid = three;
        two.points.pop_back();
        graticule.grid = 0;
        otherGrid.grid = 2100;
        for (const auto& [points, error] : std::initializer_list<std::pair<SheetPoints, QString>>{
                 {two, "richiede almeno 3 punti (ce ne sono 2)"},
                 {pointsOf(FitModel::ThinPlateSpline, lattice(3, 3, 100), square),
                  "richiede almeno 10 punti (ce ne sono 9)"},
                 {three, "sono allineati"},
                 {graticule, "Il punto 1 è dato in coordinate piane"},
                 {otherGrid, "EPSG:2100 non è tra"}}) {
            const SheetModel m = SheetModel::fit(points, Datum::Ed50);
            QVERIFY(!m.isValid());
            QVERIFY2(m.error().contains(error), qPrintable(m.error()));
        }
    }

    // The graticule keeps the sheet's datum, as Monte Mario longitudes stay;
    // UTM ED50 or WGS 84 and Gauss-Boaga override it.
    void aGridImpliesItsDatum() {
        const struct {
            int grid;
            Datum sheet, datum;
        } rows[] = {{0, Datum::Roma40Rome, Datum::Roma40Rome},
                    {23033, Datum::Wgs84, Datum::Ed50},
                    {32632, Datum::Ed50, Datum::Wgs84},
                    {3003, Datum::Ed50, Datum::Roma40},
                    {3004, Datum::Roma40Rome, Datum::Roma40Rome}};
        for (const auto& r : rows)
            QCOMPARE(datumForGrid(r.grid, r.sheet), r.datum);
    }

    // A sheet of 2000 x 1500 pixels (affine, UTM 33 / ED50) and its east
    // neighbour, in its own model: every point of the neighbour lands where
    // the two frames put it (within half a pixel, and a little more inside a
    // mesh's cells), in one transform when that holds, in a mesh when the
    // neighbour is bent; its border is carried along.
    void neighbourPlacedThroughBothFrames_data() {
        QTest::addColumn<FitModel>("model");
        QTest::addColumn<Mapping>("mapping");
        QTest::addColumn<QList<QPointF>>("border");
        QTest::addColumn<bool>("mesh");
        const Mapping affine = [](double x, double y) {
            return QPointF(404200 + 2.1 * x + 0.02 * y, 4650030 + 0.015 * x - 2.0 * y);
        };
        const Mapping bent = [](double x, double y) {
            return QPointF(404200 + 2.1 * x + 2e-5 * x * y, 4650030 - 2.0 * y + 2e-5 * x * x);
        };
        const QList<QPointF> cut = {{0, 50}, {1900, 50}, {1900, 1500}, {0, 1500}};
        QTest::newRow("affine") << FitModel::Affine << affine << QList<QPointF>() << false;
        QTest::newRow("affine, a border") << FitModel::Affine << affine << cut << false;
        QTest::newRow("bent") << FitModel::Polynomial2 << bent << QList<QPointF>() << true;
    }
    void neighbourPlacedThroughBothFrames() {
        QFETCH(FitModel, model);
        QFETCH(Mapping, mapping);
        QFETCH(QList<QPointF>, border);
        QFETCH(bool, mesh);
        const auto frameOf = [](const QString& name, FitModel m, const Mapping& to) {
            Sheet sheet;
            sheet.name = name;
            sheet.datum.code = QStringLiteral("EPSG:4230");
            return SheetFrame(sheet, QSize(2000, 1500),
                              SheetModel::fit(pointsOf(m, lattice(4, 3, 650), to), Datum::Ed50));
        };
        const SheetFrame shown = frameOf("a", FitModel::Affine, [](double x, double y) {
            return QPointF(400000 + 2.1 * x + 0.02 * y, 4650000 + 0.015 * x - 2.0 * y);
        });
        const SheetFrame east = frameOf("b", model, mapping);
        QVERIFY(shown.isValid() && east.isValid());
        const SheetJoin join = joinSheets(shown, east, {border.begin(), border.end()});
        QVERIFY(join.isValid());
        QCOMPARE(join.pieces.size() > 1, mesh);
        QVERIFY(std::abs(join.scale - 1.0) < 0.05);
        const QRectF kept = border.isEmpty() ? QRectF(0, 0, 2000, 1500)
                                             : QPolygonF(border).boundingRect();
        QCOMPARE(join.border.size(), qsizetype(8 * 4));
        QVERIFY(std::hypot(join.border[0].x() - (2000 + kept.left()),
                           join.border[0].y() - kept.top()) < 1.0);
        for (int j = 0; j <= 10; ++j)
            for (int i = 0; i <= 10; ++i) {
                const QPointF p(kept.left() + kept.width() * i / 10.0,
                                kept.top() + kept.height() * j / 10.0);
                const auto piece = std::find_if(join.pieces.begin(), join.pieces.end(),
                                                [&](const JoinPiece& c) {
                                                    return c.source.adjusted(0, 0, 1e-9, 1e-9)
                                                        .contains(p);
                                                });
                QVERIFY(piece != join.pieces.end());
                const QPointF truth = *shown.fromWgs84(*east.toWgs84(p));
                const QPointF d = piece->toShown.map(p) - truth;
                QVERIFY2(std::hypot(d.x(), d.y()) < (mesh ? 1.0 : 0.5),
                         qPrintable(QStringLiteral("%1 %2").arg(d.x()).arg(d.y())));
            }
    }
};

ORVENA_TEST_MAIN(SheetModelTest)
#include "SheetModelTest.moc"
