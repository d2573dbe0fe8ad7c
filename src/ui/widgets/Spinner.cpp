#include "ui/widgets/Spinner.h"

#include <QMouseEvent>

namespace orvena {

Spinner::Spinner(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {}

void Spinner::stopRepeating() {
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-1, -1), QPointF(-1, -1),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    mouseReleaseEvent(&release);
}

} // namespace orvena
