#pragma once

#include <QString>

class QFileDevice;

namespace orvena {

// Why a file could not be written, in Italian words that follow the file's
// name ("Il file X non può essere scritto (il disco è pieno)"): a full disk,
// a folder or file the program may not write, or the system's own words. A
// write that failed inside the device's buffer is flushed out first, so that
// its real cause shows.
QString writeFailureReason(QFileDevice& file);

// The reason for a full disk, the same words wherever a write meets one.
QString diskFullReason();

// Why a call of the system failed, from its error number, in the same words.
QString systemFailureReason(int errorNumber);

// Why a library that writes a file itself (GDAL, the database engine) failed
// to, judged from the folder it wrote in: a full disk when the folder has
// less than a megabyte left, one the program may not write in, otherwise
// the library's own words (libraryWords).
QString folderFailureReason(const QString& folder, const QString& libraryWords);

} // namespace orvena
