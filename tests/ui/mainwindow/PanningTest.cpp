#include "MapWindow.h"
#include "TestPictures.h"

#include "ui/widgets/ArrowImage.h"
#include "ui/widgets/KeyPreview.h"
#include "ui/widgets/Spinner.h"

#include <QKeyEvent>
#include <QScrollBar>

using namespace orvena;
using namespace orvena::test;

namespace {

// Every demo sheet is 1600 x 1200 pixels.
constexpr double kW = 1600 * 15;
constexpr double kH = 1200 * 15;

MainWindow& startOn(Workspace& ws, const QString& area) {
    MainWindow& w = ws.start();
    QApplication::setActiveWindow(&w);
    QCoreApplication::processEvents();
    if (!area.isEmpty()) Workspace::choose(w.f1area, area);
    return w;
}

double coordinate(const MainWindow& w, bool horizontal) {
    return horizontal ? w.Image1->left() : w.Image1->top();
}

void setCoordinate(MainWindow& w, bool horizontal, double v) {
    horizontal ? w.Image1->setLeft(v) : w.Image1->setTop(v);
}

// A click or double click on an arrow image through the window system's
// side, so that it arrives as a user's does (a double click after a click).
void clickArrow(MainWindow& w, const QString& name, bool twice = false) {
    auto* a = w.findChild<ArrowImage*>(name);
    const QPoint at = a->mapTo(&w, a->rect().center());
    if (twice)
        QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {}, at);
    else
        QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, at);
}

// A key handed to Form_KeyDown with the map and the zoom buttons shown or not,
// and the change of the image's left, top, width and height.
struct Key {
    int code;
    bool imageShown, zoomButtonsShown;
    QRectF moved;
};

// A crossing from one quadrant's sheet to another's: by the arrow image (key
// -1), the spinner (key 0) or a key; horizontally or not, east or south
// (forward) or not; the arrow's edge, the key presses, or the coordinate
// before the spinner's change; and the coordinate the new sheet is placed at.
struct Crossing {
    const char *tag, *from;
    int key;
    const char* to;
    bool horizontal, forward;
    double before, placed;
};

// A press at from, a move to to and a release there, in pixels of the window's
// central area, sent to the map as it moves under the pointer; the cursor
// while the button is down.
Qt::CursorShape dragMap(MainWindow& w, QPoint from, QPoint to) {
    QWidget* area = w.centralWidget();
    const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(w.Image1->mapFrom(area, at)), QPointF(area->mapToGlobal(at)),
                      Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(w.Image1, &e);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
    const Qt::CursorShape held = w.Image1->cursor().shape();
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    return held;
}

} // namespace

class PanningTest : public QObject {
    Q_OBJECT
private slots:
    // Form_KeyDown: what each key does with the map and the zoom buttons shown
    // or not, as the change of left, top, width and height; a key that does
    // something stops at the window (its code set to 0).
    void keyDown_data() {
        QTest::addColumn<Key>("k");
        // One step of the 24000 x 18000 twips sheet, around its centre.
        const QRectF in(-1200, -900, 2400, 1800), out(1200, 900, -2400, -1800);
        QTest::newRow("right") << Key{keycode::kRight, true, true, {-2400, 0, 0, 0}};
        QTest::newRow("left") << Key{keycode::kLeft, true, true, {2400, 0, 0, 0}};
        QTest::newRow("up") << Key{keycode::kUp, true, true, {0, 2400, 0, 0}};
        QTest::newRow("down") << Key{keycode::kDown, true, true, {0, -2400, 0, 0}};
        QTest::newRow("187") << Key{keycode::kPlus, true, true, in};
        QTest::newRow("107") << Key{keycode::kPlusPad, true, true, in};
        QTest::newRow("189") << Key{keycode::kMinus, true, true, out};
        QTest::newRow("109") << Key{keycode::kMinusPad, true, true, out};
        QTest::newRow("plus, buttons hidden") << Key{keycode::kPlus, true, false, {}};
        QTest::newRow("minus, buttons hidden") << Key{keycode::kMinus, true, false, {}};
        QTest::newRow("arrow, buttons hidden") << Key{keycode::kLeft, true, false, {2400, 0, 0, 0}};
        QTest::newRow("arrow, map hidden") << Key{keycode::kLeft, false, true, {}};
        QTest::newRow("plus, map hidden") << Key{keycode::kPlus, false, true, {}};
        QTest::newRow("another key") << Key{keycode::kOther, true, true, {}};
    }

    void keyDown() {
        QFETCH(Key, k);
        Workspace ws;
        MainWindow& w = startOn(ws, sheet("NE"));
        w.Image1->setVisible(k.imageShown);
        w.cmding->setVisible(k.zoomButtonsShown);
        const QRectF before = twipsOf(w.Image1);
        int code = k.code;
        w.Form_KeyDown(code);
        QCOMPARE(code, k.moved != QRectF() ? 0 : k.code);
        const QRectF after = twipsOf(w.Image1);
        QCOMPARE(QRectF(after.topLeft() - before.topLeft(), after.size() - before.size()), k.moved);
    }

    // Crossing to each neighbour, the new sheet placed next to where the old one
    // was: with an arrow image, whose edge test is strict (at the edge it still
    // moves the image, one twip past it the press shows the neighbour); with the
    // arrow keys (steps of 2400 to the edge, then the crossing; the keys never
    // reach the focused box); or with a spinner, which moves the image first and
    // then looks at the edges: one at 0 cannot go lower, so it goes west (north)
    // only as far as it went east (south).
    void crossingToEachNeighbour_data() {
        test::addRows<Crossing>({
            {"west arrow", "NE", -1, "NO", true, false, 5500, 5501 - kW},
            {"east arrow", "NO", -1, "NE", true, true, 5500 - kW, 5500},
            {"north arrow", "SO", -1, "NO", false, false, 3500, 3501 - kH},
            {"south arrow", "NO", -1, "SO", false, true, 3500 - kH, 3500},
            // East: 1080 - 2400k + 24000 < 5500 first for k = 9.
            {"east key", "NO", Qt::Key_Right, "NE", true, true, 10, 5500},
            // South: 840 - 2400k + 18000 < 3500 first for k = 7.
            {"south key", "NE", Qt::Key_Down, "SE", false, true, 8, 3500},
            // West: 1080 + 2400k > 5500 first for k = 2.
            {"west key", "SE", Qt::Key_Left, "SO", true, false, 3, 5880 - kW},
            // North: 840 + 2400k > 3500 first for k = 2.
            {"north key", "SO", Qt::Key_Up, "NO", false, false, 3, 5640 - kH},
            {"west spinner", "NE", 0, "NO", true, false, 3101, 5501 - kW},
            {"east spinner", "NO", 0, "NE", true, true, 7899 - kW, 5500},
            {"north spinner", "SO", 0, "NO", false, false, 1101, 3501 - kH},
            {"south spinner", "NO", 0, "SO", false, true, 5899 - kH, 3500},
        });
    }

    void crossingToEachNeighbour() {
        QFETCH(Crossing, row);
        const auto& [tag, fromQuadrant, key, toQuadrant, horizontal, forward, before, placed] = row;
        const QString from = sheet(fromQuadrant), to = sheet(toQuadrant);
        Workspace ws;
        MainWindow& w = startOn(ws, from);
        const double other = coordinate(w, !horizontal);
        if (key < 0) {
            const QString arrow =
                horizontal ? (forward ? "imgde" : "imgsi") : (forward ? "imggiu" : "imgsu");
            const double step = forward ? -240 : 240;
            // A double click delivers its click first: both steps, 240 + 1200.
            const double start = coordinate(w, horizontal);
            clickArrow(w, arrow, true);
            QCOMPARE(coordinate(w, horizontal) - start, step * 6);
            setCoordinate(w, horizontal, before);
            clickArrow(w, arrow);
            QCOMPARE(combo::text(w.f1area), from);
            QCOMPARE(coordinate(w, horizontal), before + step);
            setCoordinate(w, horizontal, before + step / 240); // one twip past
            clickArrow(w, arrow);
        } else if (key > 0) {
            w.f1area->setFocus();
            const int line = w.f1area->currentIndex();
            int count = 0;
            while (combo::text(w.f1area) == from && count < 50) {
                QWidget* focus = QApplication::focusWidget();
                QTest::keyClick(focus && focus->window() == &w ? focus : &w, Qt::Key(key));
                ++count;
            }
            QCOMPARE(count, int(before));
            QCOMPARE(w.f1area->currentIndex(), line);
        } else {
            QScrollBar* spinner = horizontal ? w.HScroll1 : w.VScroll1;
            const double start = coordinate(w, horizontal);
            spinner->triggerAction(QAbstractSlider::SliderSingleStepSub); // at 0: nothing
            QCOMPARE(spinner->value(), 0);
            QCOMPARE(coordinate(w, horizontal), start);
            spinner->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            spinner->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            spinner->triggerAction(QAbstractSlider::SliderSingleStepSub);
            QCOMPARE(coordinate(w, horizontal), start - 2400);
            setCoordinate(w, horizontal, before);
            spinner->triggerAction(forward ? QAbstractSlider::SliderSingleStepAdd
                                           : QAbstractSlider::SliderSingleStepSub);
        }
        QCOMPARE(combo::text(w.f1area), to);
        QCOMPARE(coordinate(w, horizontal), placed);
        QCOMPARE(coordinate(w, !horizontal), other);
        QCOMPARE(combo::lines(w.cmbloc), placesOf(to));
        QCOMPARE(w.shownSheet().name, to);
        QCOMPARE(w.Image1->picture().cacheKey(), w.Image1->sheet().cacheKey());
        checkTold(ws, "");
    }

    void heldAtAnEdgeTellsOnce_data() {
        // The east spinner, the south one, or the right arrow key.
        QTest::addColumn<QString>("control");
        for (const char* control : {"HScroll1", "VScroll1", "key"})
            QTest::newRow(control) << QString(control);
    }

    // A spinner's arrow or a key held down at an edge with no sheet beyond
    // (east of the north-east sheet, south of the south-east one) tells it
    // once: the message stops the repetition, and what the held control brings
    // while it shows is not acted upon. A new press tells again.
    void heldAtAnEdgeTellsOnce() {
        QFETCH(QString, control);
        const bool horizontal = control != "VScroll1";
        const QString message = horizontal ? QStringLiteral("Non ci sono carte collegate ad est")
                                           : QStringLiteral("Non ci sono carte collegate a sud");
        Workspace ws;
        MainWindow& w = startOn(ws, sheet(horizontal ? "NE" : "SE"));
        auto* spinner = w.findChild<Spinner*>(control);
        // A spinner's step passes the edge; a key finds the image past it.
        setCoordinate(w, horizontal, (horizontal ? 5500 - kW : 3500 - kH) + (spinner ? 2000 : -1));
        const double start = coordinate(w, horizontal);
        const auto press = [&](bool repeated) {
            QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), repeated);
            if (!spinner)
                QApplication::sendEvent(&w, &right);
            else if (repeated)
                spinner->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            else
                QTest::mouseClick(spinner, Qt::LeftButton, {},
                                  spinner->rect().bottomRight() - QPoint(2, 2));
        };
        bool stopped = false;
        ws.dialogs.whileShowing([&] {
            stopped = !spinner || !spinner->isRepeating();
            press(true);
        });
        for (int n = 1; n <= 2; ++n) {
            press(false);
            QVERIFY(stopped);
            QCOMPARE(ws.dialogs.takeTexts(), QStringList{message});
            QCOMPARE(coordinate(w, horizontal), start - (spinner ? 2400 * n : 0));
            if (!spinner) press(true); // the key, still held, repeats no more
            QCOMPARE(ws.dialogs.texts(), QStringList());
        }
    }

    void placementWithTheNewSizeOrTheZoomedOne() {
        Workspace ws;
        const QString base = QStringLiteral("base.jpg");
        const QString tall = QStringLiteral("alto.jpg");
        MainWindow& w = startOn(ws, QString());
        addSheet(ws, base, 500, 300, {{"COLA", 20.0}, {"NORD", tall}});
        addSheet(ws, tall, 600, 400, {{"COLA", 20.0}}); // 6000 twips high
        Workspace::choose(w.f1area, base);
        w.Image1->setTop(3600);
        w.imgsu_Click(false);
        QCOMPARE(combo::text(w.f1area), tall);
        QCOMPARE(w.Image1->top(), -2400.0);
        QCOMPARE(w.Image1->left(), 1080.0);

        // After a zoom the neighbour is stretched to the size the image has, and
        // the zoom figure and scales stay.
        Workspace::choose(w.f1area, sheet("NE"));
        w.cmding_Click();
        w.cmding_Click();
        const QSizeF size = twipsOf(w.Image1).size();
        const float lat = w.state().latScale;
        w.Image1->setLeft(5600);
        w.imgsi_Click(false);
        QCOMPARE(combo::text(w.f1area), sheet("NO"));
        QCOMPARE(twipsOf(w.Image1).size(), size);
        QCOMPARE(w.Image1->left(), 5600 - size.width());
        QCOMPARE(w.Image1->picture().size(), QSize(1600, 1200));
        QCOMPARE(w.f1ing->text(), "120");
        QCOMPARE(w.state().latScale, lat);
    }

    // Moves west that show no new sheet: the old picture stays where it was, with
    // the place marked on it (a file that fails to decode halfway included).
    // After each other command (no message) the move follows the links of the
    // sheet shown, whatever that command read or wrote on the archives.
    void moveWest_data() {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("boxAfter"); // the text of f1area afterwards
        auto row = [](const char* tag, const char* cause, const QString& box, const char* message) {
            QTest::newRow(tag) << cause << message << box;
        };
        const char* notFound = "Area non trovata";
        row("empty link", "empty", sheet("NO"), "Non ci sono carte collegate ad ovest");
        row("image missing", "missing", sheet("NO"), notFound);
        row("not a picture", "broken", sheet("NO"), notFound);
        row("header claims too much", "claims", sheet("NO"),
            "Il file dell'immagine \"valfonda_no.gif\" è danneggiato: dichiara una cartina di "
            "22000 x 22000 pixel, ma è troppo piccolo per contenerla. L'immagine non è stata "
            "caricata.");
        row("no record", "record", "fantasma \"vecchia\".gif", notFound);
        row("record only ignoring case", "case", sheet("NO").toUpper(), notFound);
        // The links are the shown sheet's, whatever record another window read.
        row("shown area deleted", "deleted", sheet("NE"), "Non ci sono carte collegate ad ovest");
        for (const char* q : {"deletion", "search", "editor", "links editor", "export", "import"})
            row(q, q, sheet("NO"), "");
    }

    void moveWest() {
        QFETCH(QString, cause);
        QFETCH(QString, message);
        QFETCH(QString, boxAfter);
        Workspace ws;
        QString from = sheet("NE");
        if (cause == "missing" || cause == "broken" || cause == "claims") {
            const QByteArray bytes = cause == "broken"   ? QByteArray("GIF89a?")
                                     : cause == "claims" ? jpegClaiming(22000, 22000)
                                                         : QByteArray();
            QVERIFY(QFile::remove(ws.file(boxAfter)));
            if (!bytes.isEmpty()) QVERIFY(writeFile(ws.file(boxAfter), bytes));
        }
        if (cause == "empty") from = sheet("NO");
        MainWindow& w = startOn(ws, from);
        RecordView* v = ws.archives.Data1;
        v->setRecordSource(sql::kAreaByName, {from});
        v->refresh();
        if (cause == "record" || cause == "case") {
            QVERIFY(QFile::copy(ws.file(sheet("NO")), ws.file(boxAfter)));
            v->edit();
            v->setField("OVEST", boxAfter);
            v->update();
        } else if (cause == "deleted") {
            v->remove();
            v->setRecordSource(sql::kAreaByName, {sheet("SE")}); // Data1 moved by another window
            v->refresh();
        } else if (cause == "deletion") {
            w.mnareacanc->trigger();
            Workspace::choose(w.f1area, sheet("SE"));
            QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
            QCOMPARE(ws.dialogs.takeTexts().last(), "Area eliminata correttamente");
        } else if (message.isEmpty()) {
            QAction* entry = cause == "search"         ? w.mnloccerca
                             : cause == "editor"       ? w.mnlocagg
                             : cause == "links editor" ? w.mncollega
                             : cause == "export"       ? w.mnesporta
                                                       : w.mnimporta;
            entry->trigger();
            QCoreApplication::processEvents();
            ws.dialogs.takeTexts();
        }
        if (!message.isEmpty()) Workspace::choose(w.cmbloc, combo::lines(w.cmbloc).front());
        w.Image1->setLeft(5501);
        const QImage picture = w.Image1->picture();
        QVERIFY(message.isEmpty() || picture != w.Image1->sheet());
        const QRect geometry = w.Image1->geometry();
        const QStringList places = combo::lines(w.cmbloc);

        w.imgsi_Click(false);
        checkTold(ws, message);
        QCOMPARE(combo::text(w.f1area), boxAfter);
        if (message.isEmpty()) {
            QCOMPARE(combo::lines(w.cmbloc), placesOf(boxAfter));
            return;
        }
        QCOMPARE(w.Image1->picture(), picture);
        QCOMPARE(w.Image1->geometry(), geometry);
        QCOMPARE(w.Image1->left(), 5501.0);
        QCOMPARE(combo::lines(w.cmbloc), places);
    }

    void dragMovesTheSheet_data() {
        QTest::addColumn<QPoint>("by"); // pixels
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QPointF>("at"); // Left, Top afterwards
        const QString west = sheet("NO");
        // The north-west sheet at 1080, 840: its right edge 25080.
        QTest::newRow("within the drag distance: a click")
            << QPoint(QApplication::startDragDistance(), 0) << west << QPointF(1080, 840);
        QTest::newRow("with the pointer, one to one")
            << QPoint(-100, -60) << west << QPointF(1080 - 1500, 840 - 900);
        QTest::newRow("released past the east edge: the eastern neighbour")
            << QPoint(-1320, 0) << sheet("NE") << QPointF(5500, 840);
        QTest::newRow("released past the west edge, no neighbour there")
            << QPoint(300, 0) << west << QPointF(1080 + 4500, 840);
    }

    // A drag moves the sheet with the pointer; released past an edge whose way
    // has a neighbour, it shows the neighbour as the arrow image would. No
    // message either way.
    void dragMovesTheSheet() {
        QFETCH(QPoint, by);
        QFETCH(QString, shown);
        QFETCH(QPointF, at);
        Workspace ws;
        MainWindow& w = startOn(ws, sheet("NO"));
        QCOMPARE(w.Image1->cursor().shape(), Qt::OpenHandCursor);
        const QPoint from = w.Image1->pos() + QPoint(300, 200);
        QSignalSpy clicks(w.Image1, &MapImage::clicked);
        const bool drag = by.manhattanLength() > QApplication::startDragDistance();
        QCOMPARE(dragMap(w, from, from + by), drag ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
        QCOMPARE(clicks.size(), drag ? 0 : 1);
        QCOMPARE(ws.dialogs.texts(), QStringList());
        QCOMPARE(combo::text(w.f1area), shown);
        QCOMPARE(QPointF(w.Image1->left(), w.Image1->top()), at);
        QCOMPARE(combo::lines(w.cmbloc), placesOf(shown));
        QCOMPARE(w.Image1->cursor().shape(), Qt::OpenHandCursor);
    }
};

ORVENA_TEST_MAIN(PanningTest)
#include "PanningTest.moc"
