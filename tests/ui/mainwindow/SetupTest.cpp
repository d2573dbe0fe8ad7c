#include "SetupSupport.h"
#include "TestMain.h"
#include "Workspace.h"

#include "DemoAtlas.h"
#include "core/archive/SqlTexts.h"
#include "core/base/Hourglass.h"
#include "ui/widgets/ComboText.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>

#include <algorithm>
#include <memory>

using namespace orvena;
using namespace orvena::test;

namespace {

const QStringList kRecordFields = {"AREA",   "COLA", "COLO", "PXLAO", "SECLAO", "PXLOO",
                                   "SECLOO", "NORD", "EST",  "SUD",   "OVEST"};

// The worked example: 45 30 0 / 9 10 0 clicked at (300, 450), 45 20 0 / 9 25 0
// clicked at (9300, 7650).
const QStringList kFirstPoint = {"45", "30", "0", "9", "10", "0"};
const QStringList kSecondPoint = {"45", "20", "0", "9", "25", "0"};
const QStringList kExampleRecord = {"12", "10", "450", "163800", "300", "33000"};
const QString kNew = QStringLiteral("nuova.jpg");

// Every record of the area archive, or those named exactly name, as the texts
// of their fields.
QList<QStringList> records(RecordView* v, const QString& name = QString()) {
    QList<QStringList> out;
    v->setRecordSource(sql::kAreaAll);
    v->refresh();
    if (v->eof()) return out;
    for (v->moveFirst(); !v->eof(); v->moveNext()) {
        if (!name.isEmpty() && v->text("AREA") != name) continue;
        QStringList r;
        for (const QString& f : kRecordFields)
            r << v->text(f);
        out << r;
    }
    return out;
}

// The calibration fields of the first record named name.
QStringList calibrationOf(RecordView* v, const QString& name) {
    return records(v, name).value(0).mid(1, 6);
}

QStringList localitiesOf(RecordView* v, const QString& area) {
    QStringList out;
    v->setRecordSource(sql::kLocalityOfArea, {area});
    v->refresh();
    if (v->eof()) return out;
    for (v->moveFirst(); !v->eof(); v->moveNext())
        out << v->text("LOCALITA") + '@' + v->text("PX") + ',' + v->text("PY");
    out.sort();
    return out;
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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

bool hourglassDownAtEveryMessage(const ScriptedDialogs& d) {
    for (const auto& s : d.shown())
        if (s.hourglassBusy) return false;
    return !hourglass::isBusy();
}

} // namespace

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
        QCOMPARE(w.Image1->size(), QSize(700, 600));
        QCOMPARE(w.Image1->left(), 1080.0);
        QCOMPARE(w.Image1->top(), 840.0);
        QCOMPARE(w.f1ing->text(), QStringLiteral("100"));
        QVERIFY(controlsFor(w, true));
        QCOMPARE(w.cmdregcor->text(), QStringLiteral("Esci"));
        QCOMPARE(w.state().setupStep, SetupStep::FirstPoint);
        QCOMPARE(w.state().readoutEnabled, Flag::Zero);

        takeFirstPoint(w);
        QCOMPARE(w.state().firstPointX, 300);
        QCOMPARE(w.state().firstPointY, 450);
        QCOMPARE(w.cmdregcor->text(), QStringLiteral("Registra"));
        QCOMPARE(w.state().setupStep, SetupStep::SecondPoint);
        QCOMPARE(w.Image1->toolTip(), QString()); // no read-out during the set-up

        clickAt(w.Image1, 4500, 3000); // only the last click before "Registra" counts
        takeSecondPointAndRegister(w);
        QCOMPARE(ws.dialogs.texts(), QStringList({kFirstPrompt, kSecondPrompt, kSetupDone}));
        QVERIFY(hourglassDownAtEveryMessage(ws.dialogs));
        QVERIFY(controlsFor(w, false));
        QCOMPARE(w.state().setupStep, SetupStep::None);
        QCOMPARE(w.state().readoutEnabled, Flag::One);
        QCOMPARE(boxTexts(w), QStringList(6, QString())); // the area was loaded
        QVERIFY(combo::lines(w.f1area).contains(name));
        // The new scales are in use: 300 seconds below and 450 right of the first point.
        pointTo(w.Image1, 4800, 4050);
        QCOMPARE(w.Image1->toolTip(), QStringLiteral("Lat = 45:25: ,Lon = 9:17:30"));

        const auto named = records(w.Data1, name);
        QCOMPARE(named.size(), 1);
        QCOMPARE(named[0].mid(1, 6), kExampleRecord);
        QCOMPARE(named[0].mid(7), QStringList(4, QString())); // no links yet
    }

    // "Nuova Area" and a file chosen again while a set-up is under way.
    void newAreaInEachState_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("boxes"); // typed before choosing again
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("message");
        const QStringList bad = {"95", "0", "0", "9", "0", "0"};
        QTest::newRow("idle") << "idle" << kFirstPoint << "Esci" << 1 << kFirstPrompt;
        QTest::newRow("deleting") << "deleting" << kFirstPoint << "Esci" << 1 << kFirstPrompt;
        QTest::newRow("first point, good boxes: checked, not restarted")
            << "first" << kFirstPoint << "Registra" << 1 << kSecondPrompt;
        QTest::newRow("first point, bad boxes: refused")
            << "first" << bad << "Esci" << 0 << kBadCoordinates;
        QTest::newRow("second point: afresh")
            << "second" << kSecondPoint << "Esci" << 1 << kFirstPrompt;
        QTest::newRow("first point refused: afresh")
            << "refused" << kFirstPoint << "Esci" << 1 << kFirstPrompt;
    }

    void newAreaInEachState() {
        QFETCH(QString, state);
        QFETCH(QStringList, boxes);
        QFETCH(QString, caption);
        QFETCH(int, step);
        QFETCH(QString, message);
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws);
        if (state == "deleting") {
            w.cmdregcor->setText(QStringLiteral("Elimina"));
            w.cmdregcor->show();
        } else if (state != "idle") {
            openNewArea(ws);
            if (state == "second") takeFirstPoint(w);
            if (state == "refused") {
                typePoint(w, {"91"});
                clickAt(w.Image1, 300, 450);
                QCOMPARE(w.cmdregcor->text(), QStringLiteral("Esci"));
                QCOMPARE(w.state().setupStep, SetupStep::SecondPoint);
            }
        }
        typePoint(w, boxes);
        ws.dialogs.takeTexts();

        openNewArea(ws);
        QCOMPARE(ws.dialogs.texts(), QStringList{message});
        QCOMPARE(w.cmdregcor->text(), caption);
        QVERIFY(isShown(w.cmdregcor));
        QCOMPARE(w.state().setupStep, step == 0 ? SetupStep::None : SetupStep::FirstPoint);
        QCOMPARE(w.state().readoutEnabled, Flag::Zero);
        QCOMPARE(boxTexts(w), boxes); // the set-up never empties the boxes

        if (step == 1 && caption == "Registra") {
            // Still at step "1": the next click is taken as the first point again.
            typePoint(w, kFirstPoint);
            clickAt(w.Image1, 600, 900);
            QCOMPARE(w.state().firstPointX, 600);
            QCOMPARE(w.state().setupStep, SetupStep::SecondPoint);
            takeSecondPointAndRegister(w);
            QCOMPARE(ws.dialogs.texts().last(), kSetupDone);
            QCOMPARE(records(w.Data1, kNew).size(), 1);
        }
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
    }

    void firstPointChecked() {
        QFETCH(QStringList, boxes);
        QFETCH(QList<int>, stored);
        const bool accepted = !stored.isEmpty();
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws);
        openNewArea(ws);
        ws.dialogs.takeTexts();
        setPoint(w, boxes);
        clickAt(w.Image1, 300, 450);

        QCOMPARE(w.state().setupStep, SetupStep::SecondPoint);
        QCOMPARE(ws.dialogs.texts(), QStringList{accepted ? kSecondPrompt : kBadCoordinates});
        QCOMPARE(w.cmdregcor->text(), QString::fromLatin1(accepted ? "Registra" : "Esci"));
        QVERIFY(hourglassDownAtEveryMessage(ws.dialogs));
        if (accepted) {
            const auto& dms = w.state().firstPointDms;
            QCOMPARE(QList<int>(dms.begin(), dms.end()), stored);
            return;
        }
        // Refused: later clicks only record a position, and the button cancels.
        clickAt(w.Image1, 900, 600);
        QCOMPARE(w.state().secondPointX, 900);
        QCOMPARE(w.cmdregcor->text(), QStringLiteral("Esci"));
        QCOMPARE(ws.dialogs.texts().size(), 1);
        QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
        QVERIFY(controlsFor(w, false));
        QCOMPARE(w.state().setupStep, SetupStep::None);
        QVERIFY(records(w.Data1, kNew).isEmpty());
    }

    void exitEndsTheSetup() {
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws);
        const auto before = records(w.Data1);
        openNewArea(ws);
        typePoint(w, {"44", "1"});
        QTest::mouseClick(w.cmdregcor, Qt::LeftButton);

        QVERIFY(controlsFor(w, false));
        QCOMPARE(w.state().setupStep, SetupStep::None);
        QCOMPARE(w.state().readoutEnabled, Flag::Zero); // until an area is loaded
        QCOMPARE(ws.dialogs.texts(), QStringList{kFirstPrompt});
        QCOMPARE(records(w.Data1), before);
        // The boxes keep what was typed for the next set-up.
        QCOMPARE(boxTexts(w), QStringList({"44", "1", "", "", "", ""}));
        // No read-out until an area is chosen.
        pointTo(w.Image1, 4800, 4050);
        QCOMPARE(w.Image1->toolTip(), QString());
        clickAt(w.Image1, 300, 450); // idle: a click does nothing for the set-up
        QCOMPARE(ws.dialogs.texts(), QStringList{kFirstPrompt});
    }

    void registerRefusedKeepsWaiting_data() {
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("second");
        QTest::addColumn<bool>(
            "secondClicked"); // when not, after a finished set-up of another sheet
        QTest::addColumn<QString>("message");
        const QString bad = kBadCoordinates;
        QTest::newRow("same latitude")
            << kFirstPoint << QStringList{"45", "30", "0", "9", "25", "0"} << true << bad;
        QTest::newRow("same longitude")
            << kFirstPoint << QStringList{"45", "20", "0", "9", "10", "0"} << true << bad;
        QTest::newRow("same latitude once rounded")
            << kFirstPoint << QStringList{"45", "30", "0,4", "9", "25", "0"} << true << bad;
        QTest::newRow("out of bounds")
            << kFirstPoint << QStringList{"45", "20", "0", "9", "25", "60"} << true << bad;
        QTest::newRow("not a number")
            << kFirstPoint << QStringList{"45", "20", "0", "nove", "25", "0"} << true << bad;
        QTest::newRow("difference beyond 32 bits")
            << QStringList{"-596523", "0", "0", "9", "10", "0"}
            << QStringList{"90", "0", "0", "9", "25", "0"} << true << bad;
        QTest::newRow("second point not clicked")
            << kFirstPoint << kSecondPoint << false
            << "Clicca sulla cartina il secondo punto di riferimento, poi premi 'Registra'.";
        QTest::newRow("area archive locked by another program")
            << kFirstPoint << kSecondPoint << true
            << "Non è stato possibile registrare l'area. Riprova a premere 'Registra'.";
    }

    void registerRefusedKeepsWaiting() {
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(bool, secondClicked);
        QFETCH(QString, message);
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws);
        if (!secondClicked) {
            // An earlier set-up's second click must not serve the next one.
            openNewArea(ws, newSheet(ws, "prima.jpg"));
            takeFirstPoint(w);
            takeSecondPointAndRegister(w);
            QCOMPARE(ws.dialogs.texts().last(), kSetupDone);
        }
        const auto before = records(w.Data1);
        openNewArea(ws);
        setPoint(w, first);
        clickAt(w.Image1, 300, 450);
        QCOMPARE(w.cmdregcor->text(), QStringLiteral("Registra"));
        if (secondClicked) clickAt(w.Image1, 9300, 7650);
        ws.dialogs.takeTexts();
        setPoint(w, second);
        auto other = std::make_unique<SQLite::Database>(ws.file("area.mdb").toStdString(),
                                                        SQLite::OPEN_READWRITE);
        if (QByteArray(QTest::currentDataTag()).startsWith("area archive locked"))
            other->exec("BEGIN EXCLUSIVE");
        QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
        other.reset();

        QCOMPARE(ws.dialogs.texts(), QStringList{message});
        QCOMPARE(records(w.Data1), before);
        QCOMPARE(w.state().setupStep, SetupStep::SecondPoint);
        QCOMPARE(w.cmdregcor->text(), QStringLiteral("Registra"));
        QVERIFY(controlsFor(w, true));
        QCOMPARE(boxTexts(w), second);
        if (first != kFirstPoint) return;

        // Corrected, it goes through.
        if (!secondClicked) clickAt(w.Image1, 9300, 7650);
        typePoint(w, kSecondPoint);
        QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
        QCOMPARE(ws.dialogs.texts(), QStringList({message, kSetupDone}));
        QCOMPARE(calibrationOf(w.Data1, kNew), kExampleRecord);
    }

    void boxesLeftEmptyOrOne_data() {
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("second");
        QTest::addColumn<QStringList>("firstShown");  // the boxes after the first click
        QTest::addColumn<QStringList>("secondShown"); // the boxes at "Registra"
        QTest::addColumn<QString>("seclao");
        QTest::addColumn<QString>("secloo");
        const QStringList none(6, QString());
        const QStringList ones(6, QStringLiteral("1"));
        const QStringList twos(6, QStringLiteral("2"));
        QTest::newRow("all empty twice") << none << none << ones << twos << "3661"
                                         << "3661";
        QTest::newRow("ones left as they were") << none << ones << ones << twos << "3661"
                                                << "3661";
        QTest::newRow("some empty")
            << QStringList{"45", "", "0", "9", "", ""} << QStringList{"44", "", "", "8", "", "3"}
            << QStringList{"45", "1", "0", "9", "1", "1"}
            << QStringList{"44", "2", "2", "8", "2", "3"} << "162060"
            << "32461";
    }

    void boxesLeftEmptyOrOne() {
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(QStringList, firstShown);
        QFETCH(QStringList, secondShown);
        QFETCH(QString, seclao);
        QFETCH(QString, secloo);
        Workspace ws;
        MainWindow& w = startBesideNewSheet(ws);
        openNewArea(ws);
        setPoint(w, first);
        clickAt(w.Image1, 300, 450);
        QCOMPARE(boxTexts(w), firstShown);
        setPoint(w, second);
        clickAt(w.Image1, 9300, 7650);

        // What "Registra" puts into the boxes shows in the record it writes; the
        // boxes themselves are emptied by the loading of the new area.
        QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
        QCOMPARE(ws.dialogs.texts().last(), kSetupDone);
        const QStringList record = calibrationOf(w.Data1, kNew);
        QCOMPARE(record.value(3), seclao);
        QCOMPARE(record.value(5), secloo);
        const auto& dms = w.state().secondPointDms;
        QStringList secondUsed;
        for (int v : dms)
            secondUsed << QString::number(v);
        QCOMPARE(secondUsed, secondShown);
    }

    void existingArea_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("OK: re-calibrated") << int(AnswerOk);
        QTest::newRow("Cancel: nothing written") << int(AnswerCancel);
    }

    void existingArea() {
        QFETCH(int, answer);
        Workspace ws;
        const QString sheet = QStringLiteral("valfonda_ne.bmp");
        MainWindow& w = ws.start();
        const auto before = records(w.Data1);
        const QStringList oldRecord = records(w.Data1, sheet).value(0);
        const QStringList places = localitiesOf(w.Data2, sheet);
        QVERIFY(!places.isEmpty());
        QVERIFY(!oldRecord.mid(7).join(QString()).isEmpty()); // it has neighbours
        // An area the list does not show yet: a refilled list would show it.
        RecordView* v = ws.archives.Data1;
        v->addNew();
        v->setField("AREA", "aggiunta.jpg");
        v->update();
        const QStringList listed = combo::lines(w.f1area);
        makeRoomForTheSheet(w);

        ws.dialogs.queueAnswer(answer);
        openNewArea(ws, ws.file(sheet));
        QCOMPARE(ws.dialogs.shown().value(0).text, kAreaExists);
        QCOMPARE(ws.dialogs.shown().value(0).buttons, Buttons::OkCancel);
        QCOMPARE(combo::text(w.f1area), sheet);
        QVERIFY(hourglassDownAtEveryMessage(ws.dialogs));
        if (answer == AnswerCancel) {
            QCOMPARE(ws.dialogs.texts(), QStringList{kAreaExists});
            QCOMPARE(w.state().setupStep, SetupStep::None);
            QVERIFY(!isShown(w.cmdregcor));
            QCOMPARE(w.state().readoutEnabled, Flag::Zero);
            QCOMPARE(w.Data1->text("AREA"), sheet); // left on the existing record
            QCOMPARE(records(w.Data1, sheet).value(0), oldRecord);
            return;
        }
        takeFirstPoint(w);
        takeSecondPointAndRegister(w);
        QCOMPARE(ws.dialogs.texts(),
                 QStringList({kAreaExists, kFirstPrompt, kSecondPrompt, kSetupDone}));
        const auto named = records(w.Data1, sheet);
        QCOMPARE(named.size(), 1);
        QCOMPARE(named[0].mid(1, 6), kExampleRecord);
        QCOMPARE(named[0].mid(7), oldRecord.mid(7)); // the links stay
        QCOMPARE(localitiesOf(w.Data2, sheet), places);
        QCOMPARE(combo::lines(w.f1area), listed); // the list is not read again
        QCOMPARE(records(w.Data1).size(), before.size() + 1);
    }

    void imageChosenElsewhere_data() {
        QTest::addColumn<QString>("inWorkingFolder"); // none, same, other
        QTest::addColumn<int>("answer");              // to the replace question
        QTest::addColumn<bool>("started");
        QTest::addColumn<QString>("chosenBytes"); // how the working folder's file ends up
        QTest::newRow("copied in") << "none" << 0 << true << "chosen";
        QTest::newRow("same bytes already there") << "same" << 0 << true << "chosen";
        QTest::newRow("other bytes, replaced") << "other" << int(AnswerOk) << true << "chosen";
        QTest::newRow("other bytes, kept") << "other" << int(AnswerCancel) << false << "other";
        QTest::newRow("not a picture") << "none" << 0 << false << "none";
        QTest::newRow("not a picture, other there") << "other" << 0 << false << "other";
        QTest::newRow("dialog cancelled") << "none" << 0 << false << "none";
    }

    void imageChosenElsewhere() {
        QFETCH(QString, inWorkingFolder);
        QFETCH(int, answer);
        QFETCH(bool, started);
        QFETCH(QString, chosenBytes);
        const bool broken = QByteArray(QTest::currentDataTag()).startsWith("not a picture");
        const bool cancelled = QByteArray(QTest::currentDataTag()) == "dialog cancelled";
        Workspace ws;
        QTemporaryDir elsewhere;
        const QString name = QStringLiteral("foglio12.jpg");
        const QString chosen = elsewhere.filePath(name);
        if (broken) {
            QFile f(chosen);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a picture");
        } else {
            QVERIFY(!newSheet(ws, name, elsewhere.path()).isEmpty());
        }
        if (inWorkingFolder == "same") QVERIFY(QFile::copy(chosen, ws.file(name)));
        if (inWorkingFolder == "other")
            QVERIFY(demo::writeLargeSheet(ws.file(name), 300, 200).isEmpty());
        const QByteArray other = bytesOf(ws.file(name));
        MainWindow& w = ws.start();
        makeRoomForTheSheet(w);

        if (answer) ws.dialogs.queueAnswer(answer);
        if (cancelled) {
            // What "Nuova Area" does before its dialog stays done.
            Workspace::choose(w.f1area, demo::demoSheets()[0].name);
            w.Image1->setToolTip("Lat = 1:2:3 ,Lon = 4:5:6");
            w.freccia->show();
            w.mnapri->trigger(); // no file queued: the dialog is cancelled
            QCOMPARE(ws.dialogs.fileDialogs(), 1);
            QCOMPARE(ws.dialogs.texts(), QStringList());
            QVERIFY(!isShown(w.freccia));
            QCOMPARE(w.Image1->toolTip(), QString());
            QCOMPARE(w.state().readoutEnabled, Flag::Zero);
        } else {
            openNewArea(ws, chosen);
        }
        QCOMPARE(combo::text(w.f1area), cancelled ? demo::demoSheets()[0].name : name);
        QCOMPARE(w.state().setupStep, started ? SetupStep::FirstPoint : SetupStep::None);
        QCOMPARE(isShown(w.cmdregcor), started);
        QVERIFY(hourglassDownAtEveryMessage(ws.dialogs));
        if (answer)
            QCOMPARE(ws.dialogs.texts().value(0),
                     QStringLiteral("Nella cartella esiste già un'immagine con questo nome. "
                                    "Vuoi sostituirla?"));
        if (broken)
            QCOMPARE(ws.dialogs.texts(),
                     QStringList{QStringLiteral("Il file scelto non è un'immagine leggibile.")});
        if (chosenBytes == "chosen") QCOMPARE(bytesOf(ws.file(name)), bytesOf(chosen));
        if (chosenBytes == "other") QCOMPARE(bytesOf(ws.file(name)), other);
        if (chosenBytes == "none") QVERIFY(!QFile::exists(ws.file(name)));
        if (!started) return;

        takeFirstPoint(w);
        takeSecondPointAndRegister(w);
        QCOMPARE(ws.dialogs.texts().last(), kSetupDone);
        QCOMPARE(calibrationOf(w.Data1, name), kExampleRecord);
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
