#pragma once

#include <QApplication>
#include <QStringList>

#include <exception>

namespace orvena {

class MainWindow;

// The program's application object: an engine or file failure that no
// handler traps is shown as a message instead of ending the program.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Loads Qt's own Italian texts (buttons of the message boxes, the file
// dialog) from the translations of the Qt installation. False when they are
// not installed: the program then runs with Qt's English texts.
bool installItalianTranslation(QCoreApplication& app);

// The message of the first start in a folder without some archives: which
// files were created empty, and where.
QString createdArchivesMessage(const QStringList& files, const QString& folder);

// Shows why start-up stopped: an engine failure names its archive.
void reportStartFailure(const std::exception& failure);

// Shows the main window and runs its first activation.
void showAndActivate(MainWindow& window);

// The program's command line: every argument joined by single blanks.
QString commandLineOf(const QStringList& arguments);

} // namespace orvena
