#pragma once

#include "core/base/Picture.h"

namespace orvena {

class MainWindow;

// Decodes the picture of a sheet about to be shown (an area load, a move to
// an adjoining sheet) with one sheet in memory at a time: the header is
// checked first, then the shown sheet's pixels are let go (the map and the
// canvas keep which file they came from and their marks) and the new file
// is decoded. If it cannot be decoded, the shown sheet is decoded again from
// its file and stays, with its marks. The caller shows the picture returned.
PictureLoad loadSheet(MainWindow& w, const QString& fileName);

// Where a sheet shown from fileName was decoded from, for the map's recipe.
QString sheetFile(const QString& fileName);

// Whether the damage of this file (as it is now on disk) has not been told
// yet in this session: a damaged sheet is told once, not at every reload.
bool firstDamageNotice(const QString& fileName);

} // namespace orvena
