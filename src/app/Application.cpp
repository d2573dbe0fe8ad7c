#include "app/Application.h"

#include "app/MainWindow.h"
#include "toolkit/ActivationTracker.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Hourglass.h"

namespace orvena {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Orvena"));
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        hourglass::reset();
        dialogs().message(QStringLiteral("Errore imprevisto: %1").arg(QString::fromUtf8(e.what())));
        return false;
    }
}

void showAndActivate(MainWindow& window) {
    window.show();
    ActivationTracker::instance().windowActivated(&window);
}

QString commandLineOf(const QStringList& arguments) {
    return arguments.join(QLatin1Char(' '));
}

} // namespace orvena
