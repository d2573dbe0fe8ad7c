// Moving the map with the arrow images, the arrow keys and the spinners: the
// steps and the edge test are Image1's (ui/map/MapView); once the image has
// gone past an edge, the same controls move to the adjoining sheet instead
// (Image1's edgePassed, SheetMoves.cpp), and so does a drag released there.
#include "ui/mainwindow/MainWindow.h"

#include "ui/widgets/KeyPreview.h"
#include "ui/map/MapView.h"

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
    Side heading;
    switch (keyCode) {
    case keycode::kLeft:
        heading = Side::West;
        break;
    case keycode::kUp:
        heading = Side::North;
        break;
    case keycode::kRight:
        heading = Side::East;
        break;
    case keycode::kDown:
        heading = Side::South;
        break;
    default:
        // Every other key goes on to the control that has the focus.
        return;
    }
    Image1->pan(heading, kKeyStep);
    keyCode = 0;
}

void MainWindow::imgde_Click(bool doubleClick) {
    Image1->pan(Side::East, doubleClick ? kDoubleClickStep : kClickStep);
}

void MainWindow::imgsi_Click(bool doubleClick) {
    Image1->pan(Side::West, doubleClick ? kDoubleClickStep : kClickStep);
}

void MainWindow::imgsu_Click(bool doubleClick) {
    Image1->pan(Side::North, doubleClick ? kDoubleClickStep : kClickStep);
}

void MainWindow::imggiu_Click(bool doubleClick) {
    Image1->pan(Side::South, doubleClick ? kDoubleClickStep : kClickStep);
}

// The spinners move first and look at the edges afterwards. A change that
// arrives while a sheet move's message shows only takes the new value.
void MainWindow::HScroll1_Change(int value) {
    const std::int16_t v = spinnerValue(value);
    if (sheetMoveMessage_) {
        lastHScrollValue_ = v;
        return;
    }
    if (lastHScrollValue_ < v)
        Image1->setLeft(Image1->left() - kSpinnerStep);
    else if (lastHScrollValue_ > v)
        Image1->setLeft(Image1->left() + kSpinnerStep);
    lastHScrollValue_ = v;
    if (Image1->pastEdge(Side::West))
        MoveWest();
    else if (Image1->pastEdge(Side::East))
        MoveEast();
}

void MainWindow::VScroll1_Change(int value) {
    const std::int16_t v = spinnerValue(value);
    if (sheetMoveMessage_) {
        lastVScrollValue_ = v;
        return;
    }
    if (lastVScrollValue_ < v)
        Image1->setTop(Image1->top() - kSpinnerStep);
    else if (lastVScrollValue_ > v)
        Image1->setTop(Image1->top() + kSpinnerStep);
    lastVScrollValue_ = v;
    if (Image1->pastEdge(Side::North))
        MoveNorth();
    else if (Image1->pastEdge(Side::South))
        MoveSouth();
}

// Released past an edge whose way the area record names a neighbour, the
// neighbour is shown as the arrow image of that way shows it; otherwise the
// map stays where it was dragged, and nothing is said.
void MainWindow::Image1_DragEnd() {
    for (const Side side : {Side::West, Side::East, Side::North, Side::South}) {
        if (Image1->pastEdge(side) && hasNeighbour(side)) {
            moveTo(side);
            return;
        }
    }
}

} // namespace orvena
