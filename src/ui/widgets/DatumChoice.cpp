#include "ui/widgets/DatumChoice.h"

#include "ui/widgets/Controls.h"

#include <QComboBox>

namespace orvena::datumchoice {

namespace {

// The line after the four datums that shows a stored code none of them has.
constexpr int kUnknownLine = 1 + int(kDatums.size());

} // namespace

QComboBox* create(QWidget* parent, const char* name, int left, int top, int width) {
    auto* box = new QComboBox(parent);
    box->addItem(QString(), QString());
    for (const Datum d : kDatums)
        box->addItem(datumName(d), datumCode(d));
    controls::place(box, name, left, top, width, controls::kComboHeight);
    return box;
}

std::optional<Datum> chosen(const QComboBox* box) {
    return datumFromCode(code(box));
}

void show(QComboBox* box, const QString& code) {
    if (box->count() > kUnknownLine) box->removeItem(kUnknownLine);
    if (code.isEmpty()) {
        box->setCurrentIndex(0);
    } else if (const auto datum = datumFromCode(code)) {
        box->setCurrentIndex(box->findData(datumCode(*datum)));
    } else {
        // Kept as it is: choosing it again stores the same code.
        box->addItem(unknownDatumText(code), code);
        box->setCurrentIndex(kUnknownLine);
    }
}

QString code(const QComboBox* box) {
    return box->currentData().toString();
}

} // namespace orvena::datumchoice
