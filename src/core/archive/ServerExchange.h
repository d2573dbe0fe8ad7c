#pragma once

// Export, import and compaction for an atlas kept on a server (AtlasServer.h).
// The exchange files esparea.mdb and esplocalita.mdb stay in the folder, as
// they are how atlases travel: an export writes them from the server's rows
// exactly as from the working files, an import adds their records to the
// server in one transaction by the same rules as to the files.

#include "core/archive/Maintenance.h"

#include <QString>

namespace orvena::maintenance {
class Session;
}

namespace orvena::serverexchange {

// Attaches to session, as schemas "wa" and "wl", copies in memory of the
// server's areas (with their datums and points) and places, read in one
// snapshot in the order they were added: the export then runs over them as
// over the working files. Failure naming the server otherwise.
void attachWorkingCopy(maintenance::Session& session, const QString& folder);

// importArchives() for an atlas on a server: the same records added, the
// same result, one server transaction (a server gone meanwhile leaves it as
// it was).
MaintenanceResult importArchives(const QString& folder, const Progress& progress,
                                 const FaultPoint& fault);

// "Compatta Data Base" for an atlas on a server: the folder's files stay as
// they are; the server reorders the atlas's tables and refreshes its
// statistics (VACUUM ANALYZE), keeping its own storage. The message that
// tells the outcome.
QString compact(const QString& folder);

} // namespace orvena::serverexchange
