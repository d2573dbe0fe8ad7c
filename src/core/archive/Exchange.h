#pragma once

#include "core/archive/Maintenance.h"

#include <QString>

namespace orvena {

// Export: esparea.mdb and esplocalita.mdb in folder are emptied and refilled
// with the working areas sorted by name and the working localities sorted by
// area and name: the eleven area fields and the eight locality fields (never
// PX, PY), each value as the text its bound box shows, converted back by the
// engine to the field's kind. The datums of the working sheets replace those
// of esparea.mdb. Both exchange files change in one transaction:
// on failure or cancel they are left exactly as they were.
MaintenanceResult exportArchives(const QString& folder, const Progress& progress = {},
                                 const FaultPoint& fault = {});

// Import: every exchange area whose AREA text is not exactly (letter case
// included) that of a working area is added to area.mdb with its eleven
// fields; every exchange locality whose AREA and LOCALITA texts are not exactly
// those of a working locality is added to localita.mdb with its eight fields
// and no position; a working sheet without a datum takes the exchange file's,
// one that has a datum keeps it. A record added earlier in the same import counts as
// present, so duplicates inside the exchange files are added once (the first
// in file order). Nothing existing changes. Both working files change in one
// transaction: on failure or cancel they are left exactly as they were.
MaintenanceResult importArchives(const QString& folder, const Progress& progress = {},
                                 const FaultPoint& fault = {});

} // namespace orvena
