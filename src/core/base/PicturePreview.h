#pragma once

// A sheet's picture read smaller than it is, for what is drawn of it at a
// distance (the sheets beside the one shown): only its header for its size,
// and its pixels decoded straight at the size asked (JPEG by its scaled
// decoder, TIFF and PNG through GDAL, its overviews when it has them).

#include <QImage>
#include <QSize>
#include <QString>

namespace orvena {

// The picture's size in pixels from its header; empty when it does not read.
QSize pictureSize(const QString& fileName);

// The picture decoded at size (not larger than its own), in a format that
// paints fast; null when the file is missing, not whole or does not decode.
QImage readScaledPicture(const QString& fileName, QSize size);

} // namespace orvena
