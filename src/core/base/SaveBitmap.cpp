#include "core/base/SaveBitmap.h"

#include "core/base/SafeSave.h"

#include <QImageWriter>

namespace orvena {

bool saveBitmap(const QImage& picture, const QString& fileName, QString* error) {
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    if (picture.isNull()) return fail(QStringLiteral("nessuna immagine"));
    SafeSave file(fileName);
    if (!file.create()) return fail(file.error());
    QImageWriter writer(&file, "bmp");
    if (!file.commit(writer.write(picture))) return fail(file.error());
    return true;
}

} // namespace orvena
