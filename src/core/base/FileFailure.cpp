#include "core/base/FileFailure.h"

#include <QCoreApplication>
#include <QFileDevice>
#include <QFileInfo>
#include <QStorageInfo>

namespace orvena {

namespace {

const QString kDiskFull = QStringLiteral("il disco è pieno");
const QString kNotWritable = QStringLiteral("mancano i permessi per scriverlo");
const QString kFolderNotWritable =
    QStringLiteral("la cartella è in sola lettura o mancano i permessi per scriverci");
const QString kDiskError = QStringLiteral("errore del disco");

} // namespace

QString diskFullReason() {
    return kDiskFull;
}

QString writeFailureReason(QFileDevice& file) {
    if (file.isOpen() && file.isWritable()) file.flush();
    switch (file.error()) {
    case QFileDevice::ResourceError:
        return kDiskFull;
    case QFileDevice::PermissionsError:
        return kNotWritable;
    default:
        break;
    }
    const QFileInfo info(file.fileName());
    if (!QFileInfo(info.absolutePath()).isWritable()) return kFolderNotWritable;
    if (info.exists() && !info.isWritable()) return kNotWritable;
    const QStorageInfo storage(info.absolutePath());
    if (storage.isValid() && storage.bytesAvailable() == 0) return kDiskFull;
    // Qt's own words for errno 0, in whatever language they are shown.
    const QString system = file.errorString();
    if (system.isEmpty() || system == QCoreApplication::translate("QIODevice", "Unknown error"))
        return kDiskError;
    return system;
}

} // namespace orvena
