#include "ui/widgets/ComboText.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace orvena::combo {

QString text(const QComboBox* box) {
    return box->currentText();
}

void setText(QComboBox* box, const QString& text) {
    const QSignalBlocker block(box);
    box->setEditText(text);
}

void clear(QComboBox* box) {
    const QSignalBlocker block(box);
    box->clear();
    box->setEditText(QString());
}

void setLines(QComboBox* box, const QStringList& lines) {
    const QSignalBlocker block(box);
    const QString keep = box->currentText();
    box->clear();
    box->addItems(lines);
    box->setCurrentIndex(-1);
    box->setEditText(keep);
}

QStringList lines(const QComboBox* box) {
    QStringList out;
    out.reserve(box->count());
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

} // namespace orvena::combo
