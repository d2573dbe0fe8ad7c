#include "core/base/Dialogs.h"

namespace orvena {

namespace {
Dialogs* current = nullptr;
}

Dialogs& dialogs() {
    Q_ASSERT(current);
    return *current;
}

Dialogs* setDialogs(Dialogs* d) {
    Dialogs* previous = current;
    current = d;
    return previous;
}

} // namespace orvena
