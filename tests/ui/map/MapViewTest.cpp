#include "TestMain.h"

#include "core/base/Twips.h"
#include "ui/map/MapView.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

using namespace orvena;

namespace {

// A pan towards side from the image's left (east, west) or top (north,
// south): whether the view passes the edge (asks for the neighbour), else the
// coordinate after the step.
struct Pan {
    const char* tag;
    Side side;
    double from;
    bool passes;
    double to;
};

// A view of a 1600 x 1200 pixel sheet (24000 x 18000 twips) at (1080, 840).
struct Host {
    QWidget window;
    MapView* view = new MapView(&window);
    Host() {
        window.resize(900, 700);
        QImage sheet(1600, 1200, QImage::Format_RGB32);
        sheet.fill(Qt::darkGreen);
        view->setPicture(sheet);
        view->move(1080, 840);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
};

} // namespace

class MapViewTest : public QObject {
    Q_OBJECT
private slots:
    // The edge test is strict against the reference point (5500, 3500).
    void panStepsOrPassesTheEdge_data() {
        test::addRows<Pan>({
            {"west, at the edge", Side::West, 5500, false, 5740},
            {"west, past it", Side::West, 5501, true, 5501},
            {"east, at the edge", Side::East, 5500 - 24000, false, 5260 - 24000},
            {"east, past it", Side::East, 5499 - 24000, true, 5499 - 24000},
            {"north, past it", Side::North, 3501, true, 3501},
            {"south, a step", Side::South, 840, false, 600},
        });
    }

    void panStepsOrPassesTheEdge() {
        QFETCH(Pan, row);
        Host h;
        const bool across = row.side == Side::West || row.side == Side::East;
        across ? h.view->setLeft(row.from) : h.view->setTop(row.from);
        QSignalSpy passed(h.view, &MapView::edgePassed);
        h.view->pan(row.side, 240);
        QCOMPARE(passed.size(), row.passes ? 1 : 0);
        if (row.passes) QCOMPARE(passed.at(0).at(0).value<Side>(), row.side);
        QCOMPARE(across ? h.view->left() : h.view->top(), row.to);
    }

    // In pick mode the cursor is a cross; a click tells where it was, in
    // twips from the image's corner, in either mode; a drag moves the image
    // with the pointer and tells its release, with no click.
    void clicksPickModeAndDrags() {
        Host h;
        QSignalSpy clicked(h.view, &MapView::pointClicked);
        QSignalSpy released(h.view, &MapView::dragReleased);
        QSignalSpy moved(h.view, &MapView::mouseMoved);
        QTest::mouseMove(h.view, QPoint(41, 61));
        QTRY_VERIFY(!moved.isEmpty());
        for (const bool pick : {true, false}) {
            h.view->setPickMode(pick);
            QCOMPARE(h.view->cursor().shape(), pick ? Qt::CrossCursor : Qt::OpenHandCursor);
            QTest::mouseClick(h.view, Qt::LeftButton, {}, QPoint(41, 61));
        }
        QCOMPARE(clicked.size(), 2);
        QCOMPARE(clicked.at(0), (QVariantList{615.0, 915.0}));

        const QPointF at(h.view->left(), h.view->top());
        const auto send = [&](QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
            QMouseEvent e(type, QPointF(p), QPointF(h.view->mapToGlobal(p)), Qt::LeftButton,
                          buttons, Qt::NoModifier);
            QApplication::sendEvent(h.view, &e);
        };
        send(QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton);
        send(QEvent::MouseMove, QPoint(130, 80), Qt::LeftButton);
        send(QEvent::MouseButtonRelease, QPoint(130, 80), Qt::NoButton);
        QCOMPARE(QPointF(h.view->left(), h.view->top()), at + QPointF(450, -300));
        QCOMPARE(released.size(), 1);
        QCOMPARE(clicked.size(), 2);
    }

    // A step changes the size by a tenth of the natural size around the
    // centre and tells the figure; the wheel's steps keep the point under the
    // pointer, and stop at the figure 10.
    void zoomStepsTellTheFigure() {
        Host h;
        const QSizeF natural(24000, 18000);
        QSignalSpy changed(h.view, &MapView::zoomChanged);
        h.view->zoomStep(+1, natural);
        QCOMPARE(changed.at(0), (QVariantList{110.0, 1}));
        QCOMPARE(QRectF(h.view->left(), h.view->top(), h.view->widthTwips(), h.view->heightTwips()),
                 QRectF(1080 - 1200, 840 - 900, 26400, 19800));
        QVERIFY(h.view->isVisible() && h.view->stretch());

        h.view->zoomAround(-20, natural, 2640, 1980); // a tenth of the way across and down
        QCOMPARE(changed.size(), 1 + 10); // from 110 down to 10, where it stops
        QCOMPARE(h.view->zoom(), 10.0);
        QCOMPARE(h.view->left() + 0.1 * h.view->widthTwips(), 1080 - 1200 + 2640.0);
    }
};

ORVENA_TEST_MAIN(MapViewTest)
#include "MapViewTest.moc"
