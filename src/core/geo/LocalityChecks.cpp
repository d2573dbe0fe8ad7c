#include "core/geo/LocalityChecks.h"

#include "core/archive/ArchiveFailure.h"
#include "core/base/Numbers.h"
#include "core/geo/SheetLookup.h"

#include <algorithm>
#include <cmath>

namespace orvena {

namespace {

// The largest value each angle box accepts; latitude degrees allow 180 for a
// delete, which does not use the angles.
std::array<double, 6> upperBounds(LocalityChange change) {
    const double latitudeDegrees = change == LocalityChange::Delete ? 180 : 90;
    return {latitudeDegrees, 60, 60, 180, 60, 60};
}

} // namespace

std::optional<std::array<QString, 6>> anglesAtClick(const QString& folder, const QString& area,
                                                    ReadoutInput at) {
    std::optional<ReadoutInput> in;
    try {
        in = SheetLookup(folder).sheet(area).calibration.readoutInput(
            at.x, at.y, at.calibration.cola, at.calibration.colo);
    } catch (const ArchiveError&) {
    }
    if (!in) return std::nullopt;
    const auto readout = computeReadout(*in);
    if (!readout) return std::nullopt;
    const auto lat = secondsToDms(std::round(readout->latSeconds));
    const auto lon = secondsToDms(std::round(readout->lonSeconds));
    if (!lat || !lon) return std::nullopt;
    std::array<QString, 6> angles;
    const std::int32_t parts[6] = {lat->deg, lat->min, lat->sec, lon->deg, lon->min, lon->sec};
    const auto bounds = upperBounds(LocalityChange::Insert);
    for (std::size_t i = 0; i < 6; ++i) {
        if (parts[i] < 0 || parts[i] > bounds[i]) return std::nullopt;
        angles[i] = QString::number(parts[i]);
    }
    return angles;
}

bool anglesEmpty(const std::array<QString, 6>& angles) {
    return std::all_of(angles.begin(), angles.end(), [](const QString& a) { return a.isEmpty(); });
}

LocalityCheck checkLocalityChange(LocalityChange change, LocalityForm& form,
                                  const QLocale& locale) {
    LocalityCheck result;
    form.name = form.name.toUpper();
    if (form.area.isEmpty()) {
        result.message = localitytext::kAreaMissing;
        return result;
    }
    if (form.name.isEmpty()) {
        result.message = localitytext::kNameMissing;
        return result;
    }
    if (change == LocalityChange::Insert &&
        std::all_of(form.angles.begin(), form.angles.end(),
                    [](const QString& t) { return t.isEmpty(); }))
        form.angles.fill(QStringLiteral("1"));

    const auto bounds = upperBounds(change);
    for (std::size_t i = 0; i < form.angles.size(); ++i) {
        const auto value = parseNumber(form.angles[i], locale);
        const auto whole = value ? roundToInt32(*value) : std::nullopt;
        if (!whole || *value < 0 || *value > bounds[i]) {
            result.message = localitytext::kBadAngle[i];
            return result;
        }
        result.angles[i] = *whole;
    }

    // The position written is always the one held, never the box's text; an
    // insert without one would store a position the user never took.
    if ((change == LocalityChange::Insert && (form.pixelX.isEmpty() || !form.positionHeld)) ||
        (change == LocalityChange::Modify && form.pixelX == QLatin1String("0")))
        result.message = localitytext::kPositionMissing;
    return result;
}

} // namespace orvena
