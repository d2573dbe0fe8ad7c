#include "core/base/SaveBitmap.h"

#include <QImageWriter>
#include <QSaveFile>

namespace orvena {

bool saveBitmap(const QImage& picture, const QString& fileName, QString* error) {
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (picture.isNull()) return fail(QStringLiteral("no picture"));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    QImageWriter writer(&file, "bmp");
    if (!writer.write(picture)) {
        file.cancelWriting();
        return fail(writer.errorString());
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

} // namespace orvena
