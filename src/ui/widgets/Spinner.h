#pragma once

#include <QScrollBar>

namespace orvena {

// A small scroll bar used as a pair of arrow buttons (the "Veloce" spinners).
// An arrow held down repeats its step until it is let go.
class Spinner : public QScrollBar {
    Q_OBJECT
public:
    Spinner(Qt::Orientation orientation, QWidget* parent = nullptr);

    // Lets go of a held arrow as its release would: the repetition stops.
    // A message box that opens meanwhile would take the release itself.
    void stopRepeating();
    bool isRepeating() const { return repeatAction() != SliderNoAction; }
};

} // namespace orvena
