#include "MapWindow.h"

#include "ui/windows/LocalityEditor.h"

using namespace orvena;
using namespace orvena::test;

namespace {

const QString kVilla = QStringLiteral("VILLAFREDDA"); // 45 26 54, 9 51 12 at 14064, 5110
const QStringList kAngles{"45", "20", "10", "9", "50", "5"};

// The editor as the menu opens it, on the area chosen unless none is given.
LocalityEditor& openEditor(MainWindow& w, const QString& area = {}) {
    w.mnlocagg->trigger();
    LocalityEditor* editor = w.localityEditor();
    if (!editor) qFatal("no locality editor");
    if (!area.isEmpty()) Workspace::choose(editor->cmbarea, area);
    return *editor;
}

void setBoxes(LocalityEditor& e, const QString& name, const QStringList& angles,
              const QString& px) {
    combo::setText(e.cmbloc, name);
    for (qsizetype i = 0; i < 6; ++i)
        e.angleBoxes()[i]->setText(angles.value(i));
    e.f2px->setText(px);
}

// "Clicca la posizione", then a click on the map at (x, y) twips of the image.
void takePosition(MainWindow& w, LocalityEditor& e, int x, int y) {
    e.cmdpixel_Click();
    w.state().pointerX = x;
    w.state().pointerY = y;
    w.Image1_Click();
}

// The stored places of kNE named exactly so, in table order, one line each:
// the six angles and PX, PY joined by '|'.
QStringList stored(Workspace& ws, const QString& name) {
    return queryRows(ws.file("localita.mdb"),
                     "select LAGR, LAMN, LASE, LOGR, LOMN, LOSE, PX, PY from localita where "
                     "AREA = ? and LOCALITA = ? collate binary order by rowid",
                     {kNE, name});
}

QStringList anglesWith(qsizetype i, const QString& v) {
    QStringList out = kAngles;
    out[i] = v;
    return out;
}

// A change the editor refuses: the angle box typed with value (box -1: none),
// f2px typed, the map clicked or not first, and the one message.
struct Refusal {
    const char* tag;
    QString button, name;
    int box;
    QString value, px;
    bool taken;
    QString message, area = kNE;
};

// A change made: the places chosen in cmbloc in order, then the name and the
// angles typed over the choice unless empty (after the click when
// anglesLast), the map clicked unless at (-1, -1), and f2px left as px;
// afterwards the place stored under storedName, as its line (empty when
// gone). Lists are joined by '|'.
struct Change {
    const char* tag;
    QString button, choose, name, angles;
    QPoint taken;
    QString px, storedName, stored;
    bool anglesLast = false;
};

} // namespace

class LocalityEditorTest : public QObject {
    Q_OBJECT
private slots:
    void refusedChangeWritesNothing_data() {
        const QString degLat = QStringLiteral("Gradi latitudine errati.");
        const QString noPx = QStringLiteral("Manca la posizione in pixel.");
        const QString missing = QStringLiteral("Località inesistente.");
        const QString quotes = QStringLiteral("VILLAFREDDA\" or \"1\"=\"1");
        test::addRows<Refusal>({
            {"no area", "ins", "nuovo", -1, "", "300", true, "Manca nome file Area", ""},
            {"no name", "mod", "", -1, "", "300", true, "Manca Località"},
            {"lat degrees 91, insert", "ins", "nuovo", 0, "91", "300", true, degLat},
            {"lat degrees 91, modify", "mod", kVilla, 0, "91", "300", true, degLat},
            {"lat degrees 181, delete", "ann", kVilla, 0, "181", "", false, degLat},
            {"lat degrees 180, delete passes the checks", "ann", "nessuno", 0, "180", "", false,
             missing},
            {"lat minutes 61", "ins", "nuovo", 1, "61", "300", true, "Minuti latitudine errati."},
            {"lat seconds -1", "ins", "nuovo", 2, "-1", "300", true, "Secondi latitudine errati."},
            {"lon degrees 181", "ins", "nuovo", 3, "181", "300", true, "Gradi longitudine errati."},
            {"lon minutes not a number", "mod", kVilla, 4, "abc", "300", true,
             "Minuti longitudine errati."},
            {"lon seconds 1e400", "ins", "nuovo", 5, "1e400", "300", true,
             "Secondi longitudine errati."},
            {"empty box, modify", "mod", kVilla, 1, "", "300", true, "Minuti latitudine errati."},
            {"insert, empty px", "ins", "nuovo", -1, "", "", true, noPx},
            {"insert, px typed but nothing taken", "ins", "nuovo", -1, "", "300", false, noPx},
            {"modify, px 0", "mod", kVilla, -1, "", "0", true, noPx},
            {"insert, existing name in lower case", "ins", "villafredda", -1, "", "300", true,
             "Località già esistente."},
            {"modify, unknown", "mod", "nessuno", -1, "", "1", true, missing},
            {"delete, quotes", "ann", quotes, -1, "", "", false, missing},
            {"modify, area in other letters", "mod", kVilla, -1, "", "1", true, missing,
             kNE.toUpper()},
        });
    }

    // Each refusal shows its one message with the pointer back to normal and
    // leaves the file as it was; the name is upper-cased all the same.
    void refusedChangeWritesNothing() {
        QFETCH(Refusal, row);
        Workspace ws;
        MainWindow& w = ws.start();
        LocalityEditor& e = openEditor(w, kNE);
        if (row.taken) takePosition(w, e, 300, 450);
        combo::setText(e.cmbarea, row.area);
        setBoxes(e, row.name, row.box < 0 ? kAngles : anglesWith(row.box, row.value), row.px);
        const QByteArray before = fileBytes(ws.file("localita.mdb"));
        ws.dialogs.takeTexts();

        e.findChild<QPushButton*>("cmd" + row.button)->click();
        checkTold(ws, row.message);
        QCOMPARE(fileBytes(ws.file("localita.mdb")), before);
        QCOMPARE(combo::text(e.cmbloc), row.name.toUpper());
    }

    void changes_data() {
        const QPoint none(-1, -1), at(300, 450);
        const QString longName = QString(10000, 'x') + "\" or \"1\"=\"1'";
        const QString noPlace = QStringLiteral("SENZA POSTO");
        const QString all = kAngles.join(u'|'), lat46 = anglesWith(0, "46").join(u'|');
        test::addRows<Change>({
            // The read-out there shows 45 30 06, 9 37 42 on the sheet.
            {"insert, lower case, no angles: those of the point clicked", "ins", "", "cà nuova",
             "|||||", at, "300", "CÀ NUOVA", "45|30|6|9|37|42|300.0|450.0"},
            {"insert, angles emptied after the click: all 1", "ins", "", "nuovo", "|||||", at,
             "300", "NUOVO", "1|1|1|1|1|1|300.0|450.0", true},
            {"insert, bounds included, halves to even", "ins", "", "nuovo",
             "90|60|60|180|12,5|13,5", at, "300", "NUOVO", "90|60|60|180|12|14|300.0|450.0"},
            {"insert, position 0", "ins", "", "nuovo", all, QPoint(0, 0), "0", "NUOVO",
             "45|20|10|9|50|5|0.0|0.0"},
            {"insert beside a name in other letters", "ins", "", "rocca alta", all, at, "300",
             "ROCCA ALTA", "45|20|10|9|50|5|300.0|450.0"},
            {"insert, long name with quotes", "ins", "", longName, all, at, "300",
             longName.toUpper(), "45|20|10|9|50|5|300.0|450.0"},
            {"modify without a click keeps the position", "mod", kVilla, "", lat46, none, "14064",
             kVilla, "46|20|10|9|50|5|14064.0|5110.0"},
            {"modify, empty px", "mod", kVilla, "", "", none, "", kVilla,
             "45|26|54|9|51|12|14064.0|5110.0"},
            {"modify with a click", "mod", kVilla, "", "", at, "300", kVilla,
             "45|26|54|9|51|12|300.0|450.0"},
            {"modify a place without position, chosen after one with", "mod",
             kVilla + "|" + noPlace, "", lat46, none, "", noPlace, "46|20|10|9|50|5|NULL|NULL"},
            {"modify a name typed after choosing another: its own position", "mod", kVilla,
             "senza posto", lat46, none, "14064", noPlace, "46|20|10|9|50|5|NULL|NULL"},
            {"delete", "ann", kVilla, "", "", none, "14064", kVilla, ""},
        });
    }

    void changes() {
        QFETCH(Change, row);
        const QString done = row.button == "ins"   ? "inserita"
                             : row.button == "mod" ? "modificata"
                                                   : "eliminata";
        Workspace ws;
        MainWindow& w = ws.start();
        addLocality(w.Data2, kNE, "Rocca Alta", 100.0, 200.0);
        addLocality(w.Data2, kNE, "SENZA POSTO", QVariant(), QVariant());
        LocalityEditor& e = openEditor(w, kNE);
        for (const QString& place : row.choose.split(u'|', Qt::SkipEmptyParts))
            Workspace::choose(e.cmbloc, place);
        if (!row.name.isEmpty()) combo::setText(e.cmbloc, row.name);
        const QStringList angles = row.angles.isEmpty() ? QStringList() : row.angles.split(u'|');
        const auto typeAngles = [&] {
            for (qsizetype i = 0; i < angles.size(); ++i)
                e.angleBoxes()[i]->setText(angles[i]);
        };
        if (!row.anglesLast) typeAngles();
        if (row.taken != QPoint(-1, -1)) takePosition(w, e, row.taken.x(), row.taken.y());
        if (row.anglesLast) typeAngles();
        if (e.f2px->text() != row.px) e.f2px->setText(row.px);
        ws.dialogs.takeTexts();

        e.findChild<QPushButton*>("cmd" + row.button)->click();
        checkTold(ws, "Località " + done + " correttamente");
        QCOMPARE(stored(ws, row.storedName).join(u'\n'), row.stored);
        QCOMPARE(stored(ws, "Rocca Alta"), QStringList{"45|20|10|9|50|5|100.0|200.0"});
        QCOMPARE(combo::lines(e.cmbloc).contains(row.storedName), !row.stored.isEmpty());
        QCOMPARE(combo::text(e.cmbloc), row.storedName);
    }

    // The whole way through the windows: the editor hides, the user clicks the
    // map, the editor comes back with the position, the insert stores it, and the
    // main window marks the new place there.
    void positionTakenOnTheMap() {
        Workspace ws;
        MainWindow& w = ws.start();
        makeRoomForTheSheet(w);
        LocalityEditor& e = openEditor(w, kNE);
        QCOMPARE(combo::text(w.f1area), kNE);
        setBoxes(e, "cà nuova", kAngles, "");
        e.cmdpixel->click();
        QVERIFY(e.isHidden() && e.capturing());
        // An area added meanwhile: coming back from a capture does not list the areas again.
        addRecord(w.Data1, {{"AREA", "nuova.gif"}});

        pointTo(w.Image1, 615, 915);
        QCOMPARE(w.Image1->cursor().shape(), Qt::CrossCursor); // a click takes the position
        clickAt(w.Image1, 615, 915);
        QVERIFY(e.isVisible() && !e.capturing() && !w.Image1->pickMode());
        QCOMPARE(e.f2px->text(), "615");
        QCOMPARE(e.f2py->text(), "915");
        QVERIFY(!combo::lines(e.cmbarea).contains("nuova.gif"));
        QTest::mouseClick(e.cmdins, Qt::LeftButton);
        QCOMPARE(ws.dialogs.takeTexts(), QStringList{"Località inserita correttamente"});
        QCOMPARE(::stored(ws, "CÀ NUOVA"), QStringList{"45|20|10|9|50|5|615.0|915.0"});
        QCOMPARE(combo::lines(e.cmbloc).last(), "CÀ NUOVA"); // in table order, not sorted
        // The position served that insert: another place needs a click of its own.
        setBoxes(e, "altra", kAngles, "615");
        QTest::mouseClick(e.cmdins, Qt::LeftButton);
        QCOMPARE(ws.dialogs.takeTexts(), QStringList{"Manca la posizione in pixel."});
        QCOMPARE(::stored(ws, "ALTRA"), QStringList());

        QTest::mouseClick(e.cmdesci, Qt::LeftButton);
        QVERIFY(e.isHidden());
        QVERIFY(!w.localityEditorOpen());
        Workspace::choose(w.cmbloc, "CÀ NUOVA");
        QCOMPARE(QPoint(w.state().markerLeft, w.state().markerTop),
                 QPoint(1080 + 615 - 140, 840 + 915 - 400));
        QCOMPARE(ws.dialogs.texts(), QStringList());
    }

    // Every activation coming from another program window lists the areas again;
    // a message box closing, or the return from a capture, does not.
    void activationAndClosing() {
        Workspace ws;
        MainWindow& w = ws.start();
        LocalityEditor& e = openEditor(w);
        QVERIFY(w.localityEditorOpen());
        QCOMPARE(combo::lines(e.cmbarea).size(), 4);
        combo::setText(e.cmbarea, "scritta");
        addRecord(w.Data1, {{"AREA", "nuova.gif"}});

        QWidget messageBox(nullptr, Qt::Dialog);
        activated(&messageBox);
        activated(&e);
        QCOMPARE(combo::lines(e.cmbarea).size(), 4);
        activated(&w);
        activated(&e);
        QCOMPARE(combo::lines(e.cmbarea).size(), 5);
        QCOMPARE(combo::text(e.cmbarea), "scritta");

        // Closed by its frame the editor goes, the flag stays, the menu builds a new one.
        QPointer<LocalityEditor> first(&e);
        e.f2grla->setText("12");
        e.close();
        QTRY_VERIFY(!first);
        QVERIFY(w.localityEditorOpen());
        LocalityEditor& again = openEditor(w);
        QVERIFY(again.isVisible());
        QCOMPARE(again.f2grla->text(), QString());
    }

    // Without its picture the sheet's places are still listed for editing.
    void sheetWithoutPicture() {
        Workspace ws;
        QVERIFY(QFile::remove(ws.file(kNE)));
        MainWindow& w = ws.start();
        LocalityEditor& e = openEditor(w, kNE);
        checkTold(ws, kSheetMissing);
        QVERIFY(combo::lines(e.cmbloc).contains(kVilla));
    }
};

ORVENA_TEST_MAIN(LocalityEditorTest)
#include "LocalityEditorTest.moc"
