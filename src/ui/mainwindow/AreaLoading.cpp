// Loading an area: its picture at natural size, its scales, the zoom back to
// 100 and the list of its localities.
#include "ui/mainwindow/MainWindow.h"

#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/base/Numbers.h"
#include "core/state/SharedTexts.h"
#include "core/state/ViewGeometry.h"
#include "ui/widgets/ComboText.h"
#include "ui/map/MapView.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>


namespace orvena {

namespace {

using texts::kSheetMissing;
const QString kNoCalibration =
    QStringLiteral("L'area scelta non ha una calibrazione valida: rifare il Set up.");

// A sheet picture the load cannot show. With a message of its own (a file
// refused for what its header claims) that message is shown instead of the
// missing-sheet one.
struct PictureNotShown : std::runtime_error {
    explicit PictureNotShown(const PictureLoad& load)
        : std::runtime_error("picture not readable")
        , message(load.outcome == PictureOutcome::Refused ? load.message : QString()) {}
    QString message;
};

} // namespace

void MainWindow::f1area_Click() {
    loadArea();
}

// The sheet whose name its own record gave to f1area (the command line's).
void MainWindow::LoadCurrentArea() {
    loadArea();
}

// The load proper: the picture named in f1area, and the sheet of that name
// read from the archive as a value (none when no record has exactly that
// name: the sheet is then shown with both scales 0).
void MainWindow::loadArea() {
    QString damage; // told after the load: the picture is shown as far as it decodes
    try {
        for (QLineEdit* b : coordinateBoxes())
            b->clear();
        if (inDeleteMode()) return;
        // Left by a failure, the scope puts the hourglass back before the
        // handlers below show their message.
        hourglass::Scope busy;
        const QString area = combo::text(f1area);
        const PictureLoad picture = loadSheet(area);
        if (!picture.shown()) throw PictureNotShown(picture);
        damage = damageNotice(picture, area);
        showSheetAtOrigin(picture, area);

        // Until the area's record is read, nothing is computed with the
        // scales of the sheet shown before.
        state_.latScale = 0.0f;
        state_.lonScale = 0.0f;
        Image1->setToolTip(QString());
        // No record at all is a sheet that is not there; a record whose
        // name differs in letter case only leaves the scales at 0.
        bool listed = false;
        Image1->setShownSheet(Sheet{});
        Image1->setShownSheet(sheets_.sheet(area, &listed));
        if (!listed) throw ArchiveError("no area record");
        const bool calibrated = !shownSheet().exists() || applyAreaRecord();
        followSheetDatum();
        RefillAreaLocalities(area);
        Image1->move(view::kSheetLeft, view::kSheetTop);
        freccia->hide();
        cmbloc->show();
        Label10->show();
        state_.readoutEnabled = Flag::One;
        busy.end();
        if (!damage.isEmpty()) dialogs().message(damage);
        if (!calibrated) dialogs().message(kNoCalibration);
    } catch (const PictureNotShown& e) {
        dialogs().message(e.message.isEmpty() ? kSheetMissing : e.message);
    } catch (const ArchiveError& e) {
        // An engine failure names the archive; anything else means the sheet
        // or its record is not there.
        if (!damage.isEmpty()) dialogs().message(damage);
        dialogs().message(e.code() != 0 ? e.italianMessage() : kSheetMissing);
    } catch (const std::exception&) {
        if (!damage.isEmpty()) dialogs().message(damage);
        dialogs().message(kSheetMissing);
    }
}

// The zoom figure, natural size and scales of the sheet shown. False when its
// record holds no usable calibration: the sheet is then shown at natural size
// with both scales 0, over which the read-out computes nothing.
bool MainWindow::applyAreaRecord() {
    const StoredCalibration& c = shownSheet().calibration;
    const bool calibrated = c.usable();
    Image1->setZoom(100);
    f1ing->setText(QStringLiteral("100"));
    state_.naturalHeight = roundToInt32(Image1->heightTwips()).value_or(0);
    state_.naturalWidth = roundToInt32(Image1->widthTwips()).value_or(0);
    state_.latScale = calibrated ? static_cast<float>(*c.cola) : 0.0f;
    state_.lonScale = calibrated ? static_cast<float>(*c.colo) : 0.0f;
    return calibrated;
}

// The area's localities in the order of their names: only the area's own,
// its name compared exactly.
void MainWindow::RefillAreaLocalities(const QString& area) {
    combo::clear(cmbloc);
    combo::setLines(cmbloc, sheets_.places(area));
}

} // namespace orvena
