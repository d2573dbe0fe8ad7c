#include "ui/windows/GoToCoordinates.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

namespace orvena {

GoToCoordinates::GoToCoordinates(const QString& text, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("GoToCoordinates"));
    setWindowTitle(QStringLiteral("Vai a coordinate"));
    f1coord = new QLineEdit(text, this);
    f1coord->setObjectName(QStringLiteral("f1coord"));
    f1coord->setPlaceholderText(QStringLiteral("45.4716670, 9.1796525"));
    f1coord->setMinimumWidth(300);
    cmbdatum = new QComboBox(this);
    cmbdatum->setObjectName(QStringLiteral("cmbdatum"));
    for (const Datum d : kDatums)
        cmbdatum->addItem(datumName(d), int(d));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Latitudine, longitudine"), f1coord);
    form->addRow(QStringLiteral("Datum"), cmbdatum);
    form->addRow(buttons);
}

QString GoToCoordinates::text() const {
    return f1coord->text();
}

Datum GoToCoordinates::datum() const {
    return Datum(cmbdatum->currentData().toInt());
}

} // namespace orvena
