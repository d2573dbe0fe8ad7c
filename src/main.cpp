#include "app/Application.h"
#include "app/MainWindow.h"
#include "archive/Archives.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Picture.h"
#include "toolkit/QtDialogs.h"

#include <QDir>

#include <memory>

int main(int argc, char** argv) {
    orvena::Application app(argc, argv);
    orvena::installItalianTranslation(app);
    orvena::allowLargePictures();
    orvena::QtDialogs qtDialogs;
    orvena::setDialogs(&qtDialogs);

    // Everything lives in the working folder: the four archives and the sheets.
    orvena::Archives archives;
    const QString problem = archives.openAll(QDir::currentPath());
    if (!problem.isEmpty()) {
        orvena::dialogs().message(problem);
        return 1;
    }
    if (!archives.createdFiles().isEmpty())
        orvena::dialogs().message(
            orvena::createdArchivesMessage(archives.createdFiles(), QDir::currentPath()));

    // The first queries run here, before the event loop: a damaged archive
    // ends the program with its message, its files as they were.
    orvena::ViewerState state;
    std::unique_ptr<orvena::MainWindow> window;
    try {
        window = std::make_unique<orvena::MainWindow>(
            state, archives, orvena::commandLineOf(app.arguments().mid(1)));
        orvena::showAndActivate(*window);
    } catch (const std::exception& e) {
        orvena::reportStartFailure(e);
        return 1;
    }
    return app.exec();
}
