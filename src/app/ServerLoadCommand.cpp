#include "app/ServerLoadCommand.h"

#include "core/archive/ServerLoad.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstring>

namespace orvena {

namespace {
constexpr const char* kOption = "--carica-archivi";
} // namespace

bool isServerLoadCommand(int argc, char** argv) {
    return argc >= 2 && std::strcmp(argv[1], kOption) == 0;
}

int runServerLoadCommand(int argc, char** argv) {
    // A core application only: the mode must run where there is no display.
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments().mid(2);
    if (arguments.size() != 1 || arguments.first().isEmpty()) {
        err << "Uso: orvena --carica-archivi CONNESSIONE\n";
        return 2;
    }
    const serverload::Outcome outcome = serverload::load(QDir::currentPath(), arguments.first());
    if (!outcome.problem.isEmpty()) {
        err << outcome.problem << '\n';
        return 1;
    }
    out << serverload::doneMessage(outcome) << '\n';
    return 0;
}

} // namespace orvena
