// Marking a locality on the shown sheet: an arrow and the name drawn over the
// map picture (Image1's place layer, ui/map/PlaceMark), the coordinates in the
// six boxes, and the map moved so that the arrow comes to a fixed point of the
// window.
#include "ui/mainwindow/MainWindow.h"

#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/base/Numbers.h"
#include "core/state/SharedTexts.h"
#include "core/state/ViewGeometry.h"
#include "ui/widgets/ComboText.h"
#include "ui/map/MapView.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>

namespace orvena {

namespace {

using texts::kLocalityMissing;
const QString kBadPosition =
    QStringLiteral("La posizione della località sulla cartina non è un numero.");

// The down arrow's top-left corner lies this far left of and above the
// locality's point; the up arrow and the names are placed from that corner.
constexpr double kArrowOffsetX = 140;
constexpr double kArrowOffsetY = 400;

// A stored position; nothing unless it is a number of twips that a window
// position can hold.
std::optional<double> position(const std::optional<double>& v) {
    if (!v || !roundToInt32(*v)) return std::nullopt;
    return v;
}

// v rounded to whole twips; 0 when it does not fit a 32-bit number.
std::int32_t wholeTwips(double v) {
    return roundToInt32(v).value_or(0);
}

} // namespace

void MainWindow::cmbloc_Click() {
    std::optional<Place> place;
    try {
        place = sheets_.place(combo::text(f1area), combo::text(cmbloc));
    } catch (const ArchiveError& e) {
        hourglass::reset();
        dialogs().message(e.italianMessage());
        return;
    }
    if (place) return MarkLocality(*place);
    hourglass::reset();
    dialogs().message(kLocalityMissing);
}

std::optional<QPointF> MainWindow::markCorner(const Place& place) {
    const auto px = position(place.px);
    const auto py = position(place.py);
    if (!px || !py) return std::nullopt;
    return QPointF(*px - kArrowOffsetX, *py - kArrowOffsetY);
}

void MainWindow::MarkLocality(const Place& place) {
    // A position that is not a number marks nothing and changes nothing.
    const auto px = position(place.px);
    const auto py = position(place.py);
    if (!px || !py) {
        hourglass::reset();
        dialogs().message(kBadPosition);
        return;
    }

    const QList<QLineEdit*> boxes = coordinateBoxes();
    for (int i = 0; i < boxes.size(); ++i) {
        boxes[i]->setText(place.angles[std::size_t(i)]);
        boxes[i]->show();
    }
    Label4->show();
    Label8->show();

    const double left = Image1->left();
    const double top = Image1->top();
    state_.markerTop = wholeTwips(top + *py - kArrowOffsetY);
    state_.markerLeft = wholeTwips(left + *px - kArrowOffsetX);
    const QPointF corner = *markCorner(place);
    const double x = corner.x();
    const double y = corner.y();

    Image1->hide();
    // The place's layer goes over the marks painted since the sheet was loaded.
    Image1->markPlace(combo::text(cmbloc), x, y,
                      QApplication::palette().color(QPalette::HighlightedText));

    // The arrow's corner lies (x, y) from the image's corner at zoom 100 and
    // scales with the zoom, so the image moves by where the corner is on the
    // window now, whatever the zoom: at zoom 100 that is the marker position.
    const double zoom = zoomPercent() / 100.0;
    const double cornerTop = wholeTwips(top + y * zoom);
    const double cornerLeft = wholeTwips(left + x * zoom);
    Image1->move(left - cornerLeft + view::kReferenceX, top - cornerTop + view::kReferenceY);
    Image1->show();
}

} // namespace orvena
