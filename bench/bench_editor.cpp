// The locality editor on an archive of a million places: choosing a sheet
// (its picture is a small one, so the figure is the list work), choosing a
// place, and inserting, modifying and deleting one, each with the list of the
// sheet's places filled again as the editor does after a change.
//
//   bench_editor [places [rounds]]      (default 1000000 places, 20 rounds)
#include "PlacesArchive.h"
#include "ScriptedDialogs.h"
#include "app/Application.h"
#include "core/archive/Archives.h"
#include "core/archive/SqlTexts.h"
#include "core/base/Picture.h"
#include "ui/mainwindow/MainWindow.h"
#include "ui/widgets/ComboText.h"
#include "ui/windows/LocalityEditor.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace orvena;

namespace {

// The time each round of fn takes: on the clock, and of the processor (the
// difference is mostly waiting for the disk to confirm a write).
struct Rounds {
    std::vector<double> wallMs;
    std::vector<double> cpuMs;
};

// prepare(i) runs before round i, off the clock.
template <class Prepare, class Fn> Rounds rounds(int n, Prepare&& prepare, Fn&& fn) {
    Rounds r;
    for (int i = 0; i < n; ++i) {
        prepare(i);
        QElapsedTimer t;
        const std::clock_t cpu = std::clock();
        t.start();
        fn(i);
        r.wallMs.push_back(t.nsecsElapsed() / 1e6);
        r.cpuMs.push_back(double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC);
    }
    return r;
}

template <class Fn> Rounds rounds(int n, Fn&& fn) {
    return rounds(n, [](int) {}, std::forward<Fn>(fn));
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const char* what, const Rounds& r) {
    std::printf("%-44s median %8.2f ms  max %8.2f ms  processor median %7.2f ms\n", what,
                median(r.wallMs), *std::max_element(r.wallMs.begin(), r.wallMs.end()),
                median(r.cpuMs));
}

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "failed: %s\n", what);
    std::exit(1);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    const int places = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int n = argc > 2 ? std::atoi(argv[2]) : 20;

    QTemporaryDir dir;
    Archives archives;
    check(archives.openAll(dir.path()).isEmpty(), "creating the archives");
    archives.closeAll();
    bench::fillPlaces(dir.path(), places);
    const QString sheet = bench::sheetName(bench::kSheets / 2);
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(Qt::white);
    check(picture.save(QDir(dir.path()).filePath(sheet)), "writing the sheet");
    QDir::setCurrent(dir.path());
    check(archives.openAll(dir.path()).isEmpty(), "opening the archives");

    ScriptedDialogs dialogs;
    MainWindow w(archives, QString());
    showAndActivate(w);
    w.mnlocagg->trigger();
    LocalityEditor& e = *w.localityEditor();
    std::printf("%d places on %d sheets, %d on the chosen sheet, %d rounds\n", places,
                bench::kSheets, places / bench::kSheets, n);

    const auto choose = [](QComboBox* box, const QString& line) {
        const int i = box->findText(line, Qt::MatchExactly | Qt::MatchCaseSensitive);
        check(i >= 0, "a line to choose");
        box->setCurrentIndex(i);
        emit box->activated(i);
    };
    const auto typeAngles = [&e] {
        for (QLineEdit* b : e.angleBoxes())
            b->setText(QStringLiteral("12"));
    };

    report("decoding the sheet's picture alone", rounds(n, [&](int) { (void)loadPicture(sheet); }));
    report("choosing the sheet (cmbarea_Click)", rounds(n, [&](int) { choose(e.cmbarea, sheet); }));
    check(e.cmbloc->count() == places / bench::kSheets, "the sheet's places listed");
    const QString place = combo::lines(e.cmbloc).at(e.cmbloc->count() / 2);
    report("choosing a place (cmbloc_Click)", rounds(n, [&](int) { choose(e.cmbloc, place); }));

    // A position taken on the map serves one place: each insert has a click
    // of its own, off the clock (the main window shows the sheet again when
    // the editor hands the map over).
    const auto takePosition = [&](int) {
        e.cmdpixel_Click();
        w.state().pointerX = 615;
        w.state().pointerY = 915;
        w.Image1_Click();
    };
    const auto name = [](int i) { return QStringLiteral("NUOVA %1").arg(i); };
    report("insert (cmdins_Click, list refilled)", rounds(n, takePosition, [&](int i) {
               combo::setText(e.cmbloc, name(i));
               typeAngles();
               e.cmdins_Click();
           }));
    report("modify (cmdmod_Click, list refilled)", rounds(n, [&](int i) {
               combo::setText(e.cmbloc, name(i));
               e.cmdmod_Click();
           }));
    report("delete (cmdann_Click, list refilled)", rounds(n, [&](int i) {
               combo::setText(e.cmbloc, name(i));
               e.cmdann_Click();
           }));
    const QStringList texts = dialogs.texts();
    check(texts.count(QStringLiteral("Località inserita correttamente")) == n &&
              texts.count(QStringLiteral("Località modificata correttamente")) == n &&
              texts.count(QStringLiteral("Località eliminata correttamente")) == n,
          qPrintable("every change done; told: " + QStringList(texts).join(QStringLiteral(" | "))));
    check(e.cmbloc->count() == places / bench::kSheets, "the sheet's places as before");

    // For comparison: one walk of the whole table, as a list without the index takes.
    RecordView* all = w.Data2;
    int found = 0;
    report("for comparison: one walk of the whole table", rounds(1, [&](int) {
               all->setRecordSource(sql::kLocalityList);
               all->refresh();
               for (all->moveFirst(); !all->eof(); all->moveNext())
                   if (all->text(QStringLiteral("AREA")) == sheet) ++found;
           }));
    archives.closeAll();
    return 0;
}
