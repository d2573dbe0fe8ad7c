// kill -9 in the middle of deleting a sheet of 100,000 places: afterwards both
// files pass the engine's integrity check and hold the sheet either whole
// (its record and all its places) or not at all; the other sheet is untouched.
//
//   deletion_kill [kills]        (default 20 kills at instants spread over a deletion)
//   deletion_kill --delete FOLDER NAME     (the child that is killed)
//
// Exit status 0 when every kill left the files consistent.
#include "core/archive/Archives.h"
#include "core/archive/DeleteArea.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <SQLiteCpp/SQLiteCpp.h>

#include <cstdio>
#include <string>

using namespace orvena;

namespace {

const QString kBig = QStringLiteral("grande.jpg");
const QString kOther = QStringLiteral("altro.jpg");
constexpr int kBigPlaces = 100000;
constexpr int kOtherPlaces = 10000;

void build(const QString& folder) {
    for (const auto& [file, table] :
         {std::pair{"area.mdb", "AREA"}, std::pair{"localita.mdb", "localita"}})
        if (const QString e = createArchive(folder + u'/' + QLatin1String(file), table);
            !e.isEmpty())
            qFatal("%s", qPrintable(e));
    SQLite::Database area((folder + "/area.mdb").toStdString(), SQLite::OPEN_READWRITE);
    area.exec("INSERT INTO AREA (AREA, COLA, COLO) VALUES ('altro.jpg', 1, 1), "
              "('grande.jpg', 2, 2)");
    SQLite::Database loc((folder + "/localita.mdb").toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Transaction t(loc);
    SQLite::Statement add(loc, "INSERT INTO localita VALUES (?, ?, 45, 20, 10, 9, 30, 5, 1, 2)");
    // The other sheet's places lie scattered among the big sheet's.
    int big = 0, other = 0;
    for (int i = 0; big < kBigPlaces || other < kOtherPlaces; ++i) {
        const bool isOther = (i % 11 == 5 && other < kOtherPlaces) || big == kBigPlaces;
        add.bind(1, (isOther ? kOther : kBig).toStdString());
        add.bind(2, "LOCALITA " + std::to_string(i));
        add.exec();
        add.reset();
        (isOther ? other : big)++;
    }
    t.commit();
}

int count(SQLite::Database& db, const char* sql, const QString& name) {
    SQLite::Statement q(db, sql);
    q.bind(1, name.toStdString());
    q.executeStep();
    return q.getColumn(0).getInt();
}

// "before", "after", or what is wrong.
QString inspect(const QString& folder) {
    // Each file opened on its own, as the program's record views do: a hot
    // journal left by the killed process is rolled back here.
    SQLite::Database area((folder + "/area.mdb").toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Database loc((folder + "/localita.mdb").toStdString(), SQLite::OPEN_READWRITE);
    for (SQLite::Database* db : {&area, &loc}) {
        const std::string ok = db->execAndGet("PRAGMA integrity_check").getString();
        if (ok != "ok") return QStringLiteral("integrity_check: ") + QString::fromStdString(ok);
    }
    const char* areas = "select count(*) from AREA where AREA = ?";
    const char* places = "select count(*) from localita where AREA = ?";
    if (count(area, areas, kOther) != 1 || count(loc, places, kOther) != kOtherPlaces)
        return QStringLiteral("the other sheet changed");
    const int a = count(area, areas, kBig);
    const int p = count(loc, places, kBig);
    if (a == 1 && p == kBigPlaces) return QStringLiteral("before");
    if (a == 0 && p == 0) return QStringLiteral("after");
    return QStringLiteral("HALF: %1 area record(s), %2 places").arg(a).arg(p);
}

bool copyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const char* f : {"area.mdb", "localita.mdb"})
        if (!QFile::copy(from + u'/' + QLatin1String(f), to + u'/' + QLatin1String(f)))
            return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--delete")) {
        std::fputs("begin\n", stdout);
        std::fflush(stdout);
        const AreaDeletionResult r = deleteArea(args[2], args[3]);
        std::printf("%s\n", r.ok() ? "done" : qPrintable(r.failure));
        return r.ok() ? 0 : 1;
    }
    const int kills = args.size() > 1 ? args[1].toInt() : 20;

    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("template"));
    QDir().mkpath(base);
    build(base);

    auto run = [&](const QString& folder, qint64 killAfterUs) {
        QProcess child;
        child.start(app.applicationFilePath(), {QStringLiteral("--delete"), folder, kBig});
        if (!child.waitForReadyRead(30000)) qFatal("child did not start");
        QElapsedTimer t;
        t.start();
        if (killAfterUs < 0) {
            child.waitForFinished(120000);
            return t.nsecsElapsed() / 1000;
        }
        QThread::usleep(static_cast<unsigned long>(killAfterUs));
        child.kill(); // SIGKILL
        child.waitForFinished(30000);
        return t.nsecsElapsed() / 1000;
    };

    const QString full = dir.filePath(QStringLiteral("full"));
    copyFolder(base, full);
    const qint64 duration = run(full, -1);
    std::printf("a whole deletion of %d places: %.0f ms -> %s\n", kBigPlaces, duration / 1000.0,
                qPrintable(inspect(full)));

    int before = 0, after = 0, bad = 0;
    for (int k = 0; k < kills; ++k) {
        const QString folder = dir.filePath(QStringLiteral("kill%1").arg(k));
        copyFolder(base, folder);
        // Instants spread from the start to well past the usual end, so that
        // some kills land after the commit.
        const qint64 at = duration * k / (kills - 1) * 3 / 2;
        run(folder, at);
        // Journals left behind show that the kill came inside the transaction.
        QStringList journals;
        for (const QString& f :
             QDir(folder).entryList({QStringLiteral("*-journal*"), QStringLiteral("*-mj*")}))
            journals << f;
        const QString state = inspect(folder);
        std::printf("kill -9 at %7.1f ms: %-7s %s\n", at / 1000.0, qPrintable(state),
                    journals.isEmpty()
                        ? ""
                        : qPrintable(QStringLiteral("(left: %1)").arg(journals.join(u' '))));
        if (state == QLatin1String("before"))
            ++before;
        else if (state == QLatin1String("after"))
            ++after;
        else
            ++bad;
    }
    std::printf("%d kills: %d before, %d after, %d inconsistent\n", kills, before, after, bad);
    return bad == 0 ? 0 : 1;
}
