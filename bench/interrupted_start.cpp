// kill -9 at random instants of an import, an export, a deletion and a
// compaction over 300,000 places, then the program's start-up on the folder
// each time: does it open, is any archive called damaged, and does each pair
// of files hold its state from before the work or after it, never a mix?
//
//   QT_QPA_PLATFORM=offscreen interrupted_start [kills per work] [places] [seed]
//       (defaults: 30 kills, 300000 places, seed 1)
//   interrupted_start --run import|export|delete|compact FOLDER   (the child)
//
// Every other kill falls within the commit of the two files (while the
// super-journal exists). "restored" counts the starts
// that said they brought archives back, "mj left" those after which a
// super-journal still lay beside the files.
// Exit status 0 when every start opened the archives with each pair whole.
#include "ScriptedDialogs.h"
#include "app/Application.h"
#include "core/archive/Archives.h"
#include "core/archive/Compaction.h"
#include "core/archive/DeleteArea.h"
#include "core/archive/Exchange.h"
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

#include <algorithm>
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
QString state(const QString& path, bool places) try {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    const std::string ok = db.execAndGet("pragma integrity_check").getString();
    if (ok != "ok") return QStringLiteral("damaged: ") + QString::fromStdString(ok);
    const std::string sql = places ? "select count(*) || '/' || total(rowid) || '/' || "
                                     "total(length(LOCALITA)) from localita"
                                   : "select count(*) || '/' || total(rowid) || '/' || "
                                     "total(length(AREA)) from AREA";
    return QString::fromStdString(db.execAndGet(sql).getString());
} catch (const SQLite::Exception& e) {
    // A hot journal left behind reads as SQLITE_READONLY_ROLLBACK here.
    return QStringLiteral("unreadable: ") + QString::fromUtf8(e.what());
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

struct Run {
    qint64 us = 0;                         // how long the child ran
    qint64 commitFrom = -1, commitTo = -1; // while a super-journal lay in the folder
};

// Runs the work in a child process, killed killAfterUs after it started or,
// with fromCommit, after the super-journal appeared (checked every
// millisecond); never killed when killAfterUs is negative.
Run runWork(const QString& work, const QString& folder, qint64 killAfterUs,
            bool fromCommit = false) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--run"), work, folder});
    if (!child.waitForReadyRead(30000)) qFatal("child did not start");
    QElapsedTimer t;
    t.start();
    Run run;
    if (killAfterUs >= 0 && !fromCommit) {
        QThread::usleep(static_cast<unsigned long>(killAfterUs));
        child.kill(); // SIGKILL
    }
    while (!child.waitForFinished(1)) {
        if (QDir(folder).entryList({"*-mj*"}).isEmpty()) continue;
        run.commitTo = t.nsecsElapsed() / 1000;
        if (run.commitFrom < 0) run.commitFrom = run.commitTo;
        if (fromCommit) {
            QThread::usleep(static_cast<unsigned long>(killAfterUs));
            child.kill();
        }
    }
    run.us = t.nsecsElapsed() / 1000;
    return run;
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

    std::printf("%-8s %6s %7s %5s %6s %6s %5s %5s %7s %8s %7s %s\n", "work", "ms", "commit",
                "kills", "opened", "before", "after", "mixed", "damaged", "restored", "mj left",
                "slowest start ms (plain / restoring)");
    for (const QString work : {"import", "export", "delete", "compact"}) {
        copyFolder(base, folder);
        const Run whole = runWork(work, folder, -1);
        const QStringList after = states(folder);
        std::map<QString, int> counts;
        for (int k = 0; k < kills; ++k) {
            copyFolder(base, folder);
            // Every other instant falls within the commit of the two files
            // (from the super-journal's appearance for as long as it lasted
            // in the whole run), the others anywhere from the start to a
            // little past the usual end.
            const bool inCommit = k % 2 == 1 && whole.commitFrom >= 0;
            const qint64 span =
                inCommit ? whole.commitTo - whole.commitFrom + 1 : whole.us * 11 / 10;
            runWork(work, folder, static_cast<qint64>(random.bounded(double(span))), inCommit);
            ScriptedDialogs dialogs;
            Archives archives;
            QElapsedTimer started;
            started.start();
            const auto window = startUp(archives, folder, QString());
            const qint64 ms = started.elapsed();
            const QString said = dialogs.texts().join(u' ');
            counts["opened"] += window != nullptr;
            counts["damaged"] += said.contains(QLatin1String("danneggiato"));
            const bool restored = said.contains(QLatin1String("riportat"));
            counts["restored"] += restored;
            int& slowest = counts[restored ? "start ms restored" : "start ms"];
            slowest = std::max(slowest, static_cast<int>(ms));
            if (window) window->close();
            counts["mj left"] += !QDir(folder).entryList({"*-mj*"}).isEmpty();
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
        const qint64 commit = whole.commitFrom < 0 ? 0 : whole.commitTo - whole.commitFrom;
        std::printf("%-8s %6lld %7lld %5d %6d %6d %5d %5d %7d %8d %7d %d / %d\n", qPrintable(work),
                    whole.us / 1000, commit / 1000, kills, counts["opened"], counts["before"],
                    counts["after"], counts["mixed"], counts["damaged"], counts["restored"],
                    counts["mj left"], counts["start ms"], counts["start ms restored"]);
        std::fflush(stdout);
    }
    return allWell ? 0 : 1;
}
