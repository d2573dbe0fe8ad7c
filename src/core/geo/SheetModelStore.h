#pragma once

// A sheet's reference points stored with everything that goes with them, and
// read back as its model.

#include "core/geo/SheetModel.h"

#include <QString>

namespace orvena {

class WorkingPair;

// Fits points for the sheet named area (whose datum is sheetDatum) and, when
// the model can be made, stores in one transaction the points, the AREA
// fields as their per-axis fit and the datum the grid implies. Empty text
// when stored; otherwise why not, in Italian, and nothing has changed.
QString storeSheetModel(WorkingPair& pair, const QString& area, const SheetPoints& points,
                        Datum sheetDatum);

// The model of the sheet named area in folder's area.mdb, with the datum
// stored for it; not valid when the sheet has no points (or they no longer
// make a model: the sheet then reads by its AREA fields).
SheetModel loadSheetModel(const QString& folder, const QString& area);

} // namespace orvena
