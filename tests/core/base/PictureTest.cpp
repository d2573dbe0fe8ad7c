#include "core/base/Picture.h"
#include "GifWriter.h"
#include "support/Records.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"
#include "support/TestPictures.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

using namespace orvena;

namespace {

// A picture with detail everywhere, so that a decoder that differs shows it.
QImage sample(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, ((x ^ y) * 3) & 255));
    QPainter(&image).drawText(10, 30, QStringLiteral("VILLAFREDDA"));
    return image;
}

QByteArray encoded(const QImage& image, const char* format, bool progressive = false) {
    if (qstrcmp(format, "gif") == 0) { // Qt writes no GIF: the demo atlas's writer does
        test::TempFolder folder;
        const QString path = folder.file(QStringLiteral("w.gif"));
        demo::writeGif(path, demo::reduceTo256Colours(image));
        return test::fileBytes(path);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

} // namespace

class PictureTest : public QObject {
    Q_OBJECT
private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("outcome");
        const QImage picture = sample(640, 480);
        const QByteArray jpeg = encoded(picture, "jpeg");
        using O = PictureOutcome;
        QTest::newRow("jpeg") << jpeg << "a.jpg" << int(O::Ok);
        QTest::newRow("progressive jpeg")
            << encoded(picture, "jpeg", true) << "a.jpg" << int(O::Ok);
        QTest::newRow("grey jpeg")
            << encoded(picture.convertToFormat(QImage::Format_Grayscale8), "jpeg") << "a.jpg"
            << int(O::Ok);
        QTest::newRow("gif") << encoded(picture, "gif") << "a.gif" << int(O::Ok);
        QTest::newRow("bmp") << encoded(picture, "bmp") << "a.bmp" << int(O::Ok);
        QTest::newRow("jpeg cut short") << jpeg.left(jpeg.size() / 2) << "a.jpg" << int(O::Damaged);
        const QByteArray gif = encoded(picture, "gif");
        QTest::newRow("gif cut short")
            << gif.left(gif.size() * 2 / 3) << "a.gif" << int(O::Damaged);
        const QByteArray bmp = encoded(picture, "bmp");
        QTest::newRow("bmp cut short") << bmp.left(bmp.size() / 2) << "a.bmp" << int(O::Damaged);
        QTest::newRow("header claims 22000 x 22000 in 500 KB")
            << test::jpegClaiming(22000, 22000, 500 * 1024) << "a.jpg" << int(O::Refused);
        // Far below any real scan of 400 megapixels, yet still within what a JPEG can be.
        QTest::newRow("20000 x 20000 in 1 MB")
            << test::jpegClaiming(20000, 20000, 1024 * 1024) << "b.jpg" << int(O::Ok);
        QTest::newRow("not a picture") << QByteArray("GIF89a?") << "a.gif" << int(O::Unreadable);
    }

    // Whole files decode to the very pixels of Qt's own readers; damaged ones
    // to as much as they hold, with the message naming the file; a refused one
    // is not decoded.
    void read() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(int, outcome);
        test::TempFolder folder;
        const QString file = folder.file(name);
        QVERIFY(test::writeFile(file, bytes));
        const auto expected = PictureOutcome(outcome);
        if (QByteArray(QTest::currentDataTag()).startsWith("20000")) {
            QCOMPARE(checkPicture(file).outcome, expected);
            return;
        }
        const PictureLoad load = readPicture(file);
        QCOMPARE(int(load.outcome), outcome);
        QCOMPARE(load.shown(),
                 expected == PictureOutcome::Ok || expected == PictureOutcome::Damaged);
        // The messages' words are read in the window's tests (panning, locality display).
        QCOMPARE(load.message.isEmpty(), expected == PictureOutcome::Ok);
        if (expected == PictureOutcome::Ok)
            QCOMPARE(load.image, QImageReader(file).read().convertToFormat(QImage::Format_RGB32));
        if (expected == PictureOutcome::Damaged) {
            QCOMPARE(load.image.size(), QSize(640, 480));
            QVERIFY(load.message.contains(QStringLiteral("\"%1\"").arg(name)));
        }
    }
};

ORVENA_TEST_MAIN(PictureTest)
#include "PictureTest.moc"
