#pragma once

#include "core/archive/Maintenance.h"

#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

namespace orvena {

// The progress of a long piece of work on the archives: a dialog with the
// Italian name of the work and a Cancel button, shown only once the work has
// run for a second. Its callback() answers false after Cancel. It closes when
// the object goes, which must be before the work's message shows.
class WorkProgress {
public:
    WorkProgress(QWidget* parent, const QString& title);
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    Progress callback();

private:
    std::unique_ptr<QProgressDialog> dialog_;
};

} // namespace orvena
