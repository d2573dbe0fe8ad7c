// Zoom in and out in steps of a tenth of the sheet's own size, around the
// image's centre, or, with the wheel, around the pointer. Steps are additive:
// a step out undoes a step in exactly.
#include "ui/mainwindow/MainWindow.h"

#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/base/Numbers.h"
#include "ui/map/MapView.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <cmath>
#include <cstdint>

namespace orvena {

namespace {

const QString kLargestSize = QStringLiteral("Raggiunto l'ingrandimento massimo possibile.");

// The smallest figure: a step out is refused there.
constexpr double kStepPercent = 10.0;

// A tenth of a scale stored in the record of the sheet shown; a record
// without a readable scale (or no record at all) adds nothing.
float scaleStep(const std::optional<double>& stored) {
    if (!stored) return 0.0f;
    return static_cast<float>(*stored) * 10.0f / 100.0f;
}

// The zoom figure as the box shows it: whole numbers as plain digits, a
// number the user typed with decimals in the box's own convention.
QString zoomText(double percent) {
    if (std::abs(percent) < 1e15 && percent == std::trunc(percent))
        return QString::number(static_cast<qlonglong>(percent));
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(percent, 'g', QLocale::FloatingPointShortest);
}

} // namespace

double MainWindow::zoomPercent() const {
    if (const auto z = parseNumber(f1ing->text())) Image1->setZoom(*z);
    return Image1->zoom();
}

void MainWindow::cmding_Click() {
    if (positionCapture()) return;
    if (Image1->atLargestSize()) {
        {
            const hourglass::Scope busy;
            Image1->hide();
        }
        dialogs().message(kLargestSize);
        Image1->setStretch(true);
        Image1->show();
        return;
    }
    zoomStep(+1);
}

void MainWindow::cmdrid_Click() {
    if (positionCapture()) return;
    if (zoomPercent() == kStepPercent) return;
    zoomStep(-1);
}

// Each notch a step of the buttons, as the plus and minus keys run them; the
// point of the sheet under the pointer stays under it, and the read-out
// follows. Where the buttons would refuse, the wheel does nothing and says
// nothing.
void MainWindow::Image1_MouseWheel(int notches, double x, double y) {
    if (!isShown(Image1) || !isShown(cmding) || positionCapture()) return;
    const double pointerLeft = Image1->left() + x;
    const double pointerTop = Image1->top() + y;
    zoomPercent();
    Image1->zoomAround(notches, QSizeF(state_.naturalWidth, state_.naturalHeight), x, y);
    Image1_MouseMove(pointerLeft - Image1->left(), pointerTop - Image1->top());
}

// One step in (+1) or out (-1) of Image1, from the figure f1ing holds; its
// size by a tenth of the natural size around its centre.
void MainWindow::zoomStep(int direction) {
    zoomPercent();
    Image1->zoomStep(direction, QSizeF(state_.naturalWidth, state_.naturalHeight));
}

// A step made (by the buttons, the keys or the wheel): the figure into f1ing,
// the scales by a tenth of the shown sheet's own.
void MainWindow::zoomChanged(double figure, int direction) {
    state_.lonScale += float(direction) * scaleStep(shownSheet().calibration.colo);
    state_.latScale += float(direction) * scaleStep(shownSheet().calibration.cola);
    f1ing->setText(zoomText(figure));
}

} // namespace orvena
