// Moving the map with the arrow images, the arrow keys, the spinners and the
// pointer. Once the image has gone past an edge, the same controls move to the
// adjoining sheet instead (SheetMoves.cpp), and so does a drag released there.
#include "ui/mainwindow/MainWindow.h"

#include "core/state/ViewGeometry.h"
#include "ui/widgets/KeyPreview.h"
#include "ui/widgets/MapImage.h"

#include <QPushButton>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace orvena {

namespace {

constexpr double kClickStep = 240;
constexpr double kDoubleClickStep = 1200;
constexpr double kKeyStep = 2400;
constexpr double kSpinnerStep = 2400;

using Heading = Side;

// Whether blank window shows on that side of the reference point. Positions
// are compared, and sums taken, in single precision, as the controls have
// always kept them.
bool pastEdge(const MapImage& image, Heading heading) {
    const float left = static_cast<float>(image.left());
    const float top = static_cast<float>(image.top());
    switch (heading) {
    case Heading::West:
        return left > view::kReferenceX;
    case Heading::East: {
        const float right = left + static_cast<float>(image.widthTwips());
        return right < view::kReferenceX;
    }
    case Heading::North:
        return top > view::kReferenceY;
    case Heading::South: {
        const float bottom = top + static_cast<float>(image.heightTwips());
        return bottom < view::kReferenceY;
    }
    }
    return false;
}

// Moves the image so that the view goes one step towards heading.
void shift(MapImage& image, Heading heading, double step) {
    switch (heading) {
    case Heading::East:
        image.setLeft(image.left() - step);
        break;
    case Heading::West:
        image.setLeft(image.left() + step);
        break;
    case Heading::North:
        image.setTop(image.top() + step);
        break;
    case Heading::South:
        image.setTop(image.top() - step);
        break;
    }
}

void moveSheet(MainWindow& w, Heading heading) {
    switch (heading) {
    case Heading::East:
        w.MoveEast();
        break;
    case Heading::West:
        w.MoveWest();
        break;
    case Heading::North:
        w.MoveNorth();
        break;
    case Heading::South:
        w.MoveSouth();
        break;
    }
}

// An arrow image or key: past the edge, the adjoining sheet; otherwise a step.
void panOrMoveSheet(MainWindow& w, Heading heading, double step) {
    if (pastEdge(*w.Image1, heading))
        moveSheet(w, heading);
    else
        shift(*w.Image1, heading, step);
}

std::int16_t spinnerValue(int value) {
    return static_cast<std::int16_t>(
        std::clamp<int>(value, 0, std::numeric_limits<std::int16_t>::max()));
}

} // namespace

// A typed plus or minus stops here: those are the zoom keys.
void MainWindow::Form_KeyPress(char16_t& character) {
    if (character == u'+' || character == u'-') character = 0;
}

void MainWindow::Form_KeyDown(int& keyCode) {
    if (!isShown(Image1)) return;
    const bool minus = keyCode == keycode::kMinus || keyCode == keycode::kMinusPad;
    const bool plus = keyCode == keycode::kPlus || keyCode == keycode::kPlusPad;
    if ((minus || plus) && !isShown(cmding)) return;
    if (minus) {
        keyCode = 0;
        cmdrid_Click();
        return;
    }
    if (plus) {
        keyCode = 0;
        cmding_Click();
        return;
    }
    Heading heading;
    switch (keyCode) {
    case keycode::kLeft:
        heading = Heading::West;
        break;
    case keycode::kUp:
        heading = Heading::North;
        break;
    case keycode::kRight:
        heading = Heading::East;
        break;
    case keycode::kDown:
        heading = Heading::South;
        break;
    default:
        // Every other key goes on to the control that has the focus.
        return;
    }
    panOrMoveSheet(*this, heading, kKeyStep);
    keyCode = 0;
}

void MainWindow::imgde_Click(bool doubleClick) {
    panOrMoveSheet(*this, Heading::East, doubleClick ? kDoubleClickStep : kClickStep);
}

void MainWindow::imgsi_Click(bool doubleClick) {
    panOrMoveSheet(*this, Heading::West, doubleClick ? kDoubleClickStep : kClickStep);
}

void MainWindow::imgsu_Click(bool doubleClick) {
    panOrMoveSheet(*this, Heading::North, doubleClick ? kDoubleClickStep : kClickStep);
}

void MainWindow::imggiu_Click(bool doubleClick) {
    panOrMoveSheet(*this, Heading::South, doubleClick ? kDoubleClickStep : kClickStep);
}

// The spinners move first and look at the edges afterwards. A change that
// arrives while a sheet move's message shows only takes the new value.
void MainWindow::HScroll1_Change(int value) {
    const std::int16_t v = spinnerValue(value);
    if (sheetMoveMessage_) {
        state_.lastHScrollValue = v;
        return;
    }
    if (state_.lastHScrollValue < v)
        Image1->setLeft(Image1->left() - kSpinnerStep);
    else if (state_.lastHScrollValue > v)
        Image1->setLeft(Image1->left() + kSpinnerStep);
    state_.lastHScrollValue = v;
    if (pastEdge(*Image1, Heading::West))
        MoveWest();
    else if (pastEdge(*Image1, Heading::East))
        MoveEast();
}

void MainWindow::VScroll1_Change(int value) {
    const std::int16_t v = spinnerValue(value);
    if (sheetMoveMessage_) {
        state_.lastVScrollValue = v;
        return;
    }
    if (state_.lastVScrollValue < v)
        Image1->setTop(Image1->top() - kSpinnerStep);
    else if (state_.lastVScrollValue > v)
        Image1->setTop(Image1->top() + kSpinnerStep);
    state_.lastVScrollValue = v;
    if (pastEdge(*Image1, Heading::North))
        MoveNorth();
    else if (pastEdge(*Image1, Heading::South))
        MoveSouth();
}

// A drag moves the map with the pointer, one to one.
void MainWindow::Image1_Drag(double dx, double dy) {
    Image1->move(Image1->left() + dx, Image1->top() + dy);
}

// Released past an edge whose way the area record names a neighbour, the
// neighbour is shown as the arrow image of that way shows it; otherwise the
// map stays where it was dragged, and nothing is said.
void MainWindow::Image1_DragEnd() {
    for (const Heading heading : {Heading::West, Heading::East, Heading::North, Heading::South}) {
        if (pastEdge(*Image1, heading) && hasNeighbour(heading)) {
            moveSheet(*this, heading);
            return;
        }
    }
}

} // namespace orvena
