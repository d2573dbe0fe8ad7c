// Showing the locality named on the command line or chosen in the search window.
#include "app/MainWindow.h"

namespace orvena {

void MainWindow::ShowCommandLineLocality() {}

void MainWindow::ShowChosenLocality() {}

} // namespace orvena
