// The delete mode (deletion_, ui/map/AreaSetupMode.h). "Elimina Area" turns
// the shared button cmdregcor into a visible "Elimina"; while it shows, choosing an area only puts its name into
// f1area (the area load loads nothing), and the press of "Elimina" deletes
// that area with all its places (core/archive/DeleteArea), rebuilds the area
// list and leaves the mode.
#include "ui/mainwindow/MainWindow.h"

#include "core/archive/DeleteArea.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/state/SharedTexts.h"
#include "ui/map/AreaSetupMode.h"
#include "ui/widgets/ComboText.h"
#include "ui/widgets/ProgressDialog.h"

#include <QComboBox>
#include <QPushButton>

namespace orvena {

namespace {

using texts::kCaptionDelete;
const QString kChooseArea = QStringLiteral("Scegliere l'area da eliminare e clicca Elimina.");
const QString kConfirm =
    QStringLiteral("Se verrà scelto OK, verrà eliminata l'area e tutte le località di quella "
                   "area. Procedo con l'eliminazione dal database?");
const QString kDeleted = QStringLiteral("Area eliminata correttamente");
const QString kFailed =
    QStringLiteral("L'area non è stata eliminata; gli archivi sono rimasti come prima. %1");
const QString kCancelled =
    QStringLiteral("Eliminazione annullata; gli archivi sono rimasti come prima.");
const QString kProgressLabel = QStringLiteral("Eliminazione delle località dell'area...");

} // namespace

void MainWindow::mnareacanc_Click() {
    deletion_.enter();
    cmdregcor->setText(kCaptionDelete);
    cmdregcor->show();
    refreshPickMode();
}

bool MainWindow::inDeleteMode() const {
    return deletion_.on() && isShown(cmdregcor);
}

bool MainWindow::deleteModePress() {
    if (!deletion_.on()) return false;
    deleteChosenArea();
    return true;
}

// Asks, deletes the area named in f1area with all its places, rebuilds the
// area list and leaves delete mode. A refusal, a failure or a cancel keeps the
// mode, so the user may try again.
void MainWindow::deleteChosenArea() {
    const QString area = combo::text(f1area);
    if (area.isEmpty()) {
        dialogs().message(kChooseArea);
        return;
    }
    if (dialogs().message(kConfirm, Buttons::YesNo, DefaultButton::Decline) != AnswerYes) return;

    hourglass::Scope busy;
    AreaDeletionResult result;
    {
        // Its cancel rolls the whole deletion back.
        ProgressDialog progress(this, kProgressLabel, Qt::ApplicationModal);
        result = deleteArea(folder_, area, progress.callback());
    }
    if (!result.ok()) {
        busy.end();
        dialogs().message(result.cancelled ? kCancelled : kFailed.arg(result.failure));
        return;
    }

    QString listFailure;
    try {
        fillAreaList();
    } catch (const ArchiveError& e) {
        listFailure = e.italianMessage();
    }
    if (inDeleteMode()) {
        cmdregcor->hide();
        deletion_.leave();
    }
    busy.end();
    dialogs().message(kDeleted);
    if (!listFailure.isEmpty()) dialogs().message(listFailure);
}

} // namespace orvena
