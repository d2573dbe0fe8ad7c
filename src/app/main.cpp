#include "app/Application.h"
#include "app/CalibrationImportCommand.h"
#include "app/GisExportCommand.h"
#include "app/ProgramInfo.h"
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
    orvena::Application app(argc, argv);
    orvena::installItalianTranslation(app);
    orvena::allowLargePictures();
    orvena::QtDialogs qtDialogs;
    orvena::setDialogs(&qtDialogs);
    qtDialogs.setHelpViewer(
        [](const QString& helpFile) { return orvena::HelpWindow::open(helpFile) != nullptr; });

    // Everything lives in the working folder: the four archives and the sheets.
    orvena::Archives archives;
    const auto window = orvena::startUp(archives, QDir::currentPath(),
                                        orvena::commandLineOf(app.arguments().mid(1)));
    if (!window) return 1;
    return app.exec();
}
