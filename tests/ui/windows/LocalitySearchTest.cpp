#include "MapWindow.h"

#include "ui/windows/LocalitySearch.h"

#include <QListView>

using namespace orvena;
using namespace orvena::test;

namespace {

const QString kFull = QStringLiteral("    ELENCO LOCALITA' REGISTRATE ");
const QString kFound = QStringLiteral("    RESULTATO DELLA RICERCA ");
const QString kSimilar = QStringLiteral("    LOCALITA' SIMILI ");
// Names longer than the 50 characters a hand-over carries.
const QString kLongArea = QStringLiteral("carta del comune di valfonda e dei suoi dintorni.bmp");
const QString kLongPlace =
    QStringLiteral("CASCINA DEL MOLINO VECCHIO SULLA STRADA PER LA FONTANA DI SOPRA");

// A line of the list: a line break in a name shows as a blank.
QString line(const QString& area, QString place) {
    place.replace(u'\r', u' ').replace(u'\n', u' ');
    return area.leftJustified(50, u' ', true) + "  " + place.leftJustified(50, u' ', true);
}

// The search window as the menu opens it.
LocalitySearch& open(MainWindow& w) {
    w.mnloccerca->trigger();
    auto* form = w.findChild<LocalitySearch*>(QStringLiteral("Form3"));
    if (!form) qFatal("no search window");
    activated(form);
    return *form;
}

QStringList lines(const LocalitySearch& form) {
    QStringList all;
    for (int i = 0; i < form.lineCount(); ++i)
        all << form.lineText(i);
    return all;
}

// Every line of the full list, from the table itself in its stored order.
QStringList tableLines(const Workspace& ws, const QString& title) {
    QStringList all{title, QString()};
    for (const QString& r :
         queryRows(ws.file("localita.mdb"), "select AREA, LOCALITA from localita order by rowid"))
        all << line(r.section(u'|', 0, 0), r.section(u'|', 1));
    return all;
}

// A line clicked: the sheet and place added (none: the demo's), its row (-1:
// the last place), the key searched for first (none: the full list), the message.
struct Click {
    const char* tag;
    QString sheet, place;
    int row;
    QString key, message;
    QString commandLine = {}; // the place named on the command line
};

} // namespace

class LocalitySearchTest : public QObject {
    Q_OBJECT
private slots:
    void search_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("names"); // the names found, in table order
        QTest::newRow("lower case finds upper and mixed case")
            << "san"
            << QStringList{"SAN MARTINO", "SANT'ANNA", "SAN ROCCO", "SAN MARTINO", "Sant'Elia"};
        QTest::newRow("accented, lower case")
            << QStringLiteral("cà ") << QStringList{"CÀ BIANCA", "CÀ DEL BOSCO"};
        QTest::newRow("upper-casing that lengthens the name") << "STRASSE" << QStringList{"Straße"};
        QTest::newRow("only in area names") << ".bmp" << QStringList{};
        QTest::newRow("across two names") << "eliastr" << QStringList{};
    }

    // Only names are searched, both sides upper-cased by the same rule; Enter searches too.
    // Without a key, the whole table in its order; a place written meanwhile shows at the
    // next activation.
    void search() {
        QFETCH(QString, key);
        QFETCH(QStringList, names);
        Workspace ws;
        MainWindow& w = ws.start();
        addLocality(w.Data2, kNE, "Sant'Elia", 100, 100);
        addLocality(w.Data2, kNE, "Straße", 100, 100);
        QVERIFY(w.mnloccerca->isEnabled());
        LocalitySearch& form = open(w);
        QCOMPARE(form.windowTitle(), "Ricerca Località");
        QVERIFY(form.List1->uniformItemSizes());
        QCOMPARE(lines(form), tableLines(ws, kFull));
        QVERIFY(!hourglass::isBusy());
        form.comtrova->setText(key);
        QTest::keyClick(form.comtrova, Qt::Key_Return);
        // The table's own order is a walk of the demo's places: keep only the found ones.
        QStringList expected{kFound, QString()};
        for (const QString& l : tableLines(ws, kFull).mid(2))
            if (names.contains(l.mid(52).trimmed())) expected << l;
        QCOMPARE(lines(form), expected);
        QCOMPARE(expected.size(), names.size() + 2);

        form.comtrova->clear();
        form.cmdcerca->click();
        QCOMPARE(lines(form), tableLines(ws, kFound));
        addLocality(w.Data2, kNE, "Nuovo\r\nBorgo", 100, 100);
        activated(&w);
        activated(&form);
        QCOMPARE(lines(form), tableLines(ws, kFull));
        QCOMPARE(lines(form).last(), line(kNE, QStringLiteral("Nuovo  Borgo")));
    }

    // A search that finds nothing goes on with the places whose names come
    // closest to the key, under a third heading (one that finds shows just what
    // it found: search()).
    void similar() {
        Workspace ws;
        MainWindow& w = ws.start();
        addLocality(w.Data2, kNE, "MONTECCHIO", 100, 100);
        LocalitySearch& form = open(w);
        const QStringList table = tableLines(ws, kFull);
        // Letters swapped; a place of the atlas without its accent.
        for (const auto& [key, first] : {std::pair<QString, QString>{"montecchoi", "MONTECCHIO"},
                                         {"ca bianca", QStringLiteral("CÀ BIANCA")}}) {
            form.comtrova->setText(key);
            form.cmdcerca->click();
            const auto of = [&](const QString& l) { return l.mid(52).trimmed() == first; };
            QCOMPARE(lines(form).mid(0, 5),
                     (QStringList{kFound, QString(), kSimilar, QString(),
                                  *std::find_if(table.begin(), table.end(), of)}));
        }
    }

    // A long list, the full one and that of a search finding each place, shows its
    // first lines at once and the rest as the window's events go on, ending as the
    // whole list.
    void growing() {
        Workspace ws;
        MainWindow& w = ws.start();
        execSql(ws.file("localita.mdb"),
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) "
                "INSERT INTO localita (AREA, LOCALITA) SELECT 'foglio', 'LOCALITA ' || i FROM n");
        LocalitySearch& form = open(w);
        for (const QString& key : {QString(), QStringLiteral("LOCALITA")}) {
            if (!key.isNull()) {
                QTRY_VERIFY(!form.busy());
                form.comtrova->setText(key);
                form.cmdcerca->click();
            }
            QCOMPARE(form.lineCount(), 2 + 512);
            QVERIFY(form.busy());
            QTRY_VERIFY(!form.busy());
            const QStringList all = tableLines(ws, key.isNull() ? kFull : kFound);
            QCOMPARE(lines(form), key.isNull() ? all : all.mid(0, 2) + all.filter(key));
        }
    }

    void handOver_data() {
        addRows<Click>({
            {"names longer than 50", kLongArea, kLongPlace, -1, {}, ""},
            {"short names, accented", "pozzi.bmp", "Pozzo Nuovo", -1, {}, ""},
            {"a similar place", "pozzi.bmp", "Cà del Pozzo", 4, "ca del pozo", ""},
            {"title line", "", "", 0, {}, "Area non trovata"},
            {"empty line", "", "", 1, {}, "Area non trovata"},
            // The choice is shown although the command line named another place.
            {"after a command-line place", "pozzi.bmp", "Pozzo Nuovo", -1, {}, "", "villafredda"},
        });
    }

    // The clicked line, cut as shown, reaches the main window, which marks the place.
    void handOver() {
        QFETCH(Click, row);
        const auto& [tag, sheet, place, at, key, message, commandLine] = row;
        Workspace ws;
        MainWindow& w = ws.start(commandLine);
        if (!sheet.isEmpty()) {
            addCopyOfNE(ws, sheet);
            addLocality(w.Data2, sheet, place, 3140.0, 3000.0);
        }
        LocalitySearch& form = open(w);
        if (!key.isNull()) {
            form.comtrova->setText(key);
            form.cmdcerca->click();
            QCOMPARE(form.lineText(2), kSimilar);
        }
        const int clicked = at < 0 ? form.lineCount() - 1 : at;
        const QString text = form.lineText(clicked);
        if (!sheet.isEmpty()) QCOMPARE(text, line(sheet, place)); // 102 characters

        QSignalSpy chosen(&form, &LocalitySearch::localityChosen);
        const QModelIndex index = form.List1->model()->index(clicked, 0);
        form.List1->scrollTo(index);
        QTest::mouseClick(form.List1->viewport(), Qt::LeftButton, {},
                          form.List1->visualRect(index).center());
        QVERIFY(form.isHidden());
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0), (QVariantList{text.left(50), text.mid(52, 50)}));
        activated(&form);
        activated(&w);
        checkTold(ws, message);
        if (!message.isEmpty()) return;
        QCOMPARE(combo::text(w.f1area), sheet);
        QCOMPARE(combo::text(w.cmbloc), place);
        QVERIFY(arrowBlueNear(w, kArrowMiddle));
        if (commandLine.isEmpty()) return;
        // Shown once: an activation with nothing chosen shows the command line's place.
        activated(&form);
        activated(&w);
        QCOMPARE(combo::text(w.cmbloc), commandLine.toUpper());
    }

    // No places: the two headings, for the full list and for a search, one that finds nothing
    // too; arrows choose nothing, Enter does.
    void emptyTable() {
        Workspace ws(Workspace::Content::Empty);
        MainWindow& w = ws.start();
        LocalitySearch& form = open(w);
        QCOMPARE(lines(form), (QStringList{kFull, QString()}));
        form.cmdcerca->click();
        QCOMPARE(lines(form), (QStringList{kFound, QString()}));
        form.comtrova->setText(QStringLiteral("montecchoi"));
        form.cmdcerca->click();
        QCOMPARE(lines(form), (QStringList{kFound, QString()}));
        QVERIFY(ws.dialogs.texts().isEmpty());

        form.List1->setFocus();
        form.List1->setCurrentIndex(form.List1->model()->index(0, 0));
        QSignalSpy chosen(&form, &LocalitySearch::localityChosen);
        QTest::keyClick(form.List1, Qt::Key_Down);
        QCOMPARE(chosen.size(), 0);
        QTest::keyClick(form.List1, Qt::Key_Return);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).toString().trimmed(), QString());
    }
};

ORVENA_TEST_MAIN(LocalitySearchTest)
#include "LocalitySearchTest.moc"
