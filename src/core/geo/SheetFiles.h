#pragma once

#include <QString>

namespace orvena {

// The area name of a chosen image file: the path without its folders, whether
// they are separated by '\' or by '/'. A name without either stays whole.
QString bareFileName(const QString& path);

// Whether both paths name the same file on disk (after resolving links).
bool isSameFile(const QString& a, const QString& b);

// Whether two files hold the same bytes. False when either cannot be read.
bool haveSameContent(const QString& a, const QString& b);

// Copies source to target, replacing target only once the whole copy is
// written, so a copy that fails leaves target as it was. Returns an empty
// text, or why it failed.
QString copyReplacing(const QString& source, const QString& target);

} // namespace orvena
