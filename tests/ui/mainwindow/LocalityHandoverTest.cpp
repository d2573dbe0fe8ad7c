#include "MapWindow.h"

using namespace orvena;
using namespace orvena::test;

namespace {

// The middle of the marking arrow on the window after a marking at zoom 100:
// the down arrow's corner at (5500, 3500) twips, the up arrow's 100 right of
// and 350 below it (PY up to 809).
QPoint arrowMiddle(double py) {
    return py > 809 ? QPoint(367 + 8, 233 + 10) : QPoint(374 + 8, 256 + 10);
}

} // namespace

class LocalityHandoverTest : public QObject {
    Q_OBJECT
private slots:
    // A locality handed over on the command line or, when that is empty, by
    // the search window.
    void handover_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QStringList>("chosen"); // area and locality chosen in the search window
        // "own": the sheet and name shown are a sheet file and records of the
        // test's own, the place at (3140, 3000); "no image": kNE's file removed.
        QTest::addColumn<QString>("setUp");
        // Shown in f1area, cmbloc and the boxes (after a refused choice, not looked at).
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<double>("py"); // of the place marked, 0 when none is
        QTest::addColumn<QString>("message");
        auto row = [](const char* tag, const QString& line, const QStringList& chosen,
                      const char* setUp, const QString& sheet, const QString& name,
                      const QStringList& boxes, double py, const QString& message) {
            QTest::newRow(tag) << line << chosen << setUp << sheet << name << boxes << py
                               << message;
        };
        const QStringList fontanelle{"45", "29", "53", "9", "53", "36"};
        const QStringList own{"45", "20", "10", "9", "50", "5"};
        const QStringList none(6, QStringLiteral("-"));
        // FONTANELLE and CÀ BIANCA: up and down arrow.
        row("small letters", "fontanelle", {}, "", kNE, "FONTANELLE", fontanelle, 770, "");
        row("accented", "cà bianca", {}, "", "valfonda_no.gif", "CÀ BIANCA",
            {"45", "27", "24", "9", "33", "54"}, 5343, "");
        row("sheet image missing", "fontanelle", {}, "no image", kNE, "FONTANELLE", fontanelle, 0,
            "La cartina selezionata non è presente nella cartella,");
        row("unknown", "nessun posto", {}, "", "", "", none, 0,
            "Località \"NESSUN POSTO\" non trovata.");
        row("quotes", "o'neil \"x\"", {}, "", "", "", none, 0,
            "Località \"O'NEIL \"X\"\" non trovata.");
        const QString longArea =
            QStringLiteral("carta del comune di valfonda e dei suoi dintorni.bmp");
        const QString longPlace =
            QStringLiteral("CASCINA DEL MOLINO VECCHIO SULLA STRADA PER LA FONTANA DI SOPRA");
        row("search, trailing blanks", "", {"pozzi.bmp", "POZZO"}, "own", "pozzi.bmp   ", "POZZO  ",
            own, 3000, "");
        row("search, longer than 50", "", {longArea.left(50), longPlace.left(50)}, "own", longArea,
            longPlace, own, 3000, "");
        row("search, unknown area", "", {"nessuna.jpg", "FONTANELLE"}, "", "", "", none, 0,
            "Area non trovata");
        row("search, place of another sheet", "", {kNE, "SAN ROCCO"}, "", "", "", none, 0,
            "Località non trovata");
    }

    void handover() {
        QFETCH(QString, commandLine);
        QFETCH(QStringList, chosen);
        QFETCH(QString, setUp);
        QFETCH(QString, sheet);
        QFETCH(QString, name);
        QFETCH(QStringList, boxes);
        QFETCH(double, py);
        QFETCH(QString, message);
        Workspace ws;
        if (setUp == "no image") QVERIFY(QFile::remove(ws.file(kNE)));
        MainWindow& w = ws.start(commandLine);
        QCoreApplication::processEvents();
        if (!chosen.isEmpty()) {
            if (setUp == "own") {
                QVERIFY(QFile::copy(ws.file(kNE), ws.file(sheet)));
                addRecord(w.Data1, {{"AREA", sheet}, {"COLA", 24.25}, {"COLO", 17.0}});
                addLocality(w.Data2, sheet, name, 3140.0, 3000.0);
            }
            w.state().localityChosen = Flag::One;
            w.state().chosenArea = chosen.at(0);
            w.state().chosenLocality = chosen.at(1);
            w.Form_Activate();
            QCOMPARE(w.state().localityChosen, message.isEmpty() ? Flag::Zero : Flag::One);
            if (!message.isEmpty()) return checkTold(ws, message); // the choice kept
        }
        checkTold(ws, message);
        QCOMPARE(combo::text(w.f1area), sheet);
        QCOMPARE(combo::text(w.cmbloc), name);
        QCOMPARE(boxTexts(w, "-"), boxes);
        if (py != 0) QVERIFY(arrowBlueNear(w, arrowMiddle(py)));
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
        QCOMPARE(combo::text(w.cmbloc), QStringLiteral("SAN MARTINO"));
        QCOMPARE(w.Data2->text("AREA"), combo::text(w.f1area));
    }
};

ORVENA_TEST_MAIN(LocalityHandoverTest)
#include "LocalityHandoverTest.moc"
