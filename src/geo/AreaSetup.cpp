// The set-up of a new or re-calibrated area from two reference points.
#include "app/MainWindow.h"

namespace orvena {

void MainWindow::mnapri_Click() {}

void MainWindow::AdvanceSetup() {}

void MainWindow::Image1_Click() {}

void MainWindow::cmdregcor_Click() {}

void MainWindow::StoreCalibration() {}

} // namespace orvena
