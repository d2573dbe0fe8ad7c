// "Esporta KMZ per GPS…": the sheet shown as a KMZ custom map for GPS units,
// or, with no sheet shown and the user agreeing, every calibrated sheet. The
// export for GIS does the work (its world files and place files come along);
// a sheet of more tiles than GPS units take is asked about through the
// dialogs.
#include "ui/mainwindow/MainWindow.h"

#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/gis/GisExport.h"
#include "ui/map/MapView.h"
#include "ui/widgets/ProgressDialog.h"

#include <QDir>

namespace orvena {

namespace {

const QString kKmzFolderTitle = QStringLiteral("Esporta KMZ per GPS");
const QString kKmzProgress = QStringLiteral("Esportazione KMZ in corso…");
const QString kKmzProgressName = QStringLiteral("KmzExportProgress");
const QString kAskAll =
    QStringLiteral("Nessun foglio è mostrato. Esportare in KMZ tutti i fogli calibrati?");
const QString kNoKmz = QStringLiteral("Nessun foglio è stato scritto in KMZ.");

} // namespace

void MainWindow::mnesportakmz_Click() {
    gis::GisExportOptions options;
    options.kmz = options.askKmzResolution = true;
    if (Image1->shown() && shownSheet().exists())
        options.onlySheet = shownSheet().name;
    else if (dialogs().message(kAskAll, Buttons::YesNo) != AnswerYes)
        return;
    const QString working = QDir::currentPath();
    const auto folder = dialogs().chooseFolder(kKmzFolderTitle, working);
    if (!folder) return;

    hourglass::Scope busy;
    const gis::GisExportReport report = [&] {
        ProgressDialog progress(this, kKmzProgress, Qt::WindowModal, QString(), kKmzProgressName);
        return gis::exportForGis(working, *folder, progress.callback(), options);
    }();
    busy.end();
    const QString text = gis::reportText(report);
    dialogs().message(report.ok() && report.kmzSets == 0 ? text + u'\n' + kNoKmz : text);
}

} // namespace orvena
