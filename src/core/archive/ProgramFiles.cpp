#include "core/archive/ProgramFiles.h"

#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/Compaction.h"
#include "core/archive/LockWaits.h"
#include "core/base/SafeSave.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <SQLiteCpp/SQLiteCpp.h>

namespace orvena {

namespace {

const QString kArchiveRole = QStringLiteral("uno degli archivi del programma");
const QString kHelpRole = QStringLiteral("la guida del programma");
const QString kSheetRole = QStringLiteral("un foglio dell'atlante");

// An archive, or a file the engine or a compaction keeps beside it under its
// name and a suffix ("-journal", "-wal", "-shm", "-mj…", "-compatto").
bool isArchiveOrBeside(const QString& name, const QString& archive) {
    return name.compare(archive, Qt::CaseInsensitive) == 0 ||
           name.startsWith(archive + QLatin1Char('-'), Qt::CaseInsensitive);
}

// The role of the file name in the working folder, empty for none.
QString roleOf(const QString& name) {
    if (name.compare(kHelpFileName, Qt::CaseInsensitive) == 0) return kHelpRole;
    for (const char* archive : {Archives::kAreaFile, Archives::kLocalityFile,
                                Archives::kExchangeAreaFile, Archives::kExchangeLocalityFile}) {
        const QString archiveName = QString::fromLatin1(archive);
        if (isArchiveOrBeside(name, archiveName) ||
            isArchiveOrBeside(name, compactedCopyName(archiveName)))
            return kArchiveRole;
    }
    return {};
}

// The sheets of the atlas in folder: every image named in AREA. None when the
// archive cannot be read.
QStringList sheetsOf(const QString& folder) {
    const QString path = QDir(folder).filePath(QString::fromLatin1(Archives::kAreaFile));
    QStringList sheets;
    if (!QFileInfo(path).isFile()) return sheets;
    try {
        SQLite::Database db(archivefile::nativePath(path), SQLite::OPEN_READONLY);
        db.setBusyTimeout(lockwait::kSheetListMs);
        SQLite::Statement row(db, "select AREA from AREA");
        while (row.executeStep())
            if (!row.getColumn(0).isNull())
                sheets << QString::fromUtf8(row.getColumn(0).getText()).trimmed();
    } catch (const SQLite::Exception&) {
        sheets.clear();
    }
    return sheets;
}

} // namespace

ProgramFile programFileAt(const QString& path, const QString& folder) {
    const QString home = QFileInfo(folder).canonicalFilePath();
    if (home.isEmpty()) return {};
    // The name as chosen, and the file its links end at, even one that does
    // not exist yet: each is judged.
    const QFileInfo chosen(QDir(folder).absoluteFilePath(path));
    const QString chosenFolder = QFileInfo(chosen.absolutePath()).canonicalFilePath();
    QStringList files{chosenFolder.isEmpty() ? chosen.absoluteFilePath()
                                             : QDir(chosenFolder).filePath(chosen.fileName())};
    if (const QString end = followLinks(chosen.absoluteFilePath()); end != files.first())
        files << end;
    for (const QString& file : files) {
        const QFileInfo at(file);
        if (at.absolutePath() != home) continue;
        if (const QString role = roleOf(at.fileName()); !role.isEmpty())
            return {at.fileName(), role};
    }
    // A sheet, by its name in the working folder or by the file its links
    // end at.
    for (const QString& sheet : sheetsOf(home)) {
        if (sheet.isEmpty()) continue;
        const QString sheetFile = followLinks(QDir(home).filePath(sheet));
        for (const QString& file : files) {
            const QFileInfo at(file);
            const bool named =
                at.absolutePath() == home && at.fileName().compare(sheet, Qt::CaseInsensitive) == 0;
            if (named || file.compare(sheetFile, Qt::CaseInsensitive) == 0)
                return {at.fileName(), kSheetRole};
        }
    }
    return {};
}

} // namespace orvena
