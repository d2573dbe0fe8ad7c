#include "ui/map/AreaSetupMode.h"

namespace orvena {

void AreaSetupMode::start() {
    stage_ = Stage::FirstPoint;
    registers_ = false;
    second_ = QPoint();
    secondTaken_ = false;
}

void AreaSetupMode::takeFirstPoint(QPoint at) {
    first_ = at;
    secondTaken_ = false;
}

void AreaSetupMode::acceptFirstPoint(const CoordinateValues& angles) {
    firstAngles_ = angles;
    registers_ = true;
}

void AreaSetupMode::takeSecondPoint(QPoint at) {
    second_ = at;
    secondTaken_ = true;
}

CalibrationResult AreaSetupMode::calibrationWith(const CoordinateValues& secondAngles) const {
    return calibrate(referencePoint(first_.x(), first_.y(), firstAngles_),
                     referencePoint(second_.x(), second_.y(), secondAngles));
}

} // namespace orvena
