// One very large sheet in memory: how fast it decodes and is shown, how fast
// a place is marked on it, and how much memory the process holds.
//
//   bench_sheet [side | file.jpg]   (default 10000: a generated 10000 x 10000
//                                    JPEG, 381 MiB decoded; or a JPEG of yours)
//
// Prints, in one run: the start of a process to the marked sheet painted
// (the program's start-up with the place on its command line, as main() runs
// it, this benchmark's own process, beside plain_viewer, Qt's widgets and
// libjpeg-turbo alone), with the peak memory of each at that paint;
// libjpeg-turbo's own decode of the sheet into 32-bit
// pixels; the program's load (decode and first paint); the first and the
// tenth marking; the peak memory of load, mark, load again, mark; and the
// peak of a move to an adjoining sheet of the same size. Each with its ratio
// to the decoder or to the decoded size. Peaks are read from the system
// (Linux: VmHWM, reset through clear_refs), elsewhere they read "n/a".
#include "DemoAtlas.h"
#include "ProcessMemory.h"
#include "Workspace.h"
#include "app/Application.h"
#include "core/base/Dialogs.h"
#include "core/base/Picture.h"
#include "ui/widgets/ComboText.h"
#include "ui/map/MapView.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTimer>

#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>
#include <vector>

using namespace orvena;
using orvena::test::Workspace;

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

// The process's peak resident memory in bytes since the last reset; -1 unknown.
double peakBytes() {
    const long kb = bench::statusKb("VmHWM:");
    return kb < 0 ? -1 : kb * 1024.0;
}

// One run's time in milliseconds: wall clock, and the processor time the
// process took (a steadier figure on a machine shared with other work).
struct Time {
    double wall = 0;
    double cpu = 0;
};

Time timed(const std::function<void()>& work) {
    QElapsedTimer timer;
    const std::clock_t cpu = std::clock();
    timer.start();
    work();
    return {double(timer.nsecsElapsed()) / 1e6,
            double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC};
}

Time median(std::vector<Time> runs) {
    auto mid = [&](auto field) {
        std::vector<double> v;
        for (const Time& t : runs)
            v.push_back(t.*field);
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    return {mid(&Time::wall), mid(&Time::cpu)};
}

void printTime(const char* what, Time t, const char* against, Time base) {
    std::printf("  %-46s %8.2f ms (cpu %8.2f ms)", what, t.wall, t.cpu);
    if (against != nullptr)
        std::printf("  %5.3f x %s (cpu %5.3f x)", t.wall / base.wall, against, t.cpu / base.cpu);
    std::printf("\n");
}

// libjpeg-turbo alone: the file's bytes into a fresh 32-bit buffer, as a
// plain viewer would.
Time turboDecode(const QByteArray& jpeg) {
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
    return timed([&] {
        tjhandle tj = tjInitDecompress();
        int w = 0, h = 0, ss = 0, cs = 0;
        tjDecompressHeader3(tj, data, static_cast<unsigned long>(jpeg.size()), &w, &h, &ss, &cs);
        auto* pixels = static_cast<unsigned char*>(std::malloc(std::size_t(w) * h * 4));
        tjDecompress2(tj, data, static_cast<unsigned long>(jpeg.size()), pixels, w, w * 4, h,
                      TJPF_BGRX, 0);
        std::free(pixels);
        tjDestroy(tj);
    });
}

void printPeak(const char* what, double decoded) {
    const double peak = peakBytes();
    if (peak < 0)
        std::printf("  %-46s n/a\n", what);
    else
        std::printf("  %-46s %7.0f MiB  %5.2f x the decoded sheet\n", what, peak / kMiB,
                    peak / decoded);
}

// The program's start in folder as main() runs it, with PUNTO on its command
// line: at the first paint of the map it prints "painted" and its peak memory
// in KiB, then ends.
int startProgram(QApplication& app, const QString& folder) {
    installItalianTranslation(app);
    allowLargePictures();
    QDir::setCurrent(folder);
    ScriptedDialogs dialogs;
    setDialogs(&dialogs);
    Archives archives;
    const auto window = startUp(archives, folder, QStringLiteral("PUNTO"));
    if (!window) return 1;
    struct FirstPaint : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint && !seen) {
                seen = true;
                QTimer::singleShot(0, [] {
                    std::printf("painted %ld\n", bench::statusKb("VmHWM:"));
                    std::fflush(stdout);
                    QCoreApplication::quit();
                });
            }
            return false;
        }
        bool seen = false;
    } watch;
    window->Image1->installEventFilter(&watch);
    window->Image1->update();
    const int code = app.exec();
    return code != 0 || !dialogs.texts().isEmpty() ? 1 : 0;
}

// One start of program with args: the time to its "painted" line and the
// peak memory it printed there.
struct Start {
    double ms = 0;
    double peakBytes = 0;
};
std::optional<Start> startOnce(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(program, args);
    while (!process.canReadLine())
        if (!process.waitForReadyRead(120000)) return std::nullopt;
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const QList<QByteArray> line = process.readLine().trimmed().split(' ');
    process.waitForFinished(120000);
    if (line.value(0) != "painted" || process.exitCode() != 0) return std::nullopt;
    return Start{ms, line.value(1).toDouble() * 1024.0};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("--start"))
        return startProgram(app, app.arguments().value(2));
    const QString arg = app.arguments().value(1, QStringLiteral("10000"));
    const bool given = arg.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive);
    int side = given ? 0 : arg.toInt();
    if (!given && side < 100) {
        std::fprintf(stderr, "usage: bench_sheet [side | file.jpg]\n");
        return 2;
    }

    Workspace ws;
    const QString sheet = QStringLiteral("grande.jpg");
    const QString neighbour = QStringLiteral("vicina.jpg");
    const QString error = given ? (QFile::copy(arg, ws.file(sheet)) ? QString() : arg)
                                : demo::writeLargeSheet(ws.file(sheet), side, side);
    if (!error.isEmpty() || !QFile::copy(ws.file(sheet), ws.file(neighbour))) {
        std::fprintf(stderr, "cannot write the sheet: %s\n", qPrintable(error));
        return 1;
    }
    if (given) side = QImageReader(ws.file(sheet)).size().width();
    const double decoded = double(side) * QImageReader(ws.file(sheet)).size().height() * 4;
    std::printf("sheet %d x %d JPEG, %.1f MiB on disk, %.0f MiB decoded at 32 bits a pixel\n", side,
                side, double(QFile(ws.file(sheet)).size()) / kMiB, decoded / kMiB);

    MainWindow& w = ws.start();
    RecordView* area = ws.archives.Data1;
    for (const QString& name : {sheet, neighbour}) {
        area->addNew();
        area->setField(QStringLiteral("AREA"), name);
        area->setField(QStringLiteral("COLA"), 24.25);
        area->setField(QStringLiteral("COLO"), 17.0);
        area->setField(QStringLiteral("EST"), name == sheet ? neighbour : sheet);
        area->update();
        RecordView* places = ws.archives.Data2;
        places->addNew();
        places->setField(QStringLiteral("AREA"), name);
        places->setField(QStringLiteral("LOCALITA"), QStringLiteral("PUNTO"));
        places->setField(QStringLiteral("PX"), side * 7.5);
        places->setField(QStringLiteral("PY"), side * 7.5);
        places->update();
    }
    w.Form_Load();
    QCoreApplication::processEvents();
    w.repaint();

    // Each process from its start to the marked sheet painted, in turns,
    // five times each; the peak memory each printed at that paint.
    std::vector<double> programMs, plainMs, programPeak, plainPeak;
    for (int i = 0; i < 5; ++i) {
        const auto program =
            startOnce(app.applicationFilePath(), {QStringLiteral("--start"), ws.folder.path()});
        const auto plain = startOnce(QStringLiteral(PLAIN_VIEWER), {ws.file(sheet)});
        if (!program || !plain) {
            std::fprintf(stderr, "a start did not reach its first paint\n");
            return 1;
        }
        programMs.push_back(program->ms);
        plainMs.push_back(plain->ms);
        programPeak.push_back(program->peakBytes);
        plainPeak.push_back(plain->peakBytes);
    }
    const auto middle = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("  %-46s %8.2f ms  %5.3f x the plain viewer's %.2f ms\n",
                "start to the marked sheet painted (median of 5)", middle(programMs),
                middle(programMs) / middle(plainMs), middle(plainMs));
    std::printf("  %-46s %7.0f MiB  %5.2f x the decoded sheet (plain viewer %5.2f x)\n",
                "peak at that paint", middle(programPeak) / kMiB, middle(programPeak) / decoded,
                middle(plainPeak) / decoded);

    // libjpeg-turbo alone and the program's load (decode, show, paint),
    // taken in turns five times each.
    QFile file(ws.file(sheet));
    if (!file.open(QIODevice::ReadOnly)) return 1;
    const QByteArray jpeg = file.readAll();
    std::vector<Time> turboRuns, loadRuns;
    for (int i = 0; i < 5; ++i) {
        turboRuns.push_back(turboDecode(jpeg));
        loadRuns.push_back(timed([&] {
            Workspace::choose(w.f1area, sheet);
            w.repaint();
        }));
    }
    const Time turbo = median(turboRuns);
    const Time load = median(loadRuns);
    printTime("libjpeg-turbo's own decode (median of 5)", turbo, nullptr, {});
    printTime("the program's load (median of 5)", load, "libjpeg-turbo", turbo);
    if (!ws.dialogs.texts().isEmpty()) {
        std::fprintf(stderr, "the sheet did not load: %s\n",
                     qPrintable(ws.dialogs.texts().join(QLatin1Char(' '))));
        return 1;
    }

    // Markings on a freshly loaded sheet, each with its repaint.
    Workspace::choose(w.f1area, sheet);
    std::vector<Time> marks;
    for (int i = 0; i < 10; ++i)
        marks.push_back(timed([&] {
            Workspace::choose(w.cmbloc, QStringLiteral("PUNTO"));
            w.repaint();
        }));
    printTime("first marking, with its repaint", marks.front(), "the load", load);
    printTime("tenth marking, with its repaint", marks.back(), "the load", load);

    // Peak memory: load, mark, load again, mark; then a move to the neighbour.
    bench::resetPeak();
    for (int i = 0; i < 2; ++i) {
        Workspace::choose(w.f1area, sheet);
        Workspace::choose(w.cmbloc, QStringLiteral("PUNTO"));
        w.repaint();
    }
    printPeak("peak of load, mark, load again, mark", decoded);
    bench::resetPeak();
    w.Image1->setLeft(-w.Image1->widthTwips());
    w.imgde_Click(false);
    w.repaint();
    printPeak("peak of a move to the adjoining sheet", decoded);
    if (combo::text(w.f1area) != neighbour) std::fprintf(stderr, "the move did not happen\n");
    return ws.dialogs.texts().isEmpty() ? 0 : 1;
}
