#include "TestMain.h"
#include "Workspace.h"
#include "geo/SetupSupport.h"

#include "toolkit/ActivationTracker.h"
#include "toolkit/ComboText.h"
#include "toolkit/Hourglass.h"
#include "windows/LocalityEditor.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <SQLiteCpp/SQLiteCpp.h>

using namespace orvena;
using orvena::test::Workspace;

namespace {

const QString kNE = QStringLiteral("valfonda_ne.bmp");
const QString kVilla = QStringLiteral("VILLAFREDDA"); // 45 26 54, 9 51 12 at 14064, 5110
const QStringList kAngles{"45", "20", "10", "9", "50", "5"};

LocalityEditor& openEditor(MainWindow& w) {
    w.mnlocagg->trigger();
    LocalityEditor* editor = LocalityEditor::of(w);
    if (!editor) qFatal("no locality editor");
    return *editor;
}

void setBoxes(LocalityEditor& e, const QString& name, const QStringList& angles,
              const QString& px) {
    combo::setText(e.cmbloc, name);
    for (qsizetype i = 0; i < 6; ++i)
        e.angleBoxes()[i]->setText(angles.value(i));
    e.f2px->setText(px);
}

// A place of the sheet with the angles 45 20 10, 9 50 5.
void addPlace(MainWindow& w, const QString& name, const QVariant& px, const QVariant& py) {
    w.Data2->addNew();
    w.Data2->setField("AREA", kNE);
    w.Data2->setField("LOCALITA", name);
    const char* fields[] = {"LAGR", "LAMN", "LASE", "LOGR", "LOMN", "LOSE"};
    for (int i = 0; i < 6; ++i)
        w.Data2->setField(fields[i], kAngles[i]);
    w.Data2->setField("PX", px);
    w.Data2->setField("PY", py);
    w.Data2->update();
}

// "Clicca la posizione", then a click on the map at (x, y) twips of the image.
void takePosition(MainWindow& w, LocalityEditor& e, int x, int y) {
    e.cmdpixel_Click();
    w.state().pointerX = x;
    w.state().pointerY = y;
    w.Image1_Click();
}

// The stored places of the sheet named exactly so, in table order, one line
// each: the six angles and PX, PY ("null" when empty).
QStringList stored(Workspace& ws, const QString& name) {
    SQLite::Database db(ws.file("localita.mdb").toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement q(db, "select LAGR, LAMN, LASE, LOGR, LOMN, LOSE, PX, PY from localita "
                            "where AREA = ? and LOCALITA = ? collate binary order by rowid");
    q.bind(1, kNE.toStdString());
    q.bind(2, name.toStdString());
    QStringList rows;
    while (q.executeStep()) {
        QStringList fields;
        for (int i = 0; i < 8; ++i)
            fields << (q.getColumn(i).isNull() ? QStringLiteral("null")
                                               : QString::number(q.getColumn(i).getDouble()));
        rows << fields.join(' ');
    }
    return rows;
}

QByteArray bytesOf(Workspace& ws) {
    QFile f(ws.file("localita.mdb"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class LocalityEditorTest : public QObject {
    Q_OBJECT
private slots:
    void refusedChangeWritesNothing_data();
    void refusedChangeWritesNothing();
    void changes_data();
    void changes();
    void positionTakenOnTheMap();
    void activationAndClosing();
    void sheetWithoutPicture();
};

namespace {
QStringList anglesWith(qsizetype i, const QString& v) {
    QStringList out = kAngles;
    out[i] = v;
    return out;
}
} // namespace

void LocalityEditorTest::refusedChangeWritesNothing_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("angles");
    QTest::addColumn<QString>("px");
    QTest::addColumn<bool>("taken");
    QTest::addColumn<QString>("message");
    const QString degLat = QStringLiteral("Gradi latitudine errati.");
    const QString noPx = QStringLiteral("Manca la posizione in pixel.");
    const QString missing = QStringLiteral("Località inesistente.");
    QTest::newRow("no area") << "ins"
                             << ""
                             << "nuovo" << kAngles << "300" << true << "Manca nome file Area";
    QTest::newRow("no name") << "mod" << kNE << "" << kAngles << "300" << true << "Manca Località";
    QTest::newRow("lat degrees 91, insert")
        << "ins" << kNE << "nuovo" << anglesWith(0, "91") << "300" << true << degLat;
    QTest::newRow("lat degrees 91, modify")
        << "mod" << kNE << kVilla << anglesWith(0, "91") << "300" << true << degLat;
    QTest::newRow("lat degrees 181, delete")
        << "ann" << kNE << kVilla << anglesWith(0, "181") << "" << false << degLat;
    QTest::newRow("lat degrees 180, delete passes the checks")
        << "ann" << kNE << "nessuno" << anglesWith(0, "180") << "" << false << missing;
    QTest::newRow("lat minutes 61") << "ins" << kNE << "nuovo" << anglesWith(1, "61") << "300"
                                    << true << "Minuti latitudine errati.";
    QTest::newRow("lat seconds -1") << "ins" << kNE << "nuovo" << anglesWith(2, "-1") << "300"
                                    << true << "Secondi latitudine errati.";
    QTest::newRow("lon degrees 181") << "ins" << kNE << "nuovo" << anglesWith(3, "181") << "300"
                                     << true << "Gradi longitudine errati.";
    QTest::newRow("lon minutes not a number") << "mod" << kNE << kVilla << anglesWith(4, "abc")
                                              << "300" << true << "Minuti longitudine errati.";
    QTest::newRow("lon seconds 1e400") << "ins" << kNE << "nuovo" << anglesWith(5, "1e400") << "300"
                                       << true << "Secondi longitudine errati.";
    QTest::newRow("empty box, modify") << "mod" << kNE << kVilla << anglesWith(1, "") << "300"
                                       << true << "Minuti latitudine errati.";
    QTest::newRow("insert, empty px") << "ins" << kNE << "nuovo" << kAngles << "" << true << noPx;
    QTest::newRow("insert, px typed but nothing taken")
        << "ins" << kNE << "nuovo" << kAngles << "300" << false << noPx;
    QTest::newRow("modify, px 0") << "mod" << kNE << kVilla << kAngles << "0" << true << noPx;
    QTest::newRow("insert, existing name in lower case")
        << "ins" << kNE << "villafredda" << kAngles << "300" << true << "Località già esistente.";
    QTest::newRow("modify, unknown")
        << "mod" << kNE << "nessuno" << kAngles << "1" << true << missing;
    QTest::newRow("delete, quotes")
        << "ann" << kNE << "VILLAFREDDA\" or \"1\"=\"1" << kAngles << "" << false << missing;
    QTest::newRow("modify, area in other letters")
        << "mod" << kNE.toUpper() << kVilla << kAngles << "1" << true << missing;
}

// Each refusal shows its one message with the pointer back to normal and
// leaves the file as it was; the name is upper-cased all the same.
void LocalityEditorTest::refusedChangeWritesNothing() {
    QFETCH(QString, button);
    QFETCH(QString, area);
    QFETCH(QString, name);
    QFETCH(QStringList, angles);
    QFETCH(QString, px);
    QFETCH(bool, taken);
    QFETCH(QString, message);
    Workspace ws;
    MainWindow& w = ws.start();
    LocalityEditor& e = openEditor(w);
    Workspace::choose(e.cmbarea, kNE);
    if (taken) takePosition(w, e, 300, 450);
    combo::setText(e.cmbarea, area);
    setBoxes(e, name, angles, px);
    const QByteArray before = bytesOf(ws);
    ws.dialogs.takeTexts();

    e.findChild<QPushButton*>("cmd" + button)->click();
    QCOMPARE(ws.dialogs.texts(), QStringList{message});
    QVERIFY(!ws.dialogs.shown().back().hourglassBusy);
    QCOMPARE(bytesOf(ws), before);
    QCOMPARE(combo::text(e.cmbloc), name.toUpper());
}

void LocalityEditorTest::changes_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("choose"); // places chosen in cmbloc, in order
    QTest::addColumn<QString>("name");       // typed over the choice, unless empty
    QTest::addColumn<QStringList>("angles"); // typed over the choice, unless empty
    QTest::addColumn<QPoint>("taken");       // the map click, if any
    QTest::addColumn<QString>("px");         // f2px as the user leaves it
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("storedName");
    QTest::addColumn<QStringList>("stored");
    const QPoint none(-1, -1);
    const QString inserted = QStringLiteral("Località inserita correttamente");
    const QString modified = QStringLiteral("Località modificata correttamente");
    const QString villa = QStringLiteral("45 26 54 9 51 12 14064 5110");
    const QString longName = QString(10000, 'x') + "\" or \"1\"=\"1'";
    QTest::newRow("insert, lower case, no angles: all 1")
        << "ins" << QStringList() << "cà nuova" << QStringList(6, QString()) << QPoint(300, 450)
        << "300" << inserted << "CÀ NUOVA" << QStringList{"1 1 1 1 1 1 300 450"};
    QTest::newRow("insert, bounds included, halves to even")
        << "ins" << QStringList() << "nuovo" << QStringList{"90", "60", "60", "180", "12,5", "13,5"}
        << QPoint(300, 450) << "300" << inserted << "NUOVO"
        << QStringList{"90 60 60 180 12 14 300 450"};
    QTest::newRow("insert, position 0")
        << "ins" << QStringList() << "nuovo" << kAngles << QPoint(0, 0) << "0" << inserted
        << "NUOVO" << QStringList{"45 20 10 9 50 5 0 0"};
    QTest::newRow("insert beside a name in other letters")
        << "ins" << QStringList() << "rocca alta" << kAngles << QPoint(300, 450) << "300"
        << inserted << "ROCCA ALTA" << QStringList{"45 20 10 9 50 5 300 450"};
    QTest::newRow("insert, long name with quotes")
        << "ins" << QStringList() << longName << kAngles << QPoint(300, 450) << "300" << inserted
        << longName.toUpper() << QStringList{"45 20 10 9 50 5 300 450"};
    QTest::newRow("modify without a click keeps the position")
        << "mod" << QStringList{kVilla} << "" << anglesWith(0, "46") << none << "14064" << modified
        << kVilla << QStringList{"46 20 10 9 50 5 14064 5110"};
    QTest::newRow("modify, empty px") << "mod" << QStringList{kVilla} << "" << QStringList() << none
                                      << "" << modified << kVilla << QStringList{villa};
    QTest::newRow("modify with a click")
        << "mod" << QStringList{kVilla} << "" << QStringList() << QPoint(300, 450) << "300"
        << modified << kVilla << QStringList{"45 26 54 9 51 12 300 450"};
    QTest::newRow("modify a place without position, chosen after one with")
        << "mod" << QStringList{kVilla, "SENZA POSTO"} << "" << anglesWith(0, "46") << none << ""
        << modified << "SENZA POSTO" << QStringList{"46 20 10 9 50 5 null null"};
    QTest::newRow("modify a name typed after choosing another: its own position")
        << "mod" << QStringList{kVilla} << "senza posto" << anglesWith(0, "46") << none << "14064"
        << modified << "SENZA POSTO" << QStringList{"46 20 10 9 50 5 null null"};
    QTest::newRow("delete") << "ann" << QStringList{kVilla} << "" << QStringList() << none
                            << "14064"
                            << "Località eliminata correttamente" << kVilla << QStringList();
}

void LocalityEditorTest::changes() {
    QFETCH(QString, button);
    QFETCH(QStringList, choose);
    QFETCH(QString, name);
    QFETCH(QStringList, angles);
    QFETCH(QPoint, taken);
    QFETCH(QString, px);
    QFETCH(QString, message);
    QFETCH(QString, storedName);
    QFETCH(QStringList, stored);
    Workspace ws;
    MainWindow& w = ws.start();
    addPlace(w, "Rocca Alta", 100.0, 200.0);
    addPlace(w, "SENZA POSTO", QVariant(), QVariant());
    LocalityEditor& e = openEditor(w);
    Workspace::choose(e.cmbarea, kNE);
    for (const QString& place : choose)
        Workspace::choose(e.cmbloc, place);
    if (!name.isEmpty()) combo::setText(e.cmbloc, name);
    for (qsizetype i = 0; i < angles.size(); ++i)
        e.angleBoxes()[i]->setText(angles[i]);
    if (taken != QPoint(-1, -1)) takePosition(w, e, taken.x(), taken.y());
    if (e.f2px->text() != px) e.f2px->setText(px);
    ws.dialogs.takeTexts();

    e.findChild<QPushButton*>("cmd" + button)->click();
    QCOMPARE(ws.dialogs.texts(), QStringList{message});
    QVERIFY(!ws.dialogs.shown().back().hourglassBusy);
    QCOMPARE(::stored(ws, storedName), stored);
    QCOMPARE(::stored(ws, "Rocca Alta"), QStringList{"45 20 10 9 50 5 100 200"});
    QCOMPARE(combo::lines(e.cmbloc).contains(storedName), !stored.isEmpty());
    QCOMPARE(combo::text(e.cmbloc), storedName);
}

// The whole way through the windows: the editor hides, the user clicks the
// map, the editor comes back with the position, the insert stores it, and the
// main window marks the new place there.
void LocalityEditorTest::positionTakenOnTheMap() {
    Workspace ws;
    MainWindow& w = ws.start();
    test::makeRoomForTheSheet(w);
    LocalityEditor& e = openEditor(w);
    Workspace::choose(e.cmbarea, kNE);
    QCOMPARE(combo::text(w.f1area), kNE);
    setBoxes(e, "cà nuova", kAngles, "");
    e.cmdpixel->click();
    QVERIFY(e.isHidden());
    QCOMPARE(w.state().pixelCapture, Flag::One);
    // An area added meanwhile: coming back from a capture does not list the areas again.
    w.Data1->addNew();
    w.Data1->setField("AREA", "nuova.gif");
    w.Data1->update();

    test::clickAt(w.Image1, 615, 915);
    QVERIFY(e.isVisible());
    QCOMPARE(w.state().pixelCapture, Flag::Zero);
    QCOMPARE(e.f2px->text(), "615");
    QCOMPARE(e.f2py->text(), "915");
    QVERIFY(!combo::lines(e.cmbarea).contains("nuova.gif"));
    QTest::mouseClick(e.cmdins, Qt::LeftButton);
    QCOMPARE(ws.dialogs.takeTexts(), QStringList{"Località inserita correttamente"});
    QCOMPARE(::stored(ws, "CÀ NUOVA"), QStringList{"45 20 10 9 50 5 615 915"});
    QCOMPARE(combo::lines(e.cmbloc).last(), "CÀ NUOVA"); // in table order, not sorted

    QTest::mouseClick(e.cmdesci, Qt::LeftButton);
    QVERIFY(e.isHidden());
    QCOMPARE(w.state().localityEditorOpen, Flag::Zero);
    Workspace::choose(w.cmbloc, "CÀ NUOVA");
    QCOMPARE(w.state().markerLeft, 1080 + 615 - 140);
    QCOMPARE(w.state().markerTop, 840 + 915 - 400);
    QCOMPARE(ws.dialogs.texts(), QStringList());
}

// Every activation coming from another program window lists the areas again;
// a message box closing, or the return from a capture, does not.
void LocalityEditorTest::activationAndClosing() {
    Workspace ws;
    MainWindow& w = ws.start();
    LocalityEditor& e = openEditor(w);
    QCOMPARE(w.state().localityEditorOpen, Flag::One);
    QCOMPARE(combo::lines(e.cmbarea).size(), 4);
    combo::setText(e.cmbarea, "scritta");
    w.Data1->addNew();
    w.Data1->setField("AREA", "nuova.gif");
    w.Data1->update();

    QWidget messageBox(nullptr, Qt::Dialog);
    ActivationTracker::instance().windowActivated(&messageBox);
    ActivationTracker::instance().windowActivated(&e);
    QCOMPARE(combo::lines(e.cmbarea).size(), 4);
    ActivationTracker::instance().windowActivated(&w);
    ActivationTracker::instance().windowActivated(&e);
    QCOMPARE(combo::lines(e.cmbarea).size(), 5);
    QCOMPARE(combo::text(e.cmbarea), "scritta");

    // Closed by its frame the editor goes, the flag stays, the menu builds a new one.
    QPointer<LocalityEditor> first(&e);
    e.f2grla->setText("12");
    e.close();
    QTRY_VERIFY(!first);
    QCOMPARE(w.state().localityEditorOpen, Flag::One);
    LocalityEditor& again = openEditor(w);
    QVERIFY(again.isVisible());
    QCOMPARE(again.f2grla->text(), QString());
}

// Without its picture the sheet's places are still listed for editing.
void LocalityEditorTest::sheetWithoutPicture() {
    Workspace ws;
    QVERIFY(QFile::remove(ws.file(kNE)));
    MainWindow& w = ws.start();
    LocalityEditor& e = openEditor(w);
    Workspace::choose(e.cmbarea, kNE);
    QCOMPARE(ws.dialogs.texts(),
             QStringList{"La cartina selezionata non è presente nella cartella,"});
    QVERIFY(!ws.dialogs.shown().back().hourglassBusy);
    QVERIFY(combo::lines(e.cmbloc).contains(kVilla));
}

ORVENA_TEST_MAIN(LocalityEditorTest)
#include "LocalityEditorTest.moc"
