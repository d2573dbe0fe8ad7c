#include "toolkit/Picture.h"

#include <QFileInfo>
#include <QImageReader>

namespace orvena {

void allowLargePictures() {
    QImageReader::setAllocationLimit(kPictureAllocationLimitMB);
}

std::optional<QImage> loadPicture(const QString& fileName, QString* error) {
    static const bool limitRaised = (allowLargePictures(), true);
    (void)limitRaised;
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile()) {
        if (error) *error = QStringLiteral("file not found: %1").arg(fileName);
        return std::nullopt;
    }
    QImageReader reader(fileName);
    reader.setAutoTransform(false);
    QImage image = reader.read();
    if (image.isNull()) {
        if (error) *error = reader.errorString();
        return std::nullopt;
    }
    const QImage::Format fast =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != fast) image.convertTo(fast);
    return image;
}

} // namespace orvena
