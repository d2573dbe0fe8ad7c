#include "MapWindow.h"

#include <QPushButton>
#include <QWheelEvent>

using namespace orvena;
using namespace orvena::test;

namespace {

// A sheet of 585 x 441 pixels: 8775 x 6615 twips at zoom 100.
const QString kSheet = QStringLiteral("tavola.jpg");
constexpr float kCola = 24.25f;
constexpr float kColo = 17.0f;

MainWindow& startOnSheet(Workspace& ws) {
    MainWindow& w = ws.start();
    addSheet(ws, kSheet, 585, 441, {{"COLA", double(kCola)}, {"COLO", double(kColo)}});
    Workspace::choose(w.f1area, kSheet);
    return w;
}

void click(QPushButton* button, int times) {
    for (int i = 0; i < times; ++i)
        button->click();
}

// One step in or out, after steps in, a reload of the sheet and a figure typed
// into the box (empty: nothing typed): the figure shown and, when nothing was
// typed, the image afterwards.
struct Step {
    int stepsFirst;
    bool reload;
    QString typed;
    bool in;
    QString figure;
    QRectF expected;
};

} // namespace

class ZoomTest : public QObject {
    Q_OBJECT
private slots:
    void stepsAreAdditiveAndStopAtTen() {
        Workspace ws;
        MainWindow& w = startOnSheet(ws);
        const QRectF start = twipsOf(w.Image1);
        click(w.cmding, 5);
        QCOMPARE(w.Image1->widthTwips(), 8775.0 * 150 / 100);
        click(w.cmdrid, 5);
        QCOMPARE(twipsOf(w.Image1), start);
        click(w.cmdrid, 9);
        QCOMPARE(w.f1ing->text(), "10");
        QCOMPARE(w.Image1->widthTwips(), 877.5);
        const QRectF at10 = twipsOf(w.Image1);
        const float lat = w.state().latScale;
        click(w.cmdrid, 1);
        QCOMPARE(w.f1ing->text(), "10");
        QCOMPARE(twipsOf(w.Image1), at10);
        QCOMPARE(w.state().latScale, lat);
        // Position capture (the map given back shows the area again): both
        // buttons leave the image alone.
        awaitPosition(w);
        const QRectF captured = twipsOf(w.Image1);
        click(w.cmding, 1);
        click(w.cmdrid, 1);
        QCOMPARE(twipsOf(w.Image1), captured);
        QCOMPARE(ws.dialogs.texts(), QStringList());
        // The next load puts the sheet back at its own size.
        Workspace::choose(w.f1area, kSheet);
        QVERIFY(!w.Image1->stretch());
        QCOMPARE(twipsOf(w.Image1), start);
    }

    // Width and height at the limit, then past it.
    void largestSize() {
        for (const auto& [size, refused] : {std::pair{QSizeF(230000, 6615), false},
                                            {QSizeF(8775, 230000), false},
                                            {QSizeF(230000.5, 6615), true},
                                            {QSizeF(8775, 230001), true}}) {
            Workspace ws;
            MainWindow& w = startOnSheet(ws);
            w.Image1->setWidthTwips(size.width());
            w.Image1->setHeightTwips(size.height());
            if (!refused) {
                click(w.cmding, 1); // still allowed: the test is strictly greater
                QCOMPARE(w.Image1->widthTwips(), size.width() + 877.5);
                QCOMPARE(ws.dialogs.texts(), QStringList());
            }
            const QRectF before = twipsOf(w.Image1);
            const QString figure = w.f1ing->text();
            const float lon = w.state().lonScale;

            click(w.cmding, 1);
            checkTold(ws, "Raggiunto l'ingrandimento massimo possibile.");
            QCOMPARE(twipsOf(w.Image1), before);
            QCOMPARE(w.f1ing->text(), figure);
            QCOMPARE(w.state().lonScale, lon);
            QVERIFY(w.Image1->shown() && w.Image1->stretch());
        }
    }

    // One step around the centre, from the sheet as loaded or from a figure
    // typed into the box: the steps add to and subtract from whatever number the
    // box holds, and a text that is not a number counts as the figure the box
    // last held.
    void oneStep_data() {
        QTest::addColumn<Step>("s");
        QTest::newRow("in") << Step{0, false, "", true, "110", {641.25, 509.25, 9652.5, 7276.5}};
        QTest::newRow("out") << Step{0, false, "", false, "90", {1518.75, 1170.75, 7897.5, 5953.5}};
        QTest::newRow("a number") << Step{0, false, "130", true, "140", {}};
        QTest::newRow("ten typed stops") << Step{2, false, "10", false, "10", {}};
        QTest::newRow("fifteen goes on") << Step{0, false, "15", false, "5", {}};
        QTest::newRow("text after steps") << Step{2, false, "abc", true, "130", {}};
        QTest::newRow("text after reload") << Step{2, true, "zoom!", false, "90", {}};
    }

    void oneStep() {
        QFETCH(Step, s);
        Workspace ws;
        MainWindow& w = startOnSheet(ws);
        QCOMPARE(twipsOf(w.Image1), QRectF(1080, 840, 8775, 6615));
        QVERIFY(!w.Image1->stretch());
        click(w.cmding, s.stepsFirst);
        if (s.reload) Workspace::choose(w.f1area, kSheet);
        if (!s.typed.isEmpty()) {
            w.f1ing->selectAll();
            QTest::keyClick(w.f1ing, Qt::Key_Delete);
            QTest::keyClicks(w.f1ing, s.typed);
        }
        const double width = w.Image1->widthTwips();
        click(s.in ? w.cmding : w.cmdrid, 1);
        QCOMPARE(w.f1ing->text(), s.figure);
        QCOMPARE(w.Image1->widthTwips() != width, s.figure != s.typed);
        if (!s.typed.isEmpty()) return;
        QCOMPARE(twipsOf(w.Image1), s.expected);
        QCOMPARE(w.Image1->size(), (s.expected.size() / 15).toSize());
        const float sign = s.in ? 1.0f : -1.0f;
        QCOMPARE(w.state().lonScale, kColo + sign * (kColo * 10.0f / 100.0f));
        QCOMPARE(w.state().latScale, kCola + sign * (kCola * 10.0f / 100.0f));
        QVERIFY(w.Image1->stretch() && w.Image1->shown());
        checkTold(ws, "");
    }

    void wheelZoomsAtThePointer_data() {
        QTest::addColumn<QList<int>>("eighths"); // of a degree, one wheel event each
        QTest::addColumn<QString>("before");     // how the map stands before the wheel
        QTest::addColumn<int>("figure");         // f1ing afterwards
        QTest::newRow("a notch away from the user: in") << QList<int>{120} << "" << 110;
        QTest::newRow("a fine wheel adds up") << QList<int>{40, 40, 40} << "" << 110;
        QTest::newRow("turned back: counted afresh") << QList<int>{60, -60, -60} << "" << 90;
        QTest::newRow("two notches toward: out") << QList<int>{-240} << "" << 80;
        QTest::newRow("at the largest size") << QList<int>{120} << "largest" << 100;
        QTest::newRow("at 10") << QList<int>{-120} << "10" << 10;
        QTest::newRow("zoom buttons hidden (set-up)") << QList<int>{120} << "hidden" << 100;
        QTest::newRow("position capture") << QList<int>{120} << "capture" << 100;
    }

    // Each notch is a step of the buttons; the point of the sheet under the
    // pointer stays under it within a pixel, the read-out follows, and where
    // the buttons would refuse nothing happens and nothing is said.
    void wheelZoomsAtThePointer() {
        QFETCH(QList<int>, eighths);
        QFETCH(QString, before);
        QFETCH(int, figure);
        Workspace ws;
        MainWindow& w = startOnSheet(ws);
        if (before == "largest") w.Image1->setWidthTwips(230001);
        if (before == "10") w.f1ing->setText("10");
        if (before == "hidden") w.cmding->hide();
        if (before == "capture") awaitPosition(w);
        const QRectF start = twipsOf(w.Image1);
        const QPoint pointer(200, 150); // pixels of the image
        const QPointF onWindow = w.Image1->pos() + pointer;
        const QPointF sheetPoint = QPointF(pointer) * 585 / w.Image1->width();
        for (const int e : eighths) {
            QWheelEvent wheel(pointer, w.Image1->mapToGlobal(pointer), QPoint(), QPoint(0, e),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w.Image1, &wheel);
        }
        QCOMPARE(ws.dialogs.texts(), QStringList());
        QCOMPARE(w.f1ing->text(), QString::number(figure));
        if (figure == (before == "10" ? 10 : 100)) {
            QCOMPARE(twipsOf(w.Image1), start);
            return;
        }
        const double scale = w.Image1->width() / 585.0;
        const QPointF shown = w.Image1->pos() + sheetPoint * scale;
        QVERIFY2((shown - onWindow).manhattanLength() <= 1.0,
                 qPrintable(QStringLiteral("%1, %2").arg(shown.x()).arg(shown.y())));
        QCOMPARE(w.state().pointerX, qRound(sheetPoint.x() * 15 * figure / 100));
        QCOMPARE(w.state().latScale, kCola * figure / 100);
    }
};

ORVENA_TEST_MAIN(ZoomTest)
#include "ZoomTest.moc"
