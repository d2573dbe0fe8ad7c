#pragma once

#include <QImage>
#include <QString>

#include <optional>

namespace orvena {

// The largest picture the program decodes, in megabytes. A sheet of 400
// megapixels takes 1600 MB at 32 bits a pixel; Qt's own default refuses
// anything over 128 MB.
inline constexpr int kPictureAllocationLimitMB = 2048;

// Raises the decoder's allocation limit to the bound above. Called once at
// start-up and by loadPicture() itself.
void allowLargePictures();

// Loads a sheet picture (GIF, BMP, JPEG and whatever else the image plugins
// read) by file name, converted to a format that paints fast. Nothing when the
// file is missing or is not a readable picture; why goes into error.
std::optional<QImage> loadPicture(const QString& fileName, QString* error = nullptr);

} // namespace orvena
