#pragma once

#include <QString>

namespace orvena::test {

// Makes a folder read-only for the program while the object lives: for real
// where the file system lets the test do so (permissions for a user; the
// immutable flag for the superuser, whom permissions do not stop), otherwise
// through the archives' write check, which the program asks before any change.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // Whether the file system itself refuses the writes.
    bool real() const { return how_ != How::WriteCheck; }

private:
    enum class How { Permissions, Immutable, WriteCheck };
    QString folder_;
    How how_ = How::WriteCheck;
};

} // namespace orvena::test
