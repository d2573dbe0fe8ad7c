#include "core/geo/SheetModelStore.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/AreaCalibrations.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/WorkingPair.h"

namespace orvena {

QString storeSheetModel(WorkingPair& pair, const QString& area, const SheetPoints& points,
                        Datum sheetDatum) {
    const SheetModel model = SheetModel::fit(points, sheetDatum);
    if (!model.isValid()) return model.error();
    try {
        areacalibrations::store(pair, area, points, model.areaFields(), datumCode(model.datum()));
    } catch (const ArchiveError& e) {
        return e.italianMessage();
    }
    return {};
}

SheetModel loadSheetModel(const QString& folder, const QString& area) {
    const auto points = areacalibrations::readIn(folder, area);
    if (!points) return {};
    const auto datum = datumFromCode(areadatums::readIn(folder, area).code);
    return SheetModel::fit(*points, datum.value_or(Datum::Wgs84));
}

} // namespace orvena
