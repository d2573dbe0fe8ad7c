// Deleting an area with its localities. "Elimina Area" turns the main window's
// cmdregcor into "Elimina"; while it shows, choosing an area only puts its name
// into f1area (viewer/AreaLoading.cpp), and "Elimina" deletes that area.
#include "ui/windows/AreaDeletion.h"

#include "core/archive/DeleteArea.h"
#include "core/archive/SqlTexts.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/state/SharedTexts.h"
#include "ui/mainwindow/MainWindow.h"
#include "ui/widgets/ComboText.h"

#include <QComboBox>
#include <QProgressDialog>
#include <QPushButton>

#include <memory>

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
const QString kCancelButton = QStringLiteral("Annulla");

// Shown only when the deletion runs longer than a second; its cancel rolls the
// whole deletion back.
class DeletionProgressDialog {
public:
    explicit DeletionProgressDialog(QWidget* parent)
        : parent_(parent) {}

    bool operator()(std::int64_t done, std::int64_t total) {
        if (total == 0) return true;
        if (!dialog_) {
            dialog_ =
                std::make_unique<QProgressDialog>(kProgressLabel, kCancelButton, 0, 1000, parent_);
            dialog_->setWindowModality(Qt::ApplicationModal);
            dialog_->setMinimumDuration(1000);
            dialog_->setAutoClose(false);
            dialog_->setAutoReset(false);
        }
        dialog_->setValue(static_cast<int>(done * 1000 / total));
        return !dialog_->wasCanceled();
    }

private:
    QWidget* parent_;
    std::unique_ptr<QProgressDialog> dialog_;
};

void rebuildAreaList(MainWindow& w) {
    combo::clear(w.f1area);
    w.Data1->setRecordSource(sql::kAreaList);
    w.Data1->refresh();
    if (w.Data1->eof()) return;
    QStringList names;
    for (w.Data1->moveFirst(); !w.Data1->eof(); w.Data1->moveNext())
        names << w.Data1->text("AREA");
    combo::setLines(w.f1area, names);
}

} // namespace

void MainWindow::mnareacanc_Click() {
    cmdregcor->setText(kCaptionDelete);
    cmdregcor->show();
}

void deleteChosenArea(MainWindow& w) {
    const QString area = combo::text(w.f1area);
    if (area.isEmpty()) {
        dialogs().message(kChooseArea);
        return;
    }
    if (dialogs().message(kConfirm, Buttons::YesNo) != AnswerYes) return;

    hourglass::set();
    AreaDeletionResult result;
    {
        DeletionProgressDialog progress(&w);
        result = deleteArea(
            w.File1->property("path").toString(), area,
            [&](std::int64_t done, std::int64_t total) { return progress(done, total); });
    }
    if (!result.ok()) {
        // Nothing was deleted: delete mode goes on, and the user may try again.
        hourglass::reset();
        dialogs().message(result.cancelled ? kCancelled : kFailed.arg(result.failure));
        return;
    }

    QString listFailure;
    try {
        rebuildAreaList(w);
    } catch (const ArchiveError& e) {
        listFailure = e.italianMessage();
    }
    if (isShown(w.cmdregcor) && w.cmdregcor->text() == kCaptionDelete) w.cmdregcor->hide();
    hourglass::reset();
    dialogs().message(kDeleted);
    if (!listFailure.isEmpty()) dialogs().message(listFailure);
}

} // namespace orvena
