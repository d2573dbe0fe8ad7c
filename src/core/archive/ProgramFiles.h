#pragma once

#include <QString>

namespace orvena {

// The program's help file, in the working folder.
inline const QString kHelpFileName = QStringLiteral("orvena.hlp");

// One of the program's own files in the working folder: its name and what it
// is to the program ("uno degli archivi del programma", "la guida del
// programma", "un foglio dell'atlante"). Both empty for any other file.
struct ProgramFile {
    QString name;
    QString role;
    bool isProgramFile() const { return !role.isEmpty(); }
};

// What path (relative to folder, or absolute) names in the working folder
// folder: one of the four archives, their journals and the copies a
// compaction writes beside them, the help file, or a sheet of the atlas (an
// image named in AREA). Letter case is ignored, and links are followed to
// the file they end at, also when that file does not exist yet.
ProgramFile programFileAt(const QString& path, const QString& folder);

} // namespace orvena
