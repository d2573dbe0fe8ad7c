#include "core/base/Picture.h"
#include "GifWriter.h"
#include "support/GdalTools.h"
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

// The bytes of a file GDAL makes from source (a file of that name) with the
// options given to gdal_translate.
QByteArray translated(const QByteArray& source, const QString& sourceName,
                      const QStringList& options) {
    test::TempFolder folder;
    const QString in = folder.file(sourceName);
    const QString out = folder.file(QStringLiteral("out"));
    if (!test::writeFile(in, source) || !test::gdalTranslate(in, out, options)) return {};
    return test::fileBytes(out);
}

QStringList creation(std::initializer_list<const char*> options) {
    QStringList list;
    for (const char* o : options)
        list << QStringLiteral("-co") << QString::fromLatin1(o);
    return list;
}

} // namespace

class PictureTest : public QObject {
    Q_OBJECT
private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QImage>("pixels"); // null: as Qt's own reader reads the file
        QTest::addColumn<int>("tolerance");
        const QImage picture = sample(640, 480);
        const QByteArray jpeg = encoded(picture, "jpeg");
        const QByteArray png = encoded(picture, "png");
        using O = PictureOutcome;
        // Sheets GDAL makes: read through it, their pixels those of the picture.
        const QByteArray lzw = translated(png, "a.png", creation({"COMPRESS=LZW"}));
        QTest::newRow("lzw tiff") << lzw << "a.tif" << int(O::Ok) << picture << 0;
        QTest::newRow("tiled deflate bigtiff")
            << translated(png, "a.png",
                          creation({"TILED=YES", "BLOCKXSIZE=128", "BLOCKYSIZE=128",
                                    "COMPRESS=DEFLATE", "BIGTIFF=YES"}))
            << "a.tiff" << int(O::Ok) << picture << 0;
        QTest::newRow("tiled jpeg tiff")
            << translated(
                   png, "a.png",
                   creation({"TILED=YES", "COMPRESS=JPEG", "PHOTOMETRIC=YCBCR", "JPEG_QUALITY=95"}))
            << "a.tif" << int(O::Ok) << picture << 10;
        QTest::newRow("16-bit tiff, scaled from its range to bytes")
            << translated(png, "a.png", {"-ot", "UInt16", "-scale", "0", "255", "1000", "3550"})
            << "a.tif" << int(O::Ok) << picture << 2;
        const QByteArray gif = encoded(picture, "gif");
        QImage gifPixels;
        gifPixels.loadFromData(gif);
        QTest::newRow("palette tiff") << translated(gif, "a.gif", {}) << "a.tif" << int(O::Ok)
                                      << gifPixels.convertToFormat(QImage::Format_RGB32) << 0;
        QTest::newRow("lzw tiff cut short")
            << lzw.left(lzw.size() / 2) << "a.tif" << int(O::Damaged) << QImage() << 0;
        QTest::newRow("png") << png << "a.png" << int(O::Ok) << picture << 0;
        QTest::newRow("png cut short")
            << png.left(png.size() * 3 / 4) << "a.png" << int(O::Damaged) << QImage() << 0;
        QTest::newRow("tiff header only")
            << lzw.left(8) << "a.tif" << int(O::Unreadable) << QImage() << 0;
        QTest::newRow("jpeg") << jpeg << "a.jpg" << int(O::Ok) << QImage() << 0;
        QTest::newRow("progressive jpeg")
            << encoded(picture, "jpeg", true) << "a.jpg" << int(O::Ok) << QImage() << 0;
        QTest::newRow("grey jpeg")
            << encoded(picture.convertToFormat(QImage::Format_Grayscale8), "jpeg") << "a.jpg"
            << int(O::Ok) << QImage() << 0;
        QTest::newRow("gif") << gif << "a.gif" << int(O::Ok) << QImage() << 0;
        QTest::newRow("bmp") << encoded(picture, "bmp") << "a.bmp" << int(O::Ok) << QImage() << 0;
        QTest::newRow("jpeg cut short")
            << jpeg.left(jpeg.size() / 2) << "a.jpg" << int(O::Damaged) << QImage() << 0;
        QTest::newRow("gif cut short")
            << gif.left(gif.size() * 2 / 3) << "a.gif" << int(O::Damaged) << QImage() << 0;
        const QByteArray bmp = encoded(picture, "bmp");
        QTest::newRow("bmp cut short")
            << bmp.left(bmp.size() / 2) << "a.bmp" << int(O::Damaged) << QImage() << 0;
        QTest::newRow("header claims 22000 x 22000 in 500 KB")
            << test::jpegClaiming(22000, 22000, 500 * 1024) << "a.jpg" << int(O::Refused)
            << QImage() << 0;
        // Far below any real scan of 400 megapixels, yet still within what a JPEG can be.
        QTest::newRow("20000 x 20000 in 1 MB") << test::jpegClaiming(20000, 20000, 1024 * 1024)
                                               << "b.jpg" << int(O::Ok) << QImage() << 0;
        QTest::newRow("not a picture")
            << QByteArray("GIF89a?") << "a.gif" << int(O::Unreadable) << QImage() << 0;
    }

    // Whole files decode to the very pixels of Qt's own readers (TIFF and PNG:
    // of the picture they were made from; JPEG inside a TIFF on average within its loss);
    // damaged ones
    // to as much as they hold, with the message naming the file; a refused one
    // is not decoded.
    void read() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(int, outcome);
        QFETCH(QImage, pixels);
        QFETCH(int, tolerance);
        QVERIFY(!bytes.isEmpty());
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
        if (expected == PictureOutcome::Ok && pixels.isNull())
            QCOMPARE(load.image, QImageReader(file).read().convertToFormat(QImage::Format_RGB32));
        if (expected == PictureOutcome::Ok && !pixels.isNull()) {
            QCOMPARE(load.image.size(), pixels.size());
            qint64 off = 0; // summed over every channel of every pixel
            for (int y = 0; y < pixels.height(); ++y)
                for (int x = 0; x < pixels.width(); ++x) {
                    const QRgb a = load.image.pixel(x, y), b = pixels.pixel(x, y);
                    off += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                           std::abs(qBlue(a) - qBlue(b));
                }
            const double mean = double(off) / (3.0 * pixels.width() * pixels.height());
            QVERIFY2(mean <= tolerance && (tolerance > 0 || off == 0),
                     qPrintable(QString::number(mean)));
        }
        if (expected == PictureOutcome::Damaged) {
            QCOMPARE(load.image.size(), QSize(640, 480));
            QVERIFY(load.message.contains(QStringLiteral("\"%1\"").arg(name)));
        }
    }
};

ORVENA_TEST_MAIN(PictureTest)
#include "PictureTest.moc"
