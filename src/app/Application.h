#pragma once

#include <QApplication>

namespace orvena {

class MainWindow;

// The program's application object: an engine or file failure that no
// handler traps is shown as a message instead of ending the program.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the main window and runs its first activation.
void showAndActivate(MainWindow& window);

// The program's command line: every argument joined by single blanks.
QString commandLineOf(const QStringList& arguments);

} // namespace orvena
