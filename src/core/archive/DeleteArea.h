#pragma once

#include "core/base/Progress.h"

#include <QString>

#include <cstdint>

namespace orvena {

class WorkingPair;

// What a deletion of an area did.
struct AreaDeletionResult {
    bool areaFound = false; // an area record of exactly that name was deleted
    std::int64_t localitiesDeleted = 0;
    bool cancelled = false; // the progress callback asked to stop: nothing changed
    QString failure;        // Italian reason when it failed: nothing changed
    bool ok() const { return failure.isEmpty() && !cancelled; }
};

// Deletes an area with its places, in one transaction over area.mdb and
// localita.mdb: the first AREA record (in table order) whose name equals area
// exactly, letter case included, and every locality whose AREA equals it
// exactly, wherever it lies in the table; the sheet's datum goes with its last
// record of that name. A name found nowhere deletes nothing
// and is no failure. After a failure, a cancel or a crash at any instant both
// files are as before or as after, never in between. The progress counts
// places deleted; stopping it rolls everything back. For an atlas on a
// server the same in one server transaction, the sheet's row first: a place
// another user adds on the sheet meanwhile is deleted with it or refused.
AreaDeletionResult deleteArea(const QString& folder, const QString& area,
                              const Progress& progress = {});
AreaDeletionResult deleteArea(WorkingPair& pair, const QString& area,
                              const Progress& progress = {});

} // namespace orvena
