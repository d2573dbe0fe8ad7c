// Loading an area: its picture at natural size, its scales, the zoom back to
// 100 and the list of its localities.
#include "ui/mainwindow/MainWindow.h"

#include "core/archive/SqlTexts.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/base/Numbers.h"
#include "core/state/SharedTexts.h"
#include "core/state/ViewGeometry.h"
#include "ui/widgets/ComboText.h"
#include "ui/widgets/MapImage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>
#include <optional>

namespace orvena {

namespace {

using texts::kSheetMissing;
const QString kNoCalibration =
    QStringLiteral("L'area scelta non ha una calibrazione valida: rifare il Set up.");

// A scale read back from its stored text: nothing for a missing, non-numeric,
// zero or non-finite one, with which no position can be computed.
std::optional<float> usableScale(const QString& text) {
    const auto v = parseNumber(text, QLocale::c());
    if (!v) return std::nullopt;
    const auto scale = static_cast<float>(*v);
    if (!std::isfinite(scale) || scale == 0.0f) return std::nullopt;
    return scale;
}

// Whether the reference values of the record Data1 stands on that hold
// anything read as numbers. A record whose reference values were never
// written (all null) is shown without a word; the read-out then stays empty.
bool referenceValuesReadable(const RecordView& view) {
    for (const char* field : {"PXLAO", "SECLAO", "PXLOO", "SECLOO"}) {
        const QString text = view.text(QString::fromLatin1(field));
        if (text.isEmpty()) continue;
        const auto v = parseNumber(text, QLocale::c());
        if (!v || !std::isfinite(*v)) return false;
    }
    return true;
}

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
    loadArea(AreaRecord::Lookup);
}

void MainWindow::LoadCurrentArea() {
    loadArea(AreaRecord::Current);
}

// The load proper. With Lookup the area's record is looked up by the text of
// f1area; with Current it is the record Data1 already stands on, and COLO is
// read by field name.
void MainWindow::loadArea(AreaRecord record) {
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
        showSheetAtOrigin(picture.image, area);

        // Until the area's record is read, nothing is computed with the
        // scales of the sheet shown before.
        state_.latScale = 0.0f;
        state_.lonScale = 0.0f;
        Image1->setToolTip(QString());
        bool calibrated = true;
        if (record == AreaRecord::Lookup) {
            Data1->setRecordSource(sql::kAreaByName, {area});
            Data1->refresh();
            // No record at all is a sheet that is not there; a record whose
            // name differs in letter case only leaves the scales at 0.
            Data1->moveFirst();
            if (Data1->findExact(QStringLiteral("AREA"), area))
                calibrated = applyAreaRecord(Data1->text("COLO"));
        } else {
            if (Data1->eof()) throw ArchiveError("no current area record");
            calibrated = applyAreaRecord(Data1->field("COLO").toString());
        }

        followSheetDatum(area);
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

// The zoom figure, natural size and scales of the record Data1 stands on.
// False when the record holds no usable calibration: the sheet is then shown
// at natural size with both scales 0, over which the read-out computes nothing.
bool MainWindow::applyAreaRecord(const QString& coloText) {
    const auto cola = usableScale(Data1->text("COLA"));
    const auto colo = usableScale(coloText);
    const bool calibrated = cola && colo && referenceValuesReadable(*Data1);
    f1ing->setText(QStringLiteral("100"));
    state_.naturalHeight = roundToInt32(Image1->heightTwips()).value_or(0);
    state_.naturalWidth = roundToInt32(Image1->widthTwips()).value_or(0);
    state_.latScale = calibrated ? *cola : 0.0f;
    state_.lonScale = calibrated ? *colo : 0.0f;
    return calibrated;
}

// The area's localities in the order of their names. The engine's filter
// ignores letter case, so it admits a superset of the exact matches in the
// same order; the exact comparison keeps only the area's own.
void MainWindow::RefillAreaLocalities(const QString& area) {
    combo::clear(cmbloc);
    Data2->setRecordSource(sql::kLocalityOfAreaOrdered, {area});
    Data2->refresh();
    combo::setLines(cmbloc, Data2->texts(QStringLiteral("LOCALITA"), QStringLiteral("AREA"), area));
}

} // namespace orvena
