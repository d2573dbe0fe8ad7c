#pragma once

#include <QImage>
#include <QString>

namespace orvena {

// Writes picture as a Windows bitmap under fileName, whatever its extension.
// The bitmap is written under a temporary name beside it and takes the name
// only once complete: a failure leaves a file that was there before as it was.
// False when it could not be written; why goes into error.
bool saveBitmap(const QImage& picture, const QString& fileName, QString* error = nullptr);

} // namespace orvena
