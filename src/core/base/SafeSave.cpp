#include "core/base/SafeSave.h"

#include "core/base/FileFailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#define ORVENA_WRITE ::_write
#define ORVENA_CLOSE ::_close
#define ORVENA_SEEK ::_lseeki64
#define ORVENA_SYNC ::_commit
#else
#include <unistd.h>
#define ORVENA_WRITE ::write
#define ORVENA_CLOSE ::close
#define ORVENA_SEEK ::lseek
#define ORVENA_SYNC ::fsync
#endif

namespace orvena {

namespace {

const QString kCannotWrite = QStringLiteral("Il file %1 non può essere scritto (%2).");
const QString kWriterFailed = QStringLiteral("la scrittura non è stata completata");
const QString kIncomplete = QStringLiteral("il file scritto è incompleto");
const QString kAlreadyThere = QStringLiteral("esiste già");
// What is gathered before it goes to the disk in one write.
constexpr qsizetype kBuffer = 64 * 1024;
// Links followed before a path is taken as a loop.
constexpr int kMaxLinks = 40;

QByteArray native(const QString& path) {
    return QFile::encodeName(QDir::toNativeSeparators(path));
}

int openNew(const QString& path) {
#ifdef _WIN32
    return ::_wopen(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()),
                    _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    return ::open(native(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
}

// Gives from the name to, replacing a file there only when replace: 0, or
// the error number.
int rename(const QString& from, const QString& to, bool replace) {
#ifndef _WIN32
    if (!replace) {
        // A hard link takes the name only while it is free, in one step.
        if (::link(native(from).constData(), native(to).constData()) == 0) {
            ::unlink(native(from).constData());
            return 0;
        }
        if (errno == EEXIST) return EEXIST;
        // A file system without hard links: check, then rename.
        if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) return EEXIST;
    }
    return ::rename(native(from).constData(), native(to).constData()) == 0 ? 0 : errno;
#else
    if (!replace && QFileInfo::exists(to)) return EEXIST;
    if (replace) QFile::remove(to);
    return QFile::rename(from, to) ? 0 : EACCES;
#endif
}

} // namespace

QString followLinks(const QString& path) {
    QFileInfo file(QFileInfo(path).absoluteFilePath());
    for (int hops = 0; file.isSymLink() && hops < kMaxLinks; ++hops)
        file = QFileInfo(file.symLinkTarget());
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? file.absoluteFilePath() : QDir(folder).filePath(file.fileName());
}

int syncToDisk(const QString& path, bool folder) {
#ifdef _WIN32
    if (folder) return 0; // a rename is durable once it returns
    const int fd =
        ::_wopen(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()),
                 _O_RDWR | _O_BINARY);
#else
    const int fd = ::open(native(path).constData(), (folder ? O_RDONLY : O_RDWR) | O_CLOEXEC);
#endif
    if (fd < 0) return errno;
    const int code = ORVENA_SYNC(fd) == 0 ? 0 : errno;
    ORVENA_CLOSE(fd);
    return code;
}

SafeSave::SafeSave(const QString& target, Existing existing)
    : target_(target)
    , resolved_(followLinks(target))
    , existing_(existing) {}

SafeSave::~SafeSave() {
    drop();
}

bool SafeSave::create() {
    drop();
    reason_.clear();
    if (existing_ == Existing::Keep && QFileInfo::exists(resolved_)) return fail(kAlreadyThere);
    if (QFileInfo(resolved_).isDir()) return fail(EISDIR);
    int code = EEXIST;
    for (int attempt = 0; attempt < 8 && code == EEXIST; ++attempt) {
        temporary_ =
            resolved_ + QStringLiteral(".%1.parziale")
                            .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        fd_ = openNew(temporary_);
        code = fd_ < 0 ? errno : 0;
    }
    if (fd_ < 0) {
        temporary_.clear();
        return fail(code);
    }
#ifndef _WIN32
    // A file replaced keeps who may read and write it.
    struct stat before {};
    if (::stat(native(resolved_).constData(), &before) == 0) ::fchmod(fd_, before.st_mode & 07777);
#endif
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return true;
}

qint64 SafeSave::writeData(const char* data, qint64 length) {
    if (fd_ < 0 || !reason_.isEmpty()) return -1;
    buffer_.append(data, length);
    if (buffer_.size() >= kBuffer && !drain()) return -1;
    return length;
}

bool SafeSave::drain() {
    qsizetype done = 0;
    while (done < buffer_.size()) {
        const auto n = ORVENA_WRITE(fd_, buffer_.constData() + done,
                                    static_cast<unsigned>(buffer_.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(n < 0 ? errno : ENOSPC);
        done += n;
    }
    buffer_.clear();
    return true;
}

bool SafeSave::seek(qint64 pos) {
    if (fd_ < 0 || !reason_.isEmpty() || !drain()) return false;
    if (ORVENA_SEEK(fd_, pos, SEEK_SET) < 0) return fail(errno);
    return QIODevice::seek(pos);
}

bool SafeSave::check(bool writerOk) {
    if (checked_) return true;
    if (fd_ < 0) return reason_.isEmpty() ? fail(kWriterFailed) : false;
    if (!reason_.isEmpty()) return fail(reason_);
    if (!writerOk) return fail(kWriterFailed);
    if (!drain()) return false;
    // The disk may refuse the file only now, when it places what it held.
    if (ORVENA_SYNC(fd_) != 0) return fail(errno);
    const qint64 end = ORVENA_SEEK(fd_, 0, SEEK_END);
    const int closed = ORVENA_CLOSE(fd_);
    fd_ = -1;
    QIODevice::close();
    if (closed != 0) return fail(errno);
    if (end < 0 || QFileInfo(temporary_).size() != end) return fail(kIncomplete);
    checked_ = true;
    return true;
}

bool SafeSave::commit(bool writerOk) {
    if (!check(writerOk)) return false;
    const QString folder = QFileInfo(resolved_).absolutePath();
    if (const int code = syncToDisk(folder, true); code != 0) return fail(code);
    if (const int code = rename(temporary_, resolved_, existing_ == Existing::Replace); code != 0)
        return fail(code == EEXIST ? kAlreadyThere : systemFailureReason(code));
    temporary_.clear();
    checked_ = false;
    syncToDisk(folder, true);
    return true;
}

void SafeSave::cancel() {
    drop();
}

QString SafeSave::error() const {
    return reason_.isEmpty() ? QString()
                             : kCannotWrite.arg(QDir::toNativeSeparators(target_), reason_);
}

bool SafeSave::fail(int code) {
    return fail(systemFailureReason(code));
}

bool SafeSave::fail(const QString& why) {
    if (reason_.isEmpty()) reason_ = why;
    drop();
    return false;
}

void SafeSave::drop() {
    checked_ = false;
    if (fd_ >= 0) ORVENA_CLOSE(fd_);
    fd_ = -1;
    buffer_.clear();
    if (isOpen()) QIODevice::close();
    if (!temporary_.isEmpty()) QFile::remove(temporary_);
    temporary_.clear();
}

QString saveWhole(const QString& path, const QByteArray& bytes) {
    SafeSave file(path);
    if (!file.create()) return file.error();
    file.write(bytes);
    file.commit();
    return file.error();
}

} // namespace orvena
