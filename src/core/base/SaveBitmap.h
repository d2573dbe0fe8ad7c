#pragma once

#include <QImage>
#include <QString>

namespace orvena {

// Writes picture as a Windows bitmap under fileName, whatever its extension.
// The bitmap is written through a SafeSave: it takes the name only once
// complete and flushed to the disk, and a failure leaves a file that was there
// before as it was. False when it could not be written; then error says which
// file and why, in Italian.
bool saveBitmap(const QImage& picture, const QString& fileName, QString* error = nullptr);

} // namespace orvena
