#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace orvena {

// Decides when a program window's activation handler runs: when the window is
// first shown, and when it becomes the active window coming from another of
// the program's own windows. Message boxes, file dialogs and other
// applications are not program windows, so closing a message box or coming
// back from another application does not run it.
class ActivationTracker : public QObject {
    Q_OBJECT
public:
    static ActivationTracker& instance();

    // A program window and its activation handler.
    void registerWindow(QWidget* window, std::function<void()> onActivate);
    void unregisterWindow(QWidget* window);

    // Window became the active window. Runs its handler when it is a program
    // window and the last active program window was another one (or none).
    void windowActivated(QWidget* window);

    QWidget* lastActive() const { return last_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ActivationTracker();
    struct Entry {
        QPointer<QWidget> window;
        std::function<void()> onActivate;
    };
    std::vector<Entry> windows_;
    QPointer<QWidget> last_;
};

} // namespace orvena
