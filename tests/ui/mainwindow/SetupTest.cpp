#include "KilledInside.h"
#include "MapWindow.h"

#include "core/archive/AreaDatums.h"
#include "core/archive/WorkingPair.h"

#include <QTemporaryDir>

#include <algorithm>

using namespace orvena;
using namespace orvena::test;

namespace {

const QString kFirstPrompt = QStringLiteral(
    "Inserisci le coordinate (Latitudine e Longitudine in gradi, minuti, secodi) del primo punto "
    "di riferimento conosciuto in alto a senistra e clicca il punto corrispondente sulla carta.");
const QString kSecondPrompt = QStringLiteral(
    "Inserisci le coordinate (Latitudine e Longitudine in gradi,minuti,secodi) del secondo punto "
    "di riferimento in basso a destra  e clicca il punto corrispondente sulla carta, poi premi "
    "'Registra\"");
const QString kBadCoordinates =
    QStringLiteral("Le coordinate del primo punto non sono corrette. Rifare il Set up");
const QString kSetupDone = QStringLiteral("Set up effettuato correttamente.");
const QString kAreaExists = QStringLiteral("Area già esistente. Vuoi modificare i dati dell'area?");
const QString kReplace =
    QStringLiteral("Nella cartella esiste già un'immagine con questo nome. Vuoi sostituirla?");
const QString kNotAPicture = QStringLiteral("Il file scelto non è un'immagine leggibile.");

// The set-up as seen at its steps (see seen()).
const QString kWaitingForFirst = QStringLiteral("step 1, read-out 0, set-up controls, Esci");
const QString kWaitingForSecond = QStringLiteral("step 2, read-out 0, set-up controls, Registra");
const QString kEnded = QStringLiteral("step 0, read-out 0, viewing controls");

// The worked example: 45 30 0 / 9 10 0 clicked at (300, 450), 45 20 0 / 9 25 0
// clicked at (9300, 7650); its calibration COLA to SECLOO.
const QString kFirstPoint = QStringLiteral("45|30|0|9|10|0");
const QString kSecondPoint = QStringLiteral("45|20|0|9|25|0");
const QString kExampleCalibration = QStringLiteral("12|10|450|163800|300|33000");
const QString kNew = QStringLiteral("nuova.jpg");

// The area records, or those named exactly name, as "AREA|COLA|...|OVEST".
QStringList areas(MainWindow& w, const QString& name = QString()) {
    QStringList all = records(w.Data1, sql::kAreaAll,
                              {"AREA", "COLA", "COLO", "PXLAO", "SECLAO", "PXLOO", "SECLOO", "NORD",
                               "EST", "SUD", "OVEST"});
    if (!name.isNull())
        all.removeIf([&](const QString& r) { return r.section(u'|', 0, 0) != name; });
    return all;
}

// COLA to SECLOO of the first record named name.
QString calibrationOf(MainWindow& w, const QString& name) {
    return areas(w, name).value(0).section(u'|', 1, 6);
}

// The set-up as the state and the user see it, as in "step 1, read-out 0,
// set-up controls, Esci": the step (0 for none, else the point awaited), the
// read-out flag (empty when unset), whose controls are shown (the set-up's,
// the viewer's or a mixture) and cmdregcor's caption when it is shown.
QString seen(MainWindow& w) {
    QList<QWidget*> setup{w.Label4, w.Label8, w.cmdregcor, w.Label14, w.f1datum};
    for (QLineEdit* b : w.coordinateBoxes())
        setup << b;
    const QList<QWidget*> viewing{w.cmbloc, w.Label10, w.cmding, w.cmdrid};
    const auto all = [](const QList<QWidget*>& widgets, bool shown) {
        return std::all_of(widgets.begin(), widgets.end(),
                           [&](QWidget* x) { return isShown(x) == shown; });
    };
    const QString controls = all(setup, true) && all(viewing, false)   ? "set-up"
                             : all(setup, false) && all(viewing, true) ? "viewing"
                                                                       : "mixed";
    const Flag readout = w.state().readoutEnabled;
    return QStringLiteral("step %1, read-out %2, %3 controls%4")
        .arg(int(w.areaSetup().stage()))
        .arg(readout == Flag::Unset ? QString() : QString::number(int(readout) - 1), controls,
             isShown(w.cmdregcor) ? ", " + w.cmdregcor->text() : QString());
}

// A new sheet of 700 x 600 pixels, in the working folder unless told otherwise.
QString newSheet(Workspace& ws, const QString& name, const QString& folder = QString()) {
    const QString path = folder.isEmpty() ? ws.file(name) : folder + '/' + name;
    if (name.endsWith(QLatin1String(".bmp"))) {
        QImage image(700, 600, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        if (!image.save(path, "BMP")) return {};
    } else if (!demo::writeLargeSheet(path, 700, 600).isEmpty()) {
        return {};
    }
    return path;
}

// The main window over the demo atlas, room made for a sheet; the new sheet
// (nuova.jpg unless told) lies in the working folder.
MainWindow& startBesideNewSheet(Workspace& ws, const QString& name = kNew) {
    if (newSheet(ws, name).isEmpty()) qFatal("%s not written", qPrintable(name));
    MainWindow& w = ws.start();
    makeRoomForTheSheet(w);
    return w;
}

// "Nuova Area" with path (nuova.jpg unless told) chosen in the file dialog.
void openNewArea(Workspace& ws, const QString& path = QString()) {
    ws.dialogs.queueFile(path.isEmpty() ? ws.file(kNew) : path);
    ws.window().mnapri->trigger();
}

// Degrees, minutes and seconds of a point as "45 30 0 9 10 0".
QString joined(const auto& dms) {
    QStringList texts;
    for (int v : dms)
        texts << QString::number(v);
    return texts.join(' ');
}

// The worked example's first point, typed and clicked.
void takeFirstPoint(MainWindow& w) {
    typePoint(w, kFirstPoint);
    clickAt(w.Image1, 300, 450);
}

void takeSecondPointAndRegister(MainWindow& w) {
    typePoint(w, kSecondPoint);
    clickAt(w.Image1, 9300, 7650);
    QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
}

struct StateRow {
    const char* tag;
    QString state, boxes, seen, message; // boxes: typed before choosing again
};
struct PointRow {
    const char* tag;
    QString boxes, stored;
};
struct RegisterRow {
    const char* tag;
    QString first, second;
    bool secondClicked;
    QString message;
    QString firstShown{}, secondUsed{}, seconds{}; // when it goes through
};
struct ElsewhereRow {
    const char* tag;
    QString inWorkingFolder;
    int answer;
    QString endsUp;
    QStringList messages;
};

} // namespace

class SetupTest : public QObject {
    Q_OBJECT
private slots:
    // killed: the calibration and the datum of one "Registra" are one change:
    // killed after the record was written and before the datum, the next start
    // has neither.
    void workedExampleThroughTheWindow_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("killed");
        QTest::newRow("jpeg") << kNew << false;
        QTest::newRow("bitmap") << "nuova.bmp" << false;
        QTest::newRow("quotes and accents") << "cà \"nuova\" l'area.jpg" << false;
        QTest::newRow("killed inside Registra") << kNew << true;
    }

    void workedExampleThroughTheWindow() {
        QFETCH(QString, name);
        QFETCH(bool, killed);
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws, name);
        QVERIFY(w.mnapri->isEnabled());

        openNewArea(ws, ws.file(name));
        QCOMPARE(ws.dialogs.lastFileTitle(), "Nome della cartina da aprire");
        QCOMPARE(
            ws.dialogs.lastFileFilter(),
            QStringLiteral("File immagine (*.gif)|*.gif|*.bmp (*.bmp)|*.bmp|*.jpg (*.jpg)|*.jpg|"
                           "Tutti i file (*.*)|*.*"));
        QCOMPARE(combo::text(w.f1area), name);
        QVERIFY(w.Image1->shown());
        QCOMPARE(twipsOf(w.Image1), QRectF(1080, 840, 700 * 15, 600 * 15));
        QCOMPARE(w.Image1->size(), QSize(700, 600));
        QCOMPARE(w.f1ing->text(), "100");
        QCOMPARE(seen(w), kWaitingForFirst);
        QCOMPARE(w.f1datum->currentText(), QString());         // a new area: no datum
        QCOMPARE(w.Image1->cursor().shape(), Qt::CrossCursor); // a click takes a point

        takeFirstPoint(w);
        QCOMPARE(w.areaSetup().firstPoint(), QPoint(300, 450));
        QCOMPARE(seen(w), kWaitingForSecond);
        QCOMPARE(w.Image1->toolTip(), QString()); // no read-out during the set-up

        // A click with the position capture on gives the locality editor its
        // position too; only the last click before "Registra" counts. Each
        // return to the map shows the area again, which has no record yet.
        checkTold(ws, {kFirstPrompt, kSecondPrompt});
        ws.dialogs.takeTexts();
        LocalityEditor& e = awaitPosition(w);
        clickAt(w.Image1, 615, 915);
        QCOMPARE(QPoint(e.f2px->text().toInt(), e.f2py->text().toInt()), QPoint(615, 915));
        QVERIFY(!e.capturing()); // back in the editor, the capture ended
        QCOMPARE(w.areaSetup().secondPoint().x(), 615);
        e.cmdesci_Click();
        QCOMPARE(ws.dialogs.takeTexts(), QStringList(2, "La cartina selezionata non è presente nella cartella,"));
        if (killed) {
            w.f1datum->setCurrentIndex(w.f1datum->findText(QStringLiteral("ED50")));
            QVERIFY(killedInside([&] {
                areadatums::setBetweenWrites(killNow);
                takeSecondPointAndRegister(w);
            }));
            Archives next; // the next start rolls back what the kill left
            QCOMPARE(next.openAll(ws.folder.path()), QString());
            QCOMPARE(queryRows(ws.file("area.mdb"), "select AREA from AREA where AREA = ?", {name}),
                     QStringList());
            QCOMPARE(areadatums::readIn(ws.folder.path(), name).code, QString());
            return;
        }
        takeSecondPointAndRegister(w);
        checkTold(ws, kSetupDone);
        QCOMPARE(seen(w), "step 0, read-out 1, viewing controls");
        QCOMPARE(w.Image1->cursor().shape(), Qt::OpenHandCursor);
        QCOMPARE(boxTexts(w), "|||||"); // the area was loaded
        QVERIFY(combo::lines(w.f1area).contains(name));
        // The new scales are in use: 300 seconds below and 450 right of the first point.
        pointTo(w.Image1, 4800, 4050);
        QCOMPARE(w.Image1->toolTip(), "Lat = 45:25: ,Lon = 9:17:30");
        // One record, and no links or datum yet.
        QCOMPARE(areas(w, name), QStringList{name + '|' + kExampleCalibration + "||||"});
        QCOMPARE(areadatums::readIn(ws.folder.path(), name).code, QString());

        // Viewing, such a click gives the editor its position and nothing else.
        const int second = w.areaSetup().secondPoint().x();
        LocalityEditor& again = awaitPosition(w);
        clickAt(w.Image1, 630, 945);
        QCOMPARE(QPoint(again.f2px->text().toInt(), again.f2py->text().toInt()), QPoint(630, 945));
        QCOMPARE(w.areaSetup().secondPoint().x(), second);
        checkTold(ws, kSetupDone);
    }

    // "Nuova Area" and a file chosen again while a set-up is under way.
    void newAreaInEachState_data() {
        const QString refused = "step 0, read-out 0, set-up controls, Esci";
        const QString again = "step 1, read-out 0, set-up controls, Registra";
        const QString first = kWaitingForFirst;
        test::addRows<StateRow>({
            {"idle", "idle", kFirstPoint, first, kFirstPrompt},
            {"deleting", "deleting", kFirstPoint, first, kFirstPrompt},
            {"first point, good boxes: checked, not restarted", "first", kFirstPoint, again,
             kSecondPrompt},
            {"first point, bad boxes: refused", "first", "95|0|0|9|0|0", refused, kBadCoordinates},
            {"second point: afresh", "second", kSecondPoint, first, kFirstPrompt},
            {"first point refused: afresh", "refused", kFirstPoint, first, kFirstPrompt},
        });
    }

    void newAreaInEachState() {
        QFETCH(StateRow, row);
        const auto& [tag, state, boxes, seen, message] = row;
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws);
        if (state == "deleting") {
            w.mnareacanc->trigger();
        } else if (state != "idle") {
            openNewArea(ws);
            if (state == "second") takeFirstPoint(w);
            if (state == "refused") {
                typePoint(w, "91");
                clickAt(w.Image1, 300, 450);
                QCOMPARE(::seen(w), "step 2, read-out 0, set-up controls, Esci");
            }
        }
        typePoint(w, boxes);
        ws.dialogs.takeTexts();

        openNewArea(ws);
        QCOMPARE(ws.dialogs.texts(), QStringList{message});
        QCOMPARE(::seen(w), seen);
        QCOMPARE(boxTexts(w), boxes); // the set-up never empties the boxes
        if (!seen.endsWith("Registra")) return;

        // Still at step "1": the next click is taken as the first point again.
        typePoint(w, kFirstPoint);
        clickAt(w.Image1, 600, 900);
        QCOMPARE(w.areaSetup().firstPoint().x(), 600);
        QCOMPARE(::seen(w), kWaitingForSecond);
        takeSecondPointAndRegister(w);
        QCOMPARE(ws.dialogs.texts().last(), kSetupDone);
        QCOMPARE(areas(w, kNew).size(), 1);
    }

    // stored: firstPointDms; empty: refused.
    void firstPointChecked_data() {
        test::addRows<PointRow>({
            {"bounds themselves pass", "90|59|59|180|59|59", "90 59 59 180 59 59"},
            {"negative values pass", "-45|-30|-1|-9|0|0", "-45 -30 -1 -9 0 0"},
            {"halves to even", "12,5|13,5|0,5|1,5|2,5|58,5", "12 14 0 2 2 58"},
            {"blanks around, point as separator", " 45 |30|0|9.5|10|0", "45 30 0 10 10 0"},
            {"latitude over 90", "91|0|0|9|0|0", ""},
            {"minutes over 59", "45|60|0|9|0|0", ""},
            {"seconds 59,5", "45|0|59,5|9|0|0", ""},
            {"longitude over 180", "45|0|0|180,1|0|0", ""},
            {"longitude seconds over 59", "45|0|0|9|0|60", ""},
            {"letters", "45|trenta|0|9|0|0", ""},
            {"quotes", "45|0|0|9\"|'0|0", ""},
            {"beyond 32 bits", "-3000000000|0|0|9|0|0", ""},
            {"seconds of arc beyond 32 bits", "45|0|0|-600000|0|0", ""},
            {"Esci at once", "44|1||||", ""}, // the boxes keep what was typed
        });
    }

    void firstPointChecked() {
        QFETCH(PointRow, row);
        const auto& [tag, boxes, stored] = row;
        const bool clicked = QTest::currentDataTag() != QByteArray("Esci at once");
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws);
        const QStringList before = areas(w);
        openNewArea(ws);
        ws.dialogs.takeTexts();
        setPoint(w, boxes);
        if (clicked) {
            clickAt(w.Image1, 300, 450);
            checkTold(ws, stored.isEmpty() ? kBadCoordinates : kSecondPrompt);
            QCOMPARE(seen(w), stored.isEmpty() ? "step 2, read-out 0, set-up controls, Esci"
                                               : kWaitingForSecond);
        }
        if (!stored.isEmpty()) {
            QCOMPARE(joined(w.areaSetup().firstAngles()), stored);
            return;
        }
        // Refused: later clicks only record a position, and the button cancels.
        if (clicked) {
            clickAt(w.Image1, 900, 600);
            QCOMPARE(w.areaSetup().secondPoint().x(), 900);
            QCOMPARE(w.cmdregcor->text(), "Esci");
        }
        const QStringList told = ws.dialogs.texts();
        QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
        QCOMPARE(seen(w), kEnded); // no read-out until an area is loaded
        QCOMPARE(areas(w), before);
        QCOMPARE(boxTexts(w), boxes); // kept for the next set-up
        pointTo(w.Image1, 4800, 4050);
        QCOMPARE(w.Image1->toolTip(), QString());
        clickAt(w.Image1, 300, 450); // idle: a click does nothing for the set-up
        QCOMPARE(ws.dialogs.texts(), told);
    }

    // "Registra" refused, the set-up waits; secondClicked: when not, after a
    // finished set-up of another sheet. Boxes left empty or one go through:
    // the boxes after the first click, the second point used at "Registra",
    // and SECLAO and SECLOO stored.
    void registerFromTheBoxes_data() {
        const QString bad = kBadCoordinates, p = kFirstPoint, ones = "1|1|1|1|1|1";
        const QString done = kSetupDone, twos = "2 2 2 2 2 2";
        test::addRows<RegisterRow>({
            {"all empty twice", "", "", true, done, ones, twos, "3661|3661"},
            {"ones left as they were", "", ones, true, done, ones, twos, "3661|3661"},
            {"some empty", "45||0|9||", "44|||8||3", true, done, "45|1|0|9|1|1", "44 2 2 8 2 3",
             "162060|32461"},
            {"same latitude", p, "45|30|0|9|25|0", true, bad},
            {"same longitude", p, "45|20|0|9|10|0", true, bad},
            {"same latitude once rounded", p, "45|30|0,4|9|25|0", true, bad},
            {"out of bounds", p, "45|20|0|9|25|60", true, bad},
            {"not a number", p, "45|20|0|nove|25|0", true, bad},
            {"difference beyond 32 bits", "-596523|0|0|9|10|0", "90|0|0|9|25|0", true, bad},
            {"second point not clicked", p, kSecondPoint, false,
             "Clicca sulla cartina il secondo punto di riferimento, poi premi 'Registra'."},
            {"area archive locked by another program", p, kSecondPoint, true,
             "Non è stato possibile registrare l'area. Riprova a premere 'Registra'."},
        });
    }

    void registerFromTheBoxes() {
        QFETCH(RegisterRow, row);
        const auto& [tag, first, second, secondClicked, message, firstShown, secondUsed, seconds] =
            row;
        const bool through = message == kSetupDone;
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws);
        if (!secondClicked) {
            // An earlier set-up's second click must not serve the next one.
            openNewArea(ws, newSheet(ws, "prima.jpg"));
            takeFirstPoint(w);
            takeSecondPointAndRegister(w);
            QCOMPARE(ws.dialogs.texts().last(), kSetupDone);
        }
        const QStringList before = areas(w);
        openNewArea(ws);
        setPoint(w, first);
        clickAt(w.Image1, 300, 450);
        QCOMPARE(w.cmdregcor->text(), "Registra");
        if (through) QCOMPARE(boxTexts(w), firstShown);
        if (through) setPoint(w, second); // typed before the click
        if (secondClicked) clickAt(w.Image1, 9300, 7650);
        ws.dialogs.takeTexts();
        if (!through) setPoint(w, second);
        {
            SQLite::Database other(ws.file("area.mdb").toStdString(), SQLite::OPEN_READWRITE);
            if (QByteArray(QTest::currentDataTag()).startsWith("area archive locked"))
                other.exec("BEGIN EXCLUSIVE");
            QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
        }

        QCOMPARE(ws.dialogs.texts(), QStringList{message});
        if (through) {
            // What "Registra" puts into the boxes shows in the record it writes;
            // the boxes themselves are emptied by the loading of the new area.
            const QString calibration = calibrationOf(w, kNew);
            QCOMPARE(calibration.section(u'|', 3, 3) + '|' + calibration.section(u'|', 5, 5),
                     seconds);
            QCOMPARE(joined(w.areaSetup().secondAngles()), secondUsed);
            return;
        }
        QCOMPARE(areas(w), before);
        QCOMPARE(seen(w), kWaitingForSecond);
        QCOMPARE(boxTexts(w), second);
        if (first != kFirstPoint) return;

        // Corrected, it goes through.
        if (!secondClicked) clickAt(w.Image1, 9300, 7650);
        typePoint(w, kSecondPoint);
        QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
        QCOMPARE(ws.dialogs.texts(), QStringList({message, kSetupDone}));
        QCOMPARE(calibrationOf(w, kNew), kExampleCalibration);
    }

    void existingArea_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("OK: re-calibrated") << int(AnswerOk);
        QTest::newRow("Cancel: nothing written") << int(AnswerCancel);
    }

    void existingArea() {
        QFETCH(int, answer);
        Workspace ws;
        {
            WorkingPair pair(ws.folder.path());
            areadatums::store(pair, kNE, QStringLiteral("EPSG:4265"));
        }
        MainWindow& w = ws.start();
        const auto placesOfNE = [&] {
            QStringList all =
                records(w.Data2, sql::kLocalityOfArea, {"LOCALITA", "PX", "PY"}, {kNE});
            all.sort();
            return all;
        };
        const QStringList before = areas(w);
        const QString oldRecord = areas(w, kNE).value(0);
        const QStringList places = placesOfNE();
        QVERIFY(!places.isEmpty());
        QVERIFY(oldRecord.section(u'|', 7) != "|||"); // it has neighbours
        // An area the list does not show yet: a refilled list would show it.
        addRecord(ws.archives.Data1, {{"AREA", "aggiunta.jpg"}});
        const QStringList listed = combo::lines(w.f1area);
        makeRoomForTheSheet(w);

        ws.dialogs.queueAnswer(answer);
        openNewArea(ws, ws.file(kNE));
        QCOMPARE(ws.dialogs.shown().value(0).text, kAreaExists);
        QCOMPARE(ws.dialogs.shown().value(0).buttons, Buttons::OkCancel);
        QCOMPARE(ws.dialogs.shown().value(0).preset, DefaultButton::Decline);
        QCOMPARE(combo::text(w.f1area), kNE);
        if (answer == AnswerCancel) {
            checkTold(ws, kAreaExists);
            QCOMPARE(seen(w), kEnded);
            QCOMPARE(areas(w, kNE).value(0), oldRecord);
            return;
        }
        // The datum it has is offered, and the one chosen is stored.
        QCOMPARE(w.f1datum->currentText(), "Roma 40 (Monte Mario), longitudini da Greenwich");
        w.f1datum->setCurrentIndex(w.f1datum->findText(QStringLiteral("ED50")));
        takeFirstPoint(w);
        takeSecondPointAndRegister(w);
        checkTold(ws, {kAreaExists, kFirstPrompt, kSecondPrompt, kSetupDone});
        QCOMPARE(areadatums::readIn(ws.folder.path(), kNE).code, "EPSG:4230");
        // Re-calibrated, the links stay.
        QCOMPARE(areas(w, kNE),
                 QStringList{kNE + '|' + kExampleCalibration + '|' + oldRecord.section(u'|', 7)});
        QCOMPARE(placesOfNE(), places);
        QCOMPARE(combo::lines(w.f1area), listed); // the list is not read again
        QCOMPARE(areas(w).size(), before.size() + 1);
    }

    // The image chosen outside the working folder; the working folder holding
    // none of that name, the same bytes or other ones; the answer to the replace
    // question, how the working folder's file ends up, and the messages: the
    // set-up starts when they end with its first prompt.
    void imageChosenElsewhere_data() {
        const QStringList prompt{kFirstPrompt}, refused{kNotAPicture};
        test::addRows<ElsewhereRow>({
            {"copied in", "none", 0, "chosen", prompt},
            {"same bytes already there", "same", 0, "chosen", prompt},
            {"other bytes, replaced", "other", AnswerOk, "chosen", {kReplace, kFirstPrompt}},
            {"other bytes, kept", "other", AnswerCancel, "other", {kReplace}},
            {"not a picture", "none", 0, "none", refused},
            {"not a picture, other there", "other", 0, "other", refused},
            {"dialog cancelled", "none", 0, "none", {}},
        });
    }

    void imageChosenElsewhere() {
        QFETCH(ElsewhereRow, row);
        const auto& [tag, inWorkingFolder, answer, endsUp, messages] = row;
        const bool started = messages.endsWith(kFirstPrompt);
        const bool broken = QByteArray(QTest::currentDataTag()).startsWith("not a picture");
        const bool cancelled = QByteArray(QTest::currentDataTag()) == "dialog cancelled";
        Workspace ws;
        QTemporaryDir elsewhere;
        const QString name = QStringLiteral("foglio12.jpg");
        const QString chosen = elsewhere.filePath(name);
        QVERIFY(broken ? writeFile(chosen, "not a picture")
                       : !newSheet(ws, name, elsewhere.path()).isEmpty());
        if (inWorkingFolder == "same") QVERIFY(QFile::copy(chosen, ws.file(name)));
        if (inWorkingFolder == "other")
            QVERIFY(demo::writeLargeSheet(ws.file(name), 300, 200).isEmpty());
        const QByteArray other = fileBytes(ws.file(name));
        MainWindow& w = ws.start();
        makeRoomForTheSheet(w);

        if (answer) ws.dialogs.queueAnswer(answer);
        const QString shown = cancelled ? demo::demoSheets()[0].name : name;
        if (cancelled) {
            // What "Nuova Area" does before its dialog stays done.
            Workspace::choose(w.f1area, shown);
            w.Image1->setToolTip("Lat = 1:2:3 ,Lon = 4:5:6");
            w.freccia->show();
            w.mnapri->trigger(); // no file queued: the dialog is cancelled
            QCOMPARE(ws.dialogs.fileDialogs(), 1);
            QVERIFY(!isShown(w.freccia));
            QCOMPARE(w.Image1->toolTip(), QString());
            QCOMPARE(w.state().readoutEnabled, Flag::Zero);
        } else {
            openNewArea(ws, chosen);
        }
        checkTold(ws, messages);
        if (answer) QCOMPARE(ws.dialogs.shown().value(0).preset, DefaultButton::Decline);
        QCOMPARE(combo::text(w.f1area), shown);
        QCOMPARE(w.areaSetup().stage(),
                 started ? AreaSetupMode::Stage::FirstPoint : AreaSetupMode::Stage::Idle);
        QCOMPARE(isShown(w.cmdregcor), started);
        if (endsUp == "chosen") QCOMPARE(fileBytes(ws.file(name)), fileBytes(chosen));
        if (endsUp == "other") QCOMPARE(fileBytes(ws.file(name)), other);
        if (endsUp == "none") QVERIFY(!QFile::exists(ws.file(name)));
        if (!started) return;

        takeFirstPoint(w);
        takeSecondPointAndRegister(w);
        QCOMPARE(ws.dialogs.texts().last(), kSetupDone);
        QCOMPARE(calibrationOf(w, name), kExampleCalibration);
        QCOMPARE(w.Image1->size(), QSize(700, 600)); // loaded from the working folder
    }
};

ORVENA_TEST_MAIN(SetupTest)
#include "SetupTest.moc"
