// The latitude and longitude under the pointer, as the map's tool tip.
#include "app/MainWindow.h"

namespace orvena {

void MainWindow::Image1_MouseMove(double, double) {}

void MainWindow::ComputePointerReadout() {}

} // namespace orvena
