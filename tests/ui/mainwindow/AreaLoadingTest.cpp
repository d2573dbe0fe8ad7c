#include "MapWindow.h"

#include <QImageReader>

#include <tuple>

using namespace orvena;
using namespace orvena::test;

class AreaLoadingTest : public QObject {
    Q_OBJECT
private slots:
    void choosingASheetShowsIt_data() {
        QTest::addColumn<QString>("sheet");
        for (const auto& s : demo::demoSheets())
            QTest::newRow(qPrintable(s.name)) << s.name;
        QTest::newRow("8000 x 8000 pixels, of the test's own") << QStringLiteral("grande.jpg");
    }

    void choosingASheetShowsIt() {
        QFETCH(QString, sheet);
        Workspace ws;
        MainWindow& w = ws.start();
        const bool own = !sheet.startsWith(QStringLiteral("valfonda"));
        if (own) addSheet(ws, sheet, 8000, 8000, {{"COLA", 12.0}, {"COLO", 10.0}});
        // Only a choice in the list is a choice: the name typed loads nothing
        // when the box loses the focus.
        QApplication::setActiveWindow(&w);
        w.f1area->setFocus();
        QTest::keyClicks(w.f1area, sheet);
        w.f1ing->setFocus();
        QCoreApplication::processEvents();
        QCOMPARE(combo::text(w.f1area), sheet);
        QVERIFY(!w.Image1->shown());
        QCOMPARE(w.cmbloc->count(), 0);

        setPoint(w, "7|7|7|7|7|7");
        Workspace::choose(w.f1area, sheet);

        QVERIFY(w.Image1->isVisible());
        QCOMPARE(w.Image1->pos(), QPoint(twips::toPixels(1080), twips::toPixels(840)));
        const QSize pixels = QImageReader(ws.file(sheet)).size();
        QCOMPARE(w.Image1->size(), pixels);
        QCOMPARE(QSize(w.state().naturalWidth, w.state().naturalHeight), pixels * 15);
        QCOMPARE(combo::lines(w.cmbloc), placesOf(sheet));
        QCOMPARE(placesOf(sheet).isEmpty(), own);
        QCOMPARE(w.f1ing->text(), "100");
        QVERIFY(w.state().latScale != 0.0f && w.state().lonScale != 0.0f);
        QCOMPARE(w.state().latScale,
                 records(w.Data1, sql::kAreaByName, {"COLA"}, {sheet}).front().toFloat());
        QCOMPARE(w.state().readoutEnabled, Flag::One);
        QCOMPARE(boxTexts(w), "|||||");
        checkTold(ws, "");

        // Loading it again gives the same state.
        const auto first = std::make_tuple(w.Image1->geometry(), w.state().latScale,
                                           w.state().lonScale, combo::lines(w.cmbloc));
        w.Image1->move(-3000, 200);
        Workspace::choose(w.f1area, sheet);
        QVERIFY(std::make_tuple(w.Image1->geometry(), w.state().latScale, w.state().lonScale,
                                combo::lines(w.cmbloc)) == first);
    }

    // A missing or broken picture keeps the sheet before. A picture without a
    // record of its very name is shown, without the scales of the sheet before
    // and with its natural size and zoom figure.
    void choosingAnEntryThatIsOff_data() {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing" << kSheetMissing;
        QTest::newRow("not a picture") << "broken" << kSheetMissing;
        QTest::newRow("area deletion under way: only the boxes are emptied")
            << "deleting" << QString();
        QTest::newRow("no record") << "record" << kSheetMissing;
        QTest::newRow("record matching only ignoring case") << "case" << QString();
    }

    void choosingAnEntryThatIsOff() {
        QFETCH(QString, cause);
        QFETCH(QString, message);
        Workspace ws;
        const auto& sheets = demo::demoSheets();
        const bool shown = cause == "record" || cause == "case";
        const QString chosen = cause == "record" ? QStringLiteral("senza record.jpg")
                               : cause == "case" ? sheets[1].name.toUpper()
                                                 : sheets[1].name;
        if (shown) QVERIFY(demo::writeLargeSheet(ws.file(chosen), 300, 200).isEmpty());
        if (cause == "missing" || cause == "broken") QVERIFY(QFile::remove(ws.file(chosen)));
        if (cause == "broken") QVERIFY(writeFile(ws.file(chosen), "not a picture at all"));
        MainWindow& w = ws.start();
        Workspace::choose(w.f1area, sheets[0].name);
        const QSize before = w.Image1->size();
        const std::int32_t width = w.state().naturalWidth;
        const float scale = w.state().latScale;
        const QStringList places = combo::lines(w.cmbloc);
        w.f1ing->setText(QStringLiteral("130"));
        if (cause == "deleting") w.mnareacanc->trigger();
        setPoint(w, "7|7|7|7|7|7");

        if (shown) { // not a line of the list: the name typed, then the click
            combo::setText(w.f1area, chosen);
            w.f1area_Click();
        } else {
            Workspace::choose(w.f1area, chosen);
        }
        checkTold(ws, message);
        QCOMPARE(w.Image1->size(), shown ? QSize(300, 200) : before);
        QVERIFY(w.Image1->isVisible());
        QCOMPARE(w.state().naturalWidth, width);
        QCOMPARE(w.state().latScale, shown ? 0.0f : scale);
        QCOMPARE(w.f1ing->text(), "130");
        QCOMPARE(combo::lines(w.cmbloc), cause == "case" ? QStringList() : places);
        QVERIFY(w.cmbloc->isVisible());
        QCOMPARE(boxTexts(w), "|||||");
    }

    // The message names the archive: one locked by another program (a table
    // page overwritten before start-up), or replaced or removed by another
    // program while this one runs.
    void archiveFailureNamesTheArchive_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("fault"); // locked, damaged, replaced, removed
        QTest::addColumn<bool>("move");     // a move to the east neighbour, or a choice in the box
        QTest::addColumn<QString>("told");  // %1: the folder
        for (const char* file : {"area.mdb", "localita.mdb"})
            for (const bool move : {false, true})
                QTest::addRow("%s locked, %s", file, move ? "sheet moved" : "area chosen")
                    << file << "locked" << move
                    << QStringLiteral("L'archivio %1 è in uso da un altro programma.").arg(file);
        for (const auto& [fault, told] :
             {std::pair{"damaged", "L'archivio localita.mdb è danneggiato."},
              {"replaced", "Il file localita.mdb non è un archivio di Orvena: non è un database."},
              {"removed", "Il file localita.mdb non esiste nella cartella %1."}})
            QTest::addRow("localita.mdb %s, area chosen", fault)
                << "localita.mdb" << fault << false << told;
    }

    void archiveFailureNamesTheArchive() {
        QFETCH(QString, file);
        QFETCH(QString, fault);
        QFETCH(bool, move);
        QFETCH(QString, told);
        Workspace ws;
        if (fault == "damaged") QVERIFY(damageSecondPage(ws.file(file)));
        MainWindow& w = ws.start();
        QString from, to;
        for (const auto& s : demo::demoSheets())
            if (!s.east.isEmpty()) std::tie(from, to) = std::tie(s.name, s.east);
        Workspace::choose(w.f1area, move ? from : to);
        // each load reads localita.mdb
        QCOMPARE(ws.dialogs.takeTexts().size(), fault == "damaged" ? 1 : 0);

        if (fault == "replaced" || fault == "removed") QVERIFY(QFile::remove(ws.file(file)));
        if (fault == "replaced") QVERIFY(writeFile(ws.file(file), "GIF89a, a picture"));
        SQLite::Database other(ws.file(fault == "locked" ? file : "area.mdb").toStdString(),
                               SQLite::OPEN_READWRITE);
        if (fault == "locked") other.exec("BEGIN EXCLUSIVE");
        if (move)
            w.MoveEast();
        else
            Workspace::choose(w.f1area, from);
        checkTold(ws, told.contains("%1") ? told.arg(ws.folder.path()) : told);
        if (fault != "locked") return;

        // Once the other program lets go, nothing is lost.
        other.exec("ROLLBACK");
        ws.dialogs.takeTexts();
        Workspace::choose(w.f1area, from);
        if (move) w.MoveEast();
        QCOMPARE(ws.dialogs.texts(), QStringList());
        QCOMPARE(combo::text(w.f1area), move ? to : from);
        QCOMPARE(combo::lines(w.cmbloc), placesOf(move ? to : from));
    }
};

ORVENA_TEST_MAIN(AreaLoadingTest)
#include "AreaLoadingTest.moc"
