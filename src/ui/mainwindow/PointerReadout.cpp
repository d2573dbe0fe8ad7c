// The latitude and longitude under the pointer, as the map's tool tip; for a
// sheet in another datum than WGS 84 a second line with its place in WGS 84
// and UTM; and the position under the pointer copied in WGS 84.
#include "ui/mainwindow/MainWindow.h"

#include "core/base/Dialogs.h"
#include "core/base/Numbers.h"
#include "core/base/Twips.h"
#include "core/geo/Readout.h"
#include "core/geo/SheetModelStore.h"
#include "ui/widgets/ComboText.h"
#include "ui/map/MapView.h"

#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QToolTip>

namespace orvena {

namespace {

void clearReadoutTip(QWidget& image) {
    if (image.toolTip().isEmpty()) return;
    image.setToolTip(QString());
    if (QToolTip::isVisible()) QToolTip::hideText();
}

} // namespace

// Runs on every move of the pointer over the map: no queries here, only the
// shown sheet's calibration and a little arithmetic.
void MainWindow::Image1_MouseMove(double x, double y) {
    if (!Image1->shown()) return;
    // The position is kept whatever the mode, for the next click on the map.
    if (const auto px = roundToInt32(x)) state_.pointerX = *px;
    if (const auto py = roundToInt32(y)) state_.pointerY = *py;
    if (readoutStopped()) return;
    ComputePointerReadout();
}

bool MainWindow::readoutStopped() const {
    return positionCapture() || combo::text(f1area).isEmpty() || editorOpen_ ||
           // Unset (nothing loaded yet) counts as on.
           state_.readoutEnabled == Flag::Zero;
}

// Also puts the read-out text into Image1's tool tip. Over a sheet without a
// usable calibration (no record, reference values that are not numbers, a
// zero scale) the tip shows nothing; a position whose angle cannot be shown
// leaves the texts and the tool tip as they were.
void MainWindow::ComputePointerReadout() {
    state_.markerLeft = state_.pointerX;
    state_.markerTop = state_.pointerY;

    if (!readoutInputAt(state_.markerLeft, state_.markerTop)) {
        clearReadoutTip(*Image1);
        return;
    }
    const auto readout = readoutAt(state_.markerLeft, state_.markerTop);
    if (!readout) return;
    state_.readoutTexts = readout->texts;
    QString tip = readout->toolTip;
    const QString second = sheetPosition_.secondLine(readout->latSeconds, readout->lonSeconds);
    if (!second.isEmpty()) tip += u'\n' + second;
    if (Image1->toolTip() == tip) return;
    Image1->setToolTip(tip);
    // A tip already on the screen follows the pointer's new position.
    if (QToolTip::isVisible()) QToolTip::showText(QCursor::pos(), tip, Image1);
}

// The position the read-out shows for the last place of the pointer over the
// map, as "lat, lon" in WGS 84 decimal degrees. Nothing is copied where the
// read-out shows nothing.
void MainWindow::mncopiapos_Click() {
    if (!Image1->shown() || readoutStopped()) return;
    const auto readout = readoutAt(state_.pointerX, state_.pointerY);
    if (!readout) return;
    if (const auto wgs84 = sheetPosition_.wgs84(readout->latSeconds, readout->lonSeconds))
        QGuiApplication::clipboard()->setText(latLonText(*wgs84));
    else if (!sheetPosition_.problem().isEmpty())
        dialogs().message(sheetPosition_.problem());
}

// Whether the sheet shown gives a read-out at all: a model, or a record
// whose calibration the read-out can use.
bool MainWindow::readoutInputAt(std::int32_t x, std::int32_t y) const {
    return sheetPosition_.hasModel() ||
           shownSheet().calibration.readoutInput(x, y, state_.latScale, state_.lonScale);
}

// The read-out at (x, y) twips on the image: through the sheet's model where
// it has one (the position in pixels at zoom 100), otherwise by its record's
// calibration and the scales in force.
std::optional<Readout> MainWindow::readoutAt(std::int32_t x, std::int32_t y) const {
    if (sheetPosition_.hasModel()) {
        const QPointF pixel = Image1->toSheetPixels(x, y);
        return sheetPosition_.readoutAt(pixel.x(), pixel.y());
    }
    const auto in =
        shownSheet().calibration.readoutInput(x, y, state_.latScale, state_.lonScale);
    if (!in) return std::nullopt;
    return computeReadout(*in);
}

// The datum of the sheet just shown, and its extent from its record's own
// calibration (zoom 100) and picture, give the operation of its read-out. A
// sheet shown again with the same datum and extent keeps the one it has. A
// sheet calibrated from its points is read through its model, made again
// each time it is shown.
void MainWindow::followSheetDatum() {
    const QString& area = shownSheet().name;
    if (const SheetModel model = loadSheetModel(folder_, area); model.isValid()) {
        sheetPositionKey_.clear();
        sheetPosition_ = SheetPosition(model, Image1->composition().size().width(), Image1->composition().size().height(),
                                       shownSheet().datum.operation);
        if (const QString missing = sheetPosition_.problemToTellOnce(); !missing.isEmpty())
            dialogs().message(missing);
        return;
    }
    const areadatums::SheetDatum& stored = shownSheet().datum;
    const QString& code = stored.code;
    const auto datum = datumFromCode(code);
    std::optional<GeoBox> extent;
    const auto& cola = shownSheet().calibration.cola;
    const auto& colo = shownSheet().calibration.colo;
    if (datum && cola && colo) {
        if (const auto in = shownSheet().calibration.readoutInput(0, 0, float(*cola), float(*colo)))
            extent = sheetExtent(*in, int(twips::fromPixels(Image1->composition().size().width())),
                                 int(twips::fromPixels(Image1->composition().size().height())));
    }
    QString key = area + u'\n' + code + u'\n' + stored.operation;
    if (extent)
        key += QStringLiteral("\n%1 %2 %3 %4")
                   .arg(extent->west, 0, 'g', 12)
                   .arg(extent->south, 0, 'g', 12)
                   .arg(extent->east, 0, 'g', 12)
                   .arg(extent->north, 0, 'g', 12);
    if (key == sheetPositionKey_) return;
    sheetPositionKey_ = key;
    sheetPosition_ = SheetPosition::forSheet(code, extent, stored.operation);
    if (const QString missing = sheetPosition_.problemToTellOnce(); !missing.isEmpty())
        dialogs().message(missing);
}

} // namespace orvena
