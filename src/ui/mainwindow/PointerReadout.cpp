// The latitude and longitude under the pointer, as the map's tool tip.
#include "ui/mainwindow/MainWindow.h"

#include "core/base/Numbers.h"
#include "core/geo/Readout.h"
#include "ui/widgets/ComboText.h"
#include "ui/widgets/MapImage.h"

#include <QComboBox>
#include <QCursor>
#include <QToolTip>

namespace orvena {

namespace {

// A reference value of the area record, as its bound text reads. The texts of
// stored numbers always use '.', whatever the locale. Nothing when the record
// cannot be read.
std::optional<double> referenceValue(const RecordView* view, const QString& field) {
    try {
        return parseNumber(view->text(field), QLocale::c());
    } catch (const ArchiveError&) {
        return std::nullopt;
    }
}

void clearReadoutTip(QWidget& image) {
    if (image.toolTip().isEmpty()) return;
    image.setToolTip(QString());
    if (QToolTip::isVisible()) QToolTip::hideText();
}

} // namespace

// Runs on every move of the pointer over the map: no queries here, only the
// current record's texts and a little arithmetic.
void MainWindow::Image1_MouseMove(double x, double y) {
    if (!Image1->shown()) return;
    // The position is kept whatever the mode, for the next click on the map.
    if (const auto px = roundToInt32(x)) state_.pointerX = *px;
    if (const auto py = roundToInt32(y)) state_.pointerY = *py;
    if (state_.pixelCapture == Flag::One) return;
    if (combo::text(f1area).isEmpty()) return;
    if (state_.localityEditorOpen == Flag::One) return;
    // Unset (nothing loaded yet) counts as on.
    if (state_.readoutEnabled == Flag::Zero) return;
    ComputePointerReadout();
}

// Also puts the read-out text into Image1's tool tip. Over a sheet without a
// usable calibration (no record, reference values that are not numbers, a
// zero scale) the tip shows nothing; a position whose angle cannot be shown
// leaves the texts and the tool tip as they were.
void MainWindow::ComputePointerReadout() {
    state_.markerLeft = state_.pointerX;
    state_.markerTop = state_.pointerY;

    static const QString kPxlao = QStringLiteral("PXLAO");
    static const QString kSeclao = QStringLiteral("SECLAO");
    static const QString kPxloo = QStringLiteral("PXLOO");
    static const QString kSecloo = QStringLiteral("SECLOO");
    const auto pxlao = referenceValue(Data1, kPxlao);
    const auto seclao = referenceValue(Data1, kSeclao);
    const auto pxloo = referenceValue(Data1, kPxloo);
    const auto secloo = referenceValue(Data1, kSecloo);
    if (!pxlao || !seclao || !pxloo || !secloo || state_.latScale == 0.0f ||
        state_.lonScale == 0.0f) {
        clearReadoutTip(*Image1);
        return;
    }

    const auto readout = computeReadout({state_.markerLeft, state_.markerTop, state_.latScale,
                                         state_.lonScale, *pxlao, *seclao, *pxloo, *secloo});
    if (!readout) return;
    state_.readoutTexts = readout->texts;
    if (Image1->toolTip() == readout->toolTip) return;
    Image1->setToolTip(readout->toolTip);
    // A tip already on the screen follows the pointer's new position.
    if (QToolTip::isVisible()) QToolTip::showText(QCursor::pos(), readout->toolTip, Image1);
}

} // namespace orvena
