// Loading an area: its picture at natural size, its scales, the zoom back to
// 100 and the list of its localities.
#include "app/MainWindow.h"

#include "archive/SqlTexts.h"
#include "toolkit/ComboText.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Hourglass.h"
#include "toolkit/Numbers.h"
#include "viewer/MapImage.h"
#include "viewer/SheetLoad.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orvena {

namespace {

const QString kAreaMissing =
    QStringLiteral("La cartina selezionata non è presente nella cartella,");

// A scale read back from its stored text; a record without one cannot be shown.
float storedScale(const QString& text) {
    const auto v = parseNumber(text, QLocale::c());
    if (!v) throw ArchiveError("scale is not a number");
    return static_cast<float>(*v);
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
        if (isShown(cmdregcor) && cmdregcor->text() == QLatin1String("Elimina")) return;
        hourglass::set();
        const QString area = combo::text(f1area);
        const PictureLoad picture = loadSheet(*this, area);
        if (!picture.shown()) throw PictureNotShown(picture);
        if (picture.outcome == PictureOutcome::Damaged && firstDamageNotice(area))
            damage = picture.message;
        state_.loadedPicture = picture.image;
        Image1->setStretch(false);
        Image1->setPicture(state_.loadedPicture, sheetFile(area));
        Image1->move(1080, 840);
        Image1->show();

        if (record == AreaRecord::Lookup) {
            Data1->setRecordSource(sql::kAreaByName, {area});
            Data1->refresh();
            Data1->moveFirst();
            for (; !Data1->eof(); Data1->moveNext()) {
                if (Data1->text("AREA") != area) continue;
                applyAreaRecord(Data1->text("COLO"));
                break;
            }
        } else {
            if (Data1->eof()) throw ArchiveError("no current area record");
            applyAreaRecord(Data1->field("COLO").toString());
        }

        RefillAreaLocalities(area);
        Image1->move(1080, 840);
        freccia->hide();
        cmbloc->show();
        Label10->show();
        state_.readoutEnabled = Flag::One;
        hourglass::reset();
        if (!damage.isEmpty()) dialogs().message(damage);
    } catch (const PictureNotShown& e) {
        hourglass::reset();
        dialogs().message(e.message.isEmpty() ? kAreaMissing : e.message);
    } catch (const std::exception&) {
        hourglass::reset();
        if (!damage.isEmpty()) dialogs().message(damage);
        dialogs().message(kAreaMissing);
    }
}

// The zoom figure, natural size and scales of the record Data1 stands on.
// Both scales are read before anything changes, so a bad record leaves the
// previous ones in place.
void MainWindow::applyAreaRecord(const QString& coloText) {
    const float cola = storedScale(Data1->text("COLA"));
    const float colo = storedScale(coloText);
    f1ing->setText(QStringLiteral("100"));
    state_.naturalHeight = roundToInt32(Image1->heightTwips()).value_or(0);
    state_.naturalWidth = roundToInt32(Image1->widthTwips()).value_or(0);
    state_.latScale = cola;
    state_.lonScale = colo;
}

// The area's localities in the order of their names. The engine's filter
// ignores letter case, so it admits a superset of the exact matches in the
// same order; the exact comparison keeps only the area's own.
void MainWindow::RefillAreaLocalities(const QString& area) {
    combo::clear(cmbloc);
    Data2->setRecordSource(sql::kLocalityOfAreaOrdered, {area});
    Data2->refresh();
    if (Data2->eof()) return;
    QStringList names;
    for (Data2->moveFirst(); !Data2->eof(); Data2->moveNext())
        if (Data2->text("AREA") == area) names << Data2->text("LOCALITA");
    combo::setLines(cmbloc, names);
}

} // namespace orvena
