#include "core/gis/TileCache.h"
#include "core/gis/TiledSheet.h"
#include "core/base/Picture.h"
#include "support/GdalTools.h"
#include "support/TempFolder.h"
#include "support/TestPictures.h"
#include "support/TestMain.h"

#include <QDateTime>
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

} // namespace

class TileCacheTest : public QObject {
    Q_OBJECT
private slots:
    void read_data() {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("tolerance"); // mean difference against the picture scaled by Qt
        // The copy's tiles are JPEG: near the sheet, not equal to it.
        QTest::newRow("full size") << QRect(100, 200, 300, 150) << 1.0 << 1.5;
        QTest::newRow("a quarter") << QRect(0, 0, 3000, 2000) << 0.25 << 3.0;
        QTest::newRow("past the edge") << QRect(2900, 1900, 300, 300) << 1.0 << 1.5;
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
        // Read in one go, and through the tiles a view keeps (twice: the
        // second read comes from the tiles kept).
        const auto tiled = TiledSheet::open(copy);
        QVERIFY(tiled && tiled->size() == whole.size());
        for (const QImage& tiles : std::initializer_list<QImage>{readTiles(copy, area, scale), tiled->read(area, scale).image,
                                    tiled->read(area, scale).image}) {
            QCOMPARE(tiles.size(), expected.size());
            const double mean = test::meanDifference(tiles, expected);
            QVERIFY2(mean <= tolerance, qPrintable(QString::number(mean)));
        }
        QCOMPARE(tiled->read(area, scale).covered, QRectF(part));
        QVERIFY(tiled->keptBytes() > 0 && tiled->keptBytes() <= kKeptTileBytes);
    }

    void identity_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("madeAgain");
        QTest::newRow("unchanged") << "" << false;
        QTest::newRow("touched") << "touch" << false;
        QTest::newRow("copied over, same bytes") << "copy" << false;
        QTest::newRow("another picture") << "redraw" << true;
        QTest::newRow("a byte changed in the middle") << "byte" << true;
    }

    // A copy is the sheet's content's: found again whatever the file's time,
    // made anew when any byte changed (a cancel then leaves no copy).
    void identity() {
        QFETCH(QString, change);
        QFETCH(bool, madeAgain);
        test::TempFolder folder;
        const QString sheet = makeSheet(folder, "grande.tif", 40);
        TileCache cache(folder.file("cache"));
        QString error;
        const QString first = cache.tiledCopy(sheet, {}, &error);
        QVERIFY2(!first.isEmpty(), qPrintable(error));
        QCOMPARE(cache.readyCopy(sheet), first);
        const QDateTime later = QDateTime::currentDateTime().addSecs(60);
        if (change == "copy") {
            QVERIFY(QFile::copy(sheet, folder.file("altra.tif")) && QFile::remove(sheet) &&
                    QFile::copy(folder.file("altra.tif"), sheet));
        } else if (change == "redraw") {
            QVERIFY(!makeSheet(folder, "grande.tif", 90).isEmpty());
        } else if (change == "byte") {
            QFile f(sheet);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(f.size() / 2));
            const char byte = f.peek(1).at(0);
            QVERIFY(f.putChar(char(byte ^ 0x55)));
        }
        if (!change.isEmpty()) {
            QFile f(sheet);
            QVERIFY(f.open(QIODevice::ReadWrite) &&
                    f.setFileTime(later, QFileDevice::FileModificationTime));
            QCOMPARE(cache.readyCopy(sheet), QString()); // the file's note no longer holds
        }
        // Reading the sheet's bytes passes; copying its rows is cancelled.
        const auto cancelCopy = [](qint64 done, qint64 total) { return done * 20 <= total; };
        const QString second = cache.tiledCopy(sheet, cancelCopy, &error);
        QCOMPARE(second, madeAgain ? QString() : first);
        if (madeAgain) QVERIFY2(error.contains("annullata"), qPrintable(error));
        QCOMPARE(QDir(cache.folder()).entryList(QDir::Files),
                 QStringList{QFileInfo(first).fileName()});
        QCOMPARE(cache.readyCopy(sheet), second);
    }

    // The copy is tiled in JPEG with overviews halving down to a tile; over
    // the cache's limit the least recently used copies go.
    void madeAndTrimmed() {
        test::TempFolder folder;
        const QString sheet = makeSheet(folder, "grande.tif", 40);
        TileCache cache(folder.file("cache"), 1);
        QString error;
        int reports = 0;
        const QString first = cache.tiledCopy(
            sheet, [&](qint64, qint64) { return ++reports > 0; }, &error);
        QVERIFY2(!first.isEmpty(), qPrintable(error));
        QVERIFY(reports > 1);
        QProcess info;
        info.start("gdalinfo", {first});
        QVERIFY(info.waitForFinished(60000));
        const QString text = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(text.contains("Block=256x256") && text.contains("COMPRESSION=YCbCr JPEG") &&
                     text.contains("Overviews: 1500x1000, 750x500, 375x250, 188x125"),
                 qPrintable(text));
        const QString other = makeSheet(folder, "altra.tif", 90);
        const QString second = cache.tiledCopy(other, {}, &error);
        QVERIFY(!second.isEmpty() && second != first);
        // Over the limit of one byte: only the copy just made stays.
        QCOMPARE(QDir(cache.folder()).entryList(QDir::Files),
                 QStringList{QFileInfo(second).fileName()});
    }
};

ORVENA_TEST_MAIN(TileCacheTest)
#include "TileCacheTest.moc"
