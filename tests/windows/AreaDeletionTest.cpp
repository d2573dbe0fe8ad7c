#include "TestMain.h"
#include "Workspace.h"

#include "archive/DeleteArea.h"
#include "archive/SqlTexts.h"
#include "toolkit/ComboText.h"
#include "toolkit/Picture.h"
#include "viewer/MapImage.h"

#include <QComboBox>
#include <QPushButton>
#include <SQLiteCpp/SQLiteCpp.h>

using namespace orvena;
using orvena::test::Workspace;

namespace {

const QString kDeleted = QStringLiteral("Area eliminata correttamente");
const QString kChoose = QStringLiteral("Scegliere l'area da eliminare e clicca Elimina.");
const QString kConfirm =
    QStringLiteral("Se verrà scelto OK, verrà eliminata l'area e tutte le località di quella "
                   "area. Procedo con l'eliminazione dal database?");

// Areas as "name#n" (n their COLA, telling duplicates apart) in table order.
QStringList areas(RecordView* v) {
    QStringList out;
    v->setRecordSource(sql::kAreaAll);
    v->refresh();
    for (; !v->eof(); v->moveNext())
        out << v->text(QStringLiteral("AREA")) + u'#' + v->text(QStringLiteral("COLA"));
    return out;
}

// Places as "area/name" in table order.
QStringList places(RecordView* v) {
    QStringList out;
    v->setRecordSource(sql::kLocalityAll);
    v->refresh();
    for (; !v->eof(); v->moveNext())
        out << v->text(QStringLiteral("AREA")) + u'/' + v->text(QStringLiteral("LOCALITA"));
    return out;
}

// Fills empty archives: areas "name" get COLA 1, 2, ... in order; places
// "area/name".
void fill(MainWindow& w, const QStringList& areaNames, const QStringList& placeNames) {
    int n = 0;
    for (const QString& a : areaNames) {
        w.Data1->addNew();
        w.Data1->setField(QStringLiteral("AREA"), a);
        w.Data1->setField(QStringLiteral("COLA"), ++n);
        w.Data1->update();
    }
    for (const QString& p : placeNames) {
        w.Data2->addNew();
        w.Data2->setField(QStringLiteral("AREA"), p.section(u'/', 0, 0));
        w.Data2->setField(QStringLiteral("LOCALITA"), p.section(u'/', 1));
        w.Data2->update();
    }
}

void pressDelete(MainWindow& w, const QString& area) {
    w.mnareacanc_Click();
    combo::setText(w.f1area, area);
    QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
}

} // namespace

class AreaDeletionTest : public QObject {
    Q_OBJECT
private slots:
    void deletes_data();
    void deletes();
    void refusedOrDeclinedKeepsDeleteMode_data();
    void refusedOrDeclinedKeepsDeleteMode();
    void areaChoiceLoadsAgainAfterDeletion();
    void failureBetweenTheFilesLeavesBothUnchanged();
    void cancelRollsBack();
};

void AreaDeletionTest::deletes_data() {
    QTest::addColumn<QStringList>("areaNames");
    QTest::addColumn<QStringList>("placeNames");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("areasLeft");
    QTest::addColumn<QStringList>("placesLeft");
    const QStringList three{"a.gif", "b.gif", "c.gif"};
    const QStringList scattered{"a.gif/P1", "b.gif/P2", "a.gif/P3", "c.gif/P4", "a.gif/P5"};
    QTest::newRow("scattered places of the area go, the others stay")
        << three << scattered << "a.gif" << QStringList{"b.gif#2", "c.gif#3"}
        << QStringList{"b.gif/P2", "c.gif/P4"};
    QTest::newRow("letter case differs: nothing goes")
        << three << scattered << "A.GIF" << QStringList{"a.gif#1", "b.gif#2", "c.gif#3"}
        << scattered;
    QTest::newRow("two records of one name: the first goes, all places go")
        << QStringList{"b.gif", "a.gif", "a.gif"} << scattered << "a.gif"
        << QStringList{"b.gif#1", "a.gif#3"} << QStringList{"b.gif/P2", "c.gif/P4"};
    QTest::newRow("name not found") << three << scattered << "z.gif"
                                    << QStringList{"a.gif#1", "b.gif#2", "c.gif#3"} << scattered;
    QTest::newRow("empty tables") << QStringList() << QStringList() << "a.gif" << QStringList()
                                  << QStringList();
    QTest::newRow("quote and a column's name are plain names")
        << QStringList{"AREA", "x\"y", "x"} << QStringList{"AREA/P", "x\"y/Q", "x/R"} << "x\"y"
        << QStringList{"AREA#1", "x#3"} << QStringList{"AREA/P", "x/R"};
}

void AreaDeletionTest::deletes() {
    QFETCH(QStringList, areaNames);
    QFETCH(QStringList, placeNames);
    QFETCH(QString, chosen);
    QFETCH(QStringList, areasLeft);
    QFETCH(QStringList, placesLeft);
    Workspace ws(Workspace::Content::Empty);
    MainWindow& w = ws.start();
    fill(w, areaNames, placeNames);

    pressDelete(w, chosen);
    QCOMPARE(ws.dialogs.texts(), (QStringList{kConfirm, kDeleted}));
    QCOMPARE(ws.dialogs.shown().at(0).buttons, Buttons::YesNo);
    QVERIFY(!ws.dialogs.shown().at(1).hourglassBusy);
    QVERIFY(!isShown(w.cmdregcor));
    QCOMPARE(w.cmdregcor->text(), QStringLiteral("Elimina"));
    QCOMPARE(areas(w.Data1), areasLeft);
    QCOMPARE(places(w.Data2), placesLeft);
    QStringList listed;
    for (const QString& a : areasLeft)
        listed << a.section(u'#', 0, 0);
    QCOMPARE(combo::lines(w.f1area), listed);
}

void AreaDeletionTest::refusedOrDeclinedKeepsDeleteMode_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("empty box") << "" << int(AnswerYes) << QStringList{kChoose};
    QTest::newRow("No") << "valfonda_ne.bmp" << int(AnswerNo) << QStringList{kConfirm};
}

void AreaDeletionTest::refusedOrDeclinedKeepsDeleteMode() {
    QFETCH(QString, chosen);
    QFETCH(int, answer);
    QFETCH(QStringList, texts);
    Workspace ws;
    MainWindow& w = ws.start();
    const QStringList areasBefore = areas(w.Data1);
    const QStringList placesBefore = places(w.Data2);
    ws.dialogs.queueAnswer(answer);
    pressDelete(w, chosen);
    QCOMPARE(ws.dialogs.takeTexts(), texts);
    QVERIFY(isShown(w.cmdregcor));
    QCOMPARE(areas(w.Data1), areasBefore);
    QCOMPARE(places(w.Data2), placesBefore);

    // Still in delete mode: another area can be chosen and deleted.
    combo::setText(w.f1area, QStringLiteral("valfonda_so.jpg"));
    QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
    QCOMPARE(ws.dialogs.takeTexts(), (QStringList{kConfirm, kDeleted}));
    QCOMPARE(areas(w.Data1).size(), areasBefore.size() - 1);
    QVERIFY(!places(w.Data2).join(u' ').contains(QStringLiteral("valfonda_so.jpg/")));
}

void AreaDeletionTest::areaChoiceLoadsAgainAfterDeletion() {
    Workspace ws;
    MainWindow& w = ws.start();
    w.mnareacanc_Click();
    // In delete mode a choice only names the area.
    Workspace::choose(w.f1area, QStringLiteral("valfonda_se.jpg"));
    QVERIFY(w.state().loadedPicture.isNull());
    QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
    QCOMPARE(ws.dialogs.takeTexts(), (QStringList{kConfirm, kDeleted}));
    QVERIFY(!combo::lines(w.f1area).contains(QStringLiteral("valfonda_se.jpg")));

    Workspace::choose(w.f1area, QStringLiteral("valfonda_ne.bmp"));
    QCOMPARE(ws.dialogs.texts(), QStringList());
    QCOMPARE(w.state().loadedPicture, loadPicture(ws.file(QStringLiteral("valfonda_ne.bmp"))));
    QVERIFY(w.cmbloc->count() > 0);
}

void AreaDeletionTest::failureBetweenTheFilesLeavesBothUnchanged() {
    Workspace ws;
    MainWindow& w = ws.start();
    const QStringList areasBefore = areas(w.Data1);
    const QStringList placesBefore = places(w.Data2);
    {
        // The places refuse to go, after the area record is already deleted.
        SQLite::Database loc(ws.file(QStringLiteral("localita.mdb")).toStdString(),
                             SQLite::OPEN_READWRITE);
        loc.exec("CREATE TRIGGER refuse BEFORE DELETE ON localita "
                 "BEGIN SELECT RAISE(ABORT, 'disk says no'); END");
    }
    pressDelete(w, QStringLiteral("valfonda_ne.bmp"));
    const QStringList texts = ws.dialogs.texts();
    QCOMPARE(texts.size(), 2);
    QVERIFY2(texts[1].startsWith(QStringLiteral("L'area non è stata eliminata")) &&
                 texts[1].contains(QStringLiteral("localita.mdb")),
             qPrintable(texts[1]));
    QVERIFY(!ws.dialogs.shown().at(1).hourglassBusy);
    QVERIFY(isShown(w.cmdregcor));
    QCOMPARE(areas(w.Data1), areasBefore);
    QCOMPARE(places(w.Data2), placesBefore);
}

void AreaDeletionTest::cancelRollsBack() {
    Workspace ws;
    MainWindow& w = ws.start();
    const QStringList placesBefore = places(w.Data2);
    const AreaDeletionResult r =
        deleteArea(ws.folder.path(), QStringLiteral("valfonda_ne.bmp"),
                   [](std::int64_t done, std::int64_t) { return done == 0; });
    QVERIFY(r.cancelled && !r.ok());
    QCOMPARE(places(w.Data2), placesBefore);
    QVERIFY(areas(w.Data1).join(u' ').contains(QStringLiteral("valfonda_ne.bmp")));
}

ORVENA_TEST_MAIN(AreaDeletionTest)
#include "AreaDeletionTest.moc"
