#pragma once

// orvena --carica-archivi: the folder's area.mdb and localita.mdb (areas,
// their datums and reference points, places) copied onto an empty server
// database in ONE transaction: all of it or, on any failure, nothing.

#include "core/base/Progress.h"

#include <QString>

namespace orvena::serverload {

struct Outcome {
    QString problem; // empty on success: the Italian sentence otherwise
    qint64 areas = 0;
    qint64 places = 0;
    QString server; // the server as messages name it
};

// Loads the archives of folder onto the server named by connection (a libpq
// connection string or "service=..."). Refused, nothing written, when the
// database's current schema is not empty or an archive is missing, is not
// one of ours, or holds a value the server's fields cannot take (named).
// progress counts records; answering false stops, nothing written.
Outcome load(const QString& folder, const QString& connection, const Progress& progress = {});

// The report of a successful load.
QString doneMessage(const Outcome& outcome);

} // namespace orvena::serverload
