#include "ui/widgets/ActivationTracker.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace orvena {

ActivationTracker& ActivationTracker::instance() {
    static ActivationTracker* tracker = new ActivationTracker;
    return *tracker;
}

ActivationTracker::ActivationTracker() {
    qApp->installEventFilter(this);
}

void ActivationTracker::registerWindow(QWidget* window, std::function<void()> onActivate) {
    unregisterWindow(window);
    windows_.push_back({window, std::move(onActivate)});
}

void ActivationTracker::unregisterWindow(QWidget* window) {
    std::erase_if(windows_, [window](const Entry& e) { return !e.window || e.window == window; });
    if (last_ == window) last_ = nullptr;
}

void ActivationTracker::windowActivated(QWidget* window) {
    for (const Entry& e : windows_) {
        if (e.window != window) continue;
        if (last_ == window) return;
        last_ = window;
        // The handler may show message boxes; a copy keeps it alive meanwhile.
        const auto handler = e.onActivate;
        handler();
        return;
    }
}

bool ActivationTracker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowActivate && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        // A window hidden since the activation was queued is not active any more.
        if (w->isWindow() && w->isVisible()) windowActivated(w);
    }
    return false;
}

} // namespace orvena
