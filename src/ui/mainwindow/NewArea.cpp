// "Nuova Area": the image of the area to set up, chosen, brought into the
// working folder and shown; then the set-up starts (AreaSetup.cpp).
#include "ui/mainwindow/MainWindow.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/SqlTexts.h"
#include "core/archive/WorkingPair.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/base/Picture.h"
#include "core/geo/SheetFiles.h"
#include "core/geo/SheetModelStore.h"
#include "core/gis/FileGeoreference.h"
#include "core/state/SharedTexts.h"
#include "ui/map/AreaSetupMode.h"
#include "ui/map/MapView.h"
#include "ui/widgets/ComboText.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orvena {

namespace {

const QString kOpenTitle = QStringLiteral("Nome della cartina da aprire");
const QString kOpenFilter =
    QStringLiteral("File immagine (*.gif)|*.gif|*.bmp (*.bmp)|*.bmp|*.jpg (*.jpg)|*.jpg|"
                   "*.tif (*.tif;*.tiff)|*.tif;*.tiff|*.png (*.png)|*.png|Tutti i file (*.*)|*.*");
const QString kAreaExists = QStringLiteral("Area già esistente. Vuoi modificare i dati dell'area?");
const QString kNotAPicture = QStringLiteral("Il file scelto non è un'immagine leggibile.");
const QString kReplaceSheet =
    QStringLiteral("Nella cartella esiste già un'immagine con questo nome. Vuoi sostituirla?");
const QString kCopyFailed =
    QStringLiteral("Non è stato possibile copiare l'immagine nella cartella delle cartine.");
const QString kTakeGeoreference = QStringLiteral(
    "Il file \"%1\" contiene la propria georeferenziazione (%2). Vuoi usarla come calibrazione "
    "della cartina, senza cliccare i punti di riferimento?");
const QString kGeoreferenceFailed = QStringLiteral(
    "La georeferenziazione del file non è stata registrata: %1. Procedi con i due punti di "
    "riferimento.");

// Brings a chosen image file into the working folder under its bare name
// (areas are always loaded from there) and shows it at the sheet origin. A
// file chosen elsewhere is copied in; one of the same name but other content
// already there is replaced only when the user agrees, asked while the map
// still shows its sheet. False when the set-up must end: the user kept the
// file already there, or the picture cannot be read or copied (a message says
// so); the map then keeps its sheet. Called under the hourglass of busy.
bool bringSheetIn(MainWindow& w, hourglass::Scope& busy, const QString& chosen,
                  const QString& name) {
    const QString target = QDir::current().absoluteFilePath(name);
    const QFileInfo source(chosen);
    // A path the platform cannot resolve (a '\' path elsewhere) still names
    // the working folder's file of that name.
    const bool elsewhere = source.isFile() && !isSameFile(source.absoluteFilePath(), target);
    const QString from = elsewhere ? source.absoluteFilePath() : target;
    const auto notAPicture = [&busy] {
        busy.end();
        dialogs().message(kNotAPicture);
        return false;
    };
    if (checkPicture(from).outcome != PictureOutcome::Ok) return notAPicture();
    const bool copy = elsewhere && !(QFileInfo::exists(target) && haveSameContent(from, target));
    if (copy && QFileInfo::exists(target)) {
        busy.end();
        if (dialogs().message(kReplaceSheet, Buttons::OkCancel, DefaultButton::Decline) != AnswerOk)
            return false;
        busy.resume();
    }
    const PictureLoad picture = w.loadSheet(from);
    if (!picture.shown()) return notAPicture();
    if (copy && !copyReplacing(from, target).isEmpty()) {
        w.keepShownSheet();
        busy.end();
        dialogs().message(kCopyFailed);
        return false;
    }
    w.showSheetAtOrigin(picture, target);
    return true;
}

// A sheet whose file carries its own georeferencing is calibrated from it
// when the user agrees: its points stored like the calibration window's, the
// area list read again and the area shown. False when the two-point set-up
// must go on instead (no georeferencing, the user declines, or it could not
// be stored: a message then says why).
bool takeFileGeoreference(MainWindow& w, const QString& name) {
    const auto geo = gis::fileGeoreference(QDir::current().absoluteFilePath(name));
    if (!geo) return false;
    if (dialogs().message(kTakeGeoreference.arg(name, geo->system), Buttons::YesNo) != AnswerYes)
        return false;
    QString failure;
    {
        const hourglass::Scope busy;
        try {
            WorkingPair pair(QDir::currentPath());
            failure = storeSheetModel(pair, name, geo->points, geo->datum);
        } catch (const ArchiveError& e) {
            failure = e.italianMessage();
        }
    }
    if (!failure.isEmpty()) {
        dialogs().message(kGeoreferenceFailed.arg(failure));
        return false;
    }
    w.Data1->setRecordSource(sql::kAreaList);
    w.Data1->refresh();
    combo::setLines(w.f1area, w.Data1->texts(QStringLiteral("AREA")));
    combo::setText(w.f1area, name);
    w.f1area_Click();
    dialogs().message(texts::kSetupDone);
    w.cmding->show();
    w.cmdrid->show();
    w.state().readoutEnabled = Flag::One;
    return true;
}

} // namespace

// "Nuova Area": choose an image and start its set-up. Cancelling the dialog,
// or the existing-area question, ends here quietly; what the first lines did
// stays done.
void MainWindow::mnapri_Click() {
    freccia->hide();
    state_.readoutEnabled = Flag::Zero;
    Image1->setToolTip(QString());
    try {
        const auto chosen = dialogs().openFile(kOpenTitle, kOpenFilter, folder_);
        if (!chosen || chosen->isEmpty()) return;
        const QString name = bareFileName(*chosen);
        if (name.isEmpty()) return;
        hourglass::Scope busy;
        setup_.chooseArea(name);
        combo::setText(f1area, name);

        // An area of exactly this name is re-calibrated only if the user agrees.
        Sheet existing = sheets_.sheet(name);
        if (existing.exists()) {
            busy.end();
            // Any answer counts as re-calibrating, for a set-up under way
            // that "Registra" may still store under this name.
            const int answer =
                dialogs().message(kAreaExists, Buttons::OkCancel, DefaultButton::Decline);
            setup_.setRecalibrates(answer != 0);
            if (answer != AnswerOk) return;
            busy.resume();
        }

        if (!bringSheetIn(*this, busy, *chosen, name)) return;
        Image1->setShownSheet(std::move(existing));

        cmding->hide();
        cmdrid->hide();
        Image1->setZoom(100);
        f1ing->setText(QStringLiteral("100"));
        state_.readoutEnabled = Flag::Zero;
        busy.end();
        if (takeFileGeoreference(*this, name)) {
            setup_.end();
            return;
        }
        AdvanceSetup();
    } catch (const ArchiveError&) {
        // Trapped like a cancel: the set-up does not start.
    }
}

} // namespace orvena
