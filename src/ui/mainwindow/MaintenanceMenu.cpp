// The menu entries that run maintenance: export, import and compaction of the
// archives (the work is done by core/archive/Exchange and Compaction; here it is
// started, its progress shown and its outcome told) and the export of the
// sheets and places for other map tools ("Esporta per GIS…", and with the
// sheets' tiles "Esporta per GIS con MBTiles…").
#include "ui/mainwindow/MainWindow.h"

#include "core/archive/AtlasServer.h"
#include "core/archive/Compaction.h"
#include "core/archive/Exchange.h"
#include "core/archive/ServerExchange.h"
#include "core/archive/SqlTexts.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/geo/Datum.h"
#include "core/gis/GisExport.h"
#include "ui/widgets/ProgressDialog.h"

#include <QDir>

namespace orvena {

namespace {

const QString kExportDone = QStringLiteral("Esportazione archivi terminata. Sono stati creati gli "
                                           "archivi esparea.mdb e esplocalita.mdb.");
const QString kImportDone = QStringLiteral("Importazione terminata correttamente.");

const QString kExportTitle = QStringLiteral("Esportazione archivi");
const QString kImportTitle = QStringLiteral("Importazione archivi");
const QString kCompactTitle = QStringLiteral("Compattazione Data Base");

const QString kExportFailed =
    QStringLiteral("Esportazione non riuscita. %1 Gli archivi esparea.mdb e esplocalita.mdb sono "
                   "rimasti com'erano.");
const QString kImportFailed = QStringLiteral("Importazione non riuscita. %1 Gli archivi area.mdb e "
                                             "localita.mdb sono rimasti com'erano.");
const QString kExportCancelled =
    QStringLiteral("Esportazione annullata: nessun archivio è stato modificato.");
const QString kImportCancelled =
    QStringLiteral("Importazione annullata: nessun archivio è stato modificato.");

const QString kGisFolderTitle = QStringLiteral("Esporta per GIS");
const QString kGisProgress = QStringLiteral("Esportazione per GIS in corso…");
const QString kGisProgressName = QStringLiteral("GisExportProgress");

// Runs an export, an import or a compaction with its progress dialog, which
// keeps every other window of the program away from the archives meanwhile.
template <class Work> auto withProgress(QWidget* parent, const QString& title, Work work) {
    ProgressDialog progress(parent, title, Qt::ApplicationModal, title);
    return work(progress.callback());
}

// The message that ends an export or an import.
QString outcomeText(const MaintenanceResult& result, const QString& done, const QString& failed,
                    const QString& cancelled) {
    switch (result.outcome) {
    case MaintenanceResult::Outcome::Done:
        return done;
    case MaintenanceResult::Outcome::Cancelled:
        return cancelled;
    case MaintenanceResult::Outcome::Failed:
        break;
    }
    return failed.arg(result.problem());
}

} // namespace

void MainWindow::mnesporta_Click() {
    hourglass::Scope busy;
    const MaintenanceResult result = withProgress(this, kExportTitle, [](const Progress& progress) {
        return exportArchives(QDir::currentPath(), progress);
    });
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
    const MaintenanceResult result = withProgress(this, kImportTitle, [](const Progress& progress) {
        return importArchives(QDir::currentPath(), progress);
    });
    Data4->setRecordSource(sql::kAreaAll);
    Data1->setRecordSource(sql::kAreaOrderedByName);
    Data3->setRecordSource(sql::kLocalityAll);
    Data2->setRecordSource(sql::kLocalityOrderedByArea);
    if (result.done()) Form_Activate();
    busy.end();
    const QString note = unknownDatumsNote(result.datumsCopied);
    dialogs().message(outcomeText(result, kImportDone, kImportFailed, kImportCancelled) +
                      (note.isEmpty() ? QString() : u' ' + note));
}

void MainWindow::mncomprdb_Click() {
    hourglass::Scope busy;
    // An atlas on a server: the server keeps its own storage, the folder's
    // files are left alone.
    if (atlasserver::onServer(QDir::currentPath())) {
        const QString told = serverexchange::compact(QDir::currentPath());
        busy.end();
        dialogs().message(told);
        return;
    }
    const CompactionReport report = withProgress(this, kCompactTitle, [this](const Progress& p) {
        return compactArchives(QDir::currentPath(), {Data1, Data2, Data3, Data4}, p);
    });
    busy.end();
    dialogs().message(compactionMessage(report));
}

void MainWindow::mnesportagis_Click() {
    exportForGis(false);
}

void MainWindow::mnesportambtiles_Click() {
    exportForGis(true);
}

void MainWindow::exportForGis(bool tiles) {
    const QString working = QDir::currentPath();
    const auto folder = dialogs().chooseFolder(kGisFolderTitle, working);
    if (!folder) return;

    hourglass::Scope busy;
    const gis::GisExportReport report = [&] {
        ProgressDialog progress(this, kGisProgress, Qt::WindowModal, QString(), kGisProgressName);
        return gis::exportForGis(working, *folder, progress.callback(), {tiles});
    }();
    busy.end();
    dialogs().message(gis::reportText(report));
}

} // namespace orvena
