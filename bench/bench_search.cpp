// The locality search over the generated archive of a million places: the
// engine reading the two columns alone, the names read in chunks, prepared and
// searched in the core (the similar places too, and an FTS5 trigram index of
// the names for comparison), then the window: the full list at activation,
// searches, the memory the window holds, and a click on a line to the place
// marked on its sheet.
//
//   bench_search [places [accented]]      (default 1000000)
//
// With "accented" every name becomes "Località <n>": lower case with an
// accent, the costliest names to upper-case and fold (and kept twice).
// Each list is timed from the handler's call to the end of a forced repaint
// of the list; the click from List1_Click to the end of the main window's
// activation, with the time the sheet load alone takes beside it.
#include "PlacesArchive.h"
#include "ProcessMemory.h"
#include "Workspace.h"
#include "core/archive/Archives.h"
#include "core/archive/LocalityNames.h"
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

#include <sqlite3.h>

#include <cstdio>
#include <ctime>

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
    const QString typo =
        accented ? QStringLiteral("Locailtà 77777") : QStringLiteral("LOCAILTA 77777");
    for (const QString& key :
         {QStringLiteral("località 77777"), QStringLiteral("localita 77777"), typo,
          QStringLiteral("montecchoi"), QStringLiteral("ca del poggio")}) {
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
    if (accented) {
        SQLite::Database db(ws.file(QStringLiteral("localita.mdb")).toStdString(),
                            SQLite::OPEN_READWRITE);
        db.exec("UPDATE localita SET LOCALITA = 'Località ' || (rowid - 1)");
    }
    // The sheet of the place clicked below: a 5000 x 5000 JPEG.
    const int clicked = places / 2;
    QImage sheet(5000, 5000, QImage::Format_RGB32);
    sheet.fill(Qt::darkGreen);
    sheet.save(ws.file(sheetName(clicked % kSheets)));
    MainWindow& w = ws.start();
    core(*w.Data2, ws.file(QStringLiteral("localita.mdb")), accented);
    trigramIndex(ws.file(QStringLiteral("localita.mdb")));

    const long start = residentKb();
    auto* form = new LocalitySearch(*w.Data2, w.state(), &w);
    form->resize(760, 480);
    // The view lays its lines out on a posted event, then paints.
    auto paint = [&] {
        QCoreApplication::processEvents();
        form->List1->viewport()->repaint();
    };
    auto report = [&](const char* what, Times ms) {
        const QListView* list = form->List1;
        const int top = list->indexAt(QPoint(4, 4)).row();
        const int bottom =
            list->indexAt(list->viewport()->rect().bottomLeft() + QPoint(4, -4)).row();
        const int shown = top < 0 ? 0 : (bottom < 0 ? form->lineCount() : bottom + 1) - top;
        std::printf("%-60s %7.1f ms wall %7.1f ms cpu  (%d places, %d lines on screen)\n", what,
                    ms.wall, ms.cpu, form->lineCount() - 2, shown);
    };

    // Shown, the window is activated: the names are read and listed.
    report("first activation, names read, to the full list painted", timed([&] {
               form->show();
               paint();
           }));
    std::printf("memory held by the window with the full list: %.1f MB (resident +%.1f MB)\n",
                form->bytesHeld() / 1e6, (residentKb() - start) / 1024.0);
    report("activation again, archive unchanged, to the list painted", timed([&] {
               ActivationTracker::instance().windowActivated(&w);
               ActivationTracker::instance().windowActivated(form);
               paint();
           }));
    form->List1->scrollToBottom();
    report("full list scrolled to its end and painted", timed(paint));

    form->comtrova->setText(QStringLiteral("san"));
    report("first search \"san\" (names upper-cased) to its result painted", timed([&] {
               form->cmdcerca_Click();
               paint();
           }));
    for (const char* key : {"san", "localita 77777", "località 77777", "localita 1", "a", ""}) {
        form->comtrova->setText(QString::fromUtf8(key));
        const QString what = QStringLiteral("search \"%1\", names in memory, painted").arg(key);
        report(qPrintable(what), timed([&] {
                   form->cmdcerca_Click();
                   paint();
               }));
    }
    std::printf("memory held by the window after the searches: %.1f MB (resident +%.1f MB)\n",
                form->bytesHeld() / 1e6, (residentKb() - start) / 1024.0);

    // From cold: a new window, whose first search reads and upper-cases.
    // (Its activation, which would read them first, is kept out of this one.)
    delete form;
    form = new LocalitySearch(*w.Data2, w.state(), &w);
    ActivationTracker::instance().unregisterWindow(form);
    form->resize(760, 480);
    form->show();
    QCoreApplication::processEvents();
    form->comtrova->setText(QStringLiteral("san"));
    report("first search \"san\" from cold (read, upper-cased) painted", timed([&] {
               form->cmdcerca_Click();
               paint();
           }));

    // A click on a line to the place marked on its sheet.
    form->comtrova->setText(
        (accented ? QStringLiteral("Località %1") : QStringLiteral("LOCALITA %1")).arg(clicked));
    form->cmdcerca_Click();
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
