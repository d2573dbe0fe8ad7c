#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace orvena::test {

// A folder on a disk that can be filled up. As the superuser it is a small
// tmpfs of its own, filled for real by fill() (the system answers "no space
// left", ENOSPC). Otherwise a limit on the size of any file the process (and
// a program it starts) writes stands in for it while fill() holds: writes
// past it fail with "file too large" (EFBIG, the signal SIGXFSZ ignored).
class FullDisk {
public:
    enum class How { Tmpfs, FileSizeLimit };

    explicit FullDisk(const QString& size = QStringLiteral("16m")) {
        path_ = dir_.path() + QStringLiteral("/disco");
        QDir().mkpath(path_);
        if (::geteuid() == 0 &&
            QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=" + size, "tmpfs", path_}) == 0)
            how_ = How::Tmpfs;
        else
            how_ = How::FileSizeLimit;
        qInfo("full disk: %s", how_ == How::Tmpfs ? "tmpfs" : "file-size limit");
    }
    ~FullDisk() {
        release();
        if (how_ == How::Tmpfs) QProcess::execute("umount", {"-l", path_});
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    How how() const { return how_; }
    QString path() const { return path_; }
    QString file(const QString& name) const { return path_ + u'/' + name; }

    // Fills the disk to its last byte (the tmpfs with a file of zeros, as dd
    // would), or lets no file grow past limitBytes.
    void fill(qint64 limitBytes = 0) {
        if (how_ == How::Tmpfs) {
            QFile filler(file(QStringLiteral(".riempitivo")));
            filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
            const QByteArray block(4096, '\0');
            while (filler.write(block) == block.size()) {
            }
            return;
        }
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = rlim_t(limitBytes);
        limited_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    // Room again: the filler removed, or the limit lifted.
    void release() {
        if (how_ == How::Tmpfs) QFile::remove(file(QStringLiteral(".riempitivo")));
        if (limited_) ::setrlimit(RLIMIT_FSIZE, &saved_);
        limited_ = false;
    }

    // The reason the program gives for a write the disk refused.
    QString reason() const {
        return how_ == How::Tmpfs
                   ? QStringLiteral("il disco è pieno")
                   : QStringLiteral("il file supera la dimensione massima che il sistema consente");
    }

private:
    QTemporaryDir dir_;
    QString path_;
    How how_ = How::FileSizeLimit;
    rlimit saved_{};
    bool limited_ = false;
};

} // namespace orvena::test
