#include "TestMain.h"
#include "Workspace.h"

#include "DemoAtlas.h"
#include "ui/map/MapView.h"
#include "ui/widgets/Markers.h"

#include <QComboBox>
#include <QDir>
#include <QRandomGenerator>

#include <cstdlib>
#include <utility>

using namespace orvena;
using orvena::test::Workspace;

namespace {

// A picture where every pixel differs from its neighbours: the hardest case
// for a scaled paint to join up.
QImage noise(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = 0xff000000u | (random.generate() & 0xffffffu);
    }
    return image;
}

// The largest difference of one colour channel between two pictures, and the
// mean difference of their greys.
std::pair<int, double> difference(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            worst = std::max({worst, std::abs(qRed(p[col]) - qRed(q[col])),
                              std::abs(qGreen(p[col]) - qGreen(q[col])),
                              std::abs(qBlue(p[col]) - qBlue(q[col]))});
            sum += std::abs(qGray(p[col]) - qGray(q[col]));
        }
    }
    return {worst, sum / (double(x.width()) * x.height())};
}

// The part of w that region covers, painted by itself.
QImage renderPart(QWidget* w, const QRect& part) {
    QImage image(part.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    w->render(&image, QPoint(), QRegion(part));
    return image;
}

// The noise picture with arrows and haloed names over it, some across its edges.
Composition marked(const QImage& sheet) {
    Composition c(sheet, QString());
    QFont font(QStringLiteral("Courier New"));
    font.setBold(true);
    font.setPixelSize(19);
    const QImage arrow = markers::downArrow();
    const QColor blue(0x20, 0x40, 0xff);
    for (const QPointF at : {QPointF(5, 3), QPointF(150, 80), QPointF(290, 230), QPointF(-6, 120)})
        c.add(Mark{arrow, at, {}, {}, {}, {}, {}});
    for (const QPointF at : {QPointF(20.4, 25.7), QPointF(140.2, 100.9), QPointF(250.6, 12.3)})
        c.add(Mark{{}, at, QStringLiteral("CASCINA LONTANA"), font, blue, Qt::white, {}});
    return c;
}

} // namespace

class MapImageTest : public QObject {
    Q_OBJECT
private slots:
    // A repaint of a small exposed part (a closing tool tip, a control moving
    // over the map) gives the same pixels as painting everything, but for the
    // last bit of the smooth filter's fixed-point steps (a seam would differ by
    // tens). Marks drawn over the sheet give, whole or in part, exactly the
    // pixels of their composed picture shown as a plain sheet.
    void partialRepaintMatchesTheWhole_data() {
        // 1: stretch off, the picture as it is; 1.1, 1.2, 1.6: one, two, six steps in.
        QTest::addColumn<double>("scale");
        for (const double scale : {1.0, 1.1, 1.2, 1.6, 2.0, 7.3, 0.4, 0.1})
            QTest::addRow("scale %g", scale) << scale;
    }

    void partialRepaintMatchesTheWhole() {
        QFETCH(double, scale);
        QWidget window;
        window.resize(600, 500);
        auto* image = new MapImage(&window);
        auto* layered = new MapImage(&window);
        const QImage picture = noise(300, 240);
        image->setPicture(marked(picture).compose());
        layered->setComposition(marked(picture));
        for (MapImage* m : {image, layered}) {
            m->setStretch(scale != 1.0);
            m->setWidthTwips(300 * 15 * scale);
            m->setHeightTwips(240 * 15 * scale);
        }
        window.show();
        QCOMPARE(difference(layered->grab().toImage(), image->grab().toImage()).first, 0);
        const QImage whole = image->grab().toImage();
        QCOMPARE(whole.size(), image->size());
        if (scale == 1.0) QCOMPARE(difference(whole, marked(picture).compose()).first, 0);
        for (const QRect& part :
             {QRect(13, 7, 29, 17),
              QRect(image->width() / 2, image->height() / 3, image->width() / 3, 5)}) {
            const QRect inside = part & image->rect();
            QVERIFY(!inside.isEmpty());
            QCOMPARE(difference(renderPart(layered, inside), renderPart(image, inside)).first, 0);
            QVERIFY2(difference(renderPart(image, inside), whole.copy(inside)).first <= 4,
                     qPrintable("seam in " + QDebug::toString(inside)));
        }
    }

    // A demo sheet three steps in: the map on the window is the sheet, enlarged.
    // With ORVENA_GRAB_DIR set, the window is also saved there for a look.
    void zoomedSheetOnTheWindow() {
        Workspace ws;
        MainWindow& w = ws.start();
        Workspace::choose(w.f1area, demo::demoSheets()[1].name);
        for (int i = 0; i < 3; ++i)
            w.cmding_Click();
        w.Image1->move(w.Image1->left() - 6000, w.Image1->top() - 3000);
        const QImage window = w.grab().toImage();
        const QImage map = w.Image1->grab().toImage();
        const QImage expected = w.Image1->picture().scaled(w.Image1->size(), Qt::IgnoreAspectRatio,
                                                           Qt::SmoothTransformation);
        const double mean = difference(map, expected).second;
        QVERIFY2(mean < 4.0, qPrintable(QString::number(mean)));
        // Where the window shows the map, it shows the same pixels.
        const QPoint on = w.Image1->mapTo(&w, QPoint(-w.Image1->x() + 500, -w.Image1->y() + 400));
        const QPoint in = w.Image1->mapFrom(&w, on);
        QCOMPARE(window.pixel(on), map.pixel(in));
        const QString dir = qEnvironmentVariable("ORVENA_GRAB_DIR");
        if (!dir.isEmpty()) QVERIFY(window.save(QDir(dir).filePath(QStringLiteral("zoomed.png"))));
    }
};

ORVENA_TEST_MAIN(MapImageTest)
#include "MapImageTest.moc"
