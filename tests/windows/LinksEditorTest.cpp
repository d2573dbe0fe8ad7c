#include "TestMain.h"
#include "Workspace.h"

#include "archive/SqlTexts.h"
#include "toolkit/ActivationTracker.h"
#include "toolkit/ComboText.h"
#include "toolkit/Picture.h"
#include "viewer/MapImage.h"
#include "windows/LinksEditor.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

using namespace orvena;
using orvena::test::Workspace;

namespace {

const QString kStored = QStringLiteral("Collegamenti modificati.");
const QString kNE = QStringLiteral("valfonda_ne.bmp");

// Every area's links in table order, as "area:north,east,south,west".
QStringList links(RecordView* v) {
    QStringList out;
    v->setRecordSource(sql::kAreaAll);
    v->refresh();
    for (; !v->eof(); v->moveNext()) {
        QStringList four;
        for (const char* f : {"NORD", "EST", "SUD", "OVEST"})
            four << v->text(QLatin1String(f));
        out << v->text(QStringLiteral("AREA")) + u':' + four.join(u',');
    }
    return out;
}

LinksEditor& open(MainWindow& w) {
    w.mncollega_Click();
    auto* editor = w.findChild<LinksEditor*>(QStringLiteral("Form4"));
    if (!editor) qFatal("no Form4");
    return *editor;
}

QStringList comboTexts(LinksEditor& e) {
    return {combo::text(e.cmbnord), combo::text(e.cmbest), combo::text(e.cmbsud),
            combo::text(e.cmbovest)};
}

void setComboTexts(LinksEditor& e, const QStringList& texts) {
    combo::setText(e.cmbnord, texts[0]);
    combo::setText(e.cmbest, texts[1]);
    combo::setText(e.cmbsud, texts[2]);
    combo::setText(e.cmbovest, texts[3]);
}

} // namespace

class LinksEditorTest : public QObject {
    Q_OBJECT
private slots:
    void storesOnlyTheShownAreasRecord_data();
    void storesOnlyTheShownAreasRecord();
    void noAreaShownOpensNothing();
    void comingBackDiscardsUnsavedChoices();
    void openingSetsTheNaturalSizeFromTheShownImage_data();
    void openingSetsTheNaturalSizeFromTheShownImage();
    void panningFollowsANewLink();
};

void LinksEditorTest::storesOnlyTheShownAreasRecord_data() {
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("expected");
    const QStringList before{"a:,,,", "b:,,,", "x\"y:,,,", "AREA:,,,", "A:,,,"};
    QTest::newRow("east neighbour, no link back")
        << "a" << QStringList{"", "b", "", ""}
        << QStringList{"a:,b,,", "b:,,,", "x\"y:,,,", "AREA:,,,", "A:,,,"};
    QTest::newRow("itself, and one name in several directions")
        << "b" << QStringList{"b", "a", "a", "no such sheet"}
        << QStringList{"a:,,,", "b:b,a,a,no such sheet", "x\"y:,,,", "AREA:,,,", "A:,,,"};
    QTest::newRow("a quote in the name")
        << "x\"y" << QStringList{"AREA", "", "x\"y", ""}
        << QStringList{"a:,,,", "b:,,,", "x\"y:AREA,,x\"y,", "AREA:,,,", "A:,,,"};
    QTest::newRow("a column's name; the same name in other case is another area")
        << "AREA" << QStringList{"a", "a", "a", "a"}
        << QStringList{"a:,,,", "b:,,,", "x\"y:,,,", "AREA:a,a,a,a", "A:,,,"};
    QTest::newRow("no record of exactly that name: nothing written")
        << "B" << QStringList{"a", "a", "a", "a"} << before;
}

void LinksEditorTest::storesOnlyTheShownAreasRecord() {
    QFETCH(QString, shown);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, expected);
    Workspace ws(Workspace::Content::Empty);
    MainWindow& w = ws.start();
    const QStringList names{"a", "b", "x\"y", "AREA", "A"};
    for (const QString& n : names) {
        w.Data1->addNew();
        w.Data1->setField(QStringLiteral("AREA"), n);
        w.Data1->update();
    }
    combo::setText(w.f1area, shown);
    LinksEditor& e = open(w);
    QCOMPARE(e.windowTitle(), QStringLiteral("Form4"));
    QCOMPARE(e.Label1->text(), QStringLiteral("AREA: ") + shown);
    for (QComboBox* box : {e.cmbnord, e.cmbest, e.cmbsud, e.cmbovest})
        QCOMPARE(combo::lines(box), names);
    QCOMPARE(comboTexts(e), (QStringList{"", "", "", ""}));

    setComboTexts(e, texts);
    QTest::mouseClick(e.cmdmod, Qt::LeftButton);
    const bool found = names.contains(shown);
    QCOMPARE(ws.dialogs.texts().size(), 1);
    QVERIFY2(found == (ws.dialogs.texts()[0] == kStored), qPrintable(ws.dialogs.texts()[0]));
    QCOMPARE(links(w.Data1), expected);
}

void LinksEditorTest::noAreaShownOpensNothing() {
    Workspace ws;
    MainWindow& w = ws.start();
    w.mncollega_Click();
    QCOMPARE(ws.dialogs.texts(),
             QStringList{QStringLiteral("Richiama prima una carta a cui fare i collegamenti.")});
    QVERIFY(!w.findChild<LinksEditor*>(QStringLiteral("Form4")));
}

void LinksEditorTest::comingBackDiscardsUnsavedChoices() {
    Workspace ws;
    MainWindow& w = ws.start();
    Workspace::choose(w.f1area, kNE);
    LinksEditor& e = open(w);
    const QStringList stored = comboTexts(e);
    QVERIFY(!stored[3].isEmpty()); // the demo's north-east sheet has a west neighbour
    setComboTexts(e, {kNE, kNE, kNE, kNE});
    ActivationTracker::instance().windowActivated(&w);
    ActivationTracker::instance().windowActivated(&e);
    QCOMPARE(comboTexts(e), stored);
    QCOMPARE(combo::lines(e.cmbest).size(), 4);

    // Esci hides the window; opening it again finds it with the stored links.
    QTest::mouseClick(e.cmdesci, Qt::LeftButton);
    QVERIFY(e.isHidden());
    setComboTexts(e, {kNE, kNE, kNE, kNE});
    ActivationTracker::instance().windowActivated(&w);
    QCOMPARE(&open(w), &e);
    QCOMPARE(comboTexts(e), stored);
    QCOMPARE(ws.dialogs.texts(), QStringList());
}

void LinksEditorTest::openingSetsTheNaturalSizeFromTheShownImage_data() {
    QTest::addColumn<int>("zoomSteps");
    QTest::newRow("zoom 100") << 0;
    QTest::newRow("zoomed in twice") << 2;
}

void LinksEditorTest::openingSetsTheNaturalSizeFromTheShownImage() {
    QFETCH(int, zoomSteps);
    Workspace ws;
    MainWindow& w = ws.start();
    Workspace::choose(w.f1area, kNE);
    const ViewerState loaded = w.state();
    for (int i = 0; i < zoomSteps; ++i)
        w.cmding_Click();
    const QString zoom = w.f1ing->text();
    open(w);
    QCOMPARE(w.state().naturalWidth, static_cast<int>(std::lround(w.Image1->widthTwips())));
    QCOMPARE(w.state().naturalHeight, static_cast<int>(std::lround(w.Image1->heightTwips())));
    QCOMPARE(w.state().naturalWidth == loaded.naturalWidth, zoomSteps == 0);
    // The record's own scales, not the zoomed ones; the zoom figure stays.
    QCOMPARE(w.state().latScale, loaded.latScale);
    QCOMPARE(w.state().lonScale, loaded.lonScale);
    QCOMPARE(w.f1ing->text(), zoom);
}

void LinksEditorTest::panningFollowsANewLink() {
    Workspace ws;
    MainWindow& w = ws.start();
    const QString target = QStringLiteral("valfonda_so.jpg");
    Workspace::choose(w.f1area, kNE);
    LinksEditor& e = open(w);
    combo::setText(e.cmbest, target);
    QTest::mouseClick(e.cmdmod, Qt::LeftButton);
    QCOMPARE(ws.dialogs.takeTexts(), QStringList{kStored});
    ActivationTracker::instance().windowActivated(&w);
    w.MoveEast();
    QCOMPARE(ws.dialogs.texts(), QStringList());
    QCOMPARE(combo::text(w.f1area), target);
    QCOMPARE(w.state().loadedPicture, loadPicture(ws.file(target)));
}

ORVENA_TEST_MAIN(LinksEditorTest)
#include "LinksEditorTest.moc"
