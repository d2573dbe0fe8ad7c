#include "KilledInside.h"
#include "MapWindow.h"

#include "core/archive/AreaDatums.h"
#include "ui/windows/LinksEditor.h"

using namespace orvena;
using namespace orvena::test;

namespace {

const QString kStored = QStringLiteral("Collegamenti modificati.");
const QStringList kLinkFields{"AREA", "NORD", "EST", "SUD", "OVEST"};

LinksEditor& open(MainWindow& w) {
    w.mncollega_Click();
    auto* editor = w.findChild<LinksEditor*>(QStringLiteral("Form4"));
    if (!editor) qFatal("no Form4");
    return *editor;
}

QList<QComboBox*> boxes(LinksEditor& e) {
    return {e.cmbnord, e.cmbest, e.cmbsud, e.cmbovest};
}

QString comboTexts(LinksEditor& e) {
    QStringList texts;
    for (QComboBox* b : boxes(e))
        texts << combo::text(b);
    return texts.join(u'|');
}

void setComboTexts(LinksEditor& e, const QString& texts) {
    for (int i = 0; i < 4; ++i)
        combo::setText(boxes(e)[i], texts.section(u'|', i, i));
}

} // namespace

class LinksEditorTest : public QObject {
    Q_OBJECT
private slots:
    void storesOnlyTheShownAreasRecord_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("texts");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("message");
        const QString noRecord =
            QStringLiteral("L'area mostrata non ha un record nell'archivio delle "
                           "aree: i collegamenti non sono stati modificati.");
        const QStringList before{"a||||", "b||||", "x\"y||||", "AREA||||", "A||||"};
        auto row = [&](const char* tag, const QString& shown, const QString& texts, int changed,
                       const QString& message) {
            QStringList after = before;
            if (changed >= 0) after[changed] = shown + u'|' + texts;
            QTest::newRow(tag) << shown << texts << after << message;
        };
        row("east neighbour, no link back", "a", "|b||", 0, kStored);
        row("itself, and one name in several directions", "b", "b|a|a|no such sheet", 1, kStored);
        row("a quote in the name", "x\"y", "AREA||x\"y|", 2, kStored);
        row("a column's name, beside the same name in other case", "AREA", "a|a|a|a", 3, kStored);
        row("no record of exactly that name: nothing written", "B", "a|a|a|a", -1, noRecord);
        row("no area shown: not opened", "", "", -1,
            "Richiama prima una carta a cui fare i collegamenti.");
    }

    void storesOnlyTheShownAreasRecord() {
        QFETCH(QString, shown);
        QFETCH(QString, texts);
        QFETCH(QStringList, expected);
        QFETCH(QString, message);
        Workspace ws(Workspace::Content::Empty);
        MainWindow& w = ws.start();
        const QStringList names{"a", "b", "x\"y", "AREA", "A"};
        addRecords(w.Data1, {"AREA"}, names);
        combo::setText(w.f1area, shown);
        if (shown.isEmpty()) {
            w.mncollega_Click();
            QCOMPARE(ws.dialogs.texts(), QStringList{message});
            QVERIFY(!w.findChild<LinksEditor*>());
            return;
        }
        LinksEditor& e = open(w);
        QCOMPARE(e.windowTitle(), "Form4");
        QCOMPARE(e.Label1->text(), "AREA: " + shown);
        for (QComboBox* box : boxes(e))
            QCOMPARE(combo::lines(box), names);
        QCOMPARE(comboTexts(e), "|||");

        setComboTexts(e, texts);
        QTest::mouseClick(e.cmdmod, Qt::LeftButton);
        QCOMPARE(ws.dialogs.texts(), QStringList{message});
        QCOMPARE(records(w.Data1, sql::kAreaAll, kLinkFields), expected);
    }

    void comingBackDiscardsUnsavedChoicesAndStoredLinksLead() {
        Workspace ws;
        MainWindow& w = ws.start();
        Workspace::choose(w.f1area, kNE);
        LinksEditor& e = open(w);
        // At zoom 100 the natural size stays.
        QCOMPARE(QSize(w.state().naturalWidth, w.state().naturalHeight), QSize(24000, 18000));
        const QString stored = comboTexts(e);
        QCOMPARE(stored, "||valfonda_se.jpg|valfonda_no.gif");
        const QString unsaved = QStringList(4, kNE).join(u'|');
        setComboTexts(e, unsaved);
        activated(&w);
        activated(&e);
        QCOMPARE(comboTexts(e), stored);

        // Esci only hides it; opening it again reads the stored links.
        QTest::mouseClick(e.cmdesci, Qt::LeftButton);
        QVERIFY(e.isHidden());
        setComboTexts(e, unsaved);
        activated(&w);
        QCOMPARE(&open(w), &e);
        QCOMPARE(comboTexts(e), stored);
        QCOMPARE(ws.dialogs.texts(), QStringList());

        // A stored new link is the way panning takes.
        combo::setText(e.cmbest, "valfonda_so.jpg");
        QTest::mouseClick(e.cmdmod, Qt::LeftButton);
        QCOMPARE(ws.dialogs.takeTexts(), QStringList{kStored});
        activated(&w);
        w.MoveEast();
        QCOMPARE(ws.dialogs.texts(), QStringList());
        QCOMPARE(combo::text(w.f1area), "valfonda_so.jpg");
    }

    // Opened on a zoomed map it takes the image's size as the natural one and
    // the record's own scales, not the zoomed ones; the zoom figure stays. The
    // datum beside the links: none at first, stored by "Modifica" with them,
    // read back at the next activation, taken away with the empty line.
    void zoomedSizeAndDatumBesideTheLinks() {
        Workspace ws;
        MainWindow& w = ws.start();
        Workspace::choose(w.f1area, kNE);
        const MapState loaded = w.state();
        w.cmding_Click();
        w.cmding_Click();
        LinksEditor& e = open(w);
        QCOMPARE(QSize(w.state().naturalWidth, w.state().naturalHeight),
                 twipsOf(w.Image1).size().toSize());
        QVERIFY(w.state().naturalWidth != loaded.naturalWidth);
        QCOMPARE(QPointF(w.state().latScale, w.state().lonScale),
                 QPointF(loaded.latScale, loaded.lonScale));
        QCOMPARE(w.f1ing->text(), "120");
        const QString links = comboTexts(e);
        QCOMPARE(e.cmbdatum->count(), 5);
        QCOMPARE(e.cmbdatum->currentText(), QString());
        for (const auto& [name, code] : {std::pair{"ED50", "EPSG:4230"}, std::pair{"", ""}}) {
            e.cmbdatum->setCurrentIndex(e.cmbdatum->findText(QString::fromUtf8(name)));
            QTest::mouseClick(e.cmdmod, Qt::LeftButton);
            QCOMPARE(ws.dialogs.takeTexts(), QStringList{kStored});
            QCOMPARE(areadatums::readIn(ws.folder.path(), kNE).code, QString::fromUtf8(code));
            activated(&w);
            activated(&e);
            QCOMPARE(e.cmbdatum->currentText(), QString::fromUtf8(name));
            QCOMPARE(comboTexts(e), links);
        }
    }

    // The links and the datum of one "Modifica" are one change: killed after
    // the links were written and before the datum, the next start has neither.
    void killedInsideModificaStoresNeither() {
        Workspace ws;
        MainWindow& w = ws.start();
        Workspace::choose(w.f1area, kNE);
        LinksEditor& e = open(w);
        const auto stored = [&] {
            Archives next; // the next start rolls back what the kill left
            if (!next.openAll(ws.folder.path()).isEmpty()) return QStringList();
            return queryRows(ws.file("area.mdb"),
                             "select NORD, EST, SUD, OVEST from AREA where AREA = ?", {kNE})
                   << areadatums::readIn(ws.folder.path(), kNE).code;
        };
        const QStringList before = stored();
        setComboTexts(e, QStringList(4, kNE).join(u'|'));
        e.cmbdatum->setCurrentIndex(e.cmbdatum->findText(QStringLiteral("ED50")));
        QVERIFY(killedInside([&] {
            areadatums::setBetweenWrites(killNow);
            QTest::mouseClick(e.cmdmod, Qt::LeftButton);
        }));
        QCOMPARE(stored(), before);
        QCOMPARE(before.value(1), QString());
    }

    // A code none of the four datums has shows as unknown and stays through
    // "Modifica". For ED50 the operations PROJ offers for the sheet are listed,
    // PROJ's choice first; another one chosen is stored with the datum and
    // shown again, and PROJ's choice stored on a table of an earlier build
    // leaves that table's columns as they were.
    void datumCodesAndOperationsKept() {
        Workspace ws;
        MainWindow& w = ws.start();
        Workspace::choose(w.f1area, kNE);
        test::execSql(ws.file("area.mdb"),
                      "create table AREA_DATUM (AREA TEXT NOT NULL PRIMARY KEY, DATUM TEXT);"
                      "insert into AREA_DATUM values ('valfonda_ne.bmp', 'EPSG:9999')");
        LinksEditor& e = open(w);
        const auto columns = [&] {
            return queryRows(ws.file("area.mdb"),
                             "select name from pragma_table_info('AREA_DATUM')");
        };
        const auto modify = [&] {
            QTest::mouseClick(e.cmdmod, Qt::LeftButton);
            QCOMPARE(ws.dialogs.takeTexts(), QStringList{kStored});
            activated(&w);
            activated(&e);
        };
        QCOMPARE(e.cmbdatum->currentText(), "datum sconosciuto: EPSG:9999");
        QVERIFY(!e.cmbtrasf->isEnabled());
        modify();
        QCOMPARE(areadatums::readIn(ws.folder.path(), kNE).code, "EPSG:9999");
        QCOMPARE(e.cmbdatum->currentText(), "datum sconosciuto: EPSG:9999");

        e.cmbdatum->setCurrentIndex(e.cmbdatum->findText("ED50"));
        emit e.cmbdatum->activated(e.cmbdatum->currentIndex());
        QVERIFY(e.cmbtrasf->count() > 1);
        QVERIFY(e.cmbtrasf->itemText(0).endsWith(" (scelta di PROJ)"));
        modify();
        QCOMPARE(columns(), (QStringList{"AREA", "DATUM"}));
        QCOMPARE(areadatums::readIn(ws.folder.path(), kNE).code, "EPSG:4230");

        const int italy = e.cmbtrasf->findData("EPSG:1133");
        QVERIFY(italy > 0);
        // Its area of use lists Italy among others; PROJ's choice is France's.
        QVERIFY(e.cmbtrasf->itemText(italy).contains(QRegularExpression(", 10 m, .*Italy")));
        QVERIFY(e.cmbtrasf->itemText(0).contains("France"));
        e.cmbtrasf->setCurrentIndex(italy);
        modify();
        QCOMPARE(areadatums::readIn(ws.folder.path(), kNE).operation, "EPSG:1133");
        QCOMPARE(e.cmbtrasf->currentData().toString(), "EPSG:1133");
        QCOMPARE(e.cmbtrasf->currentIndex(), italy);
    }
};

ORVENA_TEST_MAIN(LinksEditorTest)
#include "LinksEditorTest.moc"
