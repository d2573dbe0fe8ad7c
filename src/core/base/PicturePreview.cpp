#include "core/base/PicturePreview.h"

#include "core/base/Picture.h"
#include "core/base/RasterPicture.h"

#include <QImageReader>

namespace orvena {

QSize pictureSize(const QString& fileName) {
    if (!rasterFormat(fileName).isEmpty()) return rasterHeader(fileName, false).size;
    return QImageReader(fileName).size();
}

QImage readScaledPicture(const QString& fileName, QSize size) {
    if (size.isEmpty() || inspectPicture(fileName).outcome != PictureOutcome::Ok) return {};
    const qint64 limit = qint64(kPictureAllocationLimitMB) * 1024 * 1024;
    QImage image;
    if (!rasterFormat(fileName).isEmpty()) {
        bool damaged = false;
        QString error;
        image = readRaster(fileName, limit, &damaged, &error, size);
        if (damaged) return {};
    } else {
        QImageReader reader(fileName);
        reader.setScaledSize(size);
        if (!reader.read(&image)) return {};
    }
    if (image.isNull()) return {};
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

} // namespace orvena
