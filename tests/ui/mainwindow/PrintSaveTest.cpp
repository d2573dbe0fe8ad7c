#include "FullDisk.h"
#include "MapWindow.h"
#include "ReadOnlyFolder.h"
#include "TestPictures.h"

#include "ui/map/MapView.h"

#include <poppler-qt6.h>

#include <QDir>

#include <optional>

using namespace orvena;
using namespace orvena::test;

namespace {

const QString kSaveFailed = QStringLiteral("Non è stato possibile salvare l'immagine.");
// VILLAFREDDA lies at PX 14064, PY 5110 on kNE: its down arrow's corner is the
// picture pixel ((14064 - 140) / 15, (5110 - 400) / 15).
const QPoint kArrowPixel(928, 314);

// The PDF file, rendered by an independent reader, shows what the page shows:
// the marked map where the page has it, inside the page's 10 mm margins.
void pdfShowsThePage(const QString& pdf, const QImage& page) {
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdf);
    QVERIFY(document && !document->isLocked());
    QCOMPARE(document->numPages(), 1);
    std::unique_ptr<Poppler::Page> first = document->page(0);
    QVERIFY(first->pageSizeF().width() > first->pageSizeF().height()); // landscape
    const QImage rendered = first->renderToImage(96, 96).convertToFormat(QImage::Format_RGB32);
    const int margin = qRound(10 / 25.4 * 96);
    const QImage inside = rendered.copy(QRect(QPoint(margin, margin), page.size()));
    // Around the arrow, and over a broad piece of the map (a page
    // misplaced by 20 pixels differs by about 40 over the map, 55 around the arrow),
    // up to two pixels off: a renderer places a picture between pixels where
    // the page falls between them.
    for (const auto& [area, limit] :
         {std::pair(QRect(167, 500, 40, 60), 20.0), std::pair(QRect(170, 200, 300, 200), 16.0)}) {
        const double difference = meanDifference(inside, page, area, 2);
        QVERIFY2(difference < limit, qPrintable(QString::number(difference)));
    }
    // The part of the page above and left of the picture is blank.
    QCOMPARE(inside.pixelColor(20, 20), QColor(Qt::white));
}

} // namespace

class PrintSaveTest : public QObject {
    Q_OBJECT
private slots:
    void print_data() {
        QTest::addColumn<bool>("mark");
        QTest::addColumn<QPointF>("pointer"); // where it last moved over the map, if it did
        QTest::addColumn<QPoint>("source");   // the expected source point, in twips
        QTest::newRow("before any marking") << false << QPointF() << QPoint(-3580, -8340);
        // The marker is the arrow's corner on the window before the map moves:
        // (1080 + 14064 - 140, 840 + 5110 - 400).
        QTest::newRow("after a marking") << true << QPointF() << QPoint(15004 - 3580, 5550 - 8340);
        QTest::newRow("after the pointer moved over the map")
            << true << QPointF(10500, 6000) << QPoint(10500 - 3580, 6000 - 8340);
    }

    // Both documents go to the printer in landscape; with no printer they become
    // two PDF files in the working folder, and one message names them. The map's
    // page shows the picture from the source point on, with its markers. A print
    // that finds the disk full leaves none of its files.
    void print() {
        QFETCH(bool, mark);
        QFETCH(QPointF, pointer);
        QFETCH(QPoint, source);
        Workspace ws;
        MainWindow& w = ws.start();
        Workspace::choose(w.f1area, kNE);
        if (mark) Workspace::choose(w.cmbloc, "VILLAFREDDA");
        if (!pointer.isNull()) w.Image1_MouseMove(pointer.x(), pointer.y());
        const QImage map = w.Image1->picture();
        ws.dialogs.takeTexts();

        QTest::mouseClick(w.cmdstampa, Qt::LeftButton);

        const auto& pages = ws.dialogs.printedPages();
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].name.startsWith("stampa-"));
        QCOMPARE(pages[1].name, pages[0].name + "-finestra");
        for (const auto& p : pages)
            QCOMPARE(p.orientation, QPageLayout::Landscape);

        // The picture's corner lies at page twips (1, 1) - source: 15 twips a page pixel.
        const QPointF origin = (QPointF(1, 1) - QPointF(source)) / 15.0;
        // The arrow, or the picture's top-left block.
        const QImage sprite = mark ? markers::downArrow() : map.copy(0, 0, 24, 24);
        const QPoint at = (origin + QPointF(mark ? kArrowPixel : QPoint())).toPoint();
        QCOMPARE(findSprite(pages[0].page, sprite, QRect(at - QPoint(1, 1), QSize(3, 3))),
                 std::optional<QPoint>(at));
        // Above the picture the page stays blank.
        if (!mark) QCOMPARE(pages[0].page.pixelColor(at.x() + 5, at.y() - 3), QColor(Qt::white));
        // The second page shows the window as it looks.
        const QImage window = w.grab().toImage();
        QCOMPARE(findSprite(pages[1].page, window.copy(0, 0, 200, 40), QRect(0, 0, 1, 1)),
                 std::optional<QPoint>(QPoint(0, 0)));

        const QStringList pdfs = QDir(ws.folder.path()).entryList({"*.pdf"});
        QCOMPARE(pdfs, QStringList({pages[1].name + ".pdf", pages[0].name + ".pdf"}));
        for (const QString& pdf : pdfs)
            QVERIFY(QFileInfo(ws.file(pdf)).size() > 1000);
        const QStringList texts = ws.dialogs.texts();
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts[0].contains(pdfs[0]) && texts[0].contains(pdfs[1]));

        if (mark && pointer.isNull()) pdfShowsThePage(ws.file(pdfs[1]), pages[0].page);
        if (QTest::currentTestFailed()) return;

        // A second print in the same second keeps the first one's files.
        QTest::mouseClick(w.cmdstampa, Qt::LeftButton);
        QDir folder(ws.folder.path());
        QCOMPARE(folder.entryList({"*.pdf"}).size(), 4);

        // On a disk that fills up while the second file is written, no file of
        // the print is left and the message says which file and why.
        const qint64 first = QFileInfo(ws.file(pdfs[1])).size();
        for (const QString& pdf : folder.entryList({"stampa-*"}, QDir::Files))
            QVERIFY(folder.remove(pdf));
        ws.dialogs.takeTexts();
        ws.dialogs.setDiskRoom(first + 2000);
        QTest::mouseClick(w.cmdstampa, Qt::LeftButton);
        QCOMPARE(folder.entryList({"stampa-*"}, QDir::Files), QStringList());
        const QString full = ws.dialogs.texts().join(u'\n');
        QVERIFY2(full.startsWith("Non è stato possibile stampare: impossibile scrivere il file ") &&
                     full.endsWith("-finestra.pdf (il disco è pieno).") && !full.contains(u'\n'),
                 qPrintable(full));
    }

    void saveNeverWritesTheProgramsFiles_data() {
        QTest::addColumn<QString>("typed"); // as typed; "*" for the whole path of file
        QTest::addColumn<QString>("file");  // the file refused, as the message names it
        QTest::addColumn<QString>("link");  // typed is a link to this file of the atlas
        QTest::addColumn<QString>("role");
        const auto row = [](const QString& tag, const QString& typed, const QString& file,
                            const QString& link, const QString& role) {
            QTest::newRow(qPrintable(tag)) << typed << file << link << role;
        };
        const QString archive = "uno degli archivi del programma";
        const QString sheet = "un foglio dell'atlante";
        for (const char* name : {"localita.mdb", "AREA.MDB", "esparea.mdb-journal",
                                 "esplocalitacomp.mdb", "areacomp.mdb-journal"})
            row(name, name, name, "", archive);
        row("orvena.hlp", "orvena.hlp", "orvena.hlp", "", "la guida del programma");
        row("a link to localita.mdb", "mappa.bmp", "localita.mdb", "localita.mdb", archive);
        row("localita.mdb by its whole path", "*", "localita.mdb", "", archive);
        // Links in another folder to files not there yet.
        for (const QString name : {"localita.mdb-journal", "areacomp.mdb"})
            row("a dangling link to " + name, "altrove/dangling.bmp", name, name, archive);
        // The atlas's sheets, in any letter case, and through a link.
        row("a sheet", "valfonda_no.gif", "valfonda_no.gif", "", sheet);
        row("a sheet in other letters", "VALFONDA_SE.JPG", "VALFONDA_SE.JPG", "", sheet);
        row("a link to a sheet", "altrove/foglio.bmp", "valfonda_ne.bmp", "valfonda_ne.bmp", sheet);
    }

    // "Salva" refuses the names of the archives, of what lies beside them, of
    // the guide and of the sheets, naming the file before it asks anything;
    // nothing is written.
    void saveNeverWritesTheProgramsFiles() {
        QFETCH(QString, typed);
        QFETCH(QString, file);
        QFETCH(QString, link);
        QFETCH(QString, role);
        Workspace ws;
        MainWindow& w = ws.start();
        QVERIFY(QDir(ws.folder.path()).mkpath("altrove"));
        QFile own(ws.file(file));
        if (role != "un foglio dell'atlante" && !own.exists() && !typed.startsWith("altrove"))
            QVERIFY(own.open(QIODevice::WriteOnly) && own.write("prima") == 5);
        own.close();
        if (!link.isEmpty()) QVERIFY(QFile::link(ws.file(link), ws.file(typed)));
        const auto before = test::bytesIn(ws.folder.path());
        const auto elsewhere = test::bytesIn(ws.file("altrove"));
        ws.dialogs.queueFile(typed == "*" ? own.fileName() : typed);

        QTest::mouseClick(w.cmdsalva, Qt::LeftButton);

        QCOMPARE(ws.dialogs.texts(),
                 QStringList{QStringLiteral("Il file %1 è %2: l'immagine non è stata salvata.")
                                 .arg(file, role)});
        QCOMPARE(test::bytesIn(ws.folder.path()), before);
        QCOMPARE(test::bytesIn(ws.file("altrove")), elsewhere);
    }

    void save_data() {
        QTest::addColumn<bool>("mark");
        QTest::addColumn<QString>("name"); // a folder's name or one inside a folder fails
        QTest::addColumn<QString>("told"); // how the last message starts; none if empty
        const auto row = [](const char* tag, bool mark, const QString& name, const QString& told) {
            QTest::newRow(tag) << mark << name << told;
        };
        row("a .jpg name after a marking", true, "mappa.jpg", "");
        row("before any marking: the blank canvas", false, "vuota.bmp", "");
        row("cancelled: nothing written", true, QString(), "");
        row("a folder that does not exist", true, "manca/mappa.bmp", kSaveFailed);
        row("the name of a folder", true, "cartella", kSaveFailed);
        row("a read-only folder", true, "protetta/mappa.bmp", kSaveFailed);
        row("a full disk", true, "pieno/mappa.bmp", kSaveFailed);
        row("a file already there: asked, and replaced on yes", true, "esistente.bmp", "");
    }

    // What the canvas holds is written as a bitmap under the name as typed, and
    // the hourglass is back afterwards; a cancel writes nothing. A save that
    // fails says which file and why and damages nothing: an older file of that
    // name stays.
    void save() {
        QFETCH(bool, mark);
        QFETCH(QString, name);
        QFETCH(QString, told);
        const bool fails = told == kSaveFailed;
        Workspace ws;
        MainWindow& w = ws.start();
        QVERIFY(QDir(ws.folder.path()).mkpath("cartella/sotto"));
        const QString folder = ws.file("protetta"), older = folder + "/mappa.bmp";
        QVERIFY(QDir().mkpath(folder) && writeFile(older, "prima"));
        QVERIFY(writeFile(ws.file("esistente.bmp"), "prima"));
        std::optional<FullDisk> disk;
        if (name.startsWith("pieno")) {
            disk.emplace();
            QVERIFY(QFile::link(disk->path(), ws.file("pieno")));
            QVERIFY(writeFile(ws.file(name), "prima"));
        }
        const ReadOnlyFolder readOnly(folder);
        if (name.startsWith("protetta") && readOnly.how == ReadOnlyFolder::WriteCheck)
            QSKIP("this user writes into read-only folders");
        Workspace::choose(w.f1area, kNE);
        if (mark) Workspace::choose(w.cmbloc, "VILLAFREDDA");
        const QStringList before = QDir(ws.folder.path()).entryList(QDir::Files);
        const bool there = !name.isNull() && QFileInfo(ws.file(name)).isFile();
        ws.dialogs.queueFile(name.isNull() ? std::nullopt : std::optional(name));

        if (disk) disk->fill(16);
        QTest::mouseClick(w.cmdsalva, Qt::LeftButton);
        if (disk) disk->release();

        QCOMPARE(ws.dialogs.lastFileTitle(), "Inserisci il nome dell'immagine da salvare");
        QCOMPARE(ws.dialogs.lastFileFilter(), "*.*");
        // A file already there is asked about first, then a failure told.
        const QStringList texts = ws.dialogs.texts();
        QVERIFY2(texts.size() == int(there) + int(fails), qPrintable(texts.join(u'\n')));
        if (there)
            QVERIFY(texts[0].startsWith("Il file " + QFileInfo(name).fileName() + " esiste già."));
        if (fails)
            QVERIFY2(texts.last().startsWith(told) &&
                         texts.last().contains(QFileInfo(name).fileName()),
                     qPrintable(texts.last()));
        QVERIFY(!hourglass::isBusy());
        if (disk) {
            QVERIFY2(texts.last().contains(disk->reason()), qPrintable(texts.last()));
            QCOMPARE(fileBytes(ws.file(name)), "prima");
            QCOMPARE(QDir(disk->path()).entryList(QDir::Files), QStringList{"mappa.bmp"});
            return;
        }
        QVERIFY(QFileInfo(ws.file("cartella/sotto")).isDir());
        QVERIFY(!QFileInfo::exists(ws.file("manca")));
        QCOMPARE(fileBytes(older), "prima");
        if (fails || name.isNull()) {
            QCOMPARE(QDir(ws.folder.path()).entryList(QDir::Files), before);
            return;
        }
        QVERIFY(fileBytes(ws.file(name)).startsWith("BM"));
        const QImage saved(ws.file(name), "BMP");
        if (mark) {
            QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
                     w.Image1->markedPicture().convertToFormat(QImage::Format_RGB32));
            QVERIFY(findSprite(saved, markers::downArrow(), QRect(kArrowPixel, QSize(1, 1))));
        } else {
            QCOMPARE(saved.size(), QSize(41, 33)); // blank
        }
        QCOMPARE(QDir(ws.folder.path()).entryList({name + "*"}),
                 QStringList{name}); // no temporary file left beside it
    }
};

ORVENA_TEST_MAIN(PrintSaveTest)
#include "PrintSaveTest.moc"
