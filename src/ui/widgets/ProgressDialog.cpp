#include "ui/widgets/ProgressDialog.h"

#include <QProgressDialog>

#include <algorithm>

namespace orvena {

namespace {

const QString kCancel = QStringLiteral("Annulla");
constexpr int kSteps = 1000;
constexpr int kShowAfterMs = 1000;

} // namespace

ProgressDialog::ProgressDialog(QWidget* parent, const QString& label, Qt::WindowModality modality,
                               const QString& title, const QString& objectName)
    : dialog_(std::make_unique<QProgressDialog>(label, kCancel, 0, kSteps, parent)) {
    if (!title.isEmpty()) dialog_->setWindowTitle(title);
    if (!objectName.isEmpty()) dialog_->setObjectName(objectName);
    dialog_->setWindowModality(modality);
    dialog_->setMinimumDuration(kShowAfterMs);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setValue(0);
}

ProgressDialog::~ProgressDialog() = default;

Progress ProgressDialog::callback() {
    QProgressDialog* dialog = dialog_.get();
    return [dialog](qint64 done, qint64 total) {
        if (total > 0) dialog->setValue(static_cast<int>(std::min(done, total) * kSteps / total));
        return !dialog->wasCanceled();
    };
}

} // namespace orvena
