#pragma once

// A sheet calibrated elsewhere, brought in from its .map file: its image into
// the working folder (as the set-up brings one), its points, model, grid,
// border and datum into area.mdb in one transaction.

#include <QString>

namespace orvena::gis {

struct OziImport {
    QString sheet;   // the sheet's name (its image's file name); empty when refused
    QString message; // one Italian line: what was stored, or why nothing was
    bool ok() const { return !sheet.isEmpty(); }
};

// Imports mapPath into workingFolder, whose archives must exist. The image is
// the one line 3 of the file names: relative to the file's folder, or, when
// that path does not exist, the file of that name beside it or already in
// the working folder. A copy already there with other content is not
// replaced. A malformed file, an image that does not read, a model that
// cannot be made or an archive that refuses the change store nothing.
OziImport importOziMap(const QString& workingFolder, const QString& mapPath);

} // namespace orvena::gis
