#include "core/base/LazyLibrary.h"

#include <QHash>
#include <QLibrary>
#include <QMutex>

#include <memory>

namespace orvena::lazylibrary {

namespace {

QMutex& guard() {
    static QMutex mutex;
    return mutex;
}

// Every library asked for, loaded or not, for the program's whole run.
QLibrary& library(const char* fileName) {
    static QHash<QString, std::shared_ptr<QLibrary>> libraries;
    const QString name = QString::fromLatin1(fileName);
    std::shared_ptr<QLibrary>& entry = libraries[name];
    if (!entry) {
        entry = std::make_shared<QLibrary>(name);
        entry->load();
    }
    return *entry;
}

} // namespace

Function resolve(const char* fileName, const char* name) {
    const QMutexLocker lock(&guard());
    QLibrary& lib = library(fileName);
    return lib.isLoaded() ? lib.resolve(name) : nullptr;
}

bool available(const char* fileName) {
    const QMutexLocker lock(&guard());
    return library(fileName).isLoaded();
}

QString loadError(const char* fileName) {
    const QMutexLocker lock(&guard());
    QLibrary& lib = library(fileName);
    return lib.isLoaded() ? QString() : lib.errorString();
}

} // namespace orvena::lazylibrary
