#include "TestMain.h"
#include "Workspace.h"

#include "DemoAtlas.h"
#include "toolkit/ComboText.h"
#include "toolkit/Hourglass.h"
#include "toolkit/KeyPreview.h"
#include "viewer/MapImage.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using namespace orvena;
using orvena::test::Workspace;

namespace {

const QString kLargest = QStringLiteral("Raggiunto l'ingrandimento massimo possibile.");

// A sheet of 585 x 441 pixels: 8775 x 6615 twips at zoom 100.
const QString kSheet = QStringLiteral("tavola.jpg");
constexpr float kCola = 24.25f;
constexpr float kColo = 17.0f;

MainWindow& startOnSheet(Workspace& ws) {
    if (!demo::writeLargeSheet(ws.file(kSheet), 585, 441).isEmpty()) qFatal("sheet not written");
    MainWindow& w = ws.start();
    RecordView* v = ws.archives.Data1;
    v->addNew();
    v->setField(QStringLiteral("AREA"), kSheet);
    v->setField(QStringLiteral("COLA"), double(kCola));
    v->setField(QStringLiteral("COLO"), double(kColo));
    v->update();
    w.Form_Load();
    Workspace::choose(w.f1area, kSheet);
    return w;
}

struct Geometry {
    double left, top, width, height;
    bool operator==(const Geometry&) const = default;
};

Geometry geometryOf(const MapImage* m) {
    return {m->left(), m->top(), m->widthTwips(), m->heightTwips()};
}

char* toString(const Geometry& g) {
    return qstrdup(QStringLiteral("%1, %2, %3 x %4")
                       .arg(g.left)
                       .arg(g.top)
                       .arg(g.width)
                       .arg(g.height)
                       .toLatin1()
                       .constData());
}

} // namespace

Q_DECLARE_METATYPE(Geometry)

class ZoomTest : public QObject {
    Q_OBJECT
private slots:
    void oneStepAroundTheCentre_data();
    void oneStepAroundTheCentre();
    void stepsAreAdditive();
    void nineStepsOutReachTenAndStop();
    void largestSize_data();
    void largestSize();
    void positionCaptureLeavesTheImageAlone_data();
    void positionCaptureLeavesTheImageAlone();
    void zoomFigureTyped_data();
    void zoomFigureTyped();
    void plusAndMinusKeys_data();
    void plusAndMinusKeys();
};

void ZoomTest::oneStepAroundTheCentre_data() {
    QTest::addColumn<bool>("in");
    QTest::addColumn<Geometry>("expected");
    QTest::addColumn<QString>("figure");
    QTest::addColumn<float>("factor"); // of the scales
    QTest::newRow("in") << true << Geometry{641.25, 509.25, 9652.5, 7276.5} << "110" << 1.1f;
    QTest::newRow("out") << false << Geometry{1518.75, 1170.75, 7897.5, 5953.5} << "90" << 0.9f;
}

void ZoomTest::oneStepAroundTheCentre() {
    QFETCH(bool, in);
    QFETCH(Geometry, expected);
    QFETCH(QString, figure);
    Workspace ws;
    MainWindow& w = startOnSheet(ws);
    QCOMPARE(geometryOf(w.Image1), (Geometry{1080, 840, 8775, 6615}));
    QVERIFY(!w.Image1->stretch());

    in ? w.cmding_Click() : w.cmdrid_Click();
    QCOMPARE(geometryOf(w.Image1), expected);
    QCOMPARE(w.f1ing->text(), figure);
    const float sign = in ? 1.0f : -1.0f;
    QCOMPARE(w.state().lonScale, kColo + sign * (kColo * 10.0f / 100.0f));
    QCOMPARE(w.state().latScale, kCola + sign * (kCola * 10.0f / 100.0f));
    QVERIFY(w.Image1->stretch());
    QVERIFY(w.Image1->shown());
    QVERIFY(!hourglass::isBusy());
    QCOMPARE(ws.dialogs.texts(), QStringList());
    // The widget shows the stretched size in whole pixels.
    QCOMPARE(w.Image1->size(), QSize(qRound(expected.width / 15), qRound(expected.height / 15)));
}

void ZoomTest::stepsAreAdditive() {
    Workspace ws;
    MainWindow& w = startOnSheet(ws);
    const Geometry start = geometryOf(w.Image1);
    for (int i = 0; i < 5; ++i)
        w.cmding_Click();
    QCOMPARE(w.f1ing->text(), QStringLiteral("150"));
    QCOMPARE(w.Image1->widthTwips(), 8775.0 * 150 / 100);
    QCOMPARE(w.Image1->heightTwips(), 6615.0 * 150 / 100);
    for (int i = 0; i < 5; ++i)
        w.cmdrid_Click();
    QCOMPARE(w.f1ing->text(), QStringLiteral("100"));
    QCOMPARE(geometryOf(w.Image1), start);
    QVERIFY(w.Image1->stretch()); // stays on until the next load
    Workspace::choose(w.f1area, kSheet);
    QVERIFY(!w.Image1->stretch());
}

void ZoomTest::nineStepsOutReachTenAndStop() {
    Workspace ws;
    MainWindow& w = startOnSheet(ws);
    for (int i = 0; i < 9; ++i)
        w.cmdrid_Click();
    QCOMPARE(w.f1ing->text(), QStringLiteral("10"));
    QCOMPARE(w.Image1->widthTwips(), 877.5);
    const Geometry at10 = geometryOf(w.Image1);
    const float lat = w.state().latScale;
    w.cmdrid_Click();
    QCOMPARE(w.f1ing->text(), QStringLiteral("10"));
    QCOMPARE(geometryOf(w.Image1), at10);
    QCOMPARE(w.state().latScale, lat);
    QCOMPARE(ws.dialogs.texts(), QStringList());
}

void ZoomTest::largestSize_data() {
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::addColumn<bool>("refused");
    QTest::newRow("width at the limit") << 230000.0 << 6615.0 << false;
    QTest::newRow("height at the limit") << 8775.0 << 230000.0 << false;
    QTest::newRow("width past it") << 230000.5 << 6615.0 << true;
    QTest::newRow("height past it") << 8775.0 << 230001.0 << true;
}

void ZoomTest::largestSize() {
    QFETCH(double, width);
    QFETCH(double, height);
    QFETCH(bool, refused);
    Workspace ws;
    MainWindow& w = startOnSheet(ws);
    w.Image1->setWidthTwips(width);
    w.Image1->setHeightTwips(height);
    const Geometry before = geometryOf(w.Image1);
    const float lon = w.state().lonScale;

    w.cmding_Click();
    QVERIFY(w.Image1->shown());
    QVERIFY(w.Image1->stretch());
    QVERIFY(!hourglass::isBusy());
    if (!refused) {
        QCOMPARE(w.Image1->widthTwips(), width + 877.5);
        QCOMPARE(w.f1ing->text(), QStringLiteral("110"));
        QCOMPARE(ws.dialogs.texts(), QStringList());
        w.cmding_Click(); // now past the limit
    }
    const Geometry now = geometryOf(w.Image1);
    const QString figure = w.f1ing->text();
    if (refused) {
        QCOMPARE(now, before);
        QCOMPARE(w.state().lonScale, lon);
    }
    w.cmding_Click();
    QCOMPARE(geometryOf(w.Image1), now);
    QCOMPARE(w.f1ing->text(), figure);
    QVERIFY(!ws.dialogs.texts().isEmpty());
    for (const auto& shown : ws.dialogs.shown()) {
        QCOMPARE(shown.text, kLargest);
        QVERIFY2(!shown.hourglassBusy, "hourglass up at the message");
    }
    QVERIFY(w.Image1->shown());
    QVERIFY(!hourglass::isBusy());
}

void ZoomTest::positionCaptureLeavesTheImageAlone_data() {
    QTest::addColumn<int>("key"); // 0: the button itself
    QTest::addColumn<bool>("in");
    QTest::newRow("button in") << 0 << true;
    QTest::newRow("button out") << 0 << false;
    QTest::newRow("plus key") << int(Qt::Key_Plus) << true;
    QTest::newRow("minus key") << int(Qt::Key_Minus) << false;
}

void ZoomTest::positionCaptureLeavesTheImageAlone() {
    QFETCH(int, key);
    QFETCH(bool, in);
    Workspace ws;
    MainWindow& w = startOnSheet(ws);
    w.state().pixelCapture = Flag::One;
    const Geometry before = geometryOf(w.Image1);
    if (key)
        QTest::keyClick(w.f1ing, Qt::Key(key));
    else
        in ? w.cmding_Click() : w.cmdrid_Click();
    QCOMPARE(geometryOf(w.Image1), before);
    QCOMPARE(w.f1ing->text(), QStringLiteral("100"));
    QVERIFY(!w.Image1->stretch());
    QVERIFY(!hourglass::isBusy());
}

void ZoomTest::zoomFigureTyped_data() {
    QTest::addColumn<int>("stepsFirst"); // zoom-in steps before the typing
    QTest::addColumn<bool>("reload");    // the sheet loaded again before the typing
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("in");
    QTest::addColumn<QString>("figure");
    QTest::addColumn<bool>("moved");
    QTest::newRow("a number, in") << 0 << false << "130" << true << "140" << true;
    QTest::newRow("a number, out") << 0 << false << "130" << false << "120" << true;
    QTest::newRow("ten typed stops") << 2 << false << "10" << false << "10" << false;
    QTest::newRow("fifteen goes on") << 0 << false << "15" << false << "5" << true;
    QTest::newRow("text after load") << 0 << false << "abc" << true << "110" << true;
    QTest::newRow("text after steps") << 2 << false << "abc" << true << "130" << true;
    QTest::newRow("text after reload") << 2 << true << "zoom!" << false << "90" << true;
    QTest::newRow("empty after steps") << 1 << false << "" << false << "100" << true;
}

void ZoomTest::zoomFigureTyped() {
    QFETCH(int, stepsFirst);
    QFETCH(bool, reload);
    QFETCH(QString, typed);
    QFETCH(bool, in);
    QFETCH(QString, figure);
    QFETCH(bool, moved);
    Workspace ws;
    MainWindow& w = startOnSheet(ws);
    for (int i = 0; i < stepsFirst; ++i)
        w.cmding_Click();
    if (reload) Workspace::choose(w.f1area, kSheet);
    w.f1ing->selectAll();
    QTest::keyClick(w.f1ing, Qt::Key_Delete);
    QTest::keyClicks(w.f1ing, typed);
    QCOMPARE(w.f1ing->text(), typed);
    const Geometry before = geometryOf(w.Image1);

    in ? w.cmding_Click() : w.cmdrid_Click();
    QCOMPARE(w.f1ing->text(), figure);
    QCOMPARE(geometryOf(w.Image1) != before, moved);
    QCOMPARE(ws.dialogs.texts(), QStringList());
}

void ZoomTest::plusAndMinusKeys_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("buttonsShown");
    QTest::addColumn<bool>("imageShown");
    QTest::addColumn<QString>("figure");
    QTest::addColumn<bool>("stopped"); // the code set to 0
    QTest::newRow("187") << keycode::kPlus << true << true << "110" << true;
    QTest::newRow("107") << keycode::kPlusPad << true << true << "110" << true;
    QTest::newRow("189") << keycode::kMinus << true << true << "90" << true;
    QTest::newRow("109") << keycode::kMinusPad << true << true << "90" << true;
    QTest::newRow("187 buttons hidden") << keycode::kPlus << false << true << "100" << false;
    QTest::newRow("109 buttons hidden") << keycode::kMinusPad << false << true << "100" << false;
    QTest::newRow("187 image hidden") << keycode::kPlus << true << false << "100" << false;
    QTest::newRow("189 image hidden") << keycode::kMinus << true << false << "100" << false;
}

void ZoomTest::plusAndMinusKeys() {
    QFETCH(int, code);
    QFETCH(bool, buttonsShown);
    QFETCH(bool, imageShown);
    QFETCH(QString, figure);
    QFETCH(bool, stopped);
    Workspace ws;
    MainWindow& w = startOnSheet(ws);
    w.cmding->setVisible(buttonsShown);
    w.cmdrid->setVisible(buttonsShown);
    w.Image1->setVisible(imageShown);
    const double width = w.Image1->widthTwips();

    int key = code;
    w.Form_KeyDown(key);
    QCOMPARE(key, stopped ? 0 : code);
    QCOMPARE(w.f1ing->text(), figure);
    QCOMPARE(w.Image1->widthTwips() != width, stopped);
}

ORVENA_TEST_MAIN(ZoomTest)
#include "ZoomTest.moc"
