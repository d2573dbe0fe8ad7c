// Export, import and compaction from the main window's menu: the work is done
// by archive/Exchange and archive/Compaction; here it is started, its progress
// shown, and its outcome told.
#include "ui/windows/ArchiveMaintenance.h"

#include "core/archive/Compaction.h"
#include "core/archive/Exchange.h"
#include "core/archive/SqlTexts.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "ui/mainwindow/MainWindow.h"

#include <QDir>
#include <QProgressDialog>

namespace orvena {

namespace {

const char* const kExportDone = "Esportazione archivi terminata. Sono stati creati gli archivi "
                                "esparea.mdb e esplocalita.mdb.";
const char* const kImportDone = "Importazione terminata correttamente.";
const char* const kCompactDone = "Data Base compattati.";

const char* const kExportTitle = "Esportazione archivi";
const char* const kImportTitle = "Importazione archivi";
const char* const kCompactTitle = "Compattazione Data Base";

const char* const kExportFailed =
    "Esportazione non riuscita. %1 Gli archivi esparea.mdb e esplocalita.mdb sono rimasti "
    "com'erano.";
const char* const kImportFailed = "Importazione non riuscita. %1 Gli archivi area.mdb e "
                                  "localita.mdb sono rimasti com'erano.";
const char* const kExportCancelled = "Esportazione annullata: nessun archivio è stato modificato.";
const char* const kImportCancelled = "Importazione annullata: nessun archivio è stato modificato.";
const char* const kCompactFailed = "Data Base compattati, tranne %1. %2 Gli archivi non "
                                   "compattati sono rimasti com'erano.";
const char* const kCompactCancelled = "Compattazione annullata: nessun dato è stato modificato; "
                                      "gli archivi non ancora compattati sono rimasti com'erano.";

QString text(const char* t) {
    return QString::fromUtf8(t);
}

// The message that ends an export or an import.
QString outcomeText(const MaintenanceResult& result, const char* done, const char* failed,
                    const char* cancelled) {
    switch (result.outcome) {
    case MaintenanceResult::Outcome::Done:
        return text(done);
    case MaintenanceResult::Outcome::Cancelled:
        return text(cancelled);
    case MaintenanceResult::Outcome::Failed:
        break;
    }
    return text(failed).arg(result.problem());
}

} // namespace

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

void MainWindow::mnesporta_Click() {
    hourglass::set();
    const MaintenanceResult result = [this] {
        WorkProgress progress(this, text(kExportTitle));
        return exportArchives(QDir::currentPath(), progress.callback());
    }();
    Data4->setRecordSource(sql::kAreaAll);
    Data3->setRecordSource(sql::kLocalityAll);
    Data1->setRecordSource(sql::kAreaOrderedByName);
    Data2->setRecordSource(sql::kLocalityOrderedByAreaName);
    hourglass::reset();
    dialogs().message(outcomeText(result, kExportDone, kExportFailed, kExportCancelled));
    if (result.done()) Form_Activate();
}

void MainWindow::mnimporta_Click() {
    hourglass::set();
    const MaintenanceResult result = [this] {
        WorkProgress progress(this, text(kImportTitle));
        return importArchives(QDir::currentPath(), progress.callback());
    }();
    Data4->setRecordSource(sql::kAreaAll);
    Data1->setRecordSource(sql::kAreaOrderedByName);
    Data3->setRecordSource(sql::kLocalityAll);
    Data2->setRecordSource(sql::kLocalityOrderedByArea);
    if (result.done()) Form_Activate();
    hourglass::reset();
    dialogs().message(outcomeText(result, kImportDone, kImportFailed, kImportCancelled));
}

void MainWindow::mncomprdb_Click() {
    hourglass::set();
    const CompactionReport report = [this] {
        WorkProgress progress(this, text(kCompactTitle));
        return compactArchives(QDir::currentPath(), {Data1, Data2, Data3, Data4},
                               progress.callback());
    }();
    hourglass::reset();
    if (report.cancelled) {
        dialogs().message(text(kCompactCancelled));
    } else if (!report.failures.isEmpty()) {
        QStringList names, problems;
        for (const MaintenanceResult& failure : report.failures) {
            names << failure.file;
            problems << failure.problem();
        }
        dialogs().message(
            text(kCompactFailed)
                .arg(names.join(QLatin1String(", ")), problems.join(QLatin1Char(' '))));
    } else {
        dialogs().message(text(kCompactDone));
    }
}

} // namespace orvena
