#include "MapWindow.h"

#include <QTemporaryDir>

#include <algorithm>
#include <memory>

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

const QStringList kRecordFields = {"AREA",   "COLA", "COLO", "PXLAO", "SECLAO", "PXLOO",
                                   "SECLOO", "NORD", "EST",  "SUD",   "OVEST"};

// The worked example: 45 30 0 / 9 10 0 clicked at (300, 450), 45 20 0 / 9 25 0
// clicked at (9300, 7650); its calibration COLA to SECLOO.
const QStringList kFirstPoint = {"45", "30", "0", "9", "10", "0"};
const QStringList kSecondPoint = {"45", "20", "0", "9", "25", "0"};
const QString kExampleCalibration = QStringLiteral("12|10|450|163800|300|33000");
const QString kNew = QStringLiteral("nuova.jpg");

// The area records, or those named exactly name, as their fields' texts joined by '|'.
QStringList areas(MainWindow& w, const QString& name = QString()) {
    QStringList all = records(w.Data1, sql::kAreaAll, kRecordFields);
    if (!name.isNull())
        all.removeIf([&](const QString& r) { return r.section(u'|', 0, 0) != name; });
    return all;
}

// COLA to SECLOO of the first record named name.
QString calibrationOf(MainWindow& w, const QString& name) {
    return areas(w, name).value(0).section(u'|', 1, 6);
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
// nuova.jpg lies in the working folder.
MainWindow& startBesideNewSheet(Workspace& ws) {
    if (newSheet(ws, kNew).isEmpty()) qFatal("nuova.jpg not written");
    MainWindow& w = ws.start();
    makeRoomForTheSheet(w);
    return w;
}

// "Nuova Area" with path (nuova.jpg unless told) chosen in the file dialog.
void openNewArea(Workspace& ws, const QString& path = QString()) {
    ws.dialogs.queueFile(path.isEmpty() ? ws.file(kNew) : path);
    ws.window().mnapri->trigger();
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

// The set-up's controls shown and the viewing ones hidden (setup), or the
// other way round.
bool controlsFor(MainWindow& w, bool setup) {
    QList<QWidget*> on{w.Label4, w.Label8, w.cmdregcor},
        off{w.cmbloc, w.Label10, w.cmding, w.cmdrid};
    for (QLineEdit* b : w.coordinateBoxes())
        on << b;
    if (!setup) std::swap(on, off);
    return std::all_of(on.begin(), on.end(), isShown) &&
           std::none_of(off.begin(), off.end(), isShown);
}

// The set-up's step and the read-out flag, as in "step 1, read-out 0".
QString steps(MainWindow& w) {
    const auto digit = [](Flag f) {
        return f == Flag::Unset ? QString() : QString::number(int(f) - 1);
    };
    return QStringLiteral("step %1, read-out %2")
        .arg(QString::number(int(w.state().setupStep)), digit(w.state().readoutEnabled));
}

// "Nuova Area" chosen again in a state of the set-up, after boxes were typed:
// cmdregcor's caption, the step and the one message that follow.
struct Again {
    const char* tag;
    QString state;
    QStringList boxes;
    QString caption, step, message;
};

// "Registra" refused with the second point typed: the message, and nothing stored.
struct Refused {
    const char* tag;
    QStringList first, second;
    bool secondClicked; // when not, after a finished set-up of another sheet
    bool locked;        // the area archive held by another program
    QString message;
};

// Boxes left empty or typed at the first and the second point: what the boxes
// show after the first click, the point used at "Registra", SECLAO and SECLOO.
struct Boxes {
    const char* tag;
    QStringList first, second, firstShown, secondUsed;
    QString seclao, secloo;
};

// The image chosen outside the working folder, the working folder holding
// none of that name, the same bytes or other ones; the answer to the replace
// question, whether the set-up starts, and how the working folder's file ends up.
struct Elsewhere {
    const char* tag;
    QString chosen; // "sheet", "junk" (not a picture) or "" (the dialog cancelled)
    QString inWorkingFolder;
    int answer;
    bool started;
    QString endsUp; // "chosen", "other" or "none"
    QStringList messages;
};

} // namespace

Q_DECLARE_METATYPE(Again)
Q_DECLARE_METATYPE(Refused)
Q_DECLARE_METATYPE(Boxes)
Q_DECLARE_METATYPE(Elsewhere)

class SetupTest : public QObject {
    Q_OBJECT
private slots:
    void workedExampleThroughTheWindow_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("jpeg") << kNew;
        QTest::newRow("bitmap") << "nuova.bmp";
        QTest::newRow("quotes and accents") << "cà \"nuova\" l'area.jpg";
    }

    void workedExampleThroughTheWindow() {
        QFETCH(QString, name);
        Workspace ws;
        const QString path = newSheet(ws, name);
        QVERIFY(!path.isEmpty());
        MainWindow& w = ws.start();
        makeRoomForTheSheet(w);
        QVERIFY(w.mnapri->isEnabled());

        openNewArea(ws, path);
        QCOMPARE(ws.dialogs.lastFileTitle(), QStringLiteral("Nome della cartina da aprire"));
        QCOMPARE(
            ws.dialogs.lastFileFilter(),
            QStringLiteral("File immagine (*.gif)|*.gif|*.bmp (*.bmp)|*.bmp|*.jpg (*.jpg)|*.jpg|"
                           "Tutti i file (*.*)|*.*"));
        QCOMPARE(combo::text(w.f1area), name);
        QVERIFY(w.Image1->shown());
        QCOMPARE(twipsOf(w.Image1), QRectF(1080, 840, 700 * 15, 600 * 15));
        QCOMPARE(w.Image1->size(), QSize(700, 600));
        QCOMPARE(w.f1ing->text(), QStringLiteral("100"));
        QVERIFY(controlsFor(w, true));
        QCOMPARE(w.cmdregcor->text(), QStringLiteral("Esci"));
        QCOMPARE(steps(w), "step 1, read-out 0");

        takeFirstPoint(w);
        QCOMPARE(QPoint(w.state().firstPointX, w.state().firstPointY), QPoint(300, 450));
        QCOMPARE(w.cmdregcor->text(), QStringLiteral("Registra"));
        QCOMPARE(steps(w), "step 2, read-out 0");
        QCOMPARE(w.Image1->toolTip(), QString()); // no read-out during the set-up

        clickAt(w.Image1, 4500, 3000); // only the last click before "Registra" counts
        takeSecondPointAndRegister(w);
        checkTold(ws, {kFirstPrompt, kSecondPrompt, kSetupDone});
        QVERIFY(controlsFor(w, false));
        QCOMPARE(steps(w), "step 0, read-out 1");
        QCOMPARE(boxTexts(w), QStringList(6, QString())); // the area was loaded
        QVERIFY(combo::lines(w.f1area).contains(name));
        // The new scales are in use: 300 seconds below and 450 right of the first point.
        pointTo(w.Image1, 4800, 4050);
        QCOMPARE(w.Image1->toolTip(), QStringLiteral("Lat = 45:25: ,Lon = 9:17:30"));
        // One record, and no links yet.
        QCOMPARE(areas(w, name), QStringList{name + '|' + kExampleCalibration + "||||"});
    }

    void newAreaInEachState_data() {
        QTest::addColumn<Again>("a");
        const QStringList bad = {"95", "0", "0", "9", "0", "0"};
        const Again rows[] = {
            {"idle", "idle", kFirstPoint, "Esci", "1", kFirstPrompt},
            {"deleting", "deleting", kFirstPoint, "Esci", "1", kFirstPrompt},
            {"first point, good boxes: checked, not restarted", "first", kFirstPoint, "Registra",
             "1", kSecondPrompt},
            {"first point, bad boxes: refused", "first", bad, "Esci", "0", kBadCoordinates},
            {"second point: afresh", "second", kSecondPoint, "Esci", "1", kFirstPrompt},
            {"first point refused: afresh", "refused", kFirstPoint, "Esci", "1", kFirstPrompt}};
        for (const Again& row : rows)
            QTest::newRow(row.tag) << row;
    }

    void newAreaInEachState() {
        QFETCH(Again, a);
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws);
        if (a.state == "deleting") {
            w.cmdregcor->setText(QStringLiteral("Elimina"));
            w.cmdregcor->show();
        } else if (a.state != "idle") {
            openNewArea(ws);
            if (a.state == "second") takeFirstPoint(w);
            if (a.state == "refused") {
                typePoint(w, {"91"});
                clickAt(w.Image1, 300, 450);
                QCOMPARE(w.cmdregcor->text(), QStringLiteral("Esci"));
                QCOMPARE(w.state().setupStep, SetupStep::SecondPoint);
            }
        }
        typePoint(w, a.boxes);
        ws.dialogs.takeTexts();

        openNewArea(ws);
        QCOMPARE(ws.dialogs.texts(), QStringList{a.message});
        QCOMPARE(w.cmdregcor->text(), a.caption);
        QVERIFY(isShown(w.cmdregcor));
        QCOMPARE(steps(w), "step " + a.step + ", read-out 0");
        QCOMPARE(boxTexts(w), a.boxes); // the set-up never empties the boxes
        if (a.caption != "Registra") return;

        // Still at step "1": the next click is taken as the first point again.
        typePoint(w, kFirstPoint);
        clickAt(w.Image1, 600, 900);
        QCOMPARE(w.state().firstPointX, 600);
        QCOMPARE(w.state().setupStep, SetupStep::SecondPoint);
        takeSecondPointAndRegister(w);
        QCOMPARE(ws.dialogs.texts().last(), kSetupDone);
        QCOMPARE(areas(w, kNew).size(), 1);
    }

    void firstPointChecked_data() {
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QList<int>>("stored"); // firstPointDms; empty: refused
        const auto refused = [](const char* tag, const QStringList& boxes) {
            QTest::newRow(tag) << boxes << QList<int>();
        };
        QTest::newRow("bounds themselves pass") << QStringList{"90", "59", "59", "180", "59", "59"}
                                                << QList<int>{90, 59, 59, 180, 59, 59};
        QTest::newRow("negative values pass") << QStringList{"-45", "-30", "-1", "-9", "0", "0"}
                                              << QList<int>{-45, -30, -1, -9, 0, 0};
        QTest::newRow("halves to even") << QStringList{"12,5", "13,5", "0,5", "1,5", "2,5", "58,5"}
                                        << QList<int>{12, 14, 0, 2, 2, 58};
        QTest::newRow("blanks around, point as separator")
            << QStringList{" 45 ", "30", "0", "9.5", "10", "0"} << QList<int>{45, 30, 0, 10, 10, 0};
        refused("latitude over 90", {"91", "0", "0", "9", "0", "0"});
        refused("minutes over 59", {"45", "60", "0", "9", "0", "0"});
        refused("seconds 59,5", {"45", "0", "59,5", "9", "0", "0"});
        refused("longitude over 180", {"45", "0", "0", "180,1", "0", "0"});
        refused("longitude seconds over 59", {"45", "0", "0", "9", "0", "60"});
        refused("letters", {"45", "trenta", "0", "9", "0", "0"});
        refused("quotes", {"45", "0", "0", "9\"", "'0", "0"});
        refused("beyond 32 bits", {"-3000000000", "0", "0", "9", "0", "0"});
        refused("seconds of arc beyond 32 bits", {"45", "0", "0", "-600000", "0", "0"});
        // Esci before the first click: the boxes keep what was typed.
        refused("Esci at once", {"44", "1"});
    }

    void firstPointChecked() {
        QFETCH(QStringList, boxes);
        QFETCH(QList<int>, stored);
        const bool accepted = !stored.isEmpty();
        const bool clicked = QTest::currentDataTag() != QByteArray("Esci at once");
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws);
        const QStringList before = areas(w);
        openNewArea(ws);
        ws.dialogs.takeTexts();
        setPoint(w, boxes);
        if (clicked) {
            clickAt(w.Image1, 300, 450);
            QCOMPARE(w.state().setupStep, SetupStep::SecondPoint);
            checkTold(ws, accepted ? kSecondPrompt : kBadCoordinates);
            QCOMPARE(w.cmdregcor->text(), QString::fromLatin1(accepted ? "Registra" : "Esci"));
        }
        if (accepted) {
            const auto& dms = w.state().firstPointDms;
            QCOMPARE(QList<int>(dms.begin(), dms.end()), stored);
            return;
        }
        // Refused: later clicks only record a position, and the button cancels.
        if (clicked) {
            clickAt(w.Image1, 900, 600);
            QCOMPARE(w.state().secondPointX, 900);
            QCOMPARE(w.cmdregcor->text(), QStringLiteral("Esci"));
        }
        const QStringList told = ws.dialogs.texts();
        QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
        QVERIFY(controlsFor(w, false));
        QCOMPARE(steps(w), "step 0, read-out 0"); // until an area is loaded
        QCOMPARE(ws.dialogs.texts(), told);
        QCOMPARE(areas(w), before);
        // The boxes keep what was typed for the next set-up.
        QCOMPARE(boxTexts(w), QStringList(boxes + QStringList(6 - boxes.size(), QString())));
        // No read-out until an area is chosen; idle, a click does nothing for the set-up.
        pointTo(w.Image1, 4800, 4050);
        QCOMPARE(w.Image1->toolTip(), QString());
        clickAt(w.Image1, 300, 450);
        QCOMPARE(ws.dialogs.texts(), told);
    }

    void registerRefusedKeepsWaiting_data() {
        QTest::addColumn<Refused>("r");
        const QString bad = kBadCoordinates;
        const Refused rows[] = {
            {"same latitude", kFirstPoint, {"45", "30", "0", "9", "25", "0"}, true, false, bad},
            {"same longitude", kFirstPoint, {"45", "20", "0", "9", "10", "0"}, true, false, bad},
            {"same latitude once rounded",
             kFirstPoint,
             {"45", "30", "0,4", "9", "25", "0"},
             true,
             false,
             bad},
            {"out of bounds", kFirstPoint, {"45", "20", "0", "9", "25", "60"}, true, false, bad},
            {"not a number", kFirstPoint, {"45", "20", "0", "nove", "25", "0"}, true, false, bad},
            {"difference beyond 32 bits",
             {"-596523", "0", "0", "9", "10", "0"},
             {"90", "0", "0", "9", "25", "0"},
             true,
             false,
             bad},
            {"second point not clicked", kFirstPoint, kSecondPoint, false, false,
             "Clicca sulla cartina il secondo punto di riferimento, poi premi 'Registra'."},
            {"area archive locked by another program", kFirstPoint, kSecondPoint, true, true,
             "Non è stato possibile registrare l'area. Riprova a premere 'Registra'."}};
        for (const Refused& row : rows)
            QTest::newRow(row.tag) << row;
    }

    void registerRefusedKeepsWaiting() {
        QFETCH(Refused, r);
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws);
        if (!r.secondClicked) {
            // An earlier set-up's second click must not serve the next one.
            openNewArea(ws, newSheet(ws, "prima.jpg"));
            takeFirstPoint(w);
            takeSecondPointAndRegister(w);
            QCOMPARE(ws.dialogs.texts().last(), kSetupDone);
        }
        const QStringList before = areas(w);
        openNewArea(ws);
        setPoint(w, r.first);
        clickAt(w.Image1, 300, 450);
        QCOMPARE(w.cmdregcor->text(), QStringLiteral("Registra"));
        if (r.secondClicked) clickAt(w.Image1, 9300, 7650);
        ws.dialogs.takeTexts();
        setPoint(w, r.second);
        auto other = std::make_unique<SQLite::Database>(ws.file("area.mdb").toStdString(),
                                                        SQLite::OPEN_READWRITE);
        if (r.locked) other->exec("BEGIN EXCLUSIVE");
        QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
        other.reset();

        QCOMPARE(ws.dialogs.texts(), QStringList{r.message});
        QCOMPARE(areas(w), before);
        QCOMPARE(w.state().setupStep, SetupStep::SecondPoint);
        QCOMPARE(w.cmdregcor->text(), QStringLiteral("Registra"));
        QVERIFY(controlsFor(w, true));
        QCOMPARE(boxTexts(w), r.second);
        if (r.first != kFirstPoint) return;

        // Corrected, it goes through.
        if (!r.secondClicked) clickAt(w.Image1, 9300, 7650);
        typePoint(w, kSecondPoint);
        QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
        QCOMPARE(ws.dialogs.texts(), QStringList({r.message, kSetupDone}));
        QCOMPARE(calibrationOf(w, kNew), kExampleCalibration);
    }

    void boxesLeftEmptyOrOne_data() {
        QTest::addColumn<Boxes>("b");
        const QStringList none(6, QString()), ones(6, QStringLiteral("1")),
            twos(6, QStringLiteral("2"));
        const Boxes rows[] = {{"all empty twice", none, none, ones, twos, "3661", "3661"},
                              {"ones left as they were", none, ones, ones, twos, "3661", "3661"},
                              {"some empty",
                               {"45", "", "0", "9", "", ""},
                               {"44", "", "", "8", "", "3"},
                               {"45", "1", "0", "9", "1", "1"},
                               {"44", "2", "2", "8", "2", "3"},
                               "162060",
                               "32461"}};
        for (const Boxes& row : rows)
            QTest::newRow(row.tag) << row;
    }

    void boxesLeftEmptyOrOne() {
        QFETCH(Boxes, b);
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws);
        openNewArea(ws);
        setPoint(w, b.first);
        clickAt(w.Image1, 300, 450);
        QCOMPARE(boxTexts(w), b.firstShown);
        setPoint(w, b.second);
        clickAt(w.Image1, 9300, 7650);

        // What "Registra" puts into the boxes shows in the record it writes; the
        // boxes themselves are emptied by the loading of the new area.
        QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
        QCOMPARE(ws.dialogs.texts().last(), kSetupDone);
        const QStringList calibration = calibrationOf(w, kNew).split(u'|');
        QCOMPARE(calibration.value(3), b.seclao);
        QCOMPARE(calibration.value(5), b.secloo);
        QStringList used;
        for (int v : w.state().secondPointDms)
            used << QString::number(v);
        QCOMPARE(used, b.secondUsed);
    }

    void existingArea_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("OK: re-calibrated") << int(AnswerOk);
        QTest::newRow("Cancel: nothing written") << int(AnswerCancel);
    }

    void existingArea() {
        QFETCH(int, answer);
        Workspace ws;
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
        QCOMPARE(combo::text(w.f1area), kNE);
        if (answer == AnswerCancel) {
            checkTold(ws, kAreaExists);
            QCOMPARE(steps(w), "step 0, read-out 0");
            QVERIFY(!isShown(w.cmdregcor));
            QCOMPARE(w.Data1->text("AREA"), kNE); // left on the existing record
            QCOMPARE(areas(w, kNE).value(0), oldRecord);
            return;
        }
        takeFirstPoint(w);
        takeSecondPointAndRegister(w);
        checkTold(ws, {kAreaExists, kFirstPrompt, kSecondPrompt, kSetupDone});
        // Re-calibrated, the links stay.
        QCOMPARE(areas(w, kNE),
                 QStringList{kNE + '|' + kExampleCalibration + '|' + oldRecord.section(u'|', 7)});
        QCOMPARE(placesOfNE(), places);
        QCOMPARE(combo::lines(w.f1area), listed); // the list is not read again
        QCOMPARE(areas(w).size(), before.size() + 1);
    }

    void imageChosenElsewhere_data() {
        QTest::addColumn<Elsewhere>("e");
        const Elsewhere rows[] = {
            {"copied in", "sheet", "none", 0, true, "chosen", {kFirstPrompt}},
            {"same bytes already there", "sheet", "same", 0, true, "chosen", {kFirstPrompt}},
            {"other bytes, replaced",
             "sheet",
             "other",
             AnswerOk,
             true,
             "chosen",
             {kReplace, kFirstPrompt}},
            {"other bytes, kept", "sheet", "other", AnswerCancel, false, "other", {kReplace}},
            {"not a picture", "junk", "none", 0, false, "none", {kNotAPicture}},
            {"not a picture, other there", "junk", "other", 0, false, "other", {kNotAPicture}},
            {"dialog cancelled", "", "none", 0, false, "none", {}}};
        for (const Elsewhere& row : rows)
            QTest::newRow(row.tag) << row;
    }

    void imageChosenElsewhere() {
        QFETCH(Elsewhere, e);
        Workspace ws;
        QTemporaryDir elsewhere;
        const QString name = QStringLiteral("foglio12.jpg");
        const QString chosen = elsewhere.filePath(name);
        if (e.chosen == "junk") QVERIFY(writeFile(chosen, "not a picture"));
        if (e.chosen != "junk") QVERIFY(!newSheet(ws, name, elsewhere.path()).isEmpty());
        if (e.inWorkingFolder == "same") QVERIFY(QFile::copy(chosen, ws.file(name)));
        if (e.inWorkingFolder == "other")
            QVERIFY(demo::writeLargeSheet(ws.file(name), 300, 200).isEmpty());
        const QByteArray other = fileBytes(ws.file(name));
        MainWindow& w = ws.start();
        makeRoomForTheSheet(w);

        if (e.answer) ws.dialogs.queueAnswer(e.answer);
        const QString shown = e.chosen.isEmpty() ? demo::demoSheets()[0].name : name;
        if (e.chosen.isEmpty()) {
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
        checkTold(ws, e.messages);
        QCOMPARE(combo::text(w.f1area), shown);
        QCOMPARE(w.state().setupStep, e.started ? SetupStep::FirstPoint : SetupStep::None);
        QCOMPARE(isShown(w.cmdregcor), e.started);
        if (e.endsUp == "chosen") QCOMPARE(fileBytes(ws.file(name)), fileBytes(chosen));
        if (e.endsUp == "other") QCOMPARE(fileBytes(ws.file(name)), other);
        if (e.endsUp == "none") QVERIFY(!QFile::exists(ws.file(name)));
        if (!e.started) return;

        takeFirstPoint(w);
        takeSecondPointAndRegister(w);
        QCOMPARE(ws.dialogs.texts().last(), kSetupDone);
        QCOMPARE(calibrationOf(w, name), kExampleCalibration);
        QCOMPARE(w.Image1->size(), QSize(700, 600)); // loaded from the working folder
    }

    void clickGivesTheLocalityEditorItsPosition_data() {
        QTest::addColumn<bool>("duringSetup");
        QTest::newRow("viewing") << false;
        QTest::newRow("set-up waiting for the second point") << true;
    }

    void clickGivesTheLocalityEditorItsPosition() {
        QFETCH(bool, duringSetup);
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws);
        if (duringSetup) {
            openNewArea(ws);
            takeFirstPoint(w);
        } else {
            Workspace::choose(w.f1area, demo::demoSheets()[0].name);
        }
        const QStringList messages = ws.dialogs.texts();
        w.state().pixelCapture = Flag::One;
        clickAt(w.Image1, 615, 915);

        QCOMPARE(w.state().localityPixelX, 615.0f);
        QCOMPARE(w.state().localityPixelY, 915.0f);
        QCOMPARE(w.state().pixelCapture, Flag::One); // the editor ends the capture
        QCOMPARE(w.state().secondPointX, duringSetup ? 615 : 0);
        QCOMPARE(ws.dialogs.texts(), messages);
    }
};

ORVENA_TEST_MAIN(SetupTest)
#include "SetupTest.moc"
