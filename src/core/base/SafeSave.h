#pragma once

#include <QIODevice>
#include <QString>

namespace orvena {

// A file that appears whole or not at all. Everything is written to a
// temporary file beside the target; commit() then checks it whole (every
// byte written, the writer's own status, the file flushed to the disk with
// fsync) and only then gives it the target's name, the folder flushed before
// and after. A failure at any step removes the temporary file and leaves a
// file that had the name before as it was. A link is followed: the file it
// names is the one written, also when it does not exist yet.
class SafeSave : public QIODevice {
public:
    // Whether commit() may replace a file already there.
    enum class Existing { Replace, Keep };

    explicit SafeSave(const QString& target, Existing existing = Existing::Replace);
    ~SafeSave() override; // an uncommitted file is dropped
    SafeSave(const SafeSave&) = delete;
    SafeSave& operator=(const SafeSave&) = delete;

    // Creates the temporary file; false (and why in error()) when it cannot.
    bool create();
    // writerOk is what the writer says of its own work (a QImageWriter's
    // write(), a stream's status): false fails the file as a failed write.
    // check() does all but the rename, so that files that belong together
    // are all checked before any takes its name; commit() checks first if
    // check() was not called.
    bool check(bool writerOk = true);
    bool commit(bool writerOk = true);
    // Drops what was written; the target is left as it was.
    void cancel();

    // The target as given, and the file written (the end of its links).
    QString target() const { return target_; }
    QString resolved() const { return resolved_; }
    // The temporary file, while there is one (to read back what check() found
    // whole before commit()).
    QString temporary() const { return temporary_; }
    // Why the file could not be written, in Italian ("il disco è pieno"),
    // and the whole sentence naming the file: "Il file X non può essere
    // scritto (why)."
    QString reason() const { return reason_; }
    QString error() const;

    bool isSequential() const override { return false; }
    bool seek(qint64 pos) override;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override;

private:
    bool drain();
    bool fail(int code);
    bool fail(const QString& why);
    void drop();

    QString target_;
    QString resolved_;
    QString temporary_;
    Existing existing_;
    int fd_ = -1;
    bool checked_ = false;
    QByteArray buffer_;
    QString reason_;
};

// The file path names at the end of its links, followed even when the last
// one names a file that does not exist yet; its folder made canonical where
// it exists. A path that is no link comes back absolute.
QString followLinks(const QString& path);

// Writes bytes as path through a SafeSave: an empty text, or the sentence
// naming the file and why not.
QString saveWhole(const QString& path, const QByteArray& bytes);

// fsync of a file, or of a folder's entries: 0, or the system's error number.
int syncToDisk(const QString& path, bool folder = false);

} // namespace orvena
