// Panning and zooming a very large sheet: how long one step takes together
// with the repaint it causes, at natural size and at the largest zoom.
//
//   bench_map [side [window-width window-height]]   (default 10000, the window's own size)
//
// The sheet is a side x side JPEG written into a fresh working folder beside
// the demo atlas. Each step is timed from the handler's call to the end of a
// forced repaint of the main window. First, at natural size, an arrow click
// with the repaint it causes (only what it left to paint, as the event loop
// paints it) is set beside the map widget painting its visible part alone,
// panning under the controls on the left and clear of them, with the widgets
// that click had painted, by name. Last, "Mostra fogli collegati" on a demo
// sheet with its neighbours around it: their placing and decoding after the
// first screen, and the arrow clicks again beside the same clicks with the
// entry off.
#include "DemoAtlas.h"
#include "Sheets.h"
#include "Workspace.h"
#include "ui/widgets/KeyPreview.h"
#include "ui/map/MapView.h"
#include "ui/map/NeighbourSheets.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPaintEvent>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

using namespace orvena;
using orvena::test::Workspace;

namespace {

// Counts the paint events the map receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    qint64 paintedPixels = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            const QRect r = static_cast<QPaintEvent*>(event)->rect();
            paintedPixels += qint64(r.width()) * r.height();
        }
        return false;
    }
};

// Counts the paint events of every widget, and of each one by name.
class AllPaints : public QObject {
public:
    int paints = 0;
    std::map<QString, int> byName;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() != QEvent::Paint || !object->isWidgetType()) return false;
        ++paints;
        ++byName[object->objectName().isEmpty()
                     ? QString::fromLatin1(object->metaObject()->className())
                     : object->objectName()];
        return false;
    }
};

struct Figures {
    double median = 0;
    double worst = 0;
};

Figures figuresOf(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

// Runs step(i) n times, each followed by a forced repaint of the window: it
// paints at once what the step left to paint, as the event loop would.
void measure(const char* what, int n, MainWindow& w, PaintCounter& counter,
             const std::function<void(int)>& step) {
    std::vector<double> ms;
    ms.reserve(std::size_t(n));
    counter.paints = 0;
    counter.paintedPixels = 0;
    QElapsedTimer timer;
    for (int i = 0; i < n; ++i) {
        timer.start();
        step(i);
        w.repaint();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const Figures f = figuresOf(ms);
    std::printf("  %-44s median %7.2f ms   worst %7.2f ms   (%d steps, %.2f map paints "
                "and %.0f kpx a step)\n",
                what, f.median, f.worst, n, double(counter.paints) / n,
                double(counter.paintedPixels) / n / 1000.0);
}

// An arrow click with the repaint it causes beside the map widget painting
// its visible part alone (its own paint event, into a picture), in turns at the
// same places, so that both see the same machine. For comparison, a repaint of
// the map widget in the window (Image1->repaint()), which also repaints the
// controls lying over it. Two ways from the sheet's place after a load: east
// first, so that the map slides under the controls on the left, and west
// first, so that it stays clear of them.
void panStepAgainstTheMap(MainWindow& w, bool eastFirst) {
    QWidget* window = w.centralWidget();
    MapImage* map = w.Image1;
    QImage target(window->size(), QImage::Format_ARGB32_Premultiplied);
    AllPaints all;
    qApp->installEventFilter(&all);
    std::vector<double> alone, click, repaint;
    int clickPaints = 0, repaintPaints = 0;
    std::map<QString, int> clickNames;
    QElapsedTimer timer;
    const int n = 400;
    for (int i = 0; i < n; ++i) {
        all.paints = 0;
        all.byName.clear();
        timer.start();
        (i % 40 < 20) == eastFirst ? w.imgde_Click(false) : w.imgsi_Click(false);
        // What the click left to paint, painted as the event loop would.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        click.push_back(double(timer.nsecsElapsed()) / 1e6);
        clickPaints += all.paints;
        for (const auto& [name, count] : all.byName)
            clickNames[name] += count;

        const QRect visible = map->rect() & QRect(map->mapFrom(window, QPoint()), window->size());
        timer.start();
        map->render(&target, map->pos() + visible.topLeft(), QRegion(visible),
                    QWidget::RenderFlags());
        alone.push_back(double(timer.nsecsElapsed()) / 1e6);

        all.paints = 0;
        timer.start();
        map->repaint();
        repaint.push_back(double(timer.nsecsElapsed()) / 1e6);
        repaintPaints += all.paints;
    }
    qApp->removeEventFilter(&all);
    const double a = figuresOf(alone).median, c = figuresOf(click).median;
    std::printf(" %s\n", eastFirst ? "panning under the controls on the left (east first):"
                                   : "panning clear of the controls (west first):");
    std::printf("  %-44s median %7.3f ms\n", "map widget painting its visible part alone", a);
    std::printf("  %-44s median %7.3f ms   (%.1f widgets painted)\n",
                "arrow image click with the repaint it causes", c, double(clickPaints) / n);
    std::printf("  %-44s %7.2f\n", "ratio", c / a);
    std::printf("  painted a click:");
    for (const auto& [name, count] : clickNames)
        std::printf(" %s %.2f", qPrintable(name), double(count) / n);
    std::printf("\n");
    std::printf("  %-44s median %7.3f ms   (%.1f widgets painted)\n",
                "Image1->repaint(), with the controls over it", figuresOf(repaint).median,
                double(repaintPaints) / n);
}

void panAndZoom(MainWindow& w, PaintCounter& counter) {
    measure("whole window painted afresh (grab)", 20, w, counter, [&w](int) { (void)w.grab(); });
    measure("arrow image click (imgde/imgsi, 240 twips)", 200, w, counter,
            [&w](int i) { i % 40 < 20 ? w.imgde_Click(false) : w.imgsi_Click(false); });
    measure("arrow image double click (1200 twips)", 100, w, counter,
            [&w](int i) { i % 10 < 5 ? w.imgde_Click(true) : w.imgsi_Click(true); });
    measure("arrow keys (Form_KeyDown, 2400 twips)", 200, w, counter, [&w](int i) {
        static const int keys[] = {keycode::kRight, keycode::kDown, keycode::kLeft, keycode::kUp};
        int code = keys[(i / 5) % 4];
        w.Form_KeyDown(code);
    });
}

// The demo's north-east sheet with its bottom-left corner at the window's
// reference point: the west, south-west and south sheets fill the window
// around it once the entry is on.
void neighboursAround(MainWindow& w, PaintCounter& counter) {
    QString ne;
    for (const auto& l : demo::sheetLayouts())
        if (l.quadrant == QLatin1String("NE")) ne = l.name;
    Workspace::choose(w.f1area, ne);
    w.Image1->move(5500, 3500 - w.Image1->heightTwips());
    w.repaint();
    std::printf("the demo's north-east sheet, its neighbours on its west and south:\n");
    const auto clicks = [&](const char* what) {
        measure(what, 200, w, counter,
                [&w](int i) { i % 40 < 20 ? w.imgde_Click(false) : w.imgsi_Click(false); });
    };
    clicks("arrow image click, neighbours off");
    auto* neighbours = w.findChild<NeighbourSheets*>();
    QElapsedTimer timer;
    timer.start();
    w.mnfoglicollegati->trigger();
    w.repaint();
    const double first = double(timer.nsecsElapsed()) / 1e6;
    while (neighbours->busy())
        QCoreApplication::processEvents();
    w.repaint();
    std::printf("  %-44s %7.2f ms, all %s drawn after %.0f ms\n", "entry on: first repaint",
                first, qPrintable(neighbours->drawn().join(QLatin1String(", "))),
                double(timer.nsecsElapsed()) / 1e6);
    clicks("arrow image click, neighbours on");
    w.mnfoglicollegati->trigger();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int side = args.size() > 1 ? args[1].toInt() : 10000;
    const QSize windowSize = args.size() > 3 ? QSize(args[2].toInt(), args[3].toInt()) : QSize();
    if (side < 100) {
        std::fprintf(stderr, "usage: bench_map [side [window-width window-height]]\n");
        return 2;
    }

    Workspace ws;
    const QString sheet = QStringLiteral("grande.jpg");
    QElapsedTimer timer;
    timer.start();
    const QString error = demo::writeLargeSheet(ws.file(sheet), side, side);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("sheet %d x %d written in %.0f ms\n", side, side, double(timer.elapsed()));

    MainWindow& w = ws.start();
    RecordView* area = ws.archives.Data1;
    area->addNew();
    area->setField(QStringLiteral("AREA"), sheet);
    area->setField(QStringLiteral("COLA"), 24.25);
    area->setField(QStringLiteral("COLO"), 17.0);
    area->setField(QStringLiteral("EST"), sheet); // linked to itself, to time a sheet move
    area->update();
    RecordView* places = ws.archives.Data2;
    places->addNew();
    places->setField(QStringLiteral("AREA"), sheet);
    places->setField(QStringLiteral("LOCALITA"), QStringLiteral("PUNTO"));
    places->setField(QStringLiteral("PX"), side * 7.5);
    places->setField(QStringLiteral("PY"), side * 7.5);
    places->update();
    w.Form_Load();
    if (windowSize.isValid()) w.resize(windowSize);
    // Let the window system expose the window, so that repaints really paint.
    QCoreApplication::processEvents();
    w.repaint();

    timer.start();
    Workspace::choose(w.f1area, sheet);
    w.repaint();
    std::printf("loaded and shown in %.0f ms\n", double(timer.elapsed()));
    if (!ws.dialogs.texts().isEmpty()) {
        std::fprintf(stderr, "the sheet did not load: %s\n",
                     qPrintable(ws.dialogs.texts().join(QLatin1Char(' '))));
        return 1;
    }
    std::printf("window %d x %d px\n", w.width(), w.height());

    PaintCounter counter;
    w.Image1->installEventFilter(&counter);

    std::printf("natural size (%.0f x %.0f twips):\n", w.Image1->widthTwips(),
                w.Image1->heightTwips());
    panStepAgainstTheMap(w, true);
    panStepAgainstTheMap(w, false);
    panAndZoom(w, counter);

    int steps = 0;
    while (ws.dialogs.texts().isEmpty() && steps < 1000) {
        w.cmding_Click();
        ++steps;
    }
    ws.dialogs.takeTexts();
    w.repaint();
    std::printf("largest size after %d zoom steps (the next one refused): %.0f x %.0f twips, "
                "%d x %d px, zoom %s\n",
                steps - 1, w.Image1->widthTwips(), w.Image1->heightTwips(), w.Image1->width(),
                w.Image1->height(), qPrintable(w.f1ing->text()));
    panAndZoom(w, counter);
    measure("zoom step out and in (cmdrid/cmding)", 60, w, counter,
            [&w](int i) { i % 2 == 0 ? w.cmdrid_Click() : w.cmding_Click(); });
    while (w.f1ing->text() != QLatin1String("50"))
        w.cmdrid_Click();
    w.Image1->move(-20000, -20000); // covering the window
    w.repaint();
    measure("zoom step out and in at 50", 60, w, counter,
            [&w](int i) { i % 2 == 0 ? w.cmdrid_Click() : w.cmding_Click(); });

    // One sheet move: the neighbour's picture decoded and shown.
    w.Image1->setLeft(-w.Image1->widthTwips());
    timer.start();
    w.imgde_Click(false);
    w.repaint();
    std::printf("  %-44s %7.0f ms (the decoding of the %d x %d JPEG)\n", "sheet move",
                double(timer.elapsed()), side, side);

    // Markings on the freshly loaded sheet: the first one copies the clean
    // sheet, the later ones paint on the picture already composed.
    Workspace::choose(w.f1area, sheet);
    for (int i = 1; i <= 3; ++i) {
        timer.start();
        Workspace::choose(w.cmbloc, QStringLiteral("PUNTO"));
        w.repaint();
        std::printf("  %-44s %7.0f ms\n", qPrintable(QStringLiteral("locality marking %1").arg(i)),
                    double(timer.elapsed()));
    }
    neighboursAround(w, counter);
    return ws.dialogs.texts().isEmpty() ? 0 : 1;
}
