#include "core/base/NetworkFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <array>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#endif

namespace orvena::networkfolder {

namespace {

struct Magic {
    std::uint64_t number;
    const char* name;
};

// The f_type values of the network and cluster filesystems (linux/magic.h and
// the filesystems' own sources).
constexpr std::array<Magic, 14> kNetwork = {{
    {0x6969, "NFS"},
    {0x517B, "SMB"},
    {0xFF534D42, "SMB/CIFS"},
    {0xFE534D42, "SMB2"},
    {0x564C, "NCP"},
    {0x73757245, "Coda"},
    {0x5346414F, "AFS"},
    {0x6B414653, "AFS"},
    {0x00C36400, "Ceph"},
    {0x01021997, "9P"},
    {0x0BD00BD0, "Lustre"},
    {0x01161970, "GFS2"},
    {0x7461636F, "OCFS2"},
    {0x786F4256, "vboxsf"},
}};

constexpr std::uint64_t kFuse = 0x65735546;

// FUSE filesystems that reach another machine.
const QStringList& networkFuseSubtypes() {
    static const QStringList subtypes = {
        QStringLiteral("sshfs"),    QStringLiteral("rclone"),    QStringLiteral("s3fs"),
        QStringLiteral("gcsfuse"),  QStringLiteral("glusterfs"), QStringLiteral("davfs"),
        QStringLiteral("smbnetfs"), QStringLiteral("curlftpfs"), QStringLiteral("cephfs"),
        QStringLiteral("ceph-fuse")};
    return subtypes;
}

#ifdef Q_OS_LINUX
// The subtype of the FUSE mount holding folder, from the mount table: the
// line whose device number is the folder's ("fuse.sshfs" -> "sshfs").
QString fuseSubtypeOf(const QString& folder) {
    struct stat info {};
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0) return {};
    const QString device =
        QStringLiteral("%1:%2").arg(major(info.st_dev)).arg(minor(info.st_dev));
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    while (!table.atEnd()) {
        // id parent major:minor root mount-point options ... - fstype source ...
        const QStringList fields = QString::fromUtf8(table.readLine()).split(QLatin1Char(' '));
        if (fields.size() < 3 || fields[2] != device) continue;
        const qsizetype dash = fields.indexOf(QStringLiteral("-"));
        if (dash < 0 || dash + 1 >= fields.size()) continue;
        const QString type = fields[dash + 1];
        if (type.startsWith(QLatin1String("fuse."))) return type.mid(5);
        return type;
    }
    return {};
}
#endif

} // namespace

QString kindOf(std::uint64_t magic, const QString& fuseSubtype) {
    for (const Magic& m : kNetwork)
        if (m.number == magic) return QString::fromLatin1(m.name);
    if (magic == kFuse && networkFuseSubtypes().contains(fuseSubtype, Qt::CaseInsensitive))
        return fuseSubtype;
    return {};
}

QString kindOfFolder(const QString& folder) {
#ifdef Q_OS_LINUX
    const QString path = QFileInfo(folder).absoluteFilePath();
    struct statfs info {};
    if (::statfs(QFile::encodeName(path).constData(), &info) != 0) return {};
    const auto magic = static_cast<std::uint64_t>(static_cast<unsigned long>(info.f_type)) &
                       0xFFFFFFFFu;
    return kindOf(magic, magic == kFuse ? fuseSubtypeOf(path) : QString());
#else
    Q_UNUSED(folder);
    return {};
#endif
}

} // namespace orvena::networkfolder
