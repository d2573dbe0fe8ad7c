#include "app/Application.h"
#include "app/MainWindow.h"
#include "archive/Archives.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Picture.h"
#include "toolkit/QtDialogs.h"

#include <QDir>

int main(int argc, char** argv) {
    orvena::Application app(argc, argv);
    orvena::installItalianTranslation(app);
    orvena::allowLargePictures();
    orvena::QtDialogs qtDialogs;
    orvena::setDialogs(&qtDialogs);

    // Everything lives in the working folder: the four archives and the sheets.
    orvena::Archives archives;
    orvena::ViewerState state;
    const auto window = orvena::startUp(archives, state, QDir::currentPath(),
                                        orvena::commandLineOf(app.arguments().mid(1)));
    if (!window) return 1;
    return app.exec();
}
