#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace orvena::test {

// A fresh working folder for one test: it becomes the current folder while
// the object lives, and is removed afterwards.
class TempFolder {
public:
    TempFolder() { QDir::setCurrent(dir_.path()); }
    ~TempFolder() { QDir::setCurrent(previous_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_ = QDir::currentPath();
};

} // namespace orvena::test
