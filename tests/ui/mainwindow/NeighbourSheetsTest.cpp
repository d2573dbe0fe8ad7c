#include "MapWindow.h"

#include "core/archive/AreaDatums.h"
#include "core/archive/WorkingPair.h"
#include "core/geo/SheetModelStore.h"
#include "core/state/ViewGeometry.h"
#include "ui/map/NeighbourSheets.h"

#include <QRandomGenerator>

#include <cmath>

using namespace orvena;
using namespace orvena::test;

namespace {

// One picture of 480 x 360 pixels in blocks of 16 of random colours, cut into
// four sheets of 240 x 180 that abut: a second of arc a pixel, the north-west
// corner at 45° N, 9° E. North-west and south-east are BMP files, the others
// PNG (decoded through GDAL).
constexpr int kW = 240, kH = 180, kBlock = 16;
const char* const kNames[] = {"no.bmp", "ne.png", "so.png", "se.bmp"}; // by quadrant
const QStringList kAll = {"no.bmp", "ne.png", "so.png", "se.bmp"};

QImage wholePicture() {
    QImage image(2 * kW, 2 * kH, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int by = 0; by < image.height(); by += kBlock)
        for (int bx = 0; bx < image.width(); bx += kBlock) {
            const QRgb c = random.generate() | 0xFF000000u;
            for (int y = by; y < std::min(by + kBlock, image.height()); ++y)
                for (int x = bx; x < std::min(bx + kBlock, image.width()); ++x)
                    image.setPixel(x, y, c);
        }
    return image;
}

// The border cut into the north-east sheet in the "border" rows: 20 pixels
// off its north and east edges, its south-east corner cut aslant.
const QPolygonF kBorder({QPointF(0, 20), QPointF(kW - 20, 20), QPointF(kW - 20, 100),
                         QPointF(kW - 60, kH), QPointF(0, kH)});

// A row: the sheets' datum and whether they are calibrated by points (the
// north-east one with kBorder), the quadrant shown and where (twips), zoom
// steps in, a sheet file removed, the sheets expected around it.
struct Row {
    const char* tag;
    const char* datum;
    bool points;
    int shown;
    QPointF at;
    int zoomSteps;
    int removed; // -1: none
    QStringList drawn;
};

void makeSheets(Workspace& ws, const Row& row) {
    const QImage whole = wholePicture();
    const QString links[4][4] = {// NORD, EST, SUD, OVEST
                                 {"", "ne.png", "so.png", ""},
                                 {"", "", "se.bmp", "no.bmp"},
                                 {"no.bmp", "se.bmp", "", ""},
                                 {"ne.png", "", "", "so.png"}};
    for (int q = 0; q < 4; ++q) {
        const int col = q % 2, line = q / 2;
        QVERIFY(whole.copy(col * kW, line * kH, kW, kH).save(ws.file(kNames[q])));
        addRecord(ws.archives.Data1, {{"AREA", kNames[q]}, {"COLA", 15.0}, {"COLO", 15.0},
                                      {"PXLAO", 0}, {"SECLAO", 45 * 3600 - line * kH},
                                      {"PXLOO", 0}, {"SECLOO", 9 * 3600 + col * kW}},
                  {{"NORD", links[q][0]}, {"EST", links[q][1]}, {"SUD", links[q][2]},
                   {"OVEST", links[q][3]}});
        WorkingPair pair(ws.folder.path());
        const QString datum = QString::fromLatin1(row.datum);
        if (!row.points) {
            if (datum != "EPSG:4326") areadatums::store(pair, kNames[q], datum);
            continue;
        }
        SheetPoints points{FitModel::Affine, 0, {}, {}};
        for (const QPointF c : {QPointF(0, 0), QPointF(kW, 0), QPointF(kW, kH), QPointF(0, kH)})
            points.points.push_back({c.x(), c.y(), false, 45.0 - (line * kH + c.y()) / 3600.0,
                                     9.0 + (col * kW + c.x()) / 3600.0});
        if (q == 1) points.border = {kBorder.begin(), kBorder.end()};
        QCOMPARE(storeSheetModel(pair, kNames[q], points,
                                 datum == "EPSG:4230" ? Datum::Ed50 : Datum::Wgs84),
                 QString());
    }
    if (row.removed >= 0) QVERIFY(QFile::remove(ws.file(kNames[row.removed])));
}

// Where a pixel of the window's client area lies on the whole picture, for
// the map placed at g.
QPointF onWhole(const QRect& g, int shown, QPoint p) {
    const QPointF q = QPointF(p - g.topLeft()) * (double(kW) / g.width());
    return q + QPointF(shown % 2 * kW, shown / 2 * kH);
}

// The quadrant of a point of the whole picture, -1 off it; margin: how far
// inside its sheet (and the border it keeps) a point must lie to count (a
// negative one: how far outside it may).
int quadrantOf(QPointF q, double margin, bool border) {
    const int col = q.x() < kW ? 0 : 1, line = q.y() < kH ? 0 : 1;
    const int quadrant = line * 2 + col;
    if (!border || quadrant != 1) {
        const QRectF kept(col * kW, line * kH, kW, kH);
        return kept.adjusted(margin, margin, -margin, -margin).contains(q) ? quadrant : -1;
    }
    const QPolygonF kept = kBorder.translated(kW, 0);
    const double m = std::abs(margin);
    int inside = 0;
    for (const QPointF d : {QPointF(0, 0), QPointF(m, 0), QPointF(-m, 0), QPointF(0, m),
                            QPointF(0, -m), QPointF(m, m), QPointF(-m, -m), QPointF(m, -m),
                            QPointF(-m, m)})
        inside += kept.containsPoint(q + d, Qt::OddEvenFill) ? 1 : 0;
    return (margin >= 0 ? inside == 9 : inside > 0) ? quadrant : -1;
}

bool near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
               std::abs(qBlue(a) - qBlue(b)) <=
           tolerance;
}

} // namespace

Q_DECLARE_METATYPE(Row)

class NeighbourSheetsTest : public QObject {
    Q_OBJECT
private slots:
    void linkedSheetsAroundTheMap_data() {
        const QPointF origin(view::kSheetLeft, view::kSheetTop);
        const QPointF southEast = origin + QPointF(kW * 15, kH * 15);
        const QStringList aroundNo = {"ne.png", "so.png", "se.bmp"};
        addRows<Row>({
            {"per-axis, from the north-west", "EPSG:4326", false, 0, origin, 0, -1, aroundNo},
            {"per-axis, from the south-east", "EPSG:4326", false, 3, southEast, 0, -1,
             {"ne.png", "so.png", "no.bmp"}},
            {"a step in", "EPSG:4326", false, 0, origin, 1, -1, aroundNo},
            {"points and a border, ED50", "EPSG:4230", true, 0, origin, 0, -1, aroundNo},
            {"border, from the south-west", "EPSG:4326", true, 2, origin + QPointF(0, kH * 15), 0,
             -1, {"no.bmp", "se.bmp", "ne.png"}},
            {"a neighbour's file missing", "EPSG:4326", false, 0, origin, 0, 1,
             {"so.png", "se.bmp"}},
        });
    }

    // With the entry on, the linked sheets fill the blank window around the
    // sheet shown where their calibrations put them (within two pixels),
    // cut at their borders, and nothing is drawn beyond them; the shown
    // sheet is as before. Off, the window is as it was, pixel for pixel;
    // nothing is ever told. On, an arrow past the edge still opens the next
    // sheet, its neighbours then drawn around it.
    void linkedSheetsAroundTheMap() {
        QFETCH(Row, row);
        Workspace ws(Workspace::Content::Empty);
        MainWindow& w = ws.start();
        makeSheets(ws, row);
        w.Form_Load();
        Workspace::choose(w.f1area, kNames[row.shown]);
        for (int i = 0; i < row.zoomSteps; ++i)
            w.cmding_Click();
        w.Image1->move(row.at.x(), row.at.y());
        QCOMPARE(w.mnfoglicollegati->isChecked(), false);
        auto* neighbours = w.findChild<NeighbourSheets*>();
        QVERIFY(neighbours);
        QCoreApplication::processEvents();
        const QImage off = w.centralWidget()->grab().toImage();

        w.mnfoglicollegati->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!neighbours->busy(), 30000);
        QStringList drawn = neighbours->drawn();
        drawn.sort();
        QStringList expected = row.drawn;
        expected.sort();
        QCOMPARE(drawn, expected);
        const QImage on = w.centralWidget()->grab().toImage();
        const QImage whole = wholePicture();
        const QRect shown = w.Image1->geometry();
        int matched = 0;
        // Right of the controls and below the boxes.
        for (int y = 80; y < on.height(); ++y)
            for (int x = 80; x < on.width(); ++x) {
                const QPoint p(x, y);
                const auto at = [&] { return QStringLiteral(" (%1, %2)").arg(x).arg(y); };
                if (shown.contains(p)) {
                    if (on.pixel(p) != off.pixel(p)) QFAIL(qPrintable("shown sheet" + at()));
                    continue;
                }
                const QPointF q = onWhole(shown, row.shown, p);
                const int inside = quadrantOf(q, 2.5, row.points);
                // Two pixels off, a point this far inside its block leaves it.
                const auto middle = [](double v) {
                    return std::fmod(v, kBlock) > 1.5 && std::fmod(v, kBlock) < kBlock - 1.5;
                };
                const bool blockMiddle = middle(q.x()) && middle(q.y());
                if (inside >= 0 && drawn.contains(kNames[inside])) {
                    if (!blockMiddle) continue;
                    if (!near(on.pixel(p), whole.pixel(q.toPoint()), 24))
                        QFAIL(qPrintable(QString::fromLatin1(kNames[inside]) + at()));
                    ++matched;
                } else if (quadrantOf(q, -2.5, row.points) < 0 ||
                           !drawn.contains(kNames[quadrantOf(q, -2.5, row.points)])) {
                    if (on.pixel(p) != off.pixel(p)) QFAIL(qPrintable("beyond" + at()));
                }
            }
        QVERIFY(matched > 500);

        w.mnfoglicollegati->trigger();
        QCOMPARE(w.centralWidget()->grab().toImage(), off);
        if (row.shown == 0 && row.removed < 0) {
            w.mnfoglicollegati->trigger();
            w.Image1->setLeft(view::kReferenceX - w.Image1->widthTwips() - 1);
            w.imgde_Click(false);
            QCOMPARE(combo::text(w.f1area), QStringLiteral("ne.png"));
            QTRY_VERIFY_WITH_TIMEOUT(!neighbours->busy(), 30000);
            drawn = neighbours->drawn();
            drawn.sort();
            QCOMPARE(drawn, QStringList({"no.bmp", "se.bmp", "so.png"}));
        }
        checkTold(ws, "");
    }
};

ORVENA_TEST_MAIN(NeighbourSheetsTest)
#include "NeighbourSheetsTest.moc"
