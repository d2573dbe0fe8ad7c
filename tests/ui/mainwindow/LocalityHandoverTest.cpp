#include "MapWindow.h"

#include "ui/windows/LocalitySearch.h"

#include <QLineEdit>

using namespace orvena;
using namespace orvena::test;

namespace {

// The middle of the marking arrow on the window after a marking at zoom 100:
// the down arrow's corner at (5500, 3500) twips, the up arrow's 100 right of
// and 350 below it (PY up to 809).
QPoint arrowMiddle(double py) {
    return py > 809 ? kArrowMiddle : kArrowMiddle + QPoint(7, 23);
}

// A locality handed over on the command line or, when that is empty, by the
// search window (the area and locality it chose, joined by '|'): what f1area,
// cmbloc and the boxes show afterwards (after a refused choice, not looked
// at), the PY of the place marked (0 when none is) and the message.
struct Handover {
    const char* tag;
    QString commandLine, chosen;
    // "own": the sheet and name shown are a sheet file and records of the
    // test's own, the place at (3140, 3000); "no image": kNE's file removed.
    QString setUp;
    QString sheet, name, boxes;
    double py;
    QString message;
};

} // namespace

class LocalityHandoverTest : public QObject {
    Q_OBJECT
private slots:
    void handover_data() {
        const QString fontanelle = "45|29|53|9|53|36", own = "45|20|10|9|50|5",
                      none = "-|-|-|-|-|-";
        // FONTANELLE and CÀ BIANCA: up and down arrow.
        test::addRows<Handover>({
            {"small letters", "fontanelle", "", "", kNE, "FONTANELLE", fontanelle, 770, ""},
            {"accented", "cà bianca", "", "", "valfonda_no.gif", "CÀ BIANCA", "45|27|24|9|33|54",
             5343, ""},
            {"sheet image missing", "fontanelle", "", "no image", kNE, "FONTANELLE", fontanelle, 0,
             kSheetMissing},
            {"unknown", "nessun posto", "", "", "", "", none, 0,
             "Località \"NESSUN POSTO\" non trovata."},
            {"quotes", "o'neil \"x\"", "", "", "", "", none, 0,
             "Località \"O'NEIL \"X\"\" non trovata."},
            {"search, trailing blanks", "", "pozzi.bmp|POZZO", "own", "pozzi.bmp   ", "POZZO  ",
             own, 3000, ""},
            {"search, unknown area", "", "nessuna.jpg|FONTANELLE", "", "", "", none, 0,
             "Area non trovata"},
            {"search, place of another sheet", "", kNE + "|SAN ROCCO", "", "", "", none, 0,
             "Località non trovata"},
        });
    }

    void handover() {
        QFETCH(Handover, row);
        Workspace ws;
        if (row.setUp == "no image") QVERIFY(QFile::remove(ws.file(kNE)));
        MainWindow& w = ws.start(row.commandLine);
        QCoreApplication::processEvents();
        if (!row.chosen.isEmpty()) {
            if (row.setUp == "own") {
                addCopyOfNE(ws, row.sheet);
                addLocality(w.Data2, row.sheet, row.name, 3140.0, 3000.0);
            }
            w.state().localityChosen = Flag::One;
            w.state().chosenArea = row.chosen.section(u'|', 0, 0);
            w.state().chosenLocality = row.chosen.section(u'|', 1);
            w.Form_Activate();
            QCOMPARE(w.state().localityChosen, row.message.isEmpty() ? Flag::Zero : Flag::One);
            if (!row.message.isEmpty()) return checkTold(ws, row.message); // the choice kept
        }
        checkTold(ws, row.message);
        QCOMPARE(combo::text(w.f1area), row.sheet);
        QCOMPARE(combo::text(w.cmbloc), row.name);
        QCOMPARE(boxTexts(w, "-"), row.boxes);
        if (row.py != 0) QVERIFY(arrowBlueNear(w, arrowMiddle(row.py)));
    }

    void commandLineNameOnTwoSheets() {
        Workspace ws;
        MainWindow& w = ws.start(QStringLiteral("san martino"));
        const QStringList sheets{QStringLiteral("valfonda_no.gif"),
                                 QStringLiteral("valfonda_se.jpg")};
        const QString first = combo::text(w.f1area);
        QVERIFY(sheets.contains(first));
        // Without the first sheet's record, the next activation takes the other one.
        w.Data1->setRecordSource(sql::kAreaByName, {first});
        w.Data1->refresh();
        w.Data1->moveFirst();
        w.Data1->remove();
        w.Form_Activate();
        QCOMPARE(ws.dialogs.texts(), QStringList());
        QCOMPARE(combo::text(w.f1area), sheets.at(1 - sheets.indexOf(first)));
        QCOMPARE(combo::text(w.cmbloc), "SAN MARTINO");
        QCOMPARE(w.Data2->text("AREA"), combo::text(w.f1area));
    }

    // A name not found exactly: the message, then the search window on the
    // places whose names come closest to it.
    void commandLineNameNotFoundOpensTheSearch() {
        Workspace ws;
        MainWindow& w = ws.start(QStringLiteral("santanna"));
        checkTold(ws, "Località \"SANTANNA\" non trovata.");
        auto* search = w.findChild<LocalitySearch*>();
        QVERIFY(search && search->isVisible());
        activated(search);
        QTRY_VERIFY(!search->busy());
        QCOMPARE(search->comtrova->text(), "SANTANNA");
        QStringList lines;
        for (int i = 0; i < search->lineCount(); ++i)
            lines << search->lineText(i).simplified();
        QVERIFY2(lines.join(u'|').contains("SANT'ANNA"), qPrintable(lines.join(u'|')));
    }
};

ORVENA_TEST_MAIN(LocalityHandoverTest)
#include "LocalityHandoverTest.moc"
