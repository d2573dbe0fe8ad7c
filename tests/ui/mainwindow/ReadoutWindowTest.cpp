#include "SetupSupport.h"
#include "TestMain.h"
#include "Workspace.h"

#include "DemoAtlas.h"
#include "ui/widgets/ComboText.h"

#include <QComboBox>
#include <QFile>

using namespace orvena;
using namespace orvena::test;

namespace {

const QString kSheet = QStringLiteral("esempio.jpg");
const QString kBefore = QStringLiteral("prima");

// A 700 x 600 pixel sheet with the worked example's calibration: 12 twips per
// second of latitude, 10 per second of longitude, first point 45 30 0 / 9 10 0
// at (300, 450). Optional fields left out stay null.
void addExampleSheet(Workspace& ws, bool withReference = true) {
    QVERIFY(demo::writeLargeSheet(ws.file(kSheet), 700, 600).isEmpty());
    RecordView* v = ws.archives.Data1;
    v->addNew();
    v->setField("AREA", kSheet);
    v->setField("COLA", 12.0);
    v->setField("COLO", 10.0);
    if (withReference) {
        v->setField("PXLAO", 450);
        v->setField("SECLAO", 163800);
        v->setField("PXLOO", 300);
        v->setField("SECLOO", 33000);
    }
    v->update();
}

// The main window on the example sheet, loaded as the user chooses it.
MainWindow& startOnExample(Workspace& ws, bool withReference = true) {
    MainWindow& w = ws.start();
    addExampleSheet(ws, withReference);
    w.Form_Load();
    makeRoomForTheSheet(w);
    Workspace::choose(w.f1area, kSheet);
    return w;
}

} // namespace

class ReadoutWindowTest : public QObject {
    Q_OBJECT
private slots:
    void toolTipFollowsThePointer_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<float>("latScale");
        QTest::addColumn<float>("lonScale");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("worked example")
            << 4800 << 4050 << 12.0f << 10.0f << "Lat = 45:25: ,Lon = 9:17:30";
        QTest::newRow("on the first point")
            << 300 << 450 << 12.0f << 10.0f << "Lat = 45:30: ,Lon = 9:10:";
        QTest::newRow("2.5 seconds above: to even")
            << 300 << 420 << 12.0f << 10.0f << "Lat = 45:30:2 ,Lon = 9:10:";
        QTest::newRow("3.75 seconds above")
            << 300 << 405 << 12.0f << 10.0f << "Lat = 45:30:4 ,Lon = 9:10:";
        QTest::newRow("left of the first point")
            << 0 << 450 << 12.0f << 10.0f << "Lat = 45:30: ,Lon = 9:9:30";
        // The reference positions are not scaled with the zoom, so the same map
        // point reads a few seconds off: 163800 - 4005 / 13.2, 33000 + 4980 / 11.
        QTest::newRow("zoom 110: stored positions, zoomed scales")
            << 5280 << 4455 << 13.2f << 11.0f << "Lat = 45:24:57 ,Lon = 9:17:33";
    }

    void toolTipFollowsThePointer() {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(float, latScale);
        QFETCH(float, lonScale);
        QFETCH(QString, toolTip);
        Workspace ws;
        MainWindow& w = startOnExample(ws);
        QCOMPARE(ws.dialogs.texts(), QStringList());
        w.state().latScale = latScale;
        w.state().lonScale = lonScale;

        pointTo(w.Image1, x, y);
        QCOMPARE(w.Image1->toolTip(), toolTip);
        QCOMPARE(w.state().markerLeft, x);
        QCOMPARE(w.state().markerTop, y);
        const auto& t = w.state().readoutTexts;
        QCOMPARE(QStringLiteral("Lat = %1:%2:%3 ,Lon = %4:%5:%6")
                     .arg(t[0], t[1], t[2], t[3], t[4], t[5]),
                 toolTip);
    }

    void stops_data() {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<bool>("recorded"); // pointerX, pointerY take the position
        QTest::addColumn<bool>("updated");  // the tool tip shows the read-out
        QTest::newRow("nothing in the way") << "none" << true << true;
        QTest::newRow("read-out never set: on") << "unset" << true << true;
        QTest::newRow("image hidden") << "hidden" << false << false;
        QTest::newRow("area box empty") << "no area" << true << false;
        QTest::newRow("read-out off") << "off" << true << false;
        QTest::newRow("waiting for a position click") << "capture" << true << false;
        QTest::newRow("locality editor open") << "editor" << true << false;
        // A calibrated sheet whose angle cannot be shown keeps the last tip;
        // the marker follows the pointer all the same.
        QTest::newRow("angle out of range") << "huge angle" << true << false;
    }

    void stops() {
        QFETCH(QString, condition);
        QFETCH(bool, recorded);
        QFETCH(bool, updated);
        Workspace ws;
        MainWindow& w = startOnExample(ws);
        pointTo(w.Image1, 150, 150);
        w.Image1->setToolTip(kBefore);
        const std::int32_t markerLeft = w.state().markerLeft;

        if (condition == "unset") w.state().readoutEnabled = Flag::Unset;
        if (condition == "no area") combo::setText(w.f1area, QString());
        if (condition == "off") w.state().readoutEnabled = Flag::Zero;
        if (condition == "capture") w.state().pixelCapture = Flag::One;
        if (condition == "editor") w.state().localityEditorOpen = Flag::One;
        if (condition == "huge angle") w.state().latScale = 1e-30f;
        if (condition == "hidden") {
            w.Image1->hide();
            // A hidden image gets no pointer events; its handler is called as
            // they would have called it.
            w.Image1_MouseMove(4800, 4050);
        } else {
            pointTo(w.Image1, 4800, 4050);
        }

        QCOMPARE(w.state().pointerX == 4800 && w.state().pointerY == 4050, recorded);
        QCOMPARE(w.Image1->toolTip(),
                 updated ? QStringLiteral("Lat = 45:25: ,Lon = 9:17:30") : kBefore);
        QCOMPARE(w.state().markerLeft, updated || condition == "huge angle" ? 4800 : markerLeft);
    }

    // Positions between whole twips come from high-density screens; the handler
    // is called with them directly.
    void positionRoundedToEven() {
        Workspace ws;
        MainWindow& w = startOnExample(ws);
        const struct {
            double x, y;
            int pointerX, pointerY;
        } cases[] = {{300.5, 451.5, 300, 452}, {300.49, 450.51, 300, 451}, {-0.5, -1.5, 0, -2}};
        for (const auto& c : cases) {
            w.Image1_MouseMove(c.x, c.y);
            QCOMPARE(w.state().pointerX, c.pointerX);
            QCOMPARE(w.state().pointerY, c.pointerY);
            QCOMPARE(w.state().markerLeft, c.pointerX);
        }
    }

    void uncalibratedSheetShowsNoCoordinates_data() {
        QTest::addColumn<QVariantMap>("fields"); // of the second sheet's record
        QTest::addColumn<bool>("refused");       // the calibration message is shown
        const QVariantMap good{{"COLA", 12.0},     {"COLO", 10.0}, {"PXLAO", 450},
                               {"SECLAO", 163800}, {"PXLOO", 300}, {"SECLOO", 33000}};
        auto with = [&](const QString& field, const QVariant& value) {
            QVariantMap m = good;
            m[field] = value;
            return m;
        };
        QTest::newRow("zero COLA") << with("COLA", 0.0) << true;
        QTest::newRow("zero COLO") << with("COLO", 0) << true;
        QTest::newRow("null scales") << with("COLA", QVariant()) << true;
        QTest::newRow("text PXLAO") << with("PXLAO", "abc") << true;
        QTest::newRow("reference values never written")
            << QVariantMap{{"COLA", 12.0}, {"COLO", 10.0}} << false;
    }

    void uncalibratedSheetShowsNoCoordinates() {
        QFETCH(QVariantMap, fields);
        QFETCH(bool, refused);
        Workspace ws;
        MainWindow& w = startOnExample(ws);
        pointTo(w.Image1, 4800, 4050);
        QCOMPARE(w.Image1->toolTip(), QStringLiteral("Lat = 45:25: ,Lon = 9:17:30"));

        const QString other = QStringLiteral("rotto.jpg");
        QVERIFY(QFile::copy(ws.file(kSheet), ws.file(other)));
        RecordView* v = ws.archives.Data1;
        v->addNew();
        v->setField("AREA", other);
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            v->setField(it.key(), it.value());
        v->update();
        ws.archives.Data2->addNew();
        ws.archives.Data2->setField("AREA", other);
        ws.archives.Data2->setField("LOCALITA", "Qui");
        ws.archives.Data2->update();
        w.Form_Load();
        Workspace::choose(w.f1area, other);

        const QStringList expected{
            "L'area scelta non ha una calibrazione valida: rifare il Set up."};
        QCOMPARE(ws.dialogs.texts(), refused ? expected : QStringList());
        QVERIFY(w.Image1->isVisible());
        QCOMPARE(combo::lines(w.cmbloc), QStringList{"Qui"});
        QCOMPARE(w.Image1->toolTip(), QString());
        for (const QPoint& p : {QPoint(4800, 4050), QPoint(300, 450)}) {
            pointTo(w.Image1, p.x(), p.y());
            QCOMPARE(w.Image1->toolTip(), QString());
        }
    }
};

ORVENA_TEST_MAIN(ReadoutWindowTest)
#include "ReadoutWindowTest.moc"
