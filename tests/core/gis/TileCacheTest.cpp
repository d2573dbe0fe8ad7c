#include "core/gis/TileCache.h"
#include "core/base/Picture.h"
#include "support/GdalTools.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include <QDir>
#include <QProcess>

using namespace orvena;
using namespace orvena::gis;

namespace {

// A sheet of 3000 x 2000 pixels with detail everywhere, as an LZW TIFF.
QString makeSheet(const test::TempFolder& folder, const QString& name, int shade) {
    QImage image(3000, 2000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x / 7) & 255, (y / 5) & 255, shade));
    const QString png = folder.file(name + ".png");
    const QString tif = folder.file(name);
    if (!image.save(png) || !test::gdalTranslate(png, tif, {"-co", "COMPRESS=LZW"})) return {};
    return tif;
}

double meanDifference(const QImage& a, const QImage& b) {
    qint64 off = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            off += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return double(off) / (3.0 * a.width() * a.height());
}

} // namespace

class TileCacheTest : public QObject {
    Q_OBJECT
private slots:
    void read_data() {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("tolerance"); // mean difference against the picture scaled by Qt
        QTest::newRow("full size") << QRect(100, 200, 300, 150) << 1.0 << 0.0;
        QTest::newRow("a quarter") << QRect(0, 0, 3000, 2000) << 0.25 << 3.0;
        QTest::newRow("past the edge") << QRect(2900, 1900, 300, 300) << 1.0 << 0.0;
    }

    // The tiled copy reads as the sheet reads whole, at full size and at an
    // overview's scale.
    void read() {
        QFETCH(QRect, area);
        QFETCH(double, scale);
        QFETCH(double, tolerance);
        test::TempFolder folder;
        const QString sheet = makeSheet(folder, "grande.tif", 40);
        QVERIFY(!sheet.isEmpty());
        TileCache cache(folder.file("cache"));
        QString error;
        const QString copy = cache.tiledCopy(sheet, {}, &error);
        QVERIFY2(!copy.isEmpty(), qPrintable(error));
        const QImage whole = readPicture(sheet).image;
        const QRect part = area.intersected(whole.rect());
        const QImage expected = whole.copy(part).scaled(part.size() * scale, Qt::IgnoreAspectRatio,
                                                        Qt::SmoothTransformation);
        const QImage tiles = readTiles(copy, area, scale);
        QCOMPARE(tiles.size(), expected.size());
        const double mean = meanDifference(tiles, expected);
        QVERIFY2(mean <= tolerance, qPrintable(QString::number(mean)));
    }

    // One copy per sheet as it is: found again, made anew when the sheet
    // changes, none left by a cancel, the oldest dropped over the limit.
    void lifecycle() {
        test::TempFolder folder;
        const QString sheet = makeSheet(folder, "grande.tif", 40);
        TileCache cache(folder.file("cache"), 1);
        QString error;
        int reports = 0;
        const QString first = cache.tiledCopy(
            sheet, [&](qint64, qint64) { return ++reports > 0; }, &error);
        QVERIFY2(!first.isEmpty(), qPrintable(error));
        QVERIFY(reports > 1);
        QProcess info; // tiled, with overviews halving down to a tile
        info.start("gdalinfo", {first});
        QVERIFY(info.waitForFinished(60000));
        const QString text = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(text.contains("Block=256x256") &&
                     text.contains("Overviews: 1500x1000, 750x500, 375x250, 188x125"),
                 qPrintable(text));
        QCOMPARE(cache.tiledCopy(sheet, {}, &error), first);

        const QString changed = makeSheet(folder, "grande.tif", 90);
        QVERIFY(!changed.isEmpty());
        QVERIFY(!cache.copyName(sheet).isEmpty() &&
                QDir(cache.folder()).absoluteFilePath(cache.copyName(sheet)) != first);
        QCOMPARE(cache.tiledCopy(
                     sheet, [](qint64, qint64) { return false; }, &error),
                 QString());
        QVERIFY2(error.contains("annullata"), qPrintable(error));
        QCOMPARE(QDir(cache.folder()).entryList(QDir::Files),
                 QStringList{QFileInfo(first).fileName()});

        const QString second = cache.tiledCopy(sheet, {}, &error);
        QVERIFY(!second.isEmpty());
        // Over the limit of one byte: only the copy just made stays.
        QCOMPARE(QDir(cache.folder()).entryList(QDir::Files),
                 QStringList{QFileInfo(second).fileName()});
    }
};

ORVENA_TEST_MAIN(TileCacheTest)
#include "TileCacheTest.moc"
