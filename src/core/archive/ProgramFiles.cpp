#include "core/archive/ProgramFiles.h"

#include "core/archive/Archives.h"
#include "core/archive/Compaction.h"

#include <QDir>
#include <QFileInfo>
#include <QList>

namespace orvena {

namespace {

const QString kArchiveRole = QStringLiteral("uno degli archivi del programma");
const QString kHelpRole = QStringLiteral("la guida del programma");

// An archive, or a file the engine or a compaction keeps beside it under its
// name and a suffix ("-journal", "-wal", "-shm", "-mj…", "-compatto").
bool isArchiveOrBeside(const QString& name, const QString& archive) {
    return name.compare(archive, Qt::CaseInsensitive) == 0 ||
           name.startsWith(archive + QLatin1Char('-'), Qt::CaseInsensitive);
}

} // namespace

ProgramFile programFileAt(const QString& path, const QString& folder) {
    const QString home = QFileInfo(folder).canonicalFilePath();
    const QFileInfo chosen(QDir(folder).absoluteFilePath(path));
    QList<QFileInfo> files{chosen};
    if (chosen.isSymLink()) files << QFileInfo(chosen.canonicalFilePath());
    for (const QFileInfo& file : files) {
        if (home.isEmpty() || QFileInfo(file.absolutePath()).canonicalFilePath() != home) continue;
        const QString name = file.fileName();
        if (name.compare(kHelpFileName, Qt::CaseInsensitive) == 0) return {name, kHelpRole};
        for (const char* archive : {Archives::kAreaFile, Archives::kLocalityFile,
                                    Archives::kExchangeAreaFile, Archives::kExchangeLocalityFile}) {
            const QString archiveName = QString::fromLatin1(archive);
            if (isArchiveOrBeside(name, archiveName) ||
                isArchiveOrBeside(name, compactedCopyName(archiveName)))
                return {name, kArchiveRole};
        }
    }
    return {};
}

} // namespace orvena
