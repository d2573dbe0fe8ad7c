#pragma once

#include "core/geo/Datum.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLineEdit;

namespace orvena {

// "Vai a coordinate": a position typed or pasted (core/geo/CoordinateText)
// and the datum it is given in, WGS 84 unless another is chosen.
class GoToCoordinates : public QDialog {
    Q_OBJECT
public:
    // text: what the box starts with (a position found on the clipboard).
    GoToCoordinates(const QString& text, QWidget* parent);

    QLineEdit* f1coord;
    QComboBox* cmbdatum;

    QString text() const;
    Datum datum() const;
};

} // namespace orvena
