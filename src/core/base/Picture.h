#pragma once

#include "core/base/PictureTiles.h"

#include <QImage>
#include <QString>

#include <memory>
#include <optional>

namespace orvena {

// The largest picture the program decodes, in megabytes. A sheet of 400
// megapixels takes 1600 MB at 32 bits a pixel; Qt's own default refuses
// anything over 128 MB.
inline constexpr int kPictureAllocationLimitMB = 2048;

// Raises the decoder's allocation limit to the bound above. Called once at
// start-up and by loadPicture() itself.
void allowLargePictures();

// How reading a picture file went.
enum class PictureOutcome {
    Ok,         // decoded whole
    Damaged,    // the file ends early or is damaged: decoded as far as it goes
    Refused,    // the header claims a picture the file is far too small to hold
    Unreadable, // missing, not a picture, or too large to decode
};

struct PictureLoad {
    PictureOutcome outcome = PictureOutcome::Unreadable;
    QImage image;    // null unless Ok or Damaged
    // A sheet drawn from tiles instead (image null): its pixels read a part
    // at a time.
    std::shared_ptr<const PictureTiles> tiles;
    QString message; // for Damaged and Refused, the Italian text for the user;
                     // for Unreadable, why (not meant for the user)
    bool shown() const { return !image.isNull() || tiles != nullptr; }
};

// Checks a picture file's header against its size without decoding it:
// Refused or Unreadable when decoding is pointless, otherwise Ok.
PictureLoad checkPicture(const QString& fileName);

// checkPicture(), and then whether the file ends as a whole picture of its
// format does (JPEG, GIF, BMP, PNG; a TIFF's blocks all within the file),
// still without decoding it: Damaged when it
// does not.
PictureLoad inspectPicture(const QString& fileName);

// Why a picture that is not Ok cannot be used whole, in a few Italian words
// for a list ("il file è vuoto", "il file non è un'immagine che il programma
// legge", "l'immagine è danneggiata o incompleta" ...). Qt's own texts,
// which are English, never appear.
QString pictureProblem(const PictureLoad& load, const QString& fileName);

// Reads a sheet picture (GIF, BMP, JPEG, PNG, TIFF and whatever else the
// image plugins read), converted to a format that paints fast. JPEG files are
// decoded straight into 32-bit pixels by libjpeg-turbo, with Qt's reader for
// anything it refuses; TIFF files (GeoTIFF, BigTIFF, tiled, compressed)
// through GDAL (RasterPicture.h); every other format goes through Qt's readers.
PictureLoad readPicture(const QString& fileName);

// The picture of readPicture() when one was decoded (whole or damaged);
// nothing otherwise, and why goes into error.
std::optional<QImage> loadPicture(const QString& fileName, QString* error = nullptr);

} // namespace orvena
