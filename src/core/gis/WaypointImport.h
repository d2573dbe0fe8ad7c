#pragma once

// The waypoints of a track file made places of the sheets that hold them:
// each added to localita.mdb on every calibrated sheet whose outline holds
// it, its name upper-cased as the locality editor writes names, its angles
// in the sheet's own datum (whole seconds) and its position on the sheet
// (twips at zoom 100) from the sheet's model. All in one transaction; a
// name the sheet already has is left as it is.

#include "core/geo/SheetOutlines.h"
#include "core/geo/Track.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace orvena {

struct WaypointImportReport {
    QStringList added;    // "NAME (SHEET)"
    QStringList skipped;  // "NAME (SHEET)": the sheet has a place of that name
    QStringList offSheet; // names no calibrated sheet holds
    QString failure;      // the archive's failure, in Italian: nothing was added

    // The report for the user: the three counts, then the names of each.
    QString text() const;
};

WaypointImportReport importWaypoints(const QString& folder, const std::vector<Waypoint>& waypoints,
                                     const SheetOutlines& outlines);

} // namespace orvena
