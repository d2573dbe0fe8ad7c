#include "core/base/FileFailure.h"

#include <QCoreApplication>
#include <QFileDevice>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>

namespace orvena {

namespace {

const QString kDiskFull = QStringLiteral("il disco è pieno");
const QString kNotWritable = QStringLiteral("mancano i permessi per scriverlo");
const QString kFolderNotWritable =
    QStringLiteral("la cartella è in sola lettura o mancano i permessi per scriverci");
const QString kDiskError = QStringLiteral("errore del disco");
const QString kTooLarge =
    QStringLiteral("il file supera la dimensione massima che il sistema consente");
const QString kNoFolder = QStringLiteral("la cartella non esiste");
const QString kIsFolder = QStringLiteral("con quel nome c'è una cartella");
// Below this much room a library's failure to write is taken as a full disk:
// it fails on the page or tile it could not place, not on the last byte.
constexpr qint64 kNearlyFull = 1024 * 1024;

} // namespace

QString diskFullReason() {
    return kDiskFull;
}

QString systemFailureReason(int errorNumber) {
    switch (errorNumber) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return kDiskFull;
    case EFBIG:
        return kTooLarge;
    case EACCES:
    case EPERM:
        return kNotWritable;
    case EROFS:
        return kFolderNotWritable;
    case ENOENT:
    case ENOTDIR:
        return kNoFolder;
    case EISDIR:
        return kIsFolder;
    default:
        return kDiskError;
    }
}

QString folderFailureReason(const QString& folder, const QString& libraryWords) {
    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.bytesAvailable() < kNearlyFull) return kDiskFull;
    if (!QFileInfo(folder).isWritable()) return kFolderNotWritable;
    return libraryWords.isEmpty() ? kDiskError : libraryWords;
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
