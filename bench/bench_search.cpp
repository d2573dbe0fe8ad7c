// The locality search over the generated archive of a million places: the
// engine reading the two columns alone, the names read in chunks, prepared and
// searched in the core (the similar places too, and an FTS5 trigram index of
// the names for comparison), then the window: the full list at activation
// (its first screenful, every place, the names prepared for searching),
// searches (the first screenful, the end), the memory the window holds, and a
// click on a line to the place marked on its sheet.
//
//   bench_search [places [accented|varied]]      (default 1000000)
//
// With "accented" every name becomes "Località <n>": lower case with an
// accent, the costliest names to upper-case and fold (and kept twice). With
// "varied" the names are made of Italian-sounding words in no order
// ("Poggio Castelvaro di Sopra"), so that neighbours in the list share little
// and a typo's similar places cost their full comparison.
// Each list is timed from the handler's call to the end of a forced repaint
// of the list at each stage, the window's events going on between them; the
// click from List1_Click to the end of the main window's activation, with the
// time the sheet load alone takes beside it.
#include "PlacesArchive.h"
#include "ProcessMemory.h"
#include "Workspace.h"
#include "core/archive/Archives.h"
#include "core/search/LocalityNames.h"
#include "ui/widgets/ActivationTracker.h"
#include "ui/widgets/ComboText.h"
#include "ui/windows/LocalitySearch.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QRandomGenerator>

#include <sqlite3.h>

#include <cstdio>
#include <ctime>
#include <functional>

using namespace orvena;
using namespace orvena::bench;
using orvena::test::Workspace;

namespace {

long residentKb() {
    return bench::statusKb("VmRSS:");
}

// Wall-clock and processor time of fn, in milliseconds. On a shared machine the
// processor time is the steadier figure.
struct Times {
    double wall;
    double cpu;
};

template <class Fn> Times timed(Fn&& fn) {
    QElapsedTimer t;
    const std::clock_t c = std::clock();
    t.start();
    fn();
    return {t.nsecsElapsed() / 1e6, (std::clock() - c) * 1000.0 / CLOCKS_PER_SEC};
}

void line(const char* what, Times ms, const QString& note = QString()) {
    std::printf("%-60s %7.1f ms wall %7.1f ms cpu%s\n", what, ms.wall, ms.cpu,
                note.isEmpty() ? "" : qPrintable("  (" + note + ")"));
}

// The engine alone: area and name of every place, in the table's order, each
// text touched once.
Times engineAlone(const QString& file) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                    nullptr);
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "select AREA, LOCALITA from localita order by rowid", -1, &q, nullptr);
    std::size_t bytes = 0;
    const Times t = timed([&] {
        while (sqlite3_step(q) == SQLITE_ROW) {
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(q, 0)) +
                     static_cast<std::size_t>(sqlite3_column_bytes(q, 1));
            bytes += sqlite3_column_text(q, 0)[0] + sqlite3_column_text(q, 1)[0];
        }
    });
    sqlite3_finalize(q);
    sqlite3_close(db);
    return bytes ? t : Times{};
}

// Names of words put together at random, the same every run.
void variedNames(const QString& file) {
    static const char* const heads[] = {"",       "San ",   "Santa ",  "Monte ", "Cascina ", "Cà ",
                                        "Borgo ", "Villa ", "Poggio ", "Colle ", "Pieve "};
    static const char* const parts[] = {"mar", "ti",  "no",  "cas", "tel", "lo",  "ro", "sa",
                                        "val", "le",  "fon", "ta",  "na",  "bel", "ri", "vo",
                                        "ga",  "zzo", "sco", "per", "mon", "ci",  "an", "dre"};
    static const char* const tails[] = {"",         "",       "",        " di Sopra", " di Sotto",
                                        " Vecchio", " Nuovo", " d'Arda", " sul Po"};
    QRandomGenerator random(21);
    SQLite::Database db(file.toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Transaction t(db);
    SQLite::Statement set(db, "UPDATE localita SET LOCALITA = ? WHERE rowid = ?");
    const int places = db.execAndGet("SELECT max(rowid) FROM localita").getInt();
    for (int row = 1; row <= places; ++row) {
        QString word;
        for (int n = 2 + random.bounded(3); n > 0; --n)
            word += QString::fromLatin1(parts[random.bounded(int(std::size(parts)))]);
        word[0] = word[0].toUpper();
        const QString name = QString::fromUtf8(heads[random.bounded(int(std::size(heads)))]) +
                             word + QString::fromUtf8(tails[random.bounded(int(std::size(tails)))]);
        set.bind(1, name.toUpper().toStdString());
        set.bind(2, row);
        set.exec();
        set.reset();
    }
    t.commit();
}

// Keys whose search finds nothing (for some of the names), so that the
// window lists the similar places: without the accent, with it, a typing
// slip, and names of the kind the varied names are made of.
QStringList similarKeys(bool accented) {
    return {QStringLiteral("località 77777"),
            QStringLiteral("localita 77777"),
            accented ? QStringLiteral("Locailtà 77777") : QStringLiteral("lcoalita 77777"),
            QStringLiteral("montecchoi"),
            QStringLiteral("ca del poggio"),
            QStringLiteral("sna martino di sopra"),
            QStringLiteral("poggio castelvaro")};
}

// The names in the core: the first chunk, the rest, the preparation, the
// plain search and the similar places, beside the engine alone.
void core(RecordView& view, const QString& file, bool accented) {
    const Times engine = engineAlone(file);
    line("engine alone: AREA and LOCALITA of every place", engine);
    auto ratio = [&](Times t) {
        return QStringLiteral("%1 x the engine's processor time")
            .arg(t.cpu / engine.cpu, 0, 'f', 2);
    };
    LocalityNames names;
    const Times first = timed([&] { names.readMore(view, LocalityNames::kFirstChunk); });
    line("core: first chunk read", first, QString::number(names.size()) + " places");
    Times rest{};
    while (!names.complete()) {
        const Times t = timed([&] { names.readMore(view, LocalityNames::kChunk); });
        rest = {rest.wall + t.wall, rest.cpu + t.cpu};
    }
    line("core: the rest read in chunks", rest, ratio(rest));
    LocalityNames whole;
    const Times once = timed([&] { whole.read(view); });
    line("core: every place read in one go", once, ratio(once));
    const Times prepare = timed([&] {
        while (names.prepareMore(LocalityNames::kChunk)) {
        }
    });
    line("core: names upper-cased and folded", prepare,
         QStringLiteral("%1 MB held").arg(names.bytes() / 1e6, 0, 'f', 1));
    for (const char* key : {"a", "localita 77777", "località 77777"}) {
        std::vector<LocalityNames::Index> found;
        const Times t = timed([&] { found = names.search(QString::fromUtf8(key)); });
        line(qPrintable(QStringLiteral("core: search \"%1\"").arg(key)), t,
             QString::number(found.size()) + " found");
    }
    for (const QString& key : similarKeys(accented)) {
        std::vector<SimilarPlace> found;
        const Times t = timed([&] { found = names.similar(key, 50); });
        QString first = found.empty() ? QStringLiteral("none")
                                      : names.name(found.front().place) + " " +
                                            QString::number(int(found.front().closeness));
        line(qPrintable(QStringLiteral("core: similar places \"%1\"").arg(key)), t,
             QStringLiteral("%1 found, first %2").arg(found.size()).arg(first));
    }
}

// The alternative to names folded in memory: an FTS5 index with the trigram
// tokenizer in a copy of the archive (the archive itself must keep its
// format), built over the names, and the searches it can answer.
void trigramIndex(const QString& file) {
    const QString copy = file + QStringLiteral(".fts");
    QFile::remove(copy);
    QFile::copy(file, copy);
    SQLite::Database db(copy.toStdString(), SQLite::OPEN_READWRITE);
    const qint64 before = QFileInfo(copy).size();
    const Times build = timed([&] {
        db.exec("CREATE VIRTUAL TABLE nomi USING fts5(LOCALITA, content='localita', "
                "content_rowid='rowid', tokenize='trigram')");
        db.exec("INSERT INTO nomi(nomi) VALUES ('rebuild')");
    });
    line("trigram index: built in a copy of the archive", build,
         QStringLiteral("file %1 MB -> %2 MB")
             .arg(before / 1e6, 0, 'f', 1)
             .arg(QFileInfo(copy).size() / 1e6, 0, 'f', 1));
    for (const char* key : {"%localita 77777%", "%località 77777%", "%lcoalita 77777%", "%a%"}) {
        int found = 0;
        const Times t = timed([&] {
            SQLite::Statement q(db, "SELECT count(*) FROM nomi WHERE LOCALITA LIKE ?");
            q.bind(1, key);
            q.executeStep();
            found = q.getColumn(0).getInt();
        });
        line(qPrintable(QStringLiteral("trigram index: LIKE '%1'").arg(key)), t,
             QStringLiteral("%1 found").arg(found));
    }
    QFile::remove(copy);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int places = argc > 1 ? std::atoi(argv[1]) : 1000000;

    Workspace ws(Workspace::Content::Empty);
    createArchive(ws.file(QStringLiteral("area.mdb")), "AREA");
    createArchive(ws.file(QStringLiteral("localita.mdb")), "localita");
    fillPlaces(ws.folder.path(), places);
    const bool accented = argc > 2 && QByteArray(argv[2]) == "accented";
    const bool varied = argc > 2 && QByteArray(argv[2]) == "varied";
    if (accented) {
        SQLite::Database db(ws.file(QStringLiteral("localita.mdb")).toStdString(),
                            SQLite::OPEN_READWRITE);
        db.exec("UPDATE localita SET LOCALITA = 'Località ' || (rowid - 1)");
    }
    if (varied) variedNames(ws.file(QStringLiteral("localita.mdb")));
    // The sheet of the place clicked below: a 5000 x 5000 JPEG.
    const int clicked = places / 2;
    QImage sheet(5000, 5000, QImage::Format_RGB32);
    sheet.fill(Qt::darkGreen);
    sheet.save(ws.file(sheetName(clicked % kSheets)));
    MainWindow& w = ws.start();
    core(*w.Data2, ws.file(QStringLiteral("localita.mdb")), accented);
    trigramIndex(ws.file(QStringLiteral("localita.mdb")));

    const long start = residentKb();
    auto* form = new LocalitySearch(*w.Data2, &w);
    form->resize(760, 480);
    // The view lays out its lines (which it would do at its next event) and
    // paints them; the window's own work left for later stays for later.
    auto paint = [&] {
        form->List1->indexAt(QPoint(0, 0)); // lays out what waits for it
        form->List1->viewport()->repaint();
    };
    auto report = [&](const QString& what, Times ms) {
        const QListView* list = form->List1;
        const int top = list->indexAt(QPoint(4, 4)).row();
        const int bottom =
            list->indexAt(list->viewport()->rect().bottomLeft() + QPoint(4, -4)).row();
        const int shown = top < 0 ? 0 : (bottom < 0 ? form->lineCount() : bottom + 1) - top;
        std::printf("%-60s %7.1f ms wall %7.1f ms cpu  (%d lines, %d on screen)\n",
                    qPrintable(what), ms.wall, ms.cpu, form->lineCount(), shown);
    };
    // From the handler's call: its first screenful painted, then, with the
    // window's events going on meanwhile, each later stage painted.
    auto staged = [&](const QString& what, auto&& handler,
                      std::initializer_list<std::pair<const char*, std::function<bool()>>> stages) {
        QElapsedTimer t;
        const std::clock_t c = std::clock();
        auto now = [&] {
            return Times{t.nsecsElapsed() / 1e6, (std::clock() - c) * 1000.0 / CLOCKS_PER_SEC};
        };
        t.start();
        handler();
        paint();
        report(what + ": first screenful painted", now());
        for (const auto& [stage, done] : stages) {
            while (!done())
                QCoreApplication::processEvents();
            paint();
            report(what + ": " + stage, now());
        }
    };
    const auto everyPlace = std::pair<const char*, std::function<bool()>>{
        "every place listed, painted", [&] { return form->lineCount() == places + 2; }};
    const auto ended = std::pair<const char*, std::function<bool()>>{"nothing left to do, painted",
                                                                     [&] { return !form->busy(); }};

    // Shown, the window is activated: the names are read and listed.
    // (The activation itself arrives as an event.)
    staged("first activation",
           [&] {
               form->show();
               QCoreApplication::processEvents();
           },
           {everyPlace, ended});
    std::printf("memory held by the window with the full list: %.1f MB (resident +%.1f MB)\n",
                form->bytesHeld() / 1e6, (residentKb() - start) / 1024.0);
    staged("activation again, archive unchanged",
           [&] {
               ActivationTracker::instance().windowActivated(&w);
               ActivationTracker::instance().windowActivated(form);
           },
           {everyPlace});
    form->List1->scrollToBottom();
    report("full list scrolled to its end and painted", timed(paint));

    for (const QString& key : QStringList{QStringLiteral("san"), QStringLiteral("localita 1"),
                                          QStringLiteral("a"), QString()} +
                                  similarKeys(accented)) {
        form->comtrova->setText(key);
        staged(QStringLiteral("search \"%1\"").arg(key), [&] { form->cmdcerca_Click(); }, {ended});
    }
    std::printf("memory held by the window after the searches: %.1f MB (resident +%.1f MB)\n",
                form->bytesHeld() / 1e6, (residentKb() - start) / 1024.0);

    // From cold: a new window, whose first search reads, prepares and
    // searches. (Its activation, which would read them first, is kept out.)
    delete form;
    form = new LocalitySearch(*w.Data2, &w);
    QObject::connect(form, &LocalitySearch::localityChosen, &w, &MainWindow::takeChosenLocality);
    ActivationTracker::instance().unregisterWindow(form);
    form->resize(760, 480);
    form->show();
    QCoreApplication::processEvents();
    paint();
    form->comtrova->setText(QStringLiteral("san"));
    staged("search \"san\" from cold", [&] { form->cmdcerca_Click(); }, {ended});

    // A click on a line to the place marked on its sheet.
    SQLite::Database db(ws.file(QStringLiteral("localita.mdb")).toStdString());
    form->comtrova->setText(QString::fromStdString(
        db.execAndGet("SELECT LOCALITA FROM localita WHERE rowid = " + std::to_string(clicked + 1))
            .getString()));
    form->cmdcerca_Click();
    while (form->busy())
        QCoreApplication::processEvents();
    const QModelIndex line = form->List1->model()->index(2, 0);
    const Times click = timed([&] {
        form->List1_Click(line);
        w.Form_Activate();
        w.repaint();
    });
    std::printf("%-60s %7.1f ms wall %7.1f ms cpu  (%s, %s)\n",
                "click on a line to the place marked", click.wall, click.cpu,
                qPrintable(combo::text(w.f1area)), qPrintable(combo::text(w.cmbloc)));
    const Times load = timed([&] {
        w.f1area_Click();
        w.repaint();
    });
    std::printf("%-60s %7.1f ms wall %7.1f ms cpu\n", "of which loading the sheet alone", load.wall,
                load.cpu);
    delete form;
    return 0;
}
