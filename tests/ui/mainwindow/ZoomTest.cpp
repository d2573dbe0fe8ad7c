#include "MapWindow.h"

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

} // namespace

class ZoomTest : public QObject {
    Q_OBJECT
private slots:
    void stepsAreAdditiveAndStopAtTen() {
        Workspace ws;
        MainWindow& w = startOnSheet(ws);
        const QRectF start = twipsOf(w.Image1);
        for (int i = 0; i < 5; ++i)
            w.cmding_Click();
        QCOMPARE(w.Image1->widthTwips(), 8775.0 * 150 / 100);
        for (int i = 0; i < 5; ++i)
            w.cmdrid_Click();
        QCOMPARE(twipsOf(w.Image1), start);
        for (int i = 0; i < 9; ++i)
            w.cmdrid_Click();
        QCOMPARE(w.f1ing->text(), QStringLiteral("10"));
        QCOMPARE(w.Image1->widthTwips(), 877.5);
        const QRectF at10 = twipsOf(w.Image1);
        const float lat = w.state().latScale;
        w.cmdrid_Click();
        QCOMPARE(w.f1ing->text(), QStringLiteral("10"));
        QCOMPARE(twipsOf(w.Image1), at10);
        QCOMPARE(w.state().latScale, lat);
        // Position capture: both buttons leave the image alone.
        w.state().pixelCapture = Flag::One;
        w.cmding_Click();
        QCOMPARE(twipsOf(w.Image1), at10);
        QCOMPARE(ws.dialogs.texts(), QStringList());
        // The next load puts the sheet back at its own size.
        Workspace::choose(w.f1area, kSheet);
        QVERIFY(!w.Image1->stretch());
        QCOMPARE(twipsOf(w.Image1), start);
    }

    void largestSize_data() {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<bool>("refused");
        QTest::newRow("width at the limit") << QSizeF(230000, 6615) << false;
        QTest::newRow("height at the limit") << QSizeF(8775, 230000) << false;
        QTest::newRow("width past it") << QSizeF(230000.5, 6615) << true;
        QTest::newRow("height past it") << QSizeF(8775, 230001) << true;
    }

    void largestSize() {
        QFETCH(QSizeF, size);
        QFETCH(bool, refused);
        Workspace ws;
        MainWindow& w = startOnSheet(ws);
        w.Image1->setWidthTwips(size.width());
        w.Image1->setHeightTwips(size.height());
        if (!refused) {
            w.cmding_Click(); // still allowed: the test is strictly greater
            QCOMPARE(w.Image1->widthTwips(), size.width() + 877.5);
            QCOMPARE(ws.dialogs.texts(), QStringList());
        }
        const QRectF before = twipsOf(w.Image1);
        const QString figure = w.f1ing->text();
        const float lon = w.state().lonScale;

        w.cmding_Click();
        checkTold(ws, "Raggiunto l'ingrandimento massimo possibile.");
        QCOMPARE(twipsOf(w.Image1), before);
        QCOMPARE(w.f1ing->text(), figure);
        QCOMPARE(w.state().lonScale, lon);
        QVERIFY(w.Image1->shown());
        QVERIFY(w.Image1->stretch());
    }

    // One step around the centre, from the sheet as loaded or from a figure
    // typed into the box: the steps add to and subtract from whatever number the
    // box holds, and a text that is not a number counts as the figure the box
    // last held.
    void oneStep_data() {
        QTest::addColumn<int>("stepsFirst"); // zoom-in steps before the typing
        QTest::addColumn<bool>("reload");    // the sheet loaded again before the typing
        QTest::addColumn<QString>("typed");  // empty: nothing typed
        QTest::addColumn<bool>("in");
        QTest::addColumn<QString>("figure");
        QTest::addColumn<QRectF>("expected"); // the image after the step, when nothing was typed
        QTest::newRow("in") << 0 << false << "" << true << "110"
                            << QRectF(641.25, 509.25, 9652.5, 7276.5);
        QTest::newRow("out") << 0 << false << "" << false << "90"
                             << QRectF(1518.75, 1170.75, 7897.5, 5953.5);
        QTest::newRow("a number") << 0 << false << "130" << true << "140" << QRectF();
        QTest::newRow("ten typed stops") << 2 << false << "10" << false << "10" << QRectF();
        QTest::newRow("fifteen goes on") << 0 << false << "15" << false << "5" << QRectF();
        QTest::newRow("text after steps") << 2 << false << "abc" << true << "130" << QRectF();
        QTest::newRow("text after reload") << 2 << true << "zoom!" << false << "90" << QRectF();
    }

    void oneStep() {
        QFETCH(int, stepsFirst);
        QFETCH(bool, reload);
        QFETCH(QString, typed);
        QFETCH(bool, in);
        QFETCH(QString, figure);
        QFETCH(QRectF, expected);
        Workspace ws;
        MainWindow& w = startOnSheet(ws);
        QCOMPARE(twipsOf(w.Image1), QRectF(1080, 840, 8775, 6615));
        QVERIFY(!w.Image1->stretch());
        for (int i = 0; i < stepsFirst; ++i)
            w.cmding_Click();
        if (reload) Workspace::choose(w.f1area, kSheet);
        if (!typed.isEmpty()) {
            w.f1ing->selectAll();
            QTest::keyClick(w.f1ing, Qt::Key_Delete);
            QTest::keyClicks(w.f1ing, typed);
        }
        const double width = w.Image1->widthTwips();
        in ? w.cmding_Click() : w.cmdrid_Click();
        QCOMPARE(w.f1ing->text(), figure);
        QCOMPARE(w.Image1->widthTwips() != width, figure != typed);
        if (!typed.isEmpty()) return;
        QCOMPARE(twipsOf(w.Image1), expected);
        QCOMPARE(w.Image1->size(),
                 QSize(qRound(expected.width() / 15), qRound(expected.height() / 15)));
        const float sign = in ? 1.0f : -1.0f;
        QCOMPARE(w.state().lonScale, kColo + sign * (kColo * 10.0f / 100.0f));
        QCOMPARE(w.state().latScale, kCola + sign * (kCola * 10.0f / 100.0f));
        QVERIFY(w.Image1->stretch());
        QVERIFY(w.Image1->shown());
        checkTold(ws, "");
    }
};

ORVENA_TEST_MAIN(ZoomTest)
#include "ZoomTest.moc"
