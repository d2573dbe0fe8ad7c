#pragma once

#include <QImage>
#include <QString>

namespace orvena::demo {

// Reduces an image to at most 256 colours, the same way every time: the most
// frequent colours that differ visibly from those already taken form the
// palette, and every pixel takes the nearest palette colour (no dithering).
// Returns a Format_Indexed8 image.
QImage reduceTo256Colours(const QImage& image);

// Writes an indexed image as a GIF89a file (one image, global colour table,
// LZW-compressed). Returns an empty text or what went wrong.
QString writeGif(const QString& path, const QImage& indexed);

} // namespace orvena::demo
