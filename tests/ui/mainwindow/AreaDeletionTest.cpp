#include "MapWindow.h"

#include "core/archive/DeleteArea.h"

using namespace orvena;
using namespace orvena::test;

namespace {

const QString kDeleted = QStringLiteral("Area eliminata correttamente");
const QString kConfirm =
    QStringLiteral("Se verrà scelto OK, verrà eliminata l'area e tutte le località di quella "
                   "area. Procedo con l'eliminazione dal database?");
const QStringList kAreaFields{"AREA", "COLA"};
const QStringList kPlaceFields{"AREA", "LOCALITA"};

QStringList areas(MainWindow& w) {
    return records(w.Data1, sql::kAreaAll, kAreaFields);
}
QStringList places(MainWindow& w) {
    return records(w.Data2, sql::kLocalityAll, kPlaceFields);
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
    void deletes_data() {
        QTest::addColumn<QStringList>("before"); // areas "name|COLA", then "=", then places
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("after");
        const QStringList places{"a|P1", "b|P2", "a|P3", "c|P4", "a|P5"};
        const QStringList three = QStringList{"a|1", "b|2", "c|3", "="} + places;
        QTest::newRow("scattered places of the area go, the others stay")
            << three << "a" << QStringList{"b|2", "c|3", "=", "b|P2", "c|P4"};
        QTest::newRow("letter case differs: nothing goes") << three << "A" << three;
        const QStringList orphans = three + QStringList{"z|P6"};
        QTest::newRow("name not found: even its places stay") << orphans << "z" << orphans;
        QTest::newRow("two records of one name: the first goes, all places go")
            << QStringList{"b|1", "a|2", "a|3", "="} + places << "a"
            << QStringList{"b|1", "a|3", "=", "b|P2", "c|P4"};
        QTest::newRow("empty tables") << QStringList{"="} << "a" << QStringList{"="};
        QTest::newRow("a quote and a column's name are plain names")
            << QStringList{"AREA|1", "x\"y|2", "x|3", "=", "AREA|P", "x\"y|Q", "x|R"} << "x\"y"
            << QStringList{"AREA|1", "x|3", "=", "AREA|P", "x|R"};
    }

    void deletes() {
        QFETCH(QStringList, before);
        QFETCH(QString, chosen);
        QFETCH(QStringList, after);
        Workspace ws(Workspace::Content::Empty);
        MainWindow& w = ws.start();
        const auto split = before.indexOf("=");
        addRecords(w.Data1, kAreaFields, before.mid(0, split));
        addRecords(w.Data2, kPlaceFields, before.mid(split + 1));

        pressDelete(w, chosen);
        checkTold(ws, {kConfirm, kDeleted});
        QCOMPARE(ws.dialogs.shown().at(0).buttons, Buttons::YesNo);
        QCOMPARE(ws.dialogs.shown().at(0).preset, DefaultButton::Decline); // Enter keeps the area
        QVERIFY(!isShown(w.cmdregcor));
        QCOMPARE(areas(w) + QStringList{"="} + places(w), after);
        QStringList listed;
        for (const QString& a : after.mid(0, after.indexOf("=")))
            listed << a.section(u'|', 0, 0);
        QCOMPARE(combo::lines(w.f1area), listed);
    }

    // The box left empty, and the question answered No.
    void refusedOrDeclinedKeepsDeleteMode() {
        for (const auto& [chosen, answer, texts] :
             {std::tuple<QString, int, QStringList>{
                  "", AnswerYes, {"Scegliere l'area da eliminare e clicca Elimina."}},
              {"valfonda_ne.bmp", AnswerNo, {kConfirm}}}) {
            Workspace ws;
            MainWindow& w = ws.start();
            const QStringList before = areas(w) + places(w);
            ws.dialogs.queueAnswer(answer);
            pressDelete(w, chosen);
            QCOMPARE(ws.dialogs.takeTexts(), texts);
            QVERIFY(isShown(w.cmdregcor));
            QCOMPARE(areas(w) + places(w), before);

            // Still in delete mode: a choice loads nothing, and that area is deleted.
            Workspace::choose(w.f1area, "valfonda_so.jpg");
            QVERIFY(w.Image1->sheet().isNull());
            QTest::mouseClick(w.cmdregcor, Qt::LeftButton);
            QCOMPARE(ws.dialogs.takeTexts(), (QStringList{kConfirm, kDeleted}));
            QCOMPARE(areas(w).size(), 3);
            QVERIFY(places(w).filter("valfonda_so.jpg|").isEmpty());

            // Out of delete mode, a choice loads the area again.
            Workspace::choose(w.f1area, "valfonda_ne.bmp");
            QCOMPARE(ws.dialogs.texts(), QStringList());
            QVERIFY(!w.Image1->sheet().isNull() && w.cmbloc->count() > 0);
        }
    }

    void failureOrCancelBetweenTheFilesChangesNothing() {
        Workspace ws;
        MainWindow& w = ws.start();
        const QStringList before = areas(w) + places(w);
        const QString area = QStringLiteral("valfonda_ne.bmp");
        // A cancel heard after the area record went.
        QVERIFY(deleteArea(ws.folder.path(), area, [](auto done, auto) {
                    return done == 0;
                }).cancelled);
        QCOMPARE(areas(w) + places(w), before);

        // The places refuse to go, after the area record is already deleted.
        execSql(ws.file("localita.mdb"), "CREATE TRIGGER refuse BEFORE DELETE ON localita "
                                         "BEGIN SELECT RAISE(ABORT, 'no'); END");
        pressDelete(w, area);
        const QString failure = ws.dialogs.texts().value(1);
        QVERIFY2(failure.startsWith("L'area non è stata eliminata") &&
                     failure.contains("localita.mdb"),
                 qPrintable(failure));
        QVERIFY(!ws.dialogs.shown().at(1).hourglassBusy);
        QVERIFY(isShown(w.cmdregcor));
        QCOMPARE(areas(w) + places(w), before);
    }
};

ORVENA_TEST_MAIN(AreaDeletionTest)
#include "AreaDeletionTest.moc"
