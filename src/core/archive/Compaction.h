#pragma once

#include "core/archive/Maintenance.h"

#include <QList>
#include <QString>

#include <array>

namespace orvena {

class RecordView;

// The name of an archive's compacted copy: the name less its last four
// characters, then "comp.mdb" (area.mdb -> areacomp.mdb).
QString compactedCopyName(const QString& fileName);

// Compacts the archive fileName of folder. At every instant the file under
// its name is either the old archive or the complete compacted one: the
// compacted file is written beside it, made durable, and renamed over it.
// Then the compacted copy (compactedCopyName) is left beside it, replacing
// any leftover of an earlier run. Progress goes in bytes written. Nothing may
// hold the archive open in this program meanwhile.
MaintenanceResult compactArchive(const QString& folder, const QString& fileName,
                                 const Progress& progress = {}, const FaultPoint& fault = {});

// Removes what a compaction of the archive at path left when it was stopped
// before its rename (killed, or the disk full): the compacted file being
// written beside it and that file's journal. Only when no connection holds
// the archive's write lock, which a compaction under way keeps. Nothing is
// told; a file that cannot be removed stays.
void dropUnfinishedCompaction(const QString& path);

// What compacting the four archives came to: the archives that could not be
// compacted (each with its reason) and whether the user stopped it.
struct CompactionReport {
    QList<MaintenanceResult> failures;
    bool cancelled = false;
};

// Compacts area.mdb, localita.mdb, esparea.mdb and esplocalita.mdb in that
// order. Each archive's record view is closed while its file is rewritten and
// opened and refreshed afterwards with the same record source. A failure on
// one archive leaves that archive as it was and goes on with the others.
// views are Data1, Data2, Data3 and Data4.
// The message that ends a compaction: done, cancelled, none compacted (with
// the reasons) or all but some (naming them, with their reasons).
QString compactionMessage(const CompactionReport& report);

CompactionReport compactArchives(const QString& folder, const std::array<RecordView*, 4>& views,
                                 const Progress& progress = {}, const FaultPoint& fault = {});

} // namespace orvena
