#include "MarkerPixels.h"
#include "TestMain.h"
#include "Workspace.h"

#include "DemoAtlas.h"
#include "archive/SqlTexts.h"
#include "toolkit/ComboText.h"
#include "toolkit/Hourglass.h"
#include "viewer/MapImage.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

using namespace orvena;
using orvena::test::Workspace;

namespace {

const QString kNE = QStringLiteral("valfonda_ne.bmp");
const QString kMissingSheet =
    QStringLiteral("La cartina selezionata non è presente nella cartella,");

const demo::DemoPlace& place(const QString& area, const QString& name) {
    for (const auto& p : demo::demoPlaces())
        if (p.area == area && p.name == name) return p;
    qFatal("no demo place %s", qPrintable(name));
}

QStringList boxTexts(MainWindow& w) {
    QStringList texts;
    for (QLineEdit* b : w.coordinateBoxes())
        texts << (isShown(b) ? b->text() : QStringLiteral("-"));
    return texts;
}

QStringList dmsTexts(const std::array<int, 6>& dms) {
    QStringList texts;
    for (int v : dms)
        texts << QString::number(v);
    return texts;
}

QStringList dmsTexts(const demo::DemoPlace& p) {
    return dmsTexts({p.latDeg, p.latMin, p.latSec, p.lonDeg, p.lonMin, p.lonSec});
}

// The arrow's top-left corner on the window, in pixels, for a place marked at
// zoom 100: the down arrow's corner at (5500, 3500) twips, the up arrow 100
// twips right of and 350 below it.
QPoint arrowMiddle(double py) {
    return py > 809 ? QPoint(367 + 8, 233 + 10) : QPoint(374 + 8, 256 + 10);
}

// Adds an AREA record for a copy of the north-east sheet under another name.
void addSheetCopy(Workspace& ws, const QString& name) {
    QVERIFY(QFile::copy(ws.file(kNE), ws.file(name)));
    RecordView* v = ws.archives.Data1;
    v->addNew();
    v->setField(QStringLiteral("AREA"), name);
    v->setField(QStringLiteral("COLA"), 24.25);
    v->setField(QStringLiteral("COLO"), 17.0);
    v->update();
}

void removeArea(MainWindow& w, const QString& name) {
    w.Data1->setRecordSource(sql::kAreaByName, {name});
    w.Data1->refresh();
    w.Data1->moveFirst();
    w.Data1->remove();
}

} // namespace

class LocalityHandoverTest : public QObject {
    Q_OBJECT
private slots:
    void commandLineShowsThePlace_data();
    void commandLineShowsThePlace();
    void commandLineNameOnTwoSheets();
    void commandLineNameNotFound_data();
    void commandLineNameNotFound();
    void commandLinePlaceOnASheetWithoutRecord();
    void commandLineSheetImageMissing();
    void commandLineWinsOverTheSearch();
    void searchHandOver_data();
    void searchHandOver();
    void searchReports_data();
    void searchReports();
};

void LocalityHandoverTest::commandLineShowsThePlace_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("name");
    QTest::newRow("small letters") << "fontanelle" << kNE << "FONTANELLE";
    QTest::newRow("accented") << "cà bianca"
                              << "valfonda_no.gif"
                              << "CÀ BIANCA";
    QTest::newRow("apostrophe") << "Sant'Anna" << kNE << "SANT'ANNA";
    QTest::newRow("down arrow") << "CORTE NUOVA" << kNE << "CORTE NUOVA";
}

void LocalityHandoverTest::commandLineShowsThePlace() {
    QFETCH(QString, commandLine);
    QFETCH(QString, sheet);
    QFETCH(QString, name);
    Workspace ws;
    MainWindow& w = ws.start(commandLine);
    const auto& p = place(sheet, name);

    QCOMPARE(ws.dialogs.texts(), QStringList());
    QCOMPARE(combo::text(w.f1area), sheet);
    QCOMPARE(combo::text(w.cmbloc), name);
    QVERIFY(combo::lines(w.cmbloc).contains(name));
    QCOMPARE(boxTexts(w), dmsTexts(p));
    QVERIFY(isShown(w.Label4) && isShown(w.Label8));
    QCOMPARE(w.f1ing->text(), QStringLiteral("100"));
    QCOMPARE(w.state().markerLeft, qRound(1080 + p.px - 140));
    QCOMPARE(w.state().markerTop, qRound(840 + p.py - 400));
    QVERIFY(w.Image1->shown());
    QVERIFY(w.Image1->picture() != w.state().loadedPicture);
    QVERIFY(test::arrowBlueNear(w, arrowMiddle(p.py)));
    QVERIFY(!hourglass::isBusy());
}

void LocalityHandoverTest::commandLineNameOnTwoSheets() {
    Workspace ws;
    MainWindow& w = ws.start(QStringLiteral("san martino"));
    QCOMPARE(ws.dialogs.texts(), QStringList());
    const QString first = combo::text(w.f1area);
    QVERIFY(first == QLatin1String("valfonda_no.gif") || first == QLatin1String("valfonda_se.jpg"));
    QCOMPARE(boxTexts(w), dmsTexts(place(first, QStringLiteral("SAN MARTINO"))));

    // Without the first sheet's record the next activation takes the other.
    removeArea(w, first);
    w.Form_Activate();
    const QString second = first == QLatin1String("valfonda_no.gif")
                               ? QStringLiteral("valfonda_se.jpg")
                               : QStringLiteral("valfonda_no.gif");
    QCOMPARE(ws.dialogs.texts(), QStringList());
    QCOMPARE(combo::text(w.f1area), second);
    QCOMPARE(combo::text(w.cmbloc), QStringLiteral("SAN MARTINO"));
    QCOMPARE(boxTexts(w), dmsTexts(place(second, QStringLiteral("SAN MARTINO"))));
    QVERIFY(test::arrowBlueNear(w, arrowMiddle(place(second, QStringLiteral("SAN MARTINO")).py)));
}

void LocalityHandoverTest::commandLineNameNotFound_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown") << "nessun posto"
                             << "Località \"NESSUN POSTO\" non trovata.";
    QTest::newRow("quotes") << "o'neil \"x\""
                            << "Località \"O'NEIL \"X\"\" non trovata.";
    QTest::newRow("column name") << "localita"
                                 << "Località \"LOCALITA\" non trovata.";
    QTest::newRow("part of a name") << "fontan"
                                    << "Località \"FONTAN\" non trovata.";
}

void LocalityHandoverTest::commandLineNameNotFound() {
    QFETCH(QString, commandLine);
    QFETCH(QString, message);
    Workspace ws;
    MainWindow& w = ws.start(commandLine);
    QCoreApplication::processEvents();
    QCOMPARE(ws.dialogs.texts(), QStringList{message});
    QVERIFY(!ws.dialogs.shown().front().hourglassBusy);
    QCOMPARE(combo::text(w.f1area), QString());
    QCOMPARE(boxTexts(w), QStringList(6, QStringLiteral("-")));
}

void LocalityHandoverTest::commandLinePlaceOnASheetWithoutRecord() {
    Workspace ws;
    MainWindow& w = ws.start(QStringLiteral("perduta"));
    test::addLocality(w.Data2, QStringLiteral("nessuna.jpg"), QStringLiteral("PERDUTA"), 3000.0,
                      3000.0);
    w.Form_Activate();
    const QString message = QStringLiteral("Località \"PERDUTA\" non trovata.");
    QCOMPARE(ws.dialogs.texts(), (QStringList{message, message}));
    QCOMPARE(combo::text(w.f1area), QString());
}

void LocalityHandoverTest::commandLineSheetImageMissing() {
    Workspace ws;
    QVERIFY(QFile::remove(ws.file(kNE)));
    MainWindow& w = ws.start(QStringLiteral("fontanelle"));
    QCOMPARE(ws.dialogs.texts(), QStringList{kMissingSheet});
    QCOMPARE(combo::text(w.f1area), kNE);
    QCOMPARE(combo::text(w.cmbloc), QStringLiteral("FONTANELLE"));
    QCOMPARE(boxTexts(w), dmsTexts(place(kNE, QStringLiteral("FONTANELLE"))));
    QVERIFY(!hourglass::isBusy());
}

void LocalityHandoverTest::commandLineWinsOverTheSearch() {
    Workspace ws;
    MainWindow& w = ws.start(QStringLiteral("fontanelle"));
    w.state().localityChosen = Flag::One;
    w.state().chosenArea = QStringLiteral("valfonda_so.jpg");
    w.state().chosenLocality = QStringLiteral("SAN ROCCO");
    w.Form_Activate();
    QCOMPARE(ws.dialogs.texts(), QStringList());
    QCOMPARE(combo::text(w.f1area), kNE);
    QCOMPARE(combo::text(w.cmbloc), QStringLiteral("FONTANELLE"));
    QCOMPARE(w.state().localityChosen, Flag::One);
}

void LocalityHandoverTest::searchHandOver_data() {
    QTest::addColumn<QString>("sheet");    // stored AREA, empty for the demo's
    QTest::addColumn<QString>("locality"); // stored LOCALITA, for a record of the test's own
    QTest::addColumn<QString>("chosenArea");
    QTest::addColumn<QString>("chosenLocality");
    QTest::addColumn<QString>("shownArea");
    QTest::addColumn<QString>("shownLocality");

    QTest::newRow("demo place") << QString() << QString() << kNE << "VILLAFREDDA" << kNE
                                << "VILLAFREDDA";
    QTest::newRow("same name on another sheet") << QString() << QString() << "valfonda_se.jpg"
                                                << "SAN MARTINO"
                                                << "valfonda_se.jpg"
                                                << "SAN MARTINO";
    QTest::newRow("trailing blanks") << "pozzi.bmp   "
                                     << "POZZO  "
                                     << "pozzi.bmp"
                                     << "POZZO"
                                     << "pozzi.bmp   "
                                     << "POZZO  ";
    const QString longArea = QStringLiteral("carta del comune di valfonda e dei suoi dintorni.bmp");
    const QString longPlace =
        QStringLiteral("CASCINA DEL MOLINO VECCHIO SULLA STRADA PER LA FONTANA DI SOPRA");
    QVERIFY(longArea.size() > 50 && longPlace.size() > 50);
    QTest::newRow("longer than 50") << longArea << longPlace << longArea.left(50)
                                    << longPlace.left(50) << longArea << longPlace;
}

void LocalityHandoverTest::searchHandOver() {
    QFETCH(QString, sheet);
    QFETCH(QString, locality);
    QFETCH(QString, chosenArea);
    QFETCH(QString, chosenLocality);
    QFETCH(QString, shownArea);
    QFETCH(QString, shownLocality);
    Workspace ws;
    MainWindow& w = ws.start();
    QStringList dms;
    double py = 0;
    if (!sheet.isEmpty()) {
        addSheetCopy(ws, sheet);
        test::addLocality(w.Data2, sheet, locality, 3140.0, 3000.0);
        dms = dmsTexts({45, 20, 10, 9, 50, 5});
        py = 3000;
    } else {
        dms = dmsTexts(place(shownArea, shownLocality));
        py = place(shownArea, shownLocality).py;
    }

    w.state().localityChosen = Flag::One;
    w.state().chosenArea = chosenArea;
    w.state().chosenLocality = chosenLocality;
    w.Form_Activate();

    QCOMPARE(ws.dialogs.texts(), QStringList());
    QCOMPARE(combo::text(w.f1area), shownArea);
    QCOMPARE(combo::text(w.cmbloc), shownLocality);
    QCOMPARE(w.state().localityChosen, Flag::Zero);
    QCOMPARE(boxTexts(w), dms);
    QVERIFY(w.Image1->shown());
    QVERIFY(test::arrowBlueNear(w, arrowMiddle(py)));
    QVERIFY(!hourglass::isBusy());
}

void LocalityHandoverTest::searchReports_data() {
    QTest::addColumn<QString>("chosenArea");
    QTest::addColumn<QString>("chosenLocality");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shownArea"); // what f1area then names
    QTest::newRow("unknown area") << "nessuna.jpg"
                                  << "FONTANELLE"
                                  << "Area non trovata"
                                  << "";
    QTest::newRow("area in other letters") << kNE.toUpper() << "FONTANELLE"
                                           << "Area non trovata"
                                           << "";
    QTest::newRow("unknown place") << kNE << "NESSUNA"
                                   << "Località non trovata" << kNE;
    QTest::newRow("place of another sheet") << kNE << "SAN ROCCO"
                                            << "Località non trovata" << kNE;
    QTest::newRow("place in other letters") << kNE << "Fontanelle"
                                            << "Località non trovata" << kNE;
}

void LocalityHandoverTest::searchReports() {
    QFETCH(QString, chosenArea);
    QFETCH(QString, chosenLocality);
    QFETCH(QString, message);
    QFETCH(QString, shownArea);
    Workspace ws;
    MainWindow& w = ws.start();
    w.state().localityChosen = Flag::One;
    w.state().chosenArea = chosenArea;
    w.state().chosenLocality = chosenLocality;
    w.Form_Activate();

    QCOMPARE(ws.dialogs.texts(), QStringList{message});
    QVERIFY(!ws.dialogs.shown().front().hourglassBusy);
    QVERIFY(!hourglass::isBusy());
    QCOMPARE(w.state().localityChosen, Flag::One);
    QCOMPARE(combo::text(w.f1area), shownArea);
    QCOMPARE(boxTexts(w), QStringList(6, QStringLiteral("-")));
    // The next activation tries again.
    w.Form_Activate();
    QCOMPARE(ws.dialogs.texts(), (QStringList{message, message}));
}

ORVENA_TEST_MAIN(LocalityHandoverTest)
#include "LocalityHandoverTest.moc"
