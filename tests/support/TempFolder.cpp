#include "TempFolder.h"

#include <QFile>
#include <QFileInfo>

namespace orvena::test {

TempFolder::TempFolder()
    : previous_(QDir::currentPath()) {
    QDir::setCurrent(dir_.path());
}

TempFolder::~TempFolder() {
    QDir::setCurrent(previous_);
}

QMap<QString, QByteArray> bytesIn(const QString& folder) {
    QMap<QString, QByteArray> out;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files | QDir::System)) {
        QFile file(f.filePath());
        out[f.fileName()] = f.isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : "-";
    }
    return out;
}

} // namespace orvena::test
