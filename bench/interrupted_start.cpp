// kill -9 at random instants of an import, an export, a deletion and a
// compaction over 300,000 places, then the program's start-up on the folder
// each time: does it open, is any archive called damaged, and does each pair
// of files hold its state from before the work or after it, never a mix?
//
//   QT_QPA_PLATFORM=offscreen interrupted_start [kills per work] [places] [seed]
//       (defaults: 30 kills, 300000 places, seed 1)
//   interrupted_start --run import|export|delete|compact FOLDER   (the child)
//
// "restored" counts the starts that said they brought archives back, "litter"
// those after which a journal or super-journal still lay beside the files.
// Exit status 0 when every start opened the archives with each pair whole.
#include "app/Application.h"
#include "core/archive/Archives.h"
#include "core/archive/Compaction.h"
#include "core/archive/DeleteArea.h"
#include "core/archive/Exchange.h"
#include "core/base/ScriptedDialogs.h"
#include "core/state/ViewerState.h"
#include "ui/mainwindow/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <SQLiteCpp/SQLiteCpp.h>

#include <cstdio>
#include <map>

using namespace orvena;

namespace {

const QString kBig = QStringLiteral("grande.jpg");
const char* const kFiles[] = {"area.mdb", "localita.mdb", "esparea.mdb", "esplocalita.mdb"};

void exec(const QString& file, const std::string& sql) {
    SQLite::Database db(file.toStdString(), SQLite::OPEN_READWRITE);
    db.exec(sql);
}

// The working files hold 1000 sheets and the places, half of them on one big
// sheet; the exchange files as many other places, on sheets of other names.
void build(const QString& folder, int places) {
    for (int i = 0; i < 4; ++i)
        if (const QString e = createArchive(folder + u'/' + QLatin1String(kFiles[i]),
                                            i % 2 ? "localita" : "AREA");
            !e.isEmpty())
            qFatal("%s", qPrintable(e));
    const std::string n =
        "with recursive n(i) as (select 0 union all select i + 1 from n where i < ";
    for (const auto& [areas, localities, prefix] :
         {std::tuple{"area.mdb", "localita.mdb", "foglio"},
          std::tuple{"esparea.mdb", "esplocalita.mdb", "carta"}}) {
        exec(folder + u'/' + QLatin1String(areas),
             n + "999) insert into AREA (AREA, COLA, COLO) select '" + prefix +
                 "' || i || '.jpg', 24.25, 17 from n; insert into AREA (AREA) values ('" +
                 kBig.toStdString() + "')");
        exec(folder + u'/' + QLatin1String(localities),
             n + std::to_string(places - 1) +
                 ") insert into localita select case when i % 2 = 0 then '" + kBig.toStdString() +
                 "' else '" + prefix + "' || (i % 1000) || '.jpg' end, '" + prefix +
                 " ' || i, 45, 20, 10, 9, 30, 5, 100 + i % 20000, 100 + i % 15000 from n");
    }
}

// A file's content in short: its records' count and the sums of their rowids
// and name lengths; "damaged: ..." when the engine's check fails.
QString state(const QString& path, bool places) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    const std::string ok = db.execAndGet("pragma integrity_check").getString();
    if (ok != "ok") return QStringLiteral("damaged: ") + QString::fromStdString(ok);
    const std::string sql = places ? "select count(*) || '/' || total(rowid) || '/' || "
                                     "total(length(LOCALITA)) from localita"
                                   : "select count(*) || '/' || total(rowid) || '/' || "
                                     "total(length(AREA)) from AREA";
    return QString::fromStdString(db.execAndGet(sql).getString());
}

QStringList states(const QString& folder) {
    QStringList out;
    for (int i = 0; i < 4; ++i)
        out << state(folder + u'/' + QLatin1String(kFiles[i]), i % 2 == 1);
    return out;
}

void copyFolder(const QString& from, const QString& to) {
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    for (const char* f : kFiles)
        if (!QFile::copy(from + u'/' + QLatin1String(f), to + u'/' + QLatin1String(f)))
            qFatal("cannot copy %s", f);
}

int runChild(const QString& work, const QString& folder) {
    std::fputs("started\n", stdout);
    std::fflush(stdout);
    if (work == QLatin1String("import")) return importArchives(folder).done() ? 0 : 1;
    if (work == QLatin1String("export")) return exportArchives(folder).done() ? 0 : 1;
    if (work == QLatin1String("delete")) return deleteArea(folder, kBig).ok() ? 0 : 1;
    for (const char* file : {kFiles[0], kFiles[1], kFiles[2], kFiles[3]})
        if (!compactArchive(folder, QLatin1String(file)).done()) return 1;
    return 0;
}

// Runs the work in a child process, killed after killAfterUs (never when
// negative); how long it ran, in microseconds.
qint64 runWork(const QString& work, const QString& folder, qint64 killAfterUs) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--run"), work, folder});
    if (!child.waitForReadyRead(30000)) qFatal("child did not start");
    QElapsedTimer t;
    t.start();
    if (killAfterUs >= 0) {
        QThread::usleep(static_cast<unsigned long>(killAfterUs));
        child.kill(); // SIGKILL
    }
    child.waitForFinished(600000);
    return t.nsecsElapsed() / 1000;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && QByteArray(argv[1]) == "--run") {
        QCoreApplication app(argc, argv);
        return runChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QApplication app(argc, argv);
    // The offscreen platform's warnings would drown the table.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtWarningMsg && type != QtDebugMsg && type != QtInfoMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    const QStringList args = app.arguments();
    const int kills = args.size() > 1 ? args[1].toInt() : 30;
    const int places = args.size() > 2 ? args[2].toInt() : 300000;
    QRandomGenerator random(args.size() > 3 ? args[3].toUInt() : 1u);

    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("template"));
    QDir().mkpath(base);
    build(base, places);
    const QStringList before = states(base);
    const QString folder = dir.filePath(QStringLiteral("run"));
    bool allWell = true;

    std::printf("%-8s %6s %5s %7s %7s %6s %6s %9s %9s\n", "work", "ms", "kills", "opened", "before",
                "after", "mixed", "damaged", "restored");
    for (const QString work : {"import", "export", "delete", "compact"}) {
        copyFolder(base, folder);
        const qint64 duration = runWork(work, folder, -1);
        const QStringList after = states(folder);
        std::map<QString, int> counts;
        for (int k = 0; k < kills; ++k) {
            copyFolder(base, folder);
            // Instants spread from the start to a little past the usual end.
            runWork(work, folder, static_cast<qint64>(random.bounded(duration * 1.1)));
            ScriptedDialogs dialogs;
            Archives archives;
            ViewerState viewer;
            const auto window = startUp(archives, viewer, folder, QString());
            const QString said = dialogs.texts().join(u' ');
            counts["opened"] += window != nullptr;
            counts["damaged"] += said.contains(QLatin1String("danneggiato"));
            counts["restored"] += said.contains(QLatin1String("riportat"));
            if (window) window->close();
            counts["litter"] += !QDir(folder).entryList({"*-journal", "*-mj*"}).isEmpty();
            const QStringList now = states(folder);
            const QString verdict = now == before  ? QStringLiteral("before")
                                    : now == after ? QStringLiteral("after")
                                                   : QStringLiteral("mixed");
            ++counts[verdict];
            if (verdict == QLatin1String("mixed") || !window) {
                allWell = false;
                std::printf("  %s kill %d: %s | %s\n", qPrintable(work), k, qPrintable(said),
                            qPrintable(now.join(u' ')));
            }
        }
        std::printf("%-8s %6lld %5d %7d %7d %6d %6d %8d %9d %7d\n", qPrintable(work),
                    duration / 1000, kills, counts["opened"], counts["before"], counts["after"],
                    counts["mixed"], counts["damaged"], counts["restored"], counts["litter"]);
        std::fflush(stdout);
    }
    return allWell ? 0 : 1;
}
