#include "MarkerPixels.h"
#include "TestMain.h"
#include "Workspace.h"

#include "archive/SqlTexts.h"
#include "toolkit/ComboText.h"
#include "toolkit/Hourglass.h"

#include <QComboBox>
#include <QFile>

using namespace orvena;
using orvena::test::Workspace;

namespace {

const QString kNE = QStringLiteral("valfonda_ne.bmp");

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
    void commandLine_data() {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<bool>("imageMissing");
        QTest::addColumn<QString>("sheet"); // shown in f1area, empty when not found
        QTest::addColumn<QString>("name");  // shown in cmbloc
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("message");
        auto row = [](const char* tag, const QString& line, bool missing, const QString& sheet,
                      const QString& name, const QStringList& boxes, const QString& message) {
            QTest::newRow(tag) << line << missing << sheet << name << boxes << message;
        };
        const QStringList fontanelle{"45", "29", "53", "9", "53", "36"};
        const QStringList none(6, QStringLiteral("-"));
        row("small letters", "fontanelle", false, kNE, "FONTANELLE", fontanelle, "");
        row("accented", "cà bianca", false, "valfonda_no.gif", "CÀ BIANCA",
            {"45", "27", "24", "9", "33", "54"}, "");
        row("sheet image missing", "fontanelle", true, kNE, "FONTANELLE", fontanelle,
            "La cartina selezionata non è presente nella cartella,");
        row("unknown", "nessun posto", false, "", "", none,
            "Località \"NESSUN POSTO\" non trovata.");
        row("quotes", "o'neil \"x\"", false, "", "", none,
            "Località \"O'NEIL \"X\"\" non trovata.");
    }

    void commandLine() {
        QFETCH(QString, commandLine);
        QFETCH(bool, imageMissing);
        QFETCH(QString, sheet);
        QFETCH(QString, name);
        QFETCH(QStringList, boxes);
        QFETCH(QString, message);
        Workspace ws;
        if (imageMissing) QVERIFY(QFile::remove(ws.file(kNE)));
        MainWindow& w = ws.start(commandLine);
        QCoreApplication::processEvents();
        QCOMPARE(ws.dialogs.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(ws.dialogs.shown().isEmpty() || !ws.dialogs.shown().front().hourglassBusy);
        QVERIFY(!hourglass::isBusy());
        QCOMPARE(combo::text(w.f1area), sheet);
        QCOMPARE(combo::text(w.cmbloc), name);
        QCOMPARE(test::boxTexts(w), boxes);
        if (message.isEmpty()) // FONTANELLE and CÀ BIANCA: up and down arrow
            QVERIFY(test::arrowBlueNear(w, arrowMiddle(name == "FONTANELLE" ? 770 : 5343)));
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

    void search_data() {
        QTest::addColumn<QString>("sheet");    // a record and sheet file of the test's own
        QTest::addColumn<QString>("locality"); // and a locality on it at (3140, 3000)
        QTest::addColumn<QString>("chosenArea");
        QTest::addColumn<QString>("chosenLocality");
        QTest::addColumn<QString>("message"); // empty when shown
        const QString longArea =
            QStringLiteral("carta del comune di valfonda e dei suoi dintorni.bmp");
        const QString longPlace =
            QStringLiteral("CASCINA DEL MOLINO VECCHIO SULLA STRADA PER LA FONTANA DI SOPRA");
        auto row = [](const char* name, const QString& sheet, const QString& locality,
                      const QString& area, const QString& place, const char* message) {
            QTest::newRow(name) << sheet << locality << area << place << message;
        };
        row("trailing blanks", "pozzi.bmp   ", "POZZO  ", "pozzi.bmp", "POZZO", "");
        row("longer than 50", longArea, longPlace, longArea.left(50), longPlace.left(50), "");
        row("unknown area", "", "", "nessuna.jpg", "FONTANELLE", "Area non trovata");
        row("place of another sheet", "", "", kNE, "SAN ROCCO", "Località non trovata");
    }

    void search() {
        QFETCH(QString, sheet);
        QFETCH(QString, locality);
        QFETCH(QString, chosenArea);
        QFETCH(QString, chosenLocality);
        QFETCH(QString, message);
        Workspace ws;
        MainWindow& w = ws.start();
        if (!sheet.isEmpty()) {
            QVERIFY(QFile::copy(ws.file(kNE), ws.file(sheet)));
            test::addRecord(w.Data1, {{"AREA", sheet}, {"COLA", 24.25}, {"COLO", 17.0}});
            test::addLocality(w.Data2, sheet, locality, 3140.0, 3000.0);
        }
        w.state().localityChosen = Flag::One;
        w.state().chosenArea = chosenArea;
        w.state().chosenLocality = chosenLocality;
        w.Form_Activate();
        QVERIFY(!hourglass::isBusy());
        if (!message.isEmpty()) {
            QCOMPARE(ws.dialogs.texts(), QStringList{message});
            QVERIFY(!ws.dialogs.shown().front().hourglassBusy);
            QCOMPARE(w.state().localityChosen, Flag::One);
            return;
        }
        QCOMPARE(ws.dialogs.texts(), QStringList());
        QCOMPARE(combo::text(w.f1area), sheet);
        QCOMPARE(combo::text(w.cmbloc), locality);
        QCOMPARE(w.state().localityChosen, Flag::Zero);
        QCOMPARE(test::boxTexts(w), (QStringList{"45", "20", "10", "9", "50", "5"}));
        QVERIFY(test::arrowBlueNear(w, arrowMiddle(3000)));
    }
};

ORVENA_TEST_MAIN(LocalityHandoverTest)
#include "LocalityHandoverTest.moc"
