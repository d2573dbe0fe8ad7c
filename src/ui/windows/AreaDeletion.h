#pragma once

namespace orvena {

class MainWindow;

// The "Elimina" press of the main window's cmdregcor in delete mode: asks,
// deletes the area named in f1area with all its places (archive/DeleteArea),
// rebuilds the area list and leaves delete mode.
void deleteChosenArea(MainWindow& window);

} // namespace orvena
