#include "TestMain.h"
#include "Workspace.h"

#include "windows/HelpWindow.h"

#include <QAction>
#include <QFile>
#include <QHelpEngineCore>
#include <QHelpIndexWidget>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>

using namespace orvena;
using orvena::test::Workspace;

namespace {

const QString kBuiltHelp = QStringLiteral(ORVENA_HELP_FILE);

// The help window on the guide built with the program, once its index is ready.
HelpWindow* openGuide() {
    QString error;
    HelpWindow* help = HelpWindow::open(kBuiltHelp, &error);
    if (!help)
        qWarning("%s", qPrintable(error));
    else if (!QTest::qWaitFor([help] { return help->indexReady(); }, 10000))
        qWarning("the index was never built");
    return help;
}

QString pageName(const QUrl& url) {
    return url.fileName();
}

} // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void helpMenu_data();
    void helpMenu();
    void keywordLeadsToItsPage_data();
    void keywordLeadsToItsPage();
    void notAHelpFile();
    void everyLinkOfTheGuideLeadsToAPage();
};

void HelpWindowTest::cleanup() {
    if (HelpWindow* help = HelpWindow::open(kBuiltHelp)) delete help;
}

void HelpWindowTest::helpMenu_data() {
    QTest::addColumn<bool>("present");
    QTest::newRow("the help file in the folder") << true;
    QTest::newRow("no help file") << false;
}

// "Help" asks the help viewer for orvena.hlp of the working folder; without
// the file, a message names it instead.
void HelpWindowTest::helpMenu() {
    QFETCH(bool, present);
    Workspace ws;
    MainWindow& w = ws.start();
    if (present) QVERIFY(QFile::copy(kBuiltHelp, ws.file(QStringLiteral("orvena.hlp"))));
    QVERIFY(w.mnhelp->isEnabled());
    w.mnhelp->trigger();
    if (present) {
        QCOMPARE(ws.dialogs.helpShown(), QStringList{ws.file(QStringLiteral("orvena.hlp"))});
        QCOMPARE(ws.dialogs.texts(), QStringList());
    } else {
        QCOMPARE(ws.dialogs.helpShown(), QStringList());
        const QStringList texts = ws.dialogs.texts();
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts[0].contains(QStringLiteral("orvena.hlp")));
        QVERIFY(texts[0].contains(QStringLiteral("non è presente")));
    }
}

void HelpWindowTest::keywordLeadsToItsPage_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("heading");
    QTest::newRow("zoom") << "zoom"
                          << "zoom.html"
                          << "Ingrandire e ridurre";
    QTest::newRow("part of a word, any case") << "STAMPAN"
                                              << "stampa.html"
                                              << "Stampare la carta";
    QTest::newRow("two words") << "nuova area"
                               << "nuovaarea.html"
                               << "Nuova Area";
    QTest::newRow("a message") << "salvare l'imm"
                               << "salva.html"
                               << "Salvare la carta";
}

// The guide opens at its keyword search: typing in the keyword field narrows
// the index and shows the best entry's page, read from the help file. Opening
// it again empties the field.
void HelpWindowTest::keywordLeadsToItsPage() {
    QFETCH(QString, typed);
    QFETCH(QString, page);
    QFETCH(QString, heading);
    HelpWindow* help = openGuide();
    QVERIFY(help && help->isVisible() && help->indexList()->isVisible());
    QTest::keyClicks(help->keywordField(), typed);
    QCOMPARE(pageName(help->shownPage()), page);
    QVERIFY(help->pageView()->toPlainText().contains(heading));
    const int entries = help->indexList()->model()->rowCount();
    QVERIFY(typed.isEmpty() ? entries > 100 : entries < 20);
    QCOMPARE(HelpWindow::open(kBuiltHelp), help);
    QVERIFY(help->keywordField()->text().isEmpty());
}

void HelpWindowTest::notAHelpFile() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("orvena.hlp"));
    QFile junk(file);
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("non è una guida") > 0);
    junk.close();
    QString error;
    QCOMPARE(HelpWindow::open(file, &error), nullptr);
    QVERIFY(error.contains(QStringLiteral("orvena.hlp")));
}

// The guide's pages link to one another: every link and every file a page
// names is in the help file.
void HelpWindowTest::everyLinkOfTheGuideLeadsToAPage() {
    QTemporaryDir dir;
    QHelpEngineCore engine(dir.filePath(QStringLiteral("c.qhc")));
    engine.setReadOnly(false);
    QVERIFY(engine.setupData());
    QVERIFY(engine.registerDocumentation(kBuiltHelp));
    const QString ns = QHelpEngineCore::namespaceName(kBuiltHelp);
    const QList<QUrl> pages = engine.files(ns, QStringList(), QStringLiteral("html"));
    QVERIFY(pages.size() >= 20);
    static const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"#:]+)"));
    for (const QUrl& page : pages) {
        const QString text = QString::fromUtf8(engine.fileData(page));
        QVERIFY(text.contains(QStringLiteral("<h1>")));
        for (const auto& m : link.globalMatch(text)) {
            const QUrl target = page.resolved(QUrl(m.captured(1)));
            QVERIFY2(!engine.fileData(target).isEmpty(),
                     qPrintable(page.fileName() + QStringLiteral(" -> ") + m.captured(1)));
        }
    }
}

ORVENA_TEST_MAIN(HelpWindowTest)
#include "HelpWindowTest.moc"
