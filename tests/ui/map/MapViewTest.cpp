#include "TestMain.h"

#include "ui/map/MapView.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

using namespace orvena;

namespace {

// A view of a 1600 x 1200 pixel sheet (24000 x 18000 twips) at (1080, 840).
// Its pans, edges and zoom steps are told through the main window (PanningTest,
// ZoomTest); here, what it tells of the pointer.
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
};

ORVENA_TEST_MAIN(MapViewTest)
#include "MapViewTest.moc"
