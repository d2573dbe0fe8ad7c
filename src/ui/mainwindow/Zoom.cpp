// Zoom in and out in steps of a tenth of the sheet's own size, around the
// image's centre, or, with the wheel, around the pointer. Steps are additive:
// a step out undoes a step in exactly.
#include "ui/mainwindow/MainWindow.h"

#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/base/Numbers.h"
#include "ui/widgets/MapImage.h"

#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <cmath>
#include <cstdint>

namespace orvena {

namespace {

const QString kLargestSize = QStringLiteral("Raggiunto l'ingrandimento massimo possibile.");

// A zoom-in is refused once the image is wider or taller than this, in twips.
constexpr double kLargestTwips = 230000.0;
constexpr double kStepPercent = 10.0;

// One step of a natural size: size * 10 / 100, the product a whole number,
// the division in double precision.
double stepOf(std::int32_t naturalSize) {
    return double(std::int64_t(naturalSize) * 10) / 100.0;
}

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
    if (const auto z = parseNumber(f1ing->text())) lastZoom_ = *z;
    return lastZoom_;
}

bool MainWindow::atLargestSize() const {
    return Image1->widthTwips() > kLargestTwips || Image1->heightTwips() > kLargestTwips;
}

void MainWindow::cmding_Click() {
    if (state_.pixelCapture == Flag::One) return;
    if (atLargestSize()) {
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
    if (state_.pixelCapture == Flag::One) return;
    if (zoomPercent() == kStepPercent) return;
    zoomStep(-1);
}

// Each notch a step of the buttons, as the plus and minus keys run them; the
// point of the sheet under the pointer stays under it, and the read-out
// follows. Where the buttons would refuse, the wheel does nothing and says
// nothing.
void MainWindow::Image1_MouseWheel(int notches, double x, double y) {
    if (!isShown(Image1) || !isShown(cmding) || state_.pixelCapture == Flag::One) return;
    const double pointerLeft = Image1->left() + x;
    const double pointerTop = Image1->top() + y;
    const int direction = notches > 0 ? +1 : -1;
    for (int i = 0; i < std::abs(notches); ++i) {
        if (direction > 0 ? atLargestSize() : zoomPercent() == kStepPercent) break;
        const double across = (pointerLeft - Image1->left()) / Image1->widthTwips();
        const double down = (pointerTop - Image1->top()) / Image1->heightTwips();
        zoomStep(direction);
        Image1->move(pointerLeft - across * Image1->widthTwips(),
                     pointerTop - down * Image1->heightTwips());
    }
    Image1_MouseMove(pointerLeft - Image1->left(), pointerTop - Image1->top());
}

// One step in (+1) or out (-1): the size by a tenth of the natural size around
// the image's centre, the scales by a tenth of the record's, the figure by 10.
void MainWindow::zoomStep(int direction) {
    const hourglass::Scope busy;
    Image1->hide();
    const double dw = direction * stepOf(state_.naturalWidth);
    const double dh = direction * stepOf(state_.naturalHeight);
    const float lonStep = float(direction) * scaleStep(shown_.calibration.colo);
    const float latStep = float(direction) * scaleStep(shown_.calibration.cola);
    const double zoom = zoomPercent();
    Image1->setTop(Image1->top() - dh / 2);
    Image1->setLeft(Image1->left() - dw / 2);
    Image1->setWidthTwips(Image1->widthTwips() + dw);
    Image1->setHeightTwips(Image1->heightTwips() + dh);
    state_.lonScale += lonStep;
    state_.latScale += latStep;
    f1ing->setText(zoomText(zoom + direction * kStepPercent));
    Image1->setStretch(true);
    Image1->show();
}

} // namespace orvena
