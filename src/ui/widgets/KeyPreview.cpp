#include "ui/widgets/KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace orvena {

int keyCodeOf(const QKeyEvent& event) {
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    switch (event.key()) {
    case Qt::Key_Left:
        return keycode::kLeft;
    case Qt::Key_Up:
        return keycode::kUp;
    case Qt::Key_Right:
        return keycode::kRight;
    case Qt::Key_Down:
        return keycode::kDown;
    case Qt::Key_Plus:
        return keypad ? keycode::kPlusPad : keycode::kPlus;
    case Qt::Key_Minus:
        return keypad ? keycode::kMinusPad : keycode::kMinus;
    default:
        return keycode::kOther;
    }
}

KeyPreview::KeyPreview(QWidget* window, KeyDown keyDown, KeyPress keyPress)
    : QObject(window)
    , window_(window)
    , keyDown_(std::move(keyDown))
    , keyPress_(std::move(keyPress)) {
    qApp->installEventFilter(this);
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    const bool press = event->type() == QEvent::KeyPress;
    if ((!press && event->type() != QEvent::KeyRelease) || !watched->isWidgetType()) return false;
    auto* target = static_cast<QWidget*>(watched);
    if (target->window() != window_) return false;
    if (holding_) {
        if (static_cast<QKeyEvent*>(event)->isAutoRepeat()) return press;
        holding_ = false;
    }
    if (!press) return false;
    // A key the handlers let pass may travel on to the parents of the focused
    // control and come by here again; both handlers are free of side effects
    // for such keys, so seeing it twice does no harm.
    auto* key = static_cast<QKeyEvent*>(event);
    int code = keyCodeOf(*key);
    keyDown_(code);
    if (code == 0) return true;
    const QString text = key->text();
    if (text.size() == 1) {
        char16_t ch = text.at(0).unicode();
        keyPress_(ch);
        if (ch == 0) return true;
    }
    return false;
}

} // namespace orvena
