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

QStringList anglesWith(qsizetype i, const QString& v) {
    QStringList out = kAngles;
    out[i] = v;
    return out;
}

} // namespace

class LocalityEditorTest : public QObject {
    Q_OBJECT
private slots:
    void refusedChangeWritesNothing_data() {
        for (const char* column : {"button", "area", "name", "px", "message"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<QStringList>("angles");
        QTest::addColumn<bool>("taken");
        // box: the angle box typed with value, -1 for none.
        auto row = [](const char* tag, const char* button, const QString& name, int box,
                      const char* value, const char* px, bool taken, const QString& message,
                      const QString& area = kNE) {
            QTest::newRow(tag) << button << area << name << px << message
                               << (box < 0 ? kAngles : anglesWith(box, value)) << taken;
        };
        const QString degLat = QStringLiteral("Gradi latitudine errati.");
        const QString noPx = QStringLiteral("Manca la posizione in pixel.");
        const QString missing = QStringLiteral("Località inesistente.");
        row("no area", "ins", "nuovo", -1, "", "300", true, "Manca nome file Area", "");
        row("no name", "mod", "", -1, "", "300", true, "Manca Località");
        row("lat degrees 91, insert", "ins", "nuovo", 0, "91", "300", true, degLat);
        row("lat degrees 91, modify", "mod", kVilla, 0, "91", "300", true, degLat);
        row("lat degrees 181, delete", "ann", kVilla, 0, "181", "", false, degLat);
        row("lat degrees 180, delete passes the checks", "ann", "nessuno", 0, "180", "", false,
            missing);
        row("lat minutes 61", "ins", "nuovo", 1, "61", "300", true, "Minuti latitudine errati.");
        row("lat seconds -1", "ins", "nuovo", 2, "-1", "300", true, "Secondi latitudine errati.");
        row("lon degrees 181", "ins", "nuovo", 3, "181", "300", true, "Gradi longitudine errati.");
        row("lon minutes not a number", "mod", kVilla, 4, "abc", "300", true,
            "Minuti longitudine errati.");
        row("lon seconds 1e400", "ins", "nuovo", 5, "1e400", "300", true,
            "Secondi longitudine errati.");
        row("empty box, modify", "mod", kVilla, 1, "", "300", true, "Minuti latitudine errati.");
        row("insert, empty px", "ins", "nuovo", -1, "", "", true, noPx);
        row("insert, px typed but nothing taken", "ins", "nuovo", -1, "", "300", false, noPx);
        row("modify, px 0", "mod", kVilla, -1, "", "0", true, noPx);
        row("insert, existing name in lower case", "ins", "villafredda", -1, "", "300", true,
            "Località già esistente.");
        row("modify, unknown", "mod", "nessuno", -1, "", "1", true, missing);
        row("delete, quotes", "ann", "VILLAFREDDA\" or \"1\"=\"1", -1, "", "", false, missing);
        row("modify, area in other letters", "mod", kVilla, -1, "", "1", true, missing,
            kNE.toUpper());
    }

    // Each refusal shows its one message with the pointer back to normal and
    // leaves the file as it was; the name is upper-cased all the same.
    void refusedChangeWritesNothing() {
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

    void changes_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("choose"); // places chosen in cmbloc, in order
        QTest::addColumn<QString>("name");       // typed over the choice, unless empty
        QTest::addColumn<QStringList>("angles"); // typed over the choice, unless empty
        QTest::addColumn<QPoint>("taken");       // the map click, if any
        QTest::addColumn<QString>("px");         // f2px as the user leaves it
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("storedName");
        QTest::addColumn<QStringList>("stored");
        auto row = [](const char* tag, const char* button, const QStringList& choose,
                      const QString& name, const QStringList& angles, QPoint taken, const char* px,
                      const QString& storedName, const QString& stored) {
            const QString message = QStringLiteral("Località %1 correttamente")
                                        .arg(button == QLatin1String("ins")   ? "inserita"
                                             : button == QLatin1String("mod") ? "modificata"
                                                                              : "eliminata");
            QTest::newRow(tag) << button << choose << name << angles << taken << px << message
                               << storedName
                               << (stored.isEmpty() ? QStringList() : QStringList{stored});
        };
        const QPoint none(-1, -1), at(300, 450);
        const QString longName = QString(10000, 'x') + "\" or \"1\"=\"1'";
        const QString noPlace = QStringLiteral("SENZA POSTO");
        row("insert, lower case, no angles: all 1", "ins", {}, "cà nuova",
            QStringList(6, QString()), at, "300", "CÀ NUOVA", "1 1 1 1 1 1 300 450");
        row("insert, bounds included, halves to even", "ins", {}, "nuovo",
            {"90", "60", "60", "180", "12,5", "13,5"}, at, "300", "NUOVO",
            "90 60 60 180 12 14 300 450");
        row("insert, position 0", "ins", {}, "nuovo", kAngles, QPoint(0, 0), "0", "NUOVO",
            "45 20 10 9 50 5 0 0");
        row("insert beside a name in other letters", "ins", {}, "rocca alta", kAngles, at, "300",
            "ROCCA ALTA", "45 20 10 9 50 5 300 450");
        row("insert, long name with quotes", "ins", {}, longName, kAngles, at, "300",
            longName.toUpper(), "45 20 10 9 50 5 300 450");
        row("modify without a click keeps the position", "mod", {kVilla}, "", anglesWith(0, "46"),
            none, "14064", kVilla, "46 20 10 9 50 5 14064 5110");
        row("modify, empty px", "mod", {kVilla}, "", {}, none, "", kVilla,
            "45 26 54 9 51 12 14064 5110");
        row("modify with a click", "mod", {kVilla}, "", {}, at, "300", kVilla,
            "45 26 54 9 51 12 300 450");
        row("modify a place without position, chosen after one with", "mod", {kVilla, noPlace}, "",
            anglesWith(0, "46"), none, "", noPlace, "46 20 10 9 50 5 null null");
        row("modify a name typed after choosing another: its own position", "mod", {kVilla},
            "senza posto", anglesWith(0, "46"), none, "14064", noPlace,
            "46 20 10 9 50 5 null null");
        row("delete", "ann", {kVilla}, "", {}, none, "14064", kVilla, "");
    }

    void changes() {
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
    void positionTakenOnTheMap() {
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
    void activationAndClosing() {
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
    void sheetWithoutPicture() {
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
};

ORVENA_TEST_MAIN(LocalityEditorTest)
#include "LocalityEditorTest.moc"
