// Moving to the adjoining sheet past an edge.
#include "app/MainWindow.h"

namespace orvena {

void MainWindow::MoveEast() {}

void MainWindow::MoveNorth() {}

void MainWindow::MoveWest() {}

void MainWindow::MoveSouth() {}

void MainWindow::RefillLocalityList() {}

} // namespace orvena
