#pragma once

#include <QStringList>

class QComboBox;

namespace orvena::combo {

// An editable combo box used as a text plus a list: filling the list never
// changes the text, and no line is selected until the user picks one.
QString text(const QComboBox* box);
void setText(QComboBox* box, const QString& text);
// Empties the list and the text.
void clear(QComboBox* box);
// Replaces the list, keeping the text.
void setLines(QComboBox* box, const QStringList& lines);
QStringList lines(const QComboBox* box);

} // namespace orvena::combo
