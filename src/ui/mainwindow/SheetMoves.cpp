// Moving to the adjoining sheet past an edge: the neighbour named in the
// current area record takes the old sheet's place, next to where it was.
#include "ui/mainwindow/MainWindow.h"

#include "core/archive/SqlTexts.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/state/SharedTexts.h"
#include "core/state/ViewGeometry.h"
#include "ui/widgets/ComboText.h"
#include "ui/widgets/KeyPreview.h"
#include "ui/widgets/MapImage.h"
#include "ui/widgets/Spinner.h"

#include <QComboBox>
#include <QScopedValueRollback>

namespace orvena {

namespace {

using texts::kAreaNotFound;

using Side = MainWindow::Side;

struct Neighbour {
    const char* field;      // the link column of the AREA record
    const QString& message; // when the link is empty
    Side side;
};

const QString kNoEastSheet = QStringLiteral("Non ci sono carte collegate ad est");
const QString kNoNorthSheet = QStringLiteral("Non ci sono carte collegate a nord");
const QString kNoWestSheet = QStringLiteral("Non ci sono carte collegate ad ovest");
const QString kNoSouthSheet = QStringLiteral("Non ci sono carte collegate a sud");

const Neighbour kEast{"EST", kNoEastSheet, Side::East};
const Neighbour kNorth{"NORD", kNoNorthSheet, Side::North};
const Neighbour kWest{"OVEST", kNoWestSheet, Side::West};
const Neighbour kSouth{"SUD", kNoSouthSheet, Side::South};

// Puts the new sheet where the old one was: its near edge on the old sheet's
// far edge (north, west; with the size the image has now) or on the
// reference point (east, south).
void place(MapImage& image, Side side) {
    switch (side) {
    case Side::East:
        image.setLeft(view::kReferenceX);
        break;
    case Side::North:
        image.setTop(image.top() - image.heightTwips());
        break;
    case Side::West:
        image.setLeft(image.left() - image.widthTwips());
        break;
    case Side::South:
        image.setTop(view::kReferenceY);
        break;
    }
}

// The middle of a move: finds the neighbour's record on Data1, shows its
// picture and refills the locality list. False when the record or the picture
// is missing; the old picture then stays. How the picture read goes into picture.
bool showNeighbour(MainWindow& w, const QString& name, Side side, PictureLoad& picture) {
    combo::setText(w.f1area, name);
    RecordView* area = w.Data1;
    area->setRecordSource(sql::kAreaNeighbour, {name});
    area->refresh();
    if (!area->findExact(QStringLiteral("AREA"), name)) return false;
    picture = w.loadSheet(name);
    if (!picture.shown()) return false;
    w.showSheet(picture.image, name);
    w.followSheetDatum(name);
    place(*w.Image1, side);
    w.RefillLocalityList();
    return true;
}

void moveToNeighbour(MainWindow& w, const Neighbour& n) {
    const QString shown = combo::text(w.f1area);
    const QString name = w.Data1->text(QString::fromLatin1(n.field));
    if (name.isEmpty()) {
        w.tellSheetMove(n.message);
    } else {
        hourglass::Scope busy;
        bool shownNow = false;
        QString failure = kAreaNotFound;
        PictureLoad picture;
        try {
            shownNow = showNeighbour(w, name, n.side, picture);
        } catch (const ArchiveError& e) {
            // An engine failure (an archive locked or damaged) names the
            // archive. When it is the area archive that cannot be read, Data1
            // still stands where it stood (a failed refresh changes nothing)
            // and is not asked again, which would only wait once more.
            if (e.code() != 0) failure = e.italianMessage();
            if (e.code() != 0 && e.fileName() == w.Data1->fileName()) {
                busy.end();
                w.tellSheetMove(failure);
                return;
            }
        } catch (const std::exception&) {
            shownNow = false;
        }
        busy.end();
        if (shownNow) {
            const QString damage = MainWindow::damageNotice(picture, name);
            if (!damage.isEmpty()) w.tellSheetMove(damage);
            return;
        }
        w.tellSheetMove(picture.outcome == PictureOutcome::Refused ? picture.message : failure);
    }
    // Data1 goes back to the shown area's record. If that area has been
    // deleted meanwhile there is none, and if its archive cannot be read now
    // Data1 cannot stand on it: Data1 is then left at the end.
    try {
        w.Data1->setRecordSource(sql::kAreaNeighbour, {shown});
        w.Data1->refresh();
        if (!w.Data1->eof()) w.Data1->moveFirst();
    } catch (const ArchiveError&) {
    }
}

} // namespace

void MainWindow::MoveEast() {
    moveToNeighbour(*this, kEast);
}

void MainWindow::MoveNorth() {
    moveToNeighbour(*this, kNorth);
}

void MainWindow::MoveWest() {
    moveToNeighbour(*this, kWest);
}

void MainWindow::MoveSouth() {
    moveToNeighbour(*this, kSouth);
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
    const Neighbour& n = side == Side::East    ? kEast
                         : side == Side::North ? kNorth
                         : side == Side::West  ? kWest
                                               : kSouth;
    return !Data1->text(QString::fromLatin1(n.field)).isEmpty();
}

// The new sheet's localities, as an area load lists them.
void MainWindow::RefillLocalityList() {
    RefillAreaLocalities(combo::text(f1area));
}

} // namespace orvena
