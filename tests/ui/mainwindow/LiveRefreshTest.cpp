// Two users of one atlas on a real PostgreSQL server (started for this test
// by tests/support/with-postgres.sh): the real main window in this process,
// and another user writing through record views of its own connections.
// What the other commits reaches the sheet list, the shown sheet's places,
// the search list and the locality editor within a second, each refreshed in
// place: the sheet and place chosen, the line chosen in the search list and
// every text typed stay. A listener cut off by the server listens again.
#include "MapWindow.h"
#include "ServerAtlas.h"

#include "core/archive/LiveChanges.h"
#include "core/archive/SqlTexts.h"
#include "ui/windows/LinksEditor.h"
#include "ui/windows/LocalitySearch.h"

#include <QListView>

using namespace orvena;
using namespace orvena::test;

namespace {

enum class Other {
    AddPlace,
    DeletePlace,
    MoveMarked,
    AddSheet,
    ChangeLinks,
    CutListenerThenAddPlace
};

struct Row {
    const char* tag;
    Other other;
    bool sheetListed; // the sheet "Foglio Nuovo" in the sheet list afterwards
    int placeChange;  // places of the shown sheet: +1 added, -1 gone, 0 as they were
};

const QString kNewPlace = QStringLiteral("NUOVA DI ALTRI");
const QString kNewSheet = QStringLiteral("Foglio Nuovo");

} // namespace
Q_DECLARE_METATYPE(Row)

class LiveRefreshTest : public QObject {
    Q_OBJECT

    // The demo atlas on a database of the row's own; the folder keeps the
    // sheets' pictures only.
    static QString loadAtlas(Workspace& ws) {
        const QString connection = "dbname=" + loadOnServer(ws.folder.path());
        QFile::remove(ws.file(Archives::kAreaFile));
        QFile::remove(ws.file(Archives::kLocalityFile));
        atlasserver::setFromCommandLine(connection);
        return connection;
    }

private slots:
    void initTestCase() { ORVENA_NEEDS_SERVER(); }
    void cleanup() {
        atlasserver::closeConnections();
        atlasserver::setFromCommandLine({});
    }

    void othersChangesShownInPlace_data() {
        addRows<Row>({
            {"place added", Other::AddPlace, false, +1},
            {"place deleted", Other::DeletePlace, false, -1},
            {"marked place moved", Other::MoveMarked, false, 0},
            {"sheet added", Other::AddSheet, true, 0},
            {"shown sheet's links changed", Other::ChangeLinks, false, 0},
            {"listener cut, then a place added", Other::CutListenerThenAddPlace, false, +1},
        });
    }
    void othersChangesShownInPlace() {
        QFETCH(Row, row);
        Workspace ws;
        const QString connection = loadAtlas(ws);
        QVERIFY(!connection.isEmpty());
        MainWindow& w = ws.start();
        QVERIFY(w.liveChanges() && w.liveChanges()->listening());

        // This user: a sheet shown, one of its places marked, the search
        // list open on a line, a place half typed in the locality editor.
        const QString shown = sheet("NE");
        const QStringList places = placesOf(shown);
        const QString marked = places.at(1), gone = places.at(2);
        Workspace::choose(w.f1area, shown);
        const bool lookupOnServer = w.shownSheet().exists();
        w.mnloccerca->trigger();
        auto* search = w.findChild<LocalitySearch*>();
        QVERIFY(search);
        activated(search);
        QTRY_VERIFY_WITH_TIMEOUT(!search->busy(), 5000);
        w.mncollega_Click();
        auto* links = w.findChild<LinksEditor*>();
        QVERIFY(links);
        const QString north = combo::text(links->cmbnord);
        w.mnlocagg->trigger();
        LocalityEditor* editor = w.localityEditor();
        QVERIFY(editor);
        Workspace::choose(editor->cmbarea, shown);
        combo::setText(editor->cmbloc, "SCRITTA A META'");
        editor->f2grla->setText("44");
        ws.dialogs.takeTexts();
        // The windows' activations are over before the state is taken.
        QTest::qWait(300);
        QPointF arrow;
        if (lookupOnServer) {
            Workspace::choose(w.cmbloc, marked);
            arrow = w.Image1->composition().marks().front().at;
        }
        const int searchLines = search->lineCount();
        search->List1->setCurrentIndex(search->List1->model()->index(5, 0));
        QCOMPARE(search->List1->currentIndex().row(), 5);
        const QString searchLine = search->lineText(5);
        search->comtrova->setText("VILLA");
        combo::setText(links->cmbest, "EST SCELTO");

        // The other user, on connections of its own.
        RecordView areas("Data1", Archives::kAreaFile, "AREA", {});
        RecordView others("Data2", Archives::kLocalityFile, "localita", {});
        QCOMPARE(areas.openOnServer(connection), QString());
        QCOMPARE(others.openOnServer(connection), QString());
        if (row.other == Other::CutListenerThenAddPlace) {
            server::Connection admin;
            QCOMPARE(admin.open(connection), QString());
            admin.exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                       "WHERE query LIKE 'LISTEN%' AND pid <> pg_backend_pid()");
            QTRY_VERIFY_WITH_TIMEOUT(!w.liveChanges()->listening(), 2000);
            QTRY_VERIFY_WITH_TIMEOUT(w.liveChanges()->listening(), 3000);
        }
        switch (row.other) {
        case Other::AddPlace:
        case Other::CutListenerThenAddPlace:
            addRecord(&others,
                      {{"AREA", shown}, {"LOCALITA", kNewPlace}, {"PX", 100}, {"PY", 100}});
            break;
        case Other::DeletePlace:
            others.setRecordSource(sql::kLocalityOfAreaByName, {shown, gone});
            others.refresh();
            QVERIFY(others.findExact("LOCALITA", gone));
            others.remove();
            break;
        case Other::MoveMarked:
            others.setRecordSource(sql::kLocalityOfAreaByName, {shown, marked});
            others.refresh();
            QVERIFY(others.findExact("LOCALITA", marked));
            others.edit();
            others.setField("PX", others.field("PX").toDouble() + 300); // 20 pixels east
            others.update();
            break;
        case Other::AddSheet:
            addRecord(&areas, {{"AREA", kNewSheet}});
            break;
        case Other::ChangeLinks:
            areas.setRecordSource(sql::kAreaByName, {shown});
            areas.refresh();
            QVERIFY(areas.findExact("AREA", shown));
            areas.edit();
            areas.setField("NORD", "NORD DI ALTRI");
            areas.setField("EST", "EST DI ALTRI");
            areas.update();
            break;
        }

        // Within a second: the sheet list, the places, the search list.
        QTRY_COMPARE_WITH_TIMEOUT(combo::lines(w.f1area).contains(kNewSheet), row.sheetListed,
                                  2000);
        QTRY_COMPARE_WITH_TIMEOUT(search->lineCount(), searchLines + row.placeChange, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(!search->busy(), 2000);
        if (row.placeChange != 0) {
            QTRY_COMPARE_WITH_TIMEOUT(combo::lines(editor->cmbloc).contains(kNewPlace),
                                      row.placeChange > 0, 2000);
        }
        // The links editor: a box as read shows what is stored now, the one
        // changed keeps the choice.
        QTRY_COMPARE_WITH_TIMEOUT(combo::text(links->cmbnord),
                                  row.other == Other::ChangeLinks ? "NORD DI ALTRI" : north, 2000);
        // What this user chose and typed is where it was.
        QCOMPARE(combo::text(links->cmbest), QString("EST SCELTO"));
        QCOMPARE(combo::text(w.f1area), shown);
        QCOMPARE(search->List1->currentIndex().row(), 5);
        QCOMPARE(search->lineText(5), searchLine);
        QCOMPARE(search->comtrova->text(), QString("VILLA"));
        QCOMPARE(combo::text(editor->cmbarea), shown);
        QCOMPARE(combo::text(editor->cmbloc), QString("SCRITTA A META'"));
        QCOMPARE(editor->f2grla->text(), QString("44"));
        if (!lookupOnServer)
            QSKIP("the sheet look-up reads the folder's files only: the shown sheet's places "
                  "are not checked");
        QCOMPARE(ws.dialogs.texts(), QStringList());
        QStringList expected = places;
        if (row.placeChange > 0) expected << kNewPlace;
        if (row.placeChange < 0) expected.removeAll(gone);
        expected.sort();
        QTRY_COMPARE_WITH_TIMEOUT(combo::lines(w.cmbloc), expected, 2000);
        QCOMPARE(combo::text(w.cmbloc), marked);
        // The marked place's arrow where its record puts it now.
        QTRY_COMPARE_WITH_TIMEOUT(w.Image1->composition().marks().front().at,
                                  arrow + QPointF(row.other == Other::MoveMarked ? 20 : 0, 0),
                                  2000);
    }
};

ORVENA_TEST_MAIN(LiveRefreshTest)
#include "LiveRefreshTest.moc"
