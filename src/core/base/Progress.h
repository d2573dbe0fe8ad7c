#pragma once

#include <QtGlobal>

#include <functional>

namespace orvena {

// Long work (export, import, compaction, deletion, the export for GIS)
// reports how far it is: done out of total steps, in the work's own unit
// (records, bytes); total may grow while the work runs. Answering false asks
// to stop; the work then undoes what it had begun.
using Progress = std::function<bool(qint64 done, qint64 total)>;

} // namespace orvena
