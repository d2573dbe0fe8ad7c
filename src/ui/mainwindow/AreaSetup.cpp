// The set-up of a new or re-calibrated area from two reference points: the
// user opens an image ("Nuova Area", NewArea.cpp), types the angles of a
// point near its top-left corner and clicks it, then those of a point near its
// bottom-right corner, clicks it and presses "Registra".
//
// The set-up's state is setup_ (ui/map/AreaSetupMode, whose table tells its
// stages apart); these handlers show its boxes, messages and the button.
#include "ui/mainwindow/MainWindow.h"

#include "core/archive/AreaCalibrations.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/SqlTexts.h"
#include "core/archive/WorkingPair.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/geo/Calibration.h"
#include "core/geo/SetupChecks.h"
#include "core/state/SharedTexts.h"
#include "ui/map/AreaSetupMode.h"
#include "ui/widgets/ComboText.h"
#include "ui/widgets/DatumChoice.h"
#include "ui/windows/LocalityEditor.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orvena {

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
const QString kClickSecond =
    QStringLiteral("Clicca sulla cartina il secondo punto di riferimento, poi premi 'Registra'.");
const QString kSetupDone = QStringLiteral("Set up effettuato correttamente.");
const QString kStoreFailed =
    QStringLiteral("Non è stato possibile registrare l'area. Riprova a premere 'Registra'.");

// The default a box left empty takes at the first point, and at "Registra".
const QString kFirstDefault = QStringLiteral("1");
const QString kSecondDefault = QStringLiteral("2");

CoordinateTexts boxTexts(const MainWindow& w) {
    CoordinateTexts texts;
    const auto boxes = w.coordinateBoxes();
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = boxes[qsizetype(i)]->text();
    return texts;
}

void setBoxTexts(const MainWindow& w, const CoordinateTexts& texts) {
    const auto boxes = w.coordinateBoxes();
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (boxes[qsizetype(i)]->text() != texts[i]) boxes[qsizetype(i)]->setText(texts[i]);
}

void refuseCoordinates() {
    hourglass::reset();
    dialogs().message(kBadCoordinates);
}

} // namespace

// Starts a set-up, or, while the first point is awaited, accepts or refuses
// the first point typed in the boxes. A refusal stops the set-up taking
// points; the image click that called us then awaits the second point all the
// same, where the button reads "Esci" and only cancels.
void MainWindow::AdvanceSetup() {
    state_.readoutEnabled = Flag::Zero;
    if (setup_.stage() != AreaSetupMode::Stage::FirstPoint) {
        cmbloc->hide();
        Label10->hide();
        for (QLineEdit* b : coordinateBoxes())
            b->show();
        Label4->show();
        Label8->show();
        // The datum: none for a new area, the one it has for a re-calibrated one.
        datumchoice::show(f1datum,
                          setup_.recalibrates()
                              ? areadatums::readIn(QDir::currentPath(), setup_.areaName()).code
                              : QString());
        Label14->show();
        f1datum->show();
        // A new set-up: no second position until the map is clicked for it.
        setup_.start();
        takeSharedButton();
        dialogs().message(kFirstPrompt);
        return;
    }

    CoordinateTexts texts = boxTexts(*this);
    fillEmpty(texts, kFirstDefault);
    setBoxTexts(*this, texts);
    const auto values = readCoordinates(texts);
    if (!values) {
        refuseCoordinates();
        setup_.refuseFirstPoint();
        return;
    }
    setup_.acceptFirstPoint(*values);
    takeSharedButton();
    dialogs().message(kSecondPrompt);
}

// The editor's position capture, the first point, and the second point while
// "Registra" can still take it (after a refused first point, or with the
// button taken by the delete mode, it cannot).
bool MainWindow::clickTakesPoint() const {
    return positionCapture() || calibrationPicks() ||
           setup_.stage() == AreaSetupMode::Stage::FirstPoint ||
           (setup_.stage() == AreaSetupMode::Stage::SecondPoint && isShown(cmdregcor) &&
            setup_.registers() && !deletion_.on());
}

void MainWindow::Image1_Click() {
    if (LocalityEditor* editor = localityEditor(); editor && editor->capturing())
        editor->positionTaken({float(state_.pointerX), float(state_.pointerY), state_.latScale,
                               state_.lonScale});

    const QPoint at(state_.pointerX, state_.pointerY);
    switch (setup_.stage()) {
    case AreaSetupMode::Stage::Idle:
        return;
    case AreaSetupMode::Stage::SecondPoint:
        // The last click before "Registra" is the one that counts.
        setup_.takeSecondPoint(at);
        return;
    case AreaSetupMode::Stage::FirstPoint:
        setup_.takeFirstPoint(at);
        AdvanceSetup();
        setup_.awaitSecondPoint();
        return;
    }
}

// The set-up's captions of the shared button ("Esci", "Registra"), or the
// delete mode's ("Elimina"), shown; the set-up taking it ends the delete mode.
void MainWindow::takeSharedButton() {
    deletion_.leave();
    cmdregcor->setText(setup_.registers() ? texts::kCaptionRegister : texts::kCaptionExit);
    cmdregcor->show();
}

// The shared button: "Elimina" in the delete mode, "Esci" and "Registra" in
// the set-up.
void MainWindow::cmdregcor_Click() {
    if (deleteModePress()) return;
    if (!setup_.registers()) {
        setup_.end();
        Form_Load();
        return;
    }

    // "Registra": the second point. Without its click there is no position
    // to calibrate with: nothing changes until the map is clicked.
    if (!setup_.secondPointTaken()) {
        dialogs().message(kClickSecond);
        return;
    }
    CoordinateTexts texts = boxTexts(*this);
    if (allEqual(texts, kFirstDefault)) texts.fill(kSecondDefault);
    fillEmpty(texts, kSecondDefault);
    setBoxTexts(*this, texts);
    const auto values = readCoordinates(texts);
    // Two points on the same parallel or meridian give no scale: refused like
    // a bad coordinate, and the user may correct the boxes and press again.
    if (!values || !setup_.calibrationWith(*values).isValid()) {
        refuseCoordinates();
        return;
    }
    setup_.keepSecondAngles(*values);

    // The record is written under the name whose picture was opened and checked
    // for existence, whatever has been typed into the area box since.
    combo::setText(f1area, setup_.areaName());
    // The datum chosen with the set-up goes with the calibration, in the same
    // transaction, before the area is shown with it.
    try {
        const hourglass::Scope busy;
        areadatums::storeWithRecord(*Data1, setup_.areaName(), datumchoice::code(f1datum),
                                    std::nullopt, [this] { StoreCalibration(); });
    } catch (const ArchiveError&) {
        dialogs().message(kStoreFailed);
        return;
    }
    // Points the sheet was calibrated from before no longer go with it. Should
    // this fail, they are not read anyway: the AREA fields they were stored
    // with have changed.
    try {
        WorkingPair pair(folder_);
        areacalibrations::forget(pair, setup_.areaName());
    } catch (const ArchiveError&) {
    }

    f1area_Click();
    dialogs().message(kSetupDone);
    for (QLineEdit* b : coordinateBoxes())
        b->hide();
    Label4->hide();
    Label8->hide();
    Label14->hide();
    f1datum->hide();
    cmdregcor->hide();
    cmding->show();
    cmdrid->show();
    setup_.end();
    state_.readoutEnabled = Flag::One;
}

// Writes the calibration of the two points into the area record of the name in
// f1area: a new record (then the area list is read again), or the existing one
// the user agreed to modify. Links and localities are never touched.
void MainWindow::StoreCalibration() {
    const CalibrationResult result = setup_.calibration();
    if (!result.isValid()) return;
    const Calibration& c = result.calibration();
    const QString area = combo::text(f1area);
    const auto writeFields = [&] {
        Data1->setField(QStringLiteral("AREA"), area);
        Data1->setField(QStringLiteral("COLA"), double{c.cola});
        Data1->setField(QStringLiteral("COLO"), double{c.colo});
        Data1->setField(QStringLiteral("PXLAO"), c.pxlao);
        Data1->setField(QStringLiteral("SECLAO"), c.seclao);
        Data1->setField(QStringLiteral("PXLOO"), c.pxloo);
        Data1->setField(QStringLiteral("SECLOO"), c.secloo);
        Data1->update();
    };

    if (!setup_.recalibrates()) {
        Data1->addNew();
        writeFields();
        Data1->setRecordSource(sql::kAreaList);
        Data1->refresh();
        combo::setLines(f1area, Data1->texts(QStringLiteral("AREA")));
        return;
    }

    Data1->setRecordSource(sql::kAreaAll);
    Data1->refresh();
    if (!Data1->findExact(QStringLiteral("AREA"), area)) return;
    Data1->edit();
    writeFields();
}

} // namespace orvena
