// The locality search window over the generated archive of a million places:
// the full list at activation, searches, the memory the window holds, and a
// click on a line to the place marked on its sheet.
//
//   bench_search [places [accented]]      (default 1000000)
//
// With "accented" every name becomes "Località <n>": lower case with an
// accent, the costliest names to upper-case (and kept twice).
// Each list is timed from the handler's call to the end of a forced repaint
// of the list; the click from List1_Click to the end of the main window's
// activation, with the time the sheet load alone takes beside it.
#include "PlacesArchive.h"
#include "ProcessMemory.h"
#include "Workspace.h"
#include "core/archive/Archives.h"
#include "ui/widgets/ActivationTracker.h"
#include "ui/widgets/ComboText.h"
#include "ui/windows/LocalitySearch.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListView>

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
