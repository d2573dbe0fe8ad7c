#pragma once

// What an export for GIS reads of an atlas: its sheets, places, datums and
// points, from the folder's area.mdb and localita.mdb or from the atlas's
// server, the same rows in the same order either way (so an atlas exports to
// the same bytes wherever it is kept). A server atlas is read in one
// read-only snapshot, its places a block at a time.

#include "core/archive/AreaDatums.h"
#include "core/archive/SheetPoints.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

namespace orvena::gis {

class GisArchives {
public:
    // A row's value by its column, as the files' engine gives it.
    using Row = std::function<QVariant(int)>;
    // Called for each row; false stops the walk.
    using Each = std::function<bool(const Row&)>;

    // The archives of folder: on its server when it names one, otherwise its
    // two files (which the caller checked are ours). ArchiveError, in
    // Italian and naming the archive, when they cannot be read, here and from
    // every call below.
    static std::unique_ptr<GisArchives> open(const QString& folder);
    virtual ~GisArchives() = default;

    virtual QHash<QString, areadatums::SheetDatum> datums() = 0;
    virtual QHash<QString, SheetPoints> points() = 0;
    // Every sheet's name, in the order of the names (letter case aside).
    virtual QStringList sheetNames() = 0;
    virtual qint64 sheetCount() = 0;
    virtual qint64 placeCount() = 0;
    // AREA, COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO of every sheet, in the
    // order of the names.
    virtual void sheets(const Each& each) = 0;
    // AREA, LOCALITA, LAGR, LAMN, LASE, LOGR, LOMN, LOSE of every place, by
    // sheet and name.
    virtual void places(const Each& each) = 0;
};

} // namespace orvena::gis
