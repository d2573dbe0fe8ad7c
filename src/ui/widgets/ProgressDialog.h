#pragma once

#include "core/base/Progress.h"

#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

namespace orvena {

// The progress of a long piece of work (export, import, compaction, area
// deletion, the export for GIS): a dialog with the work's text, a bar and
// "Annulla", shown only once the work has run for a second. Its callback()
// answers false after "Annulla", and the work then undoes what it began. The
// dialog closes when the object goes, which must be before the work's
// message shows.
class ProgressDialog {
public:
    // modality: Qt::ApplicationModal keeps every other window of the program
    // away meanwhile, Qt::WindowModal only parent. title: the window's title
    // (empty: the program's own); objectName: the dialog's object name.
    ProgressDialog(QWidget* parent, const QString& label, Qt::WindowModality modality,
                   const QString& title = QString(), const QString& objectName = QString());
    ~ProgressDialog();
    ProgressDialog(const ProgressDialog&) = delete;
    ProgressDialog& operator=(const ProgressDialog&) = delete;

    Progress callback();

private:
    std::unique_ptr<QProgressDialog> dialog_;
};

} // namespace orvena
