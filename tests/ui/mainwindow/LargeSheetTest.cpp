// Sheets too large to decode whole, shown from their tiled copy on the real
// main window: opened under an address-space limit far below their decoded
// size, read out and marked where the same sheet decoded whole is, refused by
// name when damaged.
#include "support/GdalTools.h"
#include "support/MapWindow.h"
#include "support/StreamedJpeg.h"
#include "support/TestPictures.h"

#include "core/base/Picture.h"
#include "core/base/PicturePreview.h"
#include "core/gis/TiledSheet.h"
#include "core/state/ViewGeometry.h"

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>

#include <sys/resource.h>

using namespace orvena;
using namespace orvena::test;

namespace {

// The address space the child process may take: far below the 1.6 GB the
// 20,000 x 20,000 sheet takes decoded.
constexpr const char* kLimitVariable = "ORVENA_TEST_ADDRESS_LIMIT_MB";
constexpr int kLimitMB = 900;

const QString kPlace = QStringLiteral("PUNTO");

// A JPEG of size written a row at a time (or, with options, that JPEG
// made by gdal_translate into another format), with its record (the
// read-out's worked calibration) and one place at (x, y) pixels.
QString addSheet(Workspace& ws, const QString& name, QSize size, QPoint place,
                 const QStringList& options = {}) {
    const QString jpeg = options.isEmpty() ? ws.file(name) : ws.file("sorgente.jpg");
    const QString sheet = ws.file(name);
    if (!writeStreamedJpeg(jpeg, size.width(), size.height()) ||
        (!options.isEmpty() && !gdalTranslate(jpeg, sheet, options)))
        return {};
    addRecord(ws.archives.Data1, {{"AREA", name}, {"COLA", 12.0}, {"COLO", 10.0}},
              {{"PXLAO", 450}, {"SECLAO", 163800}, {"PXLOO", 300}, {"SECLOO", 33000}});
    addRecord(ws.archives.Data2, {{"AREA", name}, {"LOCALITA", kPlace}},
              {{"PX", place.x() * 15.0}, {"PY", place.y() * 15.0}});
    ws.window().Form_Load();
    return sheet;
}

// The tiled copies in the user's cache folder.
QStringList tiledCopies() {
    QStringList copies;
    QDirIterator it(QStandardPaths::writableLocation(QStandardPaths::CacheLocation),
                    {QStringLiteral("*.tif")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        copies << it.next();
    return copies;
}

// The window round the reference point, where a marked place comes.
QImage aroundReference(MainWindow& w) {
    const QPoint at(twips::toPixels(view::kReferenceX), twips::toPixels(view::kReferenceY));
    return w.centralWidget()->grab(QRect(at - QPoint(80, 60), QSize(160, 120))).toImage();
}

} // namespace

class LargeSheetTest : public QObject {
    Q_OBJECT
private slots:
    // The test again in a child process whose address space is limited.
    void openedUnderAddressLimit() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address sanitizer reserves more address space than the limit allows");
#endif
        if (qEnvironmentVariableIsSet(kLimitVariable)) return openUnderLimit();
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kLimitVariable, QString::number(kLimitMB));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {"openedUnderAddressLimit"});
        QVERIFY(child.waitForFinished(240000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }

    void sameAsDecoded_data() {
        QTest::addColumn<int>("steps"); // zoom steps in (positive) or out
        QTest::newRow("at 100") << 0;
        QTest::newRow("out to 50, from an overview") << -5;
        QTest::newRow("in to 130") << 3;
    }

    // Read-out and marks on a sheet drawn from tiles come where they come on
    // the same sheet decoded whole, and its pixels match within the copy's
    // JPEG and overview error.
    void sameAsDecoded() {
        QFETCH(int, steps);
        Workspace ws;
        MainWindow& w = ws.start();
        makeRoomForTheSheet(w);
        const QString sheet = addSheet(ws, "grande.jpg", QSize(6200, 6200), QPoint(3000, 2500));
        QVERIFY(!sheet.isEmpty() && gis::drawnFromTiles(pictureSize(sheet)));
        Workspace::choose(w.f1area, "grande.jpg");
        Workspace::choose(w.cmbloc, kPlace);
        QVERIFY(w.Image1->composition().tiles() && !w.Image1->composition().marks().empty());
        for (int i = 0; i < std::abs(steps); ++i)
            steps > 0 ? w.cmding_Click() : w.cmdrid_Click();
        pointTo(w.Image1, 5500 - int(w.Image1->left()) + 300, 3500 - int(w.Image1->top()) + 200);
        const QString readout = w.Image1->toolTip();
        const QImage tiled = aroundReference(w);
        const QRectF geometry = twipsOf(w.Image1);

        Composition whole(readPicture(sheet).image, sheet);
        for (const Mark& m : w.Image1->composition().marks())
            whole.add(m);
        w.Image1->setComposition(whole);
        QCOMPARE(twipsOf(w.Image1), geometry);
        w.Image1->setToolTip(QString());
        pointTo(w.Image1, 5500 - int(w.Image1->left()) + 300, 3500 - int(w.Image1->top()) + 200);
        QVERIFY(!readout.isEmpty());
        QCOMPARE(w.Image1->toolTip(), readout);
        const QImage decoded = aroundReference(w);
        const double mean = meanDifference(tiled, decoded);
        QVERIFY2(mean < 3.0, qPrintable(QString::number(mean)));
        if (steps == 0) QVERIFY(findSprite(tiled, markers::downArrow(), tiled.rect()));
        checkTold(ws, "");
    }

    // A damaged sheet too large to decode is refused by name before anything
    // is copied; the sheet shown stays.
    void damagedRefused() {
        Workspace ws;
        MainWindow& w = ws.start();
        Workspace::choose(w.f1area, kNE);
        const QString sheet = addSheet(ws, "rotta.tif", QSize(6200, 6200), QPoint(10, 10),
                                       {"-co", "TILED=YES", "-co", "COMPRESS=DEFLATE"});
        QVERIFY(!sheet.isEmpty());
        QFile file(sheet);
        QVERIFY(file.resize(file.size() / 2));
        const QStringList copies = tiledCopies();
        ws.dialogs.takeTexts();
        Workspace::choose(w.f1area, "rotta.tif");
        checkTold(ws, "Il file dell'immagine \"rotta.tif\" è danneggiato o incompleto: la "
                      "cartina non è stata aperta.");
        QVERIFY(w.Image1->composition().file().endsWith(kNE));
        QVERIFY(!w.Image1->sheet().isNull());
        QCOMPARE(tiledCopies(), copies);
    }

    void saved_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("told"); // none when empty
        QTest::newRow("from tiles, in bands, with the mark") << QSize(7000, 5000) << "";
        QTest::newRow("decoded, wider than a bitmap may be")
            << QSize(33000, 200)
            << "L'immagine di 33.000 x 200 pixel è troppo grande per un file bitmap (al massimo "
               "32.767 pixel per lato e 4 GB di dati): non è stata salvata.";
    }

    // "Salva" of a sheet drawn from tiles writes what the map composes, the
    // mark included; a picture no bitmap holds is refused before a name is
    // asked, and nothing is written.
    void saved() {
        QFETCH(QSize, size);
        QFETCH(QString, told);
        Workspace ws;
        MainWindow& w = ws.start();
        QVERIFY(!addSheet(ws, "foglio.jpg", size, QPoint(150, 120)).isEmpty());
        Workspace::choose(w.f1area, "foglio.jpg");
        Workspace::choose(w.cmbloc, kPlace);
        QCOMPARE(bool(w.Image1->composition().tiles()), told.isEmpty());
        ws.dialogs.takeTexts();
        const QStringList before = QDir(ws.folder.path()).entryList(QDir::Files);
        ws.dialogs.queueFile(QStringLiteral("salvata.bmp"));
        QTest::mouseClick(w.cmdsalva, Qt::LeftButton);
        checkTold(ws, told);
        if (!told.isEmpty()) {
            QCOMPARE(ws.dialogs.fileDialogs(), 0);
            QCOMPARE(QDir(ws.folder.path()).entryList(QDir::Files), before);
            return;
        }
        const QImage saved(ws.file("salvata.bmp"), "BMP");
        QCOMPARE(saved.size(), size);
        const Composition& marked = w.Image1->marked();
        for (const QRect part : {QRect(100, 60, 200, 150), QRect(6900, 4900, 100, 100),
                                 QRect(0, 4700, 300, 300)})
            QCOMPARE(saved.copy(part).convertToFormat(QImage::Format_RGB32),
                     marked.composePart(part));
        QVERIFY(findSprite(saved, markers::downArrow(), QRect(120, 80, 40, 40)));
    }

private:
    // A 20,000 x 20,000 JPEG opened, marked far inside, zoomed out and moved
    // while the process may not take the address space its decoded pixels
    // would need.
    void openUnderLimit() {
        const rlimit limit{rlim_t(kLimitMB) << 20, rlim_t(kLimitMB) << 20};
        QCOMPARE(setrlimit(RLIMIT_AS, &limit), 0);
        Workspace ws;
        MainWindow& w = ws.start();
        QVERIFY(!addSheet(ws, "enorme.jpg", QSize(20000, 20000), QPoint(15000, 17000)).isEmpty());
        Workspace::choose(w.f1area, "enorme.jpg");
        QVERIFY(w.Image1->composition().tiles());
        QCOMPARE(w.Image1->size(), QSize(20000, 20000));
        Workspace::choose(w.cmbloc, kPlace);
        QVERIFY(findSprite(aroundReference(w), markers::downArrow(),
                           aroundReference(w).rect()));
        w.imgde_Click(true);
        for (int i = 0; i < 9; ++i)
            w.cmdrid_Click();
        QCOMPARE(w.f1ing->text(), "10");
        QVERIFY(!aroundReference(w).isNull());
        QVERIFY2(ws.dialogs.texts().isEmpty(), qPrintable(ws.dialogs.texts().join("|")));
        QCOMPARE(tiledCopies().size(), 1);
    }
};

ORVENA_TEST_MAIN(LargeSheetTest)
#include "LargeSheetTest.moc"
