// Marking a locality on the shown sheet.
#include "app/MainWindow.h"

namespace orvena {

void MainWindow::cmbloc_Click() {}

void MainWindow::MarkLocality() {}

} // namespace orvena
