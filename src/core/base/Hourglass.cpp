#include "core/base/Hourglass.h"

#include <QCursor>
#include <QGuiApplication>

namespace orvena::hourglass {

namespace {
bool busy = false;
}

void set() {
    if (busy) return;
    busy = true;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void reset() {
    if (!busy) return;
    busy = false;
    QGuiApplication::restoreOverrideCursor();
}

bool isBusy() {
    return busy;
}

} // namespace orvena::hourglass
