#include "ui/widgets/DatumChoice.h"

#include "ui/widgets/Controls.h"

#include <QComboBox>

namespace orvena::datumchoice {

QComboBox* create(QWidget* parent, const char* name, int left, int top, int width) {
    auto* box = new QComboBox(parent);
    box->addItem(QString());
    for (const Datum d : kDatums)
        box->addItem(datumName(d));
    controls::place(box, name, left, top, width, controls::kComboHeight);
    return box;
}

std::optional<Datum> chosen(const QComboBox* box) {
    return datumFromName(box->currentText());
}

void show(QComboBox* box, const QString& code) {
    const auto datum = datumFromCode(code);
    box->setCurrentIndex(datum ? box->findText(datumName(*datum)) : 0);
}

QString code(const QComboBox* box) {
    const auto datum = chosen(box);
    return datum ? datumCode(*datum) : QString();
}

} // namespace orvena::datumchoice
