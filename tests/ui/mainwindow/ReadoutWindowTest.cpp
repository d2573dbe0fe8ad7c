#include "MapWindow.h"

#include "core/archive/AreaDatums.h"
#include "core/archive/WorkingPair.h"

#include <QClipboard>
#include <QGuiApplication>

using namespace orvena;
using namespace orvena::test;

namespace {

const QString kSheet = QStringLiteral("esempio.jpg");
const QString kBefore = QStringLiteral("prima");
const QString kExample = QStringLiteral("Lat = 45:25: ,Lon = 9:17:30");

// The main window on a 700 x 600 pixel sheet with the worked example's
// calibration (12 twips per second of latitude, 10 per second of longitude,
// first point 45 30 0 / 9 10 0 at (300, 450)), in the datum of that code (none
// when empty), loaded as the user chooses it.
MainWindow& startOnExample(Workspace& ws, const QString& datum = QString()) {
    MainWindow& w = ws.start();
    if (!demo::writeLargeSheet(ws.file(kSheet), 700, 600).isEmpty()) qFatal("sheet not written");
    addRecord(ws.archives.Data1, {{"AREA", kSheet}, {"COLA", 12.0}, {"COLO", 10.0}},
              {{"PXLAO", 450}, {"SECLAO", 163800}, {"PXLOO", 300}, {"SECLOO", 33000}});
    if (!datum.isEmpty()) {
        WorkingPair pair(ws.folder.path());
        areadatums::store(pair, kSheet, datum);
    }
    w.Form_Load();
    makeRoomForTheSheet(w);
    Workspace::choose(w.f1area, kSheet);
    return w;
}

// The pointer moved to (x, y) twips of the image with the scales given, in a
// condition that may stop the read-out: the tool tip shown (empty: the one
// before stays), whether pointerX, pointerY take the position and whether the
// marker follows the pointer.
struct Reading {
    const char* tag;
    QString condition;
    int x, y;
    float latScale, lonScale;
    QString toolTip;
    bool recorded = true, markerFollows = true;
};

// The example sheet in a datum (its code, empty for none): the second line of
// the tool tip on the first point (empty: no second line) and the position
// copied there.
struct InWgs84 {
    const char* tag;
    QString datum, second, copied;
};

} // namespace

class ReadoutWindowTest : public QObject {
    Q_OBJECT
private slots:
    void toolTipFollowsThePointer_data() {
        test::addRows<Reading>({
            {"worked example", "", 4800, 4050, 12, 10, kExample},
            {"on the first point", "", 300, 450, 12, 10, "Lat = 45:30: ,Lon = 9:10:"},
            {"2.5 seconds above: to even", "", 300, 420, 12, 10, "Lat = 45:30:2 ,Lon = 9:10:"},
            {"3.75 seconds above", "", 300, 405, 12, 10, "Lat = 45:30:4 ,Lon = 9:10:"},
            {"left of the first point", "", 0, 450, 12, 10, "Lat = 45:30: ,Lon = 9:9:30"},
            // The reference positions are not scaled with the zoom, so the same map
            // point reads a few seconds off: 163800 - 4005 / 13.2, 33000 + 4980 / 11.
            {"zoom 110: stored positions, zoomed scales", "", 5280, 4455, 13.2f, 11,
             "Lat = 45:24:57 ,Lon = 9:17:33"},
            {"read-out never set: on", "unset", 4800, 4050, 12, 10, kExample},
            {"image hidden", "hidden", 4800, 4050, 12, 10, "", false, false},
            {"area box empty", "no area", 4800, 4050, 12, 10, "", true, false},
            {"read-out off", "off", 4800, 4050, 12, 10, "", true, false},
            {"waiting for a position click", "capture", 4800, 4050, 12, 10, "", true, false},
            {"locality editor open", "editor", 4800, 4050, 12, 10, "", true, false},
            // A calibrated sheet whose angle cannot be shown keeps the last tip;
            // the marker follows the pointer all the same.
            {"angle out of range", "", 4800, 4050, 1e-30f, 10, ""},
        });
    }

    void toolTipFollowsThePointer() {
        QFETCH(Reading, row);
        Workspace ws;
        MainWindow& w = startOnExample(ws);
        QCOMPARE(ws.dialogs.texts(), QStringList());
        pointTo(w.Image1, 150, 150);
        // The editor's windows first: the map given back shows the area again.
        if (row.condition == "capture") awaitPosition(w);
        if (row.condition == "editor") w.mnlocagg->trigger();
        w.Image1->setToolTip(kBefore);
        const std::int32_t markerLeft = w.state().markerLeft;
        w.state().latScale = row.latScale;
        w.state().lonScale = row.lonScale;

        if (row.condition == "unset") w.state().readoutEnabled = Flag::Unset;
        if (row.condition == "no area") combo::setText(w.f1area, QString());
        if (row.condition == "off") w.state().readoutEnabled = Flag::Zero;
        if (row.condition == "hidden") {
            w.Image1->hide();
            // A hidden image gets no pointer events; its handler is called as
            // they would have called it.
            w.Image1_MouseMove(row.x, row.y);
        } else {
            pointTo(w.Image1, row.x, row.y);
        }

        QCOMPARE(w.state().pointerX == row.x && w.state().pointerY == row.y, row.recorded);
        QCOMPARE(w.Image1->toolTip(), row.toolTip.isEmpty() ? kBefore : row.toolTip);
        QCOMPARE(w.state().markerLeft, row.markerFollows ? row.x : markerLeft);
        if (row.toolTip.isEmpty()) return;
        QCOMPARE(w.state().markerTop, row.y);
        const auto& t = w.state().readoutTexts;
        QCOMPARE(QStringLiteral("Lat = %1:%2:%3 ,Lon = %4:%5:%6")
                     .arg(t[0], t[1], t[2], t[3], t[4], t[5]),
                 row.toolTip);
    }

    // Positions between whole twips come from high-density screens; the handler
    // is called with them directly.
    void positionRoundedToEven() {
        Workspace ws;
        MainWindow& w = startOnExample(ws);
        for (const auto& [at, pointer] : {std::pair(QPointF(300.5, 451.5), QPoint(300, 452)),
                                          {QPointF(300.49, 450.51), QPoint(300, 451)},
                                          {QPointF(-0.5, -1.5), QPoint(0, -2)}}) {
            w.Image1_MouseMove(at.x(), at.y());
            QCOMPARE(QPoint(w.state().pointerX, w.state().pointerY), pointer);
            QCOMPARE(w.state().markerLeft, pointer.x());
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
        QCOMPARE(w.Image1->toolTip(), kExample);

        const QString other = QStringLiteral("rotto.jpg");
        QVERIFY(QFile::copy(ws.file(kSheet), ws.file(other)));
        RecordView* v = ws.archives.Data1;
        v->addNew();
        v->setField("AREA", other);
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            v->setField(it.key(), it.value());
        v->update();
        addRecord(ws.archives.Data2, {{"AREA", other}, {"LOCALITA", "Qui"}});
        w.Form_Load();
        Workspace::choose(w.f1area, other);

        checkTold(ws,
                  refused ? "L'area scelta non ha una calibrazione valida: rifare il Set up." : "");
        QVERIFY(w.Image1->isVisible());
        QCOMPARE(combo::lines(w.cmbloc), QStringList{"Qui"});
        QCOMPARE(w.Image1->toolTip(), QString());
        for (const QPoint& p : {QPoint(4800, 4050), QPoint(300, 450)}) {
            pointTo(w.Image1, p.x(), p.y());
            QCOMPARE(w.Image1->toolTip(), QString());
        }
    }

    // A sheet in another datum than WGS 84 gets a second line with the place
    // in WGS 84 and UTM as cs2cs gives them (EPSG:4265 or 4230 to EPSG:4326,
    // then EPSG:32632), the first line unchanged; the position under the
    // pointer is copied as "lat, lon" in WGS 84.
    void positionInWgs84_data() {
        const QString same = QStringLiteral("45.5000000, 9.1666667");
        test::addRows<InWgs84>({
            {"no datum", "", "", same},
            {"WGS 84", "EPSG:4326", "", same},
            {"Roma 40", "EPSG:4265", "WGS 84 = 45.5006704, 9.1663183 ,UTM 32N = 512994 E 5038584 N",
             "45.5006704, 9.1663183"},
            {"ED50", "EPSG:4230", "WGS 84 = 45.4990715, 9.1656127 ,UTM 32N = 512939 E 5038407 N",
             "45.4990715, 9.1656127"},
            // Never taken as WGS 84: nothing is copied, and a message says why.
            {"a code no datum has", "EPSG:9999",
             "WGS 84 non disponibile: datum sconosciuto: EPSG:9999", ""},
        });
    }
    void positionInWgs84() {
        QFETCH(InWgs84, row);
        Workspace ws;
        MainWindow& w = startOnExample(ws, row.datum);
        pointTo(w.Image1, 300, 450);
        const QString first = QStringLiteral("Lat = 45:30: ,Lon = 9:10:");
        QCOMPARE(w.Image1->toolTip(), row.second.isEmpty() ? first : first + u'\n' + row.second);
        QGuiApplication::clipboard()->clear();
        ws.dialogs.takeTexts();
        w.mncopiapos->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), row.copied);
        const QStringList told = ws.dialogs.takeTexts();
        QCOMPARE(told.isEmpty(), !row.copied.isEmpty());
        QVERIFY(told.isEmpty() || told.join(u' ').contains(row.datum));
    }
};

ORVENA_TEST_MAIN(ReadoutWindowTest)
#include "ReadoutWindowTest.moc"
