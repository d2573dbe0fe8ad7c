#include "TestMain.h"
#include "Workspace.h"

#include "DemoAtlas.h"
#include "toolkit/ActivationTracker.h"
#include "toolkit/ComboText.h"
#include "toolkit/Twips.h"
#include "viewer/MapImage.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

using namespace orvena;
using orvena::test::Workspace;

namespace {

// Makes w the active window the way the window system does, and lets the
// activation events arrive.
void activate(QWidget* w) {
    w->show();
    QApplication::setActiveWindow(w);
    QCoreApplication::processEvents();
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void everyControlIsFoundByName_data();
    void everyControlIsFoundByName();
    void menuInOrder();
    void startWithoutArgument();
    void startWithEmptyOrMissingArchives();
    void activationRunsOnReturnFromProgramWindowsOnly();
    void plusAndMinusAreSwallowed_data();
    void plusAndMinusAreSwallowed();
    void esciAndClosingEndTheProgram_data();
    void esciAndClosingEndTheProgram();
};

void MainWindowTest::everyControlIsFoundByName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("left"); // twips, -1 where the place does not matter
    QTest::addColumn<int>("top");
    const struct {
        const char* name;
        int left, top;
    } controls[] = {
        {"f1area", 240, 360},    {"cmbloc", 5520, 360},   {"Image1", 1080, 840},
        {"Label4", 5520, 720},   {"grlaf1", 5880, 720},   {"mnlaf1", 6240, 720},
        {"selaf1", 6600, 720},   {"Label8", 7320, 720},   {"grlof1", 7680, 720},
        {"mnlof1", 8040, 720},   {"selof1", 8400, 720},   {"cmdregcor", 10680, 360},
        {"Label13", 240, 2160},  {"f1ing", 240, 2520},    {"cmding", 120, 2880},
        {"cmdrid", 600, 2880},   {"imgsu", 720, 3840},    {"imggiu", 720, 4080},
        {"imgsi", 120, 3960},    {"imgde", 360, 3960},    {"Label12", 120, 3480},
        {"VScroll1", 720, 4800}, {"HScroll1", 120, 4920}, {"Label11", 120, 4440},
        {"cmdsalva", 0, 5760},   {"cmdstampa", 0, 6360},  {"cmdesci", 0, 6960},
        {"Picture1", 120, 960},  {"Label9", -1, -1},      {"Label10", -1, -1},
        {"freccia", -1, -1},     {"blusu", -1, -1},       {"CommonDialog1", -1, -1},
        {"File1", -1, -1},       {"Data1", -1, -1},       {"Data2", -1, -1},
        {"Data3", -1, -1},       {"Data4", -1, -1},       {"d1area", -1, -1},
        {"d1ovest", -1, -1},     {"d2loc", -1, -1},       {"d2py", -1, -1},
        {"d3localita", -1, -1},  {"d4secloo", -1, -1},
    };
    for (const auto& c : controls)
        QTest::newRow(c.name) << QString::fromLatin1(c.name) << c.left << c.top;
}

void MainWindowTest::everyControlIsFoundByName() {
    QFETCH(QString, name);
    QFETCH(int, left);
    QFETCH(int, top);
    Workspace ws;
    MainWindow& w = ws.start();
    QObject* found = w.findChild<QObject*>(name);
    QVERIFY2(found, qPrintable(name));
    if (left < 0) return;
    auto* widget = qobject_cast<QWidget*>(found);
    QVERIFY(widget);
    QCOMPARE(widget->pos(), QPoint(twips::toPixels(left), twips::toPixels(top)));
}

void MainWindowTest::menuInOrder() {
    Workspace ws;
    MainWindow& w = ws.start();
    QStringList captions;
    for (QAction* top : w.menuBar()->actions()) {
        captions << top->text();
        if (top->menu())
            for (QAction* entry : top->menu()->actions())
                captions << "  " + entry->text();
    }
    QCOMPARE(captions,
             QStringList({"Area", "  Nuova Area", "  Elimina Area", "  Collegamenti",
                          "  Esporta per GIS…", "Località", "  Ricerca", "  Aggiornamento",
                          "Esporta", "Importa", "Compatta Data Base", "Help"}));
    QCOMPARE(w.windowTitle(), QStringLiteral("Orvena"));
}

void MainWindowTest::startWithoutArgument() {
    Workspace ws;
    MainWindow& w = ws.start();
    QStringList expected;
    for (const auto& s : demo::demoSheets())
        expected << s.name;
    QStringList listed = combo::lines(w.f1area);
    listed.sort();
    expected.sort();
    QCOMPARE(listed, expected);
    QCOMPARE(combo::text(w.f1area), QString());
    QVERIFY(!w.Image1->shown());
    QVERIFY(!w.cmdregcor->isVisible());
    QVERIFY(!w.grlaf1->isVisible());
    QVERIFY(w.cmbloc->isVisible());
    QCOMPARE(w.state().setupStep, Flag::Zero);
    QCOMPARE(ws.dialogs.texts(), QStringList());
}

void MainWindowTest::startWithEmptyOrMissingArchives() {
    Workspace ws(Workspace::Content::Empty);
    MainWindow& w = ws.start();
    for (const char* f : {"area.mdb", "localita.mdb", "esparea.mdb", "esplocalita.mdb"})
        QVERIFY2(QFile::exists(ws.file(QString::fromLatin1(f))), f);
    QCOMPARE(w.f1area->count(), 0);
    QVERIFY(!w.Image1->shown());
    QCOMPARE(ws.dialogs.texts(), QStringList());
}

// The activation handler reloads the shown area: a moved map goes back to
// 1080, 840. That is the trace looked for here.
void MainWindowTest::activationRunsOnReturnFromProgramWindowsOnly() {
    Workspace ws;
    MainWindow& w = ws.start();
    activate(&w);
    const QString sheet = demo::demoSheets().front().name;
    Workspace::choose(w.f1area, sheet);
    auto reloaded = [&] { return w.Image1->left() == 1080 && w.Image1->top() == 840; };
    QVERIFY(reloaded());

    // A message box (or any window that is not one of the program's) comes
    // and goes: no activation, the map stays where it was moved.
    w.Image1->move(-500, -700);
    QDialog box;
    activate(&box);
    box.hide();
    activate(&w);
    QVERIFY(!reloaded());

    // Another program window: coming back from it is an activation.
    QWidget other;
    int otherActivations = 0;
    ActivationTracker::instance().registerWindow(&other, [&] { ++otherActivations; });
    activate(&other);
    QCOMPARE(otherActivations, 1);
    activate(&w);
    QVERIFY(reloaded());
    QCOMPARE(combo::text(w.f1area), sheet);
    ActivationTracker::instance().unregisterWindow(&other);
    QCOMPARE(ws.dialogs.texts(), QStringList());
}

void MainWindowTest::plusAndMinusAreSwallowed_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plus") << "4+5"
                          << "45";
    QTest::newRow("minus") << "-12"
                           << "12";
    QTest::newRow("digits and letters pass") << "9a,5"
                                             << "9a,5";
}

void MainWindowTest::plusAndMinusAreSwallowed() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Workspace ws;
    MainWindow& w = ws.start();
    activate(&w);
    w.grlaf1->show();
    w.grlaf1->setFocus();
    QTest::keyClicks(w.grlaf1, typed);
    QCOMPARE(w.grlaf1->text(), shown);
}

void MainWindowTest::esciAndClosingEndTheProgram_data() {
    QTest::addColumn<bool>("byClosing");
    QTest::newRow("Esci") << false;
    QTest::newRow("closing the window") << true;
}

void MainWindowTest::esciAndClosingEndTheProgram() {
    QFETCH(bool, byClosing);
    Workspace ws;
    MainWindow& w = ws.start();
    QTimer::singleShot(0, &w, [&] {
        if (byClosing)
            w.close();
        else
            QTest::mouseClick(w.cmdesci, Qt::LeftButton);
    });
    QTimer::singleShot(5000, &w, [] { QCoreApplication::exit(99); }); // never ended: fail, not hang
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(ws.dialogs.texts(), QStringList());
}

ORVENA_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
