#pragma once

#include <QApplication>
#include <QStringList>

#include <memory>

namespace orvena {

class Archives;
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

// Start-up in the working folder: opens the four archives (saying which
// ones it brought back from an interrupted change and which ones it had to
// create), creates the main window with the command line,
// shows it and runs its first activation. A foreign, damaged or locked
// archive is reported in Italian, naming the file, and nothing is returned:
// the program then ends with the files as they were.
std::unique_ptr<MainWindow> startUp(Archives& archives, const QString& folder,
                                    const QString& commandLine);

// Shows the main window and runs its first activation.
void showAndActivate(MainWindow& window);

// Takes "--archivio CONNESSIONE" out of the arguments: the atlas's archives
// are then on that server (core/archive/AtlasServer.h). False when the
// option has no connection after it.
bool takeServerArgument(QStringList& arguments);

// The program's command line: every argument joined by single blanks.
QString commandLineOf(const QStringList& arguments);

} // namespace orvena
