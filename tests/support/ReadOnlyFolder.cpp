#include "ReadOnlyFolder.h"

#include "core/archive/ArchiveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace orvena::test {

#ifdef Q_OS_UNIX
namespace {

bool chattr(const char* flag, const QString& folder) {
    QProcess run;
    run.start(QStringLiteral("chattr"), {QString::fromLatin1(flag), folder});
    return run.waitForFinished() && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
}

} // namespace
#endif

ReadOnlyFolder::ReadOnlyFolder(const QString& folder)
    : folder_(QFileInfo(folder).absoluteFilePath()) {
#ifdef Q_OS_UNIX
    if (::geteuid() != 0 &&
        QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::ExeOwner)) {
        how_ = How::Permissions;
        return;
    }
    if (::geteuid() == 0 && chattr("+i", folder_)) {
        how_ = How::Immutable;
        return;
    }
#endif
    const QString inside = folder_ + QLatin1Char('/');
    archivefile::setWriteCheck([inside](const QString& path) {
        return !QFileInfo(path).absoluteFilePath().startsWith(inside);
    });
}

ReadOnlyFolder::~ReadOnlyFolder() {
    switch (how_) {
    case How::Permissions:
        QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
        break;
    case How::Immutable:
#ifdef Q_OS_UNIX
        chattr("-i", folder_);
#endif
        break;
    case How::WriteCheck:
        archivefile::setWriteCheck({});
        break;
    }
}

} // namespace orvena::test
