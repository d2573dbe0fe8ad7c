#include "TempFolder.h"

namespace orvena::test {

TempFolder::TempFolder()
    : previous_(QDir::currentPath()) {
    QDir::setCurrent(dir_.path());
}

TempFolder::~TempFolder() {
    QDir::setCurrent(previous_);
}

} // namespace orvena::test
