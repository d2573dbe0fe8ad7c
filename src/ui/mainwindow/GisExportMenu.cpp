// "Esporta per GIS…": the export of the sheets and places for other map tools,
// from the main window's menu.
#include "ui/mainwindow/MainWindow.h"

#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/gis/GisExport.h"

#include <QDir>
#include <QProgressDialog>

namespace orvena {

void MainWindow::mnesportagis_Click() {
    const QString working = QDir::currentPath();
    const auto folder = dialogs().chooseFolder(QStringLiteral("Esporta per GIS"), working);
    if (!folder) return;

    QProgressDialog progress(QStringLiteral("Esportazione per GIS in corso…"),
                             QStringLiteral("Annulla"), 0, 1000, this);
    progress.setObjectName(QStringLiteral("GisExportProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(1000);
    hourglass::set();
    const auto report = gis::exportForGis(working, *folder, [&progress](qint64 done, qint64 total) {
        progress.setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
        return !progress.wasCanceled();
    });
    progress.reset();
    hourglass::reset();
    dialogs().message(gis::reportText(report));
}

} // namespace orvena
