#pragma once

#include "core/archive/ArchiveFile.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

namespace orvena::test {

// Makes a folder read-only for the program while it lives: for real where
// the test can (permissions for a user, the immutable flag for the superuser,
// whom permissions do not stop), otherwise through the archives' write check.
struct ReadOnlyFolder {
    QString folder;
    enum { Permissions, Immutable, WriteCheck } how = WriteCheck;

    explicit ReadOnlyFolder(const QString& path)
        : folder(QFileInfo(path).absoluteFilePath()) {
        if (::geteuid() != 0 && QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner))
            how = Permissions;
        else if (::geteuid() == 0 && QProcess::execute("chattr", {"+i", folder}) == 0)
            how = Immutable;
        else
            archivefile::setWriteCheck([inside = folder + '/'](const QString& file) {
                return !QFileInfo(file).absoluteFilePath().startsWith(inside);
            });
    }
    ~ReadOnlyFolder() {
        if (how == Permissions)
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (how == Immutable) QProcess::execute("chattr", {"-i", folder});
        if (how == WriteCheck) archivefile::setWriteCheck({});
    }
};

} // namespace orvena::test
