// The locality search window over the generated archive of a million places:
// the full list at activation, searches, the memory the window holds, and a
// click on a line to the place marked on its sheet.
//
//   bench_search [places]      (default 1000000)
//
// Each list is timed from the handler's call to the end of a forced repaint
// of the list; the click from List1_Click to the end of the main window's
// activation, with the time the sheet load alone takes beside it.
#include "GeneratedPlaces.h"
#include "Workspace.h"
#include "archive/Archives.h"
#include "toolkit/ComboText.h"
#include "windows/LocalitySearch.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListView>

#include <cstdio>

using namespace orvena;
using namespace orvena::bench;
using orvena::test::Workspace;

namespace {

long residentKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

template <class Fn> double timed(Fn&& fn) {
    QElapsedTimer t;
    t.start();
    fn();
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int places = argc > 1 ? std::atoi(argv[1]) : 1000000;

    Workspace ws(Workspace::Content::Empty);
    createArchive(ws.file(QStringLiteral("area.mdb")), "AREA");
    createArchive(ws.file(QStringLiteral("localita.mdb")), "localita");
    fill(ws.folder.path(), places);
    // The sheet of the place clicked below: a 5000 x 5000 JPEG.
    const int clicked = places / 2;
    QImage sheet(5000, 5000, QImage::Format_RGB32);
    sheet.fill(Qt::darkGreen);
    sheet.save(ws.file(sheetName(clicked % kSheets)));
    MainWindow& w = ws.start();

    const long start = residentKb();
    auto* form = new LocalitySearch(*w.Data2, w.state(), &w);
    form->resize(760, 480);
    form->show();
    auto paint = [&] { form->List1->viewport()->repaint(); };
    auto report = [&](const char* what, double ms) {
        std::printf("%-58s %8.1f ms  (%d lines)\n", what, ms, form->lineCount() - 2);
    };

    report("activation, names read, to the full list painted", timed([&] {
               form->Form_Activate();
               paint();
           }));
    std::printf("memory held by the window with the full list: %.1f MB (resident +%.1f MB)\n",
                form->bytesHeld() / 1e6, (residentKb() - start) / 1024.0);
    report("activation again, archive unchanged, to the list painted", timed([&] {
               form->Form_Activate();
               paint();
           }));
    form->List1->scrollToBottom();
    report("full list scrolled to its end and painted", timed(paint));

    form->comtrova->setText(QStringLiteral("san"));
    report("first search \"san\" (names upper-cased) to its result painted", timed([&] {
               form->cmdcerca_Click();
               paint();
           }));
    for (const char* key : {"san", "localita 77777", "localita 1", "a", ""}) {
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
    delete form;
    form = new LocalitySearch(*w.Data2, w.state(), &w);
    form->resize(760, 480);
    form->show();
    form->comtrova->setText(QStringLiteral("san"));
    report("first search \"san\" from cold (read, upper-cased) painted", timed([&] {
               form->cmdcerca_Click();
               paint();
           }));

    // A click on a line to the place marked on its sheet.
    form->comtrova->setText(QStringLiteral("LOCALITA %1").arg(clicked));
    form->cmdcerca_Click();
    const QModelIndex line = form->List1->model()->index(2, 0);
    const double click = timed([&] {
        form->List1_Click(line);
        w.Form_Activate();
        w.repaint();
    });
    std::printf("%-58s %8.1f ms  (%s, %s)\n", "click on a line to the place marked", click,
                qPrintable(combo::text(w.f1area)), qPrintable(combo::text(w.cmbloc)));
    std::printf("%-58s %8.1f ms\n", "of which loading the sheet alone", timed([&] {
                    w.f1area_Click();
                    w.repaint();
                }));
    delete form;
    return 0;
}
