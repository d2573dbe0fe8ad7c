// Twenty users of one atlas on a PostgreSQL server, each a process of its
// own working through the program's own archive layer (record views on the
// server, as the locality editor uses them, and the sheet's deletion): for a
// given time they insert, change and delete places of a few sheets, and
// delete some of those sheets, each logging what it committed and what it
// was refused, with the reason. Every change writes a token of its own into
// the place's PX and logs the token it read. At the end, against the server:
// no lost update (every token written is the one stored, or was read by a
// later committed change, or its place went with its sheet), no place whose
// sheet is gone, no name twice on a sheet, every token stored one that a
// user reported; the changes, the refusals by kind and the 50th and 95th
// percentile of a change's time.
//
//   sh tests/support/with-postgres.sh build-rel/bench/bench_team [seconds [users]]
//   (default 60 seconds, 20 users)
#include "ServerBench.h"

#include "core/archive/RecordView.h"
#include "core/archive/SqlTexts.h"
#include "core/server/ServerRecords.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QTextStream>

#include <random>

using namespace orvena;
using namespace orvena::bench;

namespace {

constexpr int kPlaces = 20000;  // 20 on each sheet
constexpr int kHotSheets = 8;   // the sheets everybody works on
constexpr int kDoomedSheets = 4; // worked on too, and deleted once by someone
constexpr int kNewNames = 12;   // "NUOVA 0" ... inserted on any of them
constexpr double kToken = 1e7;  // tokens start here: below are the load's PX

QString sheetOf(int i) {
    return sheetName(i);
}

// A refusal by its kind, as the record views tell them.
QString refusal(const QString& message) {
    static const std::pair<const char*, const char*> kinds[] = {
        {"è stata modificata da un altro", "place changed by another meanwhile"},
        {"è stata eliminata da un altro", "place deleted by another meanwhile"},
        {"è stato eliminato da un altro", "sheet deleted by another meanwhile"},
        {"è stato modificato da un altro", "sheet changed by another meanwhile"},
        {"l'ha appena inserita un altro", "name inserted by another meanwhile"},
    };
    for (const auto& [part, kind] : kinds)
        if (message.contains(QString::fromUtf8(part))) return QString::fromLatin1(kind);
    return message;
}

// One user: a loop of changes until the time is up, each logged as
// "kind|sheet|name|read|written|microseconds" (kind: I, M, D, S committed;
// R refused, with the reason in place of the tokens).
int client(int id, const QString& connection, int seconds, const QString& logPath) {
    RecordView areas("Data1", Archives::kAreaFile, "AREA", {});
    RecordView places("Data2", Archives::kLocalityFile, "localita", {});
    check(areas.openOnServer(connection).isEmpty(), "opening the sheets");
    check(places.openOnServer(connection).isEmpty(), "opening the places");
    server::Connection own;
    check(own.open(connection).isEmpty(), "connecting");
    QFile file(logPath);
    check(file.open(QIODevice::WriteOnly | QIODevice::Text), "the log");
    QTextStream log(&file);
    std::mt19937 random(std::uint32_t(id) * 7919u + 17u);
    std::int64_t seq = 0;
    QElapsedTimer clock;
    clock.start();
    const auto pick = [&](int n) { return int(random() % std::uint32_t(n)); };
    while (clock.elapsed() < seconds * 1000LL) {
        const QString sheet = sheetOf(pick(kHotSheets + kDoomedSheets));
        const int sheetIndex = sheet.mid(6, 4).toInt();
        // A place loaded on the sheet, or one of the names users insert.
        const QString name = pick(2) == 0
                                 ? QStringLiteral("LOCALITA %1").arg(sheetIndex + 1000 * pick(20))
                                 : QStringLiteral("NUOVA %1").arg(pick(kNewNames));
        const int op = pick(100);
        const double token = kToken * (id + 1) + double(++seq);
        QElapsedTimer t;
        t.start();
        const auto logged = [&](const char* kind, const QString& read, const QString& written) {
            log << kind << '|' << sheet << '|' << name << '|' << read << '|' << written << '|'
                << t.nsecsElapsed() / 1000 << '\n';
        };
        try {
            if (op < 2) {
                // The doomed sheets go in the last quarter, while others
                // still add places on them.
                if (sheetIndex < kHotSheets || clock.elapsed() < seconds * 750LL) continue;
                const qint64 gone = server::deleteArea(own, sheet);
                if (gone > 0) logged("S", QString(), QString::number(gone));
                continue;
            }
            places.setRecordSource(sql::kLocalityOfAreaByName, {sheet, name});
            places.refresh();
            const bool found = places.findExact(
                {{QStringLiteral("AREA"), sheet}, {QStringLiteral("LOCALITA"), name}});
            const QString read =
                found ? QString::number(places.field(QStringLiteral("PX")).toDouble(), 'f', 0)
                      : QString();
            if (op < 35) { // insert, as the editor: refused when the name is there
                if (found) {
                    logged("R", QStringLiteral("name already there when read (nothing sent)"),
                           QString());
                    continue;
                }
                places.addNew();
                places.setField(QStringLiteral("AREA"), sheet);
                places.setField(QStringLiteral("LOCALITA"), name);
                places.setField(QStringLiteral("LAGR"), 45);
                places.setField(QStringLiteral("PX"), token);
                places.setField(QStringLiteral("PY"), 100.0);
                places.update();
                logged("I", QString(), QString::number(token, 'f', 0));
            } else if (!found) {
                continue; // nothing to change: the editor says so, nothing sent
            } else if (op < 75) {
                places.edit();
                places.setField(QStringLiteral("PX"), token);
                places.update();
                logged("M", read, QString::number(token, 'f', 0));
            } else {
                places.remove();
                logged("D", read, QString());
            }
        } catch (const ArchiveError& e) {
            logged("R", refusal(e.italianMessage()), QString());
        } catch (const server::ServerError& e) {
            logged("R", e.message(), QString());
        }
    }
    return 0;
}

struct Entry {
    QString kind, sheet, name, read, written;
    double ms = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 5 && args.at(1) == QLatin1String("--client"))
        return client(args.at(2).toInt(), args.at(3), args.at(4).toInt(), args.at(5));

    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int users = argc > 2 ? std::atoi(argv[2]) : 20;
    const QString connection = loadedDatabase(QStringLiteral("bench_team"), kPlaces);
    QTemporaryDir logs;
    std::vector<std::unique_ptr<QProcess>> clients;
    for (int i = 0; i < users; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(app.applicationFilePath(),
                 {QStringLiteral("--client"), QString::number(i), connection,
                  QString::number(seconds), logs.filePath(QString::number(i))});
        clients.push_back(std::move(p));
    }
    for (auto& p : clients) {
        check(p->waitForFinished(seconds * 1000 + 120000) && p->exitCode() == 0,
              "a user's process ended badly");
    }

    // What the users report.
    std::vector<Entry> entries;
    for (int i = 0; i < users; ++i) {
        QFile f(logs.filePath(QString::number(i)));
        check(f.open(QIODevice::ReadOnly | QIODevice::Text), "a user's log");
        while (!f.atEnd()) {
            const QStringList p = QString::fromUtf8(f.readLine()).trimmed().split(QLatin1Char('|'));
            if (p.size() == 6) entries.push_back({p[0], p[1], p[2], p[3], p[4], p[5].toDouble() / 1000});
        }
    }
    QHash<QString, int> committed, refused;
    std::vector<double> latencies;
    QHash<QString, QSet<QString>> written, read; // by "sheet|name"
    QSet<QString> sheetsDeleted;
    for (const Entry& e : entries) {
        if (e.kind == QLatin1String("R")) {
            ++refused[e.read];
            continue;
        }
        ++committed[e.kind];
        latencies.push_back(e.ms);
        const QString key = e.sheet + QLatin1Char('|') + e.name;
        if (e.kind == QLatin1String("S")) sheetsDeleted << e.sheet;
        if (!e.written.isEmpty() && e.kind != QLatin1String("S")) written[key] << e.written;
        if (!e.read.isEmpty()) read[key] << e.read;
    }

    // The server's contents.
    server::Connection c;
    check(c.open(connection).isEmpty(), "connecting");
    const server::Result rows = c.exec("SELECT AREA, LOCALITA, PX FROM localita");
    QHash<QString, QString> stored;
    int twice = 0;
    for (int r = 0; r < rows.rows(); ++r) {
        const QString key = rows.text(r, 0) + QLatin1Char('|') + rows.text(r, 1);
        if (stored.contains(key)) ++twice;
        stored[key] = QString::number(rows.value(r, 2).toDouble(), 'f', 0);
    }
    const qint64 orphans = c.exec("SELECT count(*) FROM localita l WHERE NOT EXISTS "
                                  "(SELECT 1 FROM area a WHERE a.AREA = l.AREA)")
                               .integer(0, 0);
    int lost = 0, unreported = 0, readUnwritten = 0;
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        const QString sheet = it.key().section(QLatin1Char('|'), 0, 0);
        for (const QString& token : it.value())
            if (!read.value(it.key()).contains(token) && stored.value(it.key()) != token &&
                !sheetsDeleted.contains(sheet))
                ++lost;
    }
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        if (it.value().toDouble() >= kToken && !written.value(it.key()).contains(it.value()))
            ++unreported;
    for (auto it = read.cbegin(); it != read.cend(); ++it)
        for (const QString& token : it.value())
            if (token.toDouble() >= kToken && !written.value(it.key()).contains(
                                                  QString::number(token.toDouble(), 'f', 0)))
                ++readUnwritten;

    int changes = 0;
    for (int n : committed)
        changes += n;
    std::printf("%d users for %d s: %d changes committed (%d inserts, %d changes, %d deletions, "
                "%d sheets deleted), %.1f a second\n",
                users, seconds, changes, committed.value("I"), committed.value("M"),
                committed.value("D"), committed.value("S"), double(changes) / seconds);
    for (auto it = refused.cbegin(); it != refused.cend(); ++it)
        std::printf("  refused, %s: %d\n", qPrintable(it.key()), it.value());
    std::printf("change time: 50th percentile %.2f ms, 95th percentile %.2f ms\n",
                percentile(latencies, 50), percentile(latencies, 95));
    std::printf("lost updates %d, places without their sheet %lld, names twice on a sheet %d, "
                "tokens stored that no user reported %d, tokens read that no user wrote %d\n",
                lost, orphans, twice, unreported, readUnwritten);
    return lost + orphans + twice + unreported + readUnwritten == 0 ? 0 : 1;
}
