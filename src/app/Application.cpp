#include "app/Application.h"

#include "core/archive/Archives.h"
#include "core/archive/AtlasServer.h"
#include "core/archive/RecordView.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/base/NetworkFolder.h"
#include "ui/mainwindow/MainWindow.h"
#include "ui/widgets/ActivationTracker.h"

#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace orvena {

namespace {

const QString kUnexpected = QStringLiteral("Errore imprevisto: %1");
const QString kOneCreated =
    QStringLiteral("L'archivio %1 non era nella cartella %2: è stato creato vuoto.");
const QString kSomeCreated =
    QStringLiteral("Gli archivi %1 non erano nella cartella %2: sono stati creati vuoti.");
const QString kProgramEnds = QStringLiteral(" Il programma termina.");
const QString kNetworkFolder = QStringLiteral(
    "Gli archivi della cartella %1 stanno su un disco di rete (%2): se più persone li "
    "usano nello stesso momento possono rovinarsi. Per lavorare in più persone sullo "
    "stesso atlante tenete gli archivi su un server PostgreSQL.");

// The message for a failure no handler trapped: an engine failure names its
// archive and says why in Italian.
QString failureText(const std::exception& failure) {
    if (const auto* archive = dynamic_cast<const ArchiveError*>(&failure);
        archive && archive->code() != 0)
        return archive->italianMessage();
    return kUnexpected.arg(QString::fromUtf8(failure.what()));
}

} // namespace

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Orvena"));
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        hourglass::reset();
        dialogs().message(failureText(e));
        return false;
    }
}

bool installItalianTranslation(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

std::unique_ptr<MainWindow> startUp(Archives& archives, const QString& folder,
                                    const QString& commandLine) {
    const QString problem = archives.openAll(folder);
    if (!problem.isEmpty()) {
        dialogs().message(problem);
        return nullptr;
    }
    if (const QString restored = archives.restoredMessage(); !restored.isEmpty())
        dialogs().message(restored);
    const QStringList& created = archives.createdFiles();
    if (created.size() == 1) {
        dialogs().message(kOneCreated.arg(created.first(), QDir::toNativeSeparators(folder)));
    } else if (!created.isEmpty()) {
        dialogs().message(
            kSomeCreated.arg(created.join(QStringLiteral(", ")), QDir::toNativeSeparators(folder)));
    }
    // Files on a network filesystem: the engine's locks cannot be trusted
    // there. Said once; the program goes on as anywhere else.
    if (const QString kind = networkfolder::kindOfFolder(folder); !kind.isEmpty())
        dialogs().message(kNetworkFolder.arg(QDir::toNativeSeparators(folder), kind));

    // The first queries run here, before the event loop: a damaged archive
    // ends the program with its message, its files as they were.
    try {
        auto window = std::make_unique<MainWindow>(archives, commandLine);
        showAndActivate(*window);
        return window;
    } catch (const std::exception& e) {
        hourglass::reset();
        dialogs().message(failureText(e) + kProgramEnds);
        return nullptr;
    }
}

void showAndActivate(MainWindow& window) {
    window.show();
    ActivationTracker::instance().windowActivated(&window);
}

bool takeServerArgument(QStringList& arguments) {
    const qsizetype at = arguments.indexOf(QStringLiteral("--archivio"));
    if (at < 0) return true;
    if (at + 1 >= arguments.size() || arguments.at(at + 1).trimmed().isEmpty()) return false;
    atlasserver::setFromCommandLine(arguments.at(at + 1));
    arguments.remove(at, 2);
    return true;
}

QString commandLineOf(const QStringList& arguments) {
    return arguments.join(QLatin1Char(' '));
}

} // namespace orvena
