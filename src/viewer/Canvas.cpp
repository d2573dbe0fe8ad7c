#include "viewer/Canvas.h"

namespace orvena {

Canvas::Canvas(QWidget* parent) : QWidget(parent) {}

} // namespace orvena
