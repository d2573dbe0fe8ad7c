// "Calibrazione…": the calibration window of the sheet shown, its residuals
// drawn over the map and its clicks taken from it; "Importa calibrazione
// (.map)…": sheets calibrated elsewhere brought in.
#include "ui/mainwindow/MainWindow.h"

#include "core/archive/AreaCalibrations.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/geo/PointTexts.h"
#include "core/gis/OziMapImport.h"
#include "ui/map/MapView.h"
#include "ui/widgets/ComboText.h"
#include "ui/windows/CalibrationWindow.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

#include <memory>

namespace orvena {

namespace {

const QString kNoSheet = QStringLiteral("Scegliere prima il foglio da calibrare.");
const QString kBusy = QStringLiteral(
    "Terminare prima l'impostazione della nuova area o l'aggiornamento della località.");
const QString kImportTitle = QStringLiteral("Importa calibrazione");
const QString kImportFilter = QStringLiteral("Calibrazioni (*.map)|*.map");
const QString kImported = QStringLiteral("File importati: %1 di %2.");

// The window's layer, drawn only while the sheet it calibrates is shown.
class OnItsSheet : public MapLayer {
public:
    OnItsSheet(const MapView& view, const CalibrationWindow& window)
        : view_(view)
        , window_(window) {}
    void paint(QPainter& painter, const QTransform& sheetToView) const override {
        if (view_.shownSheet().name == window_.area()) window_.layer().paint(painter, sheetToView);
    }

private:
    const MapView& view_;
    const CalibrationWindow& window_;
};

} // namespace

void MainWindow::buildCalibrationMenu(QMenu* area) {
    mncalibra = area->addAction(QStringLiteral("Calibrazione…"));
    mncalibra->setObjectName(QStringLiteral("mncalibra"));
    mnimportamap = area->addAction(QStringLiteral("Importa calibrazione (.map)…"));
    mnimportamap->setObjectName(QStringLiteral("mnimportamap"));
    connect(mncalibra, &QAction::triggered, this, [this] { mncalibra_Click(); });
    connect(mnimportamap, &QAction::triggered, this, [this] { mnimportamap_Click(); });
    connect(Image1, &MapView::pointClicked, this, [this](double x, double y) {
        if (calibrationPicks()) calibration_->takeClick(Image1->toSheetPixels(x, y));
    });
}

CalibrationWindow* MainWindow::calibrationWindow() const {
    return calibration_;
}

bool MainWindow::calibrationPicks() const {
    return calibration_ && calibration_->picking() != CalibrationWindow::Pick::None &&
           shownSheet().name == calibration_->area();
}

// The sheet shown, with the points it has; one set up by two points starts
// from the set-up's first point and the far corner its record gives.
void MainWindow::mncalibra_Click() {
    if (calibration_) {
        calibration_->raise();
        calibration_->activateWindow();
        return;
    }
    const Sheet& sheet = shownSheet();
    const QSize size = Image1->composition().size();
    if (!Image1->shown() || !sheet.exists() || size.isEmpty()) {
        dialogs().message(kNoSheet);
        return;
    }
    if (setup_.stage() != AreaSetupMode::Stage::Idle || positionCapture() || editorOpen_) {
        dialogs().message(kBusy);
        return;
    }
    SheetPoints start = areacalibrations::readIn(folder_, sheet.name)
                            .value_or(SheetPoints{FitModel::PerAxis, 0, {}, {}});
    if (start.points.empty())
        start.points = setupPoints(sheet.calibration, size.width(), size.height());
    const Datum datum = datumFromCode(sheet.datum.code).value_or(Datum::Wgs84);
    calibration_ = new CalibrationWindow(folder_, sheet.name, datum, size, start, this);
    CalibrationWindow* window = calibration_;
    const auto layer = std::make_shared<OnItsSheet>(*Image1, *window);
    Image1->addLayer(layer.get());
    connect(window, &CalibrationWindow::layerChanged, Image1, [this] { Image1->update(); });
    connect(window, &CalibrationWindow::pickingChanged, this, [this] { refreshPickMode(); });
    // The layer lives as long as this connection, that is as the window.
    connect(window, &CalibrationWindow::closed, this, [this, layer] {
        Image1->removeLayer(layer.get());
        refreshPickMode();
    });
    connect(window, &CalibrationWindow::stored, this, [this](const QString& area) {
        combo::setText(f1area, area);
        f1area_Click();
    });
    window->show();
}

// Each file chosen in turn, a line for each, then the area box read again
// with the sheet shown kept.
void MainWindow::mnimportamap_Click() {
    const auto files = dialogs().openFiles(kImportTitle, kImportFilter, folder_);
    if (!files || files->isEmpty()) return;
    QStringList lines;
    int imported = 0;
    {
        const hourglass::Scope busy;
        for (const QString& file : *files) {
            const gis::OziImport result = gis::importOziMap(folder_, file);
            lines << result.message;
            if (result.ok()) ++imported;
        }
        const QString shown = combo::text(f1area);
        fillAreaList();
        combo::setText(f1area, shown);
    }
    lines << kImported.arg(imported).arg(files->size());
    dialogs().message(lines.join(u'\n'));
}

} // namespace orvena
