#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

namespace orvena {

// Writes picture as a Windows bitmap under fileName, whatever its extension.
// The bitmap is written through a SafeSave: it takes the name only once
// complete and flushed to the disk, and a failure leaves a file that was there
// before as it was. False when it could not be written; then error says which
// file and why, in Italian.
bool saveBitmap(const QImage& picture, const QString& fileName, QString* error = nullptr);

// Whether a picture of size fits a Windows bitmap: at most 32,767 pixels a
// side and 4 GB of pixel data at 24 bits a pixel. Empty when it does, else
// why not, in Italian, for the user.
QString bitmapTooLarge(QSize size);

// The same file as saveBitmap() writes (24 bits a pixel, rows from the
// bottom up) for a picture of size given a band of whole rows at a time:
// bandOf(rows) gives the pixels of that band (the full width), so the picture
// is never whole in memory.
bool saveBitmapInBands(QSize size, const std::function<QImage(const QRect&)>& bandOf,
                       const QString& fileName, QString* error = nullptr);

} // namespace orvena
