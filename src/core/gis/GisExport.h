#pragma once

#include "core/base/Progress.h"

#include <QString>
#include <QStringList>

namespace orvena::gis {

// What an export for GIS did.
struct GisExportReport {
    QStringList written;       // every file written, with its path
    int sheets = 0;            // sheets that got a world file
    QStringList sheetsSkipped; // "name: why" for each sheet left without one
    qint64 places = 0;         // places in the four files
    qint64 placesNotNumbers = 0;
    qint64 placesOffTheGlobe = 0;
    QString error; // empty unless the export failed; then in Italian
    bool cancelled = false;

    bool ok() const { return error.isEmpty() && !cancelled; }
};

// Reads area.mdb and localita.mdb of workingFolder (read-only, never changed,
// except that a change of them a crash left unfinished is first rolled back as
// start-up would) and writes, beside every calibrated sheet image of that
// folder, its world file, a .prj and the image's .aux.xml (the latter only
// where none exists or it is the one written before), and into targetFolder,
// created if missing, localita.gpx, .kml, .geojson and .csv. Each file appears
// whole or not at all; a place file being written when the export stops is not
// left behind.
// The progress counts sheets plus places.
GisExportReport exportForGis(const QString& workingFolder, const QString& targetFolder,
                             const Progress& progress = {});

// The report in a few Italian lines, for the user.
QString reportText(const GisExportReport& report);

} // namespace orvena::gis
