// The progress dialog of export, import and compaction.
#include "ui/windows/ArchiveMaintenance.h"

#include <QProgressDialog>

namespace orvena {

WorkProgress::WorkProgress(QWidget* parent, const QString& title)
    : dialog_(
          std::make_unique<QProgressDialog>(title, QStringLiteral("Annulla"), 0, 1000, parent)) {
    dialog_->setWindowTitle(title);
    // No other window of the program may touch the archives meanwhile.
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setMinimumDuration(1000);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setValue(0);
}

WorkProgress::~WorkProgress() = default;

Progress WorkProgress::callback() {
    QProgressDialog* dialog = dialog_.get();
    return [dialog](qint64 done, qint64 total) {
        if (total > 0)
            dialog->setValue(static_cast<int>(std::min<qint64>(done, total) * 1000 / total));
        return !dialog->wasCanceled();
    };
}

} // namespace orvena
