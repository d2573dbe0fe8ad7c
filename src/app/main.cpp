#include "app/Application.h"
#include "app/CalibrationImportCommand.h"
#include "app/GisExportCommand.h"
#include "app/ProgramInfo.h"
#include "app/ServerLoadCommand.h"
#include "app/TrackArguments.h"
#include "core/archive/Archives.h"
#include "core/base/Dialogs.h"
#include "core/base/Picture.h"
#include "ui/mainwindow/MainWindow.h"
#include "ui/widgets/QtDialogs.h"
#include "ui/windows/HelpWindow.h"

#include <QDir>

int main(int argc, char** argv) {
    if (orvena::isInfoCommand(argc, argv)) return orvena::runInfoCommand(argc, argv);
    if (orvena::gis::isExportCommand(argc, argv)) return orvena::gis::runExportCommand(argc, argv);
    if (orvena::gis::isCalibrationImportCommand(argc, argv))
        return orvena::gis::runCalibrationImportCommand(argc, argv);
    if (orvena::isServerLoadCommand(argc, argv)) return orvena::runServerLoadCommand(argc, argv);
    orvena::Application app(argc, argv);
    orvena::installItalianTranslation(app);
    orvena::allowLargePictures();
    orvena::QtDialogs qtDialogs;
    orvena::setDialogs(&qtDialogs);
    qtDialogs.setHelpViewer(
        [](const QString& helpFile) { return orvena::HelpWindow::open(helpFile) != nullptr; });

    // Everything lives in the working folder: the four archives and the sheets.
    orvena::Archives archives;
    QStringList given = app.arguments().mid(1);
    if (!orvena::takeServerArgument(given)) {
        orvena::dialogs().message(QStringLiteral("Uso: orvena [LOCALITÀ] --archivio CONNESSIONE"));
        return 2;
    }
    const orvena::TrackArguments arguments = orvena::takeTrackArguments(given);
    const auto window = orvena::startUp(archives, QDir::currentPath(),
                                        orvena::commandLineOf(arguments.others));
    if (!window) return 1;
    orvena::openCommandLineTracks(*window, arguments.files, !arguments.others.isEmpty());
    return app.exec();
}
