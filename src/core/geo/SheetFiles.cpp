#include "core/geo/SheetFiles.h"

#include "core/base/SafeSave.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace orvena {

namespace {

constexpr qint64 kChunk = 1 << 20;

} // namespace

QString bareFileName(const QString& path) {
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}

bool isSameFile(const QString& a, const QString& b) {
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

bool haveSameContent(const QString& a, const QString& b) {
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly)) return false;
    if (fa.size() != fb.size()) return false;
    while (!fa.atEnd()) {
        const QByteArray ba = fa.read(kChunk);
        const QByteArray bb = fb.read(kChunk);
        if (ba.isEmpty() || ba != bb) return false;
    }
    return fb.atEnd();
}

QString copyReplacing(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return in.errorString();
    SafeSave out(target);
    if (!out.create()) return out.error();
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kChunk);
        // Nothing read before the end: the source failed.
        if (chunk.isEmpty()) return in.errorString();
        out.write(chunk);
    }
    out.commit();
    return out.error();
}

} // namespace orvena
