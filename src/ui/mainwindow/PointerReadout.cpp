// The latitude and longitude under the pointer, as the map's tool tip; for a
// sheet in another datum than WGS 84 a second line with its place in WGS 84
// and UTM; and the position under the pointer copied in WGS 84.
#include "ui/mainwindow/MainWindow.h"

#include "core/archive/AreaDatums.h"
#include "core/base/Dialogs.h"
#include "core/base/Numbers.h"
#include "core/base/Twips.h"
#include "core/geo/Readout.h"
#include "ui/widgets/ComboText.h"
#include "ui/widgets/MapImage.h"

#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QToolTip>

namespace orvena {

namespace {

// A number of the area record, as its bound text reads. The texts of stored
// numbers always use '.', whatever the locale. Nothing when the record cannot
// be read.
std::optional<double> recordNumber(const RecordView* view, const QString& field) {
    try {
        return parseNumber(view->text(field), QLocale::c());
    } catch (const ArchiveError&) {
        return std::nullopt;
    }
}

// The read-out's input for the position (x, y) from the reference values of
// the record Data1 stands on, with the given scales; nothing when a reference
// value is not a number or a scale is zero.
std::optional<ReadoutInput> readoutInput(const RecordView* view, std::int32_t x, std::int32_t y,
                                         float latScale, float lonScale) {
    static const QString kPxlao = QStringLiteral("PXLAO");
    static const QString kSeclao = QStringLiteral("SECLAO");
    static const QString kPxloo = QStringLiteral("PXLOO");
    static const QString kSecloo = QStringLiteral("SECLOO");
    const auto pxlao = recordNumber(view, kPxlao);
    const auto seclao = recordNumber(view, kSeclao);
    const auto pxloo = recordNumber(view, kPxloo);
    const auto secloo = recordNumber(view, kSecloo);
    if (!pxlao || !seclao || !pxloo || !secloo || latScale == 0.0f || lonScale == 0.0f)
        return std::nullopt;
    return ReadoutInput{x, y, latScale, lonScale, *pxlao, *seclao, *pxloo, *secloo};
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
    if (readoutStopped()) return;
    ComputePointerReadout();
}

bool MainWindow::readoutStopped() const {
    return state_.pixelCapture == Flag::One || combo::text(f1area).isEmpty() ||
           state_.localityEditorOpen == Flag::One ||
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

    const auto in =
        readoutInput(Data1, state_.markerLeft, state_.markerTop, state_.latScale, state_.lonScale);
    if (!in) {
        clearReadoutTip(*Image1);
        return;
    }
    const auto readout = computeReadout(*in);
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
    const auto in =
        readoutInput(Data1, state_.pointerX, state_.pointerY, state_.latScale, state_.lonScale);
    if (!in) return;
    const auto readout = computeReadout(*in);
    if (!readout) return;
    if (const auto wgs84 = sheetPosition_.wgs84(readout->latSeconds, readout->lonSeconds))
        QGuiApplication::clipboard()->setText(latLonText(*wgs84));
    else if (!sheetPosition_.problem().isEmpty())
        dialogs().message(sheetPosition_.problem());
}

// The datum of the sheet just shown, and its extent from its record's own
// calibration (zoom 100) and picture, give the operation of its read-out. A
// sheet shown again with the same datum and extent keeps the one it has.
void MainWindow::followSheetDatum(const QString& area) {
    const areadatums::SheetDatum stored = areadatums::readIn(QDir::currentPath(), area);
    const QString& code = stored.code;
    const auto datum = datumFromCode(code);
    std::optional<GeoBox> extent;
    const auto cola = recordNumber(Data1, QStringLiteral("COLA"));
    const auto colo = recordNumber(Data1, QStringLiteral("COLO"));
    if (datum && cola && colo) {
        if (const auto in = readoutInput(Data1, 0, 0, float(*cola), float(*colo)))
            extent = sheetExtent(*in, int(twips::fromPixels(state_.loadedPicture.width())),
                                 int(twips::fromPixels(state_.loadedPicture.height())));
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
