#pragma once

#include <QObject>

#include <functional>

class QKeyEvent;
class QWidget;

namespace orvena {

// The key codes the map viewer acts on.
namespace keycode {
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kPlusPad = 107;
inline constexpr int kPlus = 187;
inline constexpr int kMinusPad = 109;
inline constexpr int kMinus = 189;
inline constexpr int kOther = 1; // any key the viewer does not know
} // namespace keycode

int keyCodeOf(const QKeyEvent& event);

// Lets a window see every key press before the control that has the focus.
// keyDown gets the key code and may set it to 0: the key then stops there.
// keyPress gets the typed character and may set it to 0 the same way. Keys
// that neither handler stops reach the focused control as usual.
class KeyPreview : public QObject {
    Q_OBJECT
public:
    using KeyDown = std::function<void(int& keyCode)>;
    using KeyPress = std::function<void(char16_t& character)>;

    KeyPreview(QWidget* window, KeyDown keyDown, KeyPress keyPress);

    // A key held down stops repeating here, until it is released or a key is
    // pressed anew: for after a message box, which took the key's release.
    void holdRepeats() { holding_ = true; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    KeyDown keyDown_;
    KeyPress keyPress_;
    bool holding_ = false;
};

} // namespace orvena
