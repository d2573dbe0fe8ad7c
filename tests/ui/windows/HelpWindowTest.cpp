#include "Records.h"
#include "TestMain.h"

#include "ui/windows/HelpWindow.h"

#include <array>

#include <QHelpEngineCore>
#include <QHelpIndexWidget>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>

using namespace orvena;

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

} // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        if (HelpWindow* help = HelpWindow::open(kBuiltHelp)) delete help;
    }

    void keywordLeadsToItsPage_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("heading");
        for (const auto& [tag, typed, page, heading] :
             {std::array{"zoom", "zoom", "zoom.html", "Ingrandire e ridurre"},
              std::array{"part of a word, any case", "STAMPAN", "stampa.html", "Stampare la carta"},
              std::array{"two words", "nuova area", "nuovaarea.html", "Nuova Area"},
              std::array{"a message", "salvare l'imm", "salva.html", "Salvare la carta"},
              std::array{"a track menu entry", "elenco tr", "tracce.html", "L'elenco delle tracce"}})
            QTest::newRow(tag) << QString(typed) << QString(page) << QString(heading);
    }

    // The guide opens at its keyword search: typing in the keyword field narrows
    // the index and shows the best entry's page, read from the help file. Opening
    // it again empties the field.
    void keywordLeadsToItsPage() {
        QFETCH(QString, typed);
        QFETCH(QString, page);
        QFETCH(QString, heading);
        HelpWindow* help = openGuide();
        QVERIFY(help && help->isVisible() && help->indexList()->isVisible());
        QTest::keyClicks(help->keywordField(), typed);
        QCOMPARE(help->shownPage().fileName(), page);
        QVERIFY(help->pageView()->toPlainText().contains(heading));
        QVERIFY(help->indexList()->model()->rowCount() < 20);
        QCOMPARE(HelpWindow::open(kBuiltHelp), help);
        QVERIFY(help->keywordField()->text().isEmpty());
    }

    void notAHelpFile() {
        QTemporaryDir dir;
        const QString file = dir.filePath("orvena.hlp");
        QVERIFY(test::writeFile(file, "non è una guida"));
        QString error;
        QCOMPARE(HelpWindow::open(file, &error), nullptr);
        QVERIFY(error.contains("orvena.hlp"));
    }

    // The guide's pages link to one another: every link and every file a page
    // names is in the help file.
    void everyLinkOfTheGuideLeadsToAPage() {
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
};

ORVENA_TEST_MAIN(HelpWindowTest)
#include "HelpWindowTest.moc"
