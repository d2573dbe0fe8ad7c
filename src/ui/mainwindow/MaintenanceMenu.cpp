// The menu entries that run maintenance: export, import and compaction of the
// archives (the work is done by core/archive/Exchange and Compaction; here it is
// started, its progress shown and its outcome told) and the export of the
// sheets and places for other map tools ("Esporta per GIS…").
#include "ui/mainwindow/MainWindow.h"

#include "core/archive/Compaction.h"
#include "core/archive/Exchange.h"
#include "core/archive/SqlTexts.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/gis/GisExport.h"
#include "ui/widgets/ProgressDialog.h"

#include <QDir>

namespace orvena {

namespace {

// Export, import and compaction keep every other window of the program away
// from the archives while they run (an application-modal progress dialog).

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

void MainWindow::mnesporta_Click() {
    hourglass::Scope busy;
    const MaintenanceResult result = [this] {
        ProgressDialog progress(this, text(kExportTitle), Qt::ApplicationModal, text(kExportTitle));
        return exportArchives(QDir::currentPath(), progress.callback());
    }();
    Data4->setRecordSource(sql::kAreaAll);
    Data3->setRecordSource(sql::kLocalityAll);
    Data1->setRecordSource(sql::kAreaOrderedByName);
    Data2->setRecordSource(sql::kLocalityOrderedByAreaName);
    busy.end();
    dialogs().message(outcomeText(result, kExportDone, kExportFailed, kExportCancelled));
    if (result.done()) Form_Activate();
}

void MainWindow::mnimporta_Click() {
    hourglass::Scope busy;
    const MaintenanceResult result = [this] {
        ProgressDialog progress(this, text(kImportTitle), Qt::ApplicationModal, text(kImportTitle));
        return importArchives(QDir::currentPath(), progress.callback());
    }();
    Data4->setRecordSource(sql::kAreaAll);
    Data1->setRecordSource(sql::kAreaOrderedByName);
    Data3->setRecordSource(sql::kLocalityAll);
    Data2->setRecordSource(sql::kLocalityOrderedByArea);
    if (result.done()) Form_Activate();
    busy.end();
    dialogs().message(outcomeText(result, kImportDone, kImportFailed, kImportCancelled));
}

void MainWindow::mncomprdb_Click() {
    hourglass::Scope busy;
    const CompactionReport report = [this] {
        ProgressDialog progress(this, text(kCompactTitle), Qt::ApplicationModal,
                                text(kCompactTitle));
        return compactArchives(QDir::currentPath(), {Data1, Data2, Data3, Data4},
                               progress.callback());
    }();
    busy.end();
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

void MainWindow::mnesportagis_Click() {
    const QString working = QDir::currentPath();
    const auto folder = dialogs().chooseFolder(QStringLiteral("Esporta per GIS"), working);
    if (!folder) return;

    hourglass::Scope busy;
    const gis::GisExportReport report = [&] {
        ProgressDialog progress(this, QStringLiteral("Esportazione per GIS in corso…"),
                                Qt::WindowModal, QString(), QStringLiteral("GisExportProgress"));
        return gis::exportForGis(working, *folder, progress.callback());
    }();
    busy.end();
    dialogs().message(gis::reportText(report));
}

} // namespace orvena
