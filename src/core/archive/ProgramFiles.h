#pragma once

#include <QString>

namespace orvena {

// The program's help file, in the working folder.
inline const QString kHelpFileName = QStringLiteral("orvena.hlp");

// What path (relative to folder, or absolute) is when it is one of the
// program's own files in the working folder folder: one of the four
// archives, their journals and the copies a compaction writes beside them
// ("uno degli archivi del programma"), or the help file ("la guida del
// programma"). Empty for any other file. Letter case is ignored, and a link
// is followed to the file it names.
QString programFileRole(const QString& path, const QString& folder);

} // namespace orvena
