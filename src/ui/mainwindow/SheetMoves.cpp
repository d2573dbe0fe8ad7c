// Moving to the adjoining sheet past an edge: the neighbour named in the
// record of the sheet shown takes its place, next to where it was.
#include "ui/mainwindow/MainWindow.h"

#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/state/SharedTexts.h"
#include "core/state/ViewGeometry.h"
#include "ui/widgets/ComboText.h"
#include "ui/widgets/KeyPreview.h"
#include "ui/map/MapView.h"
#include "ui/widgets/Spinner.h"

#include <QComboBox>
#include <QScopedValueRollback>

namespace orvena {

namespace {

using texts::kAreaNotFound;

// When the sheet shown names no neighbour that way.
const QString& noNeighbour(Side side) {
    static const QString kNoEastSheet = QStringLiteral("Non ci sono carte collegate ad est");
    static const QString kNoNorthSheet = QStringLiteral("Non ci sono carte collegate a nord");
    static const QString kNoWestSheet = QStringLiteral("Non ci sono carte collegate ad ovest");
    static const QString kNoSouthSheet = QStringLiteral("Non ci sono carte collegate a sud");
    switch (side) {
    case Side::East:
        return kNoEastSheet;
    case Side::North:
        return kNoNorthSheet;
    case Side::West:
        return kNoWestSheet;
    case Side::South:
        break;
    }
    return kNoSouthSheet;
}

} // namespace

void MainWindow::MoveEast() {
    moveTo(Side::East);
}

void MainWindow::MoveNorth() {
    moveTo(Side::North);
}

void MainWindow::MoveWest() {
    moveTo(Side::West);
}

void MainWindow::MoveSouth() {
    moveTo(Side::South);
}

// The links are those the shown sheet's record has now (the links editor may
// have changed them since it was shown). A neighbour whose record or picture
// is missing leaves the shown sheet where it is.
void MainWindow::moveTo(Side side) {
    QString name;
    try {
        name = sheets_.sheet(shownSheet().name).link(side);
    } catch (const ArchiveError& e) {
        tellSheetMove(e.code() != 0 ? e.italianMessage() : kAreaNotFound);
        return;
    }
    if (name.isEmpty()) return tellSheetMove(noNeighbour(side));

    hourglass::Scope busy;
    QString failure = kAreaNotFound;
    PictureLoad picture;
    try {
        combo::setText(f1area, name);
        Sheet next = sheets_.sheet(name);
        if (next.exists()) picture = loadSheet(name);
        if (picture.shown()) {
            showSheet(picture, name);
            Image1->setShownSheet(std::move(next));
            followSheetDatum();
            Image1->placeAsNeighbour(side);
            RefillLocalityList();
            busy.end();
            const QString damage = damageNotice(picture, name);
            if (!damage.isEmpty()) tellSheetMove(damage);
            return;
        }
    } catch (const ArchiveError& e) {
        // An engine failure (an archive locked or damaged) names the archive.
        if (e.code() != 0) failure = e.italianMessage();
    } catch (const std::exception&) {
    }
    busy.end();
    tellSheetMove(picture.outcome == PictureOutcome::Refused ? picture.message : failure);
}

// The message would take the release of a spinner's arrow or of a key held
// down, which would go on repeating behind it, each repeat another move and
// another message: the repetition stops first.
void MainWindow::tellSheetMove(const QString& text) {
    HScroll1->stopRepeating();
    VScroll1->stopRepeating();
    keyPreview_->holdRepeats();
    const QScopedValueRollback<bool> showing(sheetMoveMessage_, true);
    dialogs().message(text);
}

bool MainWindow::hasNeighbour(Side side) const {
    try {
        return !sheets_.sheet(shownSheet().name).link(side).isEmpty();
    } catch (const ArchiveError&) {
        return false;
    }
}

// The new sheet's localities, as an area load lists them.
void MainWindow::RefillLocalityList() {
    RefillAreaLocalities(combo::text(f1area));
}

} // namespace orvena
