// Moving the map with the arrow images, the arrow keys and the spinners.
#include "app/MainWindow.h"

namespace orvena {

void MainWindow::Form_KeyDown(int&) {}

void MainWindow::imgde_Click(bool) {}

void MainWindow::imgsi_Click(bool) {}

void MainWindow::imgsu_Click(bool) {}

void MainWindow::imggiu_Click(bool) {}

void MainWindow::HScroll1_Change(int) {}

void MainWindow::VScroll1_Change(int) {}

} // namespace orvena
