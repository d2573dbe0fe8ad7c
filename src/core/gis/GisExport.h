#pragma once

#include "core/base/Progress.h"
#include "core/gis/SheetRasters.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace orvena::gis {

// Places taken from one datum to WGS 84 by one operation.
struct DatumUse {
    QString datum;                  // its name, as the user chose it
    QString operation;              // PROJ's name of the operation
    QString area;                   // the name of its area of use
    std::optional<double> accuracy; // metres, when PROJ knows it
    qint64 places = 0;
};

// What an export for GIS did.
struct GisExportReport {
    QStringList written;       // every file written, with its path
    int sheets = 0;            // sheets that got a world file
    QStringList sheetsSkipped; // "name: why" for each sheet left without one
    QStringList sheetNotes;    // "name: what" for a sheet whose picture is damaged
    QStringList sheetsMoved;   // sheets whose world files went into movedFolder
    QString movedFolder;       // the chosen folder, where the sheets' folder is read-only
    int tileSets = 0;          // sheets written as MBTiles
    int kmzSets = 0;           // sheets written as KMZ
    QStringList kmzNotes;      // "name: ..." for a KMZ of more tiles than GPS units take
    int geoTiffs = 0;          // sheets written as GeoTIFF
    QStringList tilesSkipped;  // why, naming it, for each sheet left without tiles
    qint64 places = 0;         // places in the four files
    qint64 placesNotNumbers = 0;
    qint64 placesOffTheGlobe = 0;
    qint64 placesNotTransformed = 0; // PROJ could not take them to WGS 84
    QList<DatumUse> datums;          // the places transformed, by datum and operation
    QStringList sheetsWithoutDatum;  // names of the sheets never given a datum
    qint64 placesWithoutDatum = 0;   // places on them, taken as WGS 84
    QStringList sheetsUnknownDatum;  // "name: datum sconosciuto: EPSG:9999"
    qint64 placesUnknownDatum = 0;   // places on them, left out of the files
    QStringList placesFar;           // "sheet: place" for places far from their sheet
    QString sheetsFolder;            // where world files went beside their sheets
    QString error;                   // empty unless the export failed; then in Italian
    bool cancelled = false;

    bool ok() const { return error.isEmpty() && !cancelled; }
};

struct GisExportOptions {
    GisExportOptions(bool withTiles = false)
        : tiles(withTiles) {}
    bool tiles = false;   // also each calibrated sheet as <sheet>.mbtiles
    bool kmz = false;     // also each calibrated sheet as <sheet>.kmz, for GPS units
    bool geoTiff = false; // also each calibrated sheet as <sheet>.geo.tif beside its world file
    // A sheet whose KMZ takes more than kmzMostTiles tiles: whether to ask,
    // through the dialogs, for a lower resolution that keeps it within them
    // (without asking, or answered no, it keeps the sheet's own and the
    // report names it).
    bool askKmzResolution = false;
    int kmzMostTiles = kKmzMostTiles; // at least 1
    QString onlySheet;                // not empty: KMZ of that sheet alone
};

// Reads area.mdb and localita.mdb of workingFolder (read-only, never changed,
// except that a change of them a crash left unfinished is first rolled back as
// start-up would) and writes, beside every calibrated sheet image of that
// folder, its world file in the sheet's own graticule, a .prj and the image's
// .aux.xml naming the sheet's datum (the latter only where none exists or it
// is one written before; neither for a datum this program does not know).
// Where the sheets' folder cannot take them they go into targetFolder beside
// a link to the image. A sheet whose picture is missing, empty or unreadable
// gets none; a damaged one is not tiled. Into targetFolder, created if missing,
// localita.gpx, .kml, .geojson and .csv with every place taken to WGS 84 from
// its sheet's datum by PROJ, with options.tiles each sheet's MBTiles (cut at
// the sheet's border where it has one), with options.kmz each sheet's KMZ
// (writeKmz), and with options.geoTiff each sheet as a GeoTIFF in its own
// system beside its world file. A
// sheet's files are named as sheetFileNames() says, and no file is written
// twice in one export. A sheet without a datum is taken as WGS 84. Each file
// appears whole or not at all (SafeSave); one the disk refuses (full, not
// writable) fails the export, naming it and why, and leaves an earlier file
// of that name as it was. A place file being written when the export stops is
// not left behind.
// The progress counts sheets plus places (and with tiles a thousand steps for
// each sheet's tiles).
GisExportReport exportForGis(const QString& workingFolder, const QString& targetFolder,
                             const Progress& progress = {}, const GisExportOptions& options = {});

// The report in a few Italian lines, for the user.
QString reportText(const GisExportReport& report);

} // namespace orvena::gis
