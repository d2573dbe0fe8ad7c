#include "MapWindow.h"
#include "ReadOnlyFolder.h"

#include "app/Application.h"
#include "ui/widgets/QtDialogs.h"

#include <QDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>

using namespace orvena;
using namespace orvena::test;

namespace {

// Makes w the active window the way the window system does, and lets the
// activation events arrive.
void activate(QWidget* w) {
    w->show();
    QApplication::setActiveWindow(w);
    QCoreApplication::processEvents();
}

// Leaves the file as a write killed before its commit leaves it: part of the
// new pages in the file, the old ones in a hot journal beside it.
void interruptWrite(const QString& path, const std::string& table) {
    QTemporaryDir scratch;
    const QString copy = scratch.filePath(QStringLiteral("area.mdb"));
    QVERIFY(QFile::copy(path, copy));
    SQLite::Database db(copy.toStdString(), SQLite::OPEN_READWRITE);
    db.exec("PRAGMA cache_size = 5; BEGIN; DELETE FROM " + table);
    for (int i = 0; i < 500; ++i)
        db.exec("INSERT INTO " + table + " (AREA, NORD) VALUES ('x" + std::to_string(i) + "', '" +
                std::string(400, 'n') + "')");
    QVERIFY(QFile::exists(copy + "-journal"));
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::copy(copy, path));
    QVERIFY(QFile::copy(copy + "-journal", path + "-journal"));
}

// A message: its buttons, the one Enter presses, the text, the buttons' captions
// and the answer Enter gives.
struct Message {
    const char* tag;
    Buttons buttons;
    DefaultButton preset;
    QString text;
    QStringList captions;
    Answer enter;
};

// A start over a damaged folder: the damage done to the file, the place named on
// the command line, the one message (%1: the folder).
struct Damage {
    const char* tag;
    QString damage, file, commandLine, message;
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    // Every control is found by its name, placed where it was drawn ("name left
    // top", in twips) where the place matters; the menu reads in order.
    void controlsAndMenuInPlace() {
        const QStringList controls =
            QStringLiteral(
                "f1area 240 360,cmbloc 5520 360,Image1 1080 840,Label4 5520 720,grlaf1 5880 720,"
                "mnlaf1 6240 720,selaf1 6600 720,Label8 7320 720,grlof1 7680 720,mnlof1 8040 720,"
                "selof1 8400 720,cmdregcor 10680 360,Label13 240 2160,f1ing 240 2520,"
                "cmding 120 2880,cmdrid 600 2880,imgsu 720 3840,imggiu 720 4080,imgsi 120 3960,"
                "imgde 360 3960,Label12 120 3480,VScroll1 720 4800,HScroll1 120 4920,"
                "Label11 120 4440,cmdsalva 0 5760,cmdstampa 0 6360,cmdesci 0 6960,Label9,Label10,"
                "freccia,blusu,Data1,Data2,Data3,Data4,d1area,d1ovest,d2loc,d2py,d3localita,"
                "d4secloo")
                .split(',');
        Workspace ws;
        MainWindow& w = ws.start();
        for (const QString& c : controls) {
            const QStringList p = c.split(' ');
            auto* widget = w.findChild<QWidget*>(p[0]);
            QVERIFY2(p.size() == 1 ? w.findChild<QObject*>(p[0]) != nullptr : widget != nullptr,
                     qPrintable(p[0]));
            if (p.size() == 3)
                QCOMPARE(widget->pos(),
                         QPoint(twips::toPixels(p[1].toInt()), twips::toPixels(p[2].toInt())));
        }
        QStringList captions;
        for (QAction* top : w.menuBar()->actions()) {
            captions << top->text();
            if (top->menu())
                for (QAction* entry : top->menu()->actions())
                    captions << "  " + entry->text();
        }
        QCOMPARE(captions,
                 QStringList({"Area", "  Nuova Area", "  Elimina Area", "  Collegamenti",
                              "  Mostra fogli collegati", "  Calibrazione…", "  Importa calibrazione (.map)…",
                              "  Esporta KMZ per GPS…", "  Esporta per GIS con MBTiles…", "  Esporta per GIS…", "Località",
                              "  Ricerca", "  Aggiornamento", "  Copia posizione WGS 84",
                              "  Vai a coordinate…", "Tracce", "  Apri…", "  Elenco tracce",
                              "  Importa come località", "  ", "  Misura", "Esporta",
                              "Importa", "Compatta Data Base", "Help"}));
        QCOMPARE(w.windowTitle(), "Orvena");
        // The client area below the menu bar: 11880 x 8310 twips.
        QCOMPARE(w.centralWidget()->size(), QSize(twips::toPixels(11880), twips::toPixels(8310)));
    }

    void messageBoxesInItalianWithinTheScreen_data() {
        const auto accept = DefaultButton::Accept, decline = DefaultButton::Decline;
        const QStringList okCancel{"OK", "Annulla"}, yesNo{"Sì", "No"};
        addRows<Message>({
            {"question", Buttons::OkCancel, accept, "Vuoi continuare?", okCancel, AnswerOk},
            {"question that replaces", Buttons::OkCancel, decline, "Vuoi sostituirla?", okCancel,
             AnswerCancel},
            {"yes or no", Buttons::YesNo, accept, "Vuoi continuare?", yesNo, AnswerYes},
            {"yes or no that deletes", Buttons::YesNo, decline, "Procedo?", yesNo, AnswerNo},
            {"very long name",
             Buttons::Ok,
             accept,
             "Località \"" + QStringList(1500, QStringLiteral("parola")).join(' ') +
                 "\" non trovata.",
             {"OK"},
             AnswerOk},
            {"very long word", Buttons::Ok, accept, QString(20000, 'x'), {"OK"}, AnswerOk},
        });
    }

    void messageBoxesInItalianWithinTheScreen() {
        QFETCH(Message, row);
        auto& [tag, buttons, preset, text, captions, enter] = row;
        static const bool translated = installItalianTranslation(*QCoreApplication::instance());
        QVERIFY2(translated, "qtbase_it.qm not found among Qt's translations");
        QtDialogs real;
        QStringList seen;
        QRect geometry;
        QString shownText;
        bool boxUp = false;
        // Answers the box once it is up; anything else up instead is closed,
        // so that the test fails rather than waits.
        QTimer answer;
        answer.setSingleShot(true);
        connect(&answer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                for (QWidget* w : QApplication::topLevelWidgets())
                    w->close();
                return;
            }
            boxUp = true;
            for (QAbstractButton* b : box->buttons())
                seen << b->text().remove('&');
            geometry = box->frameGeometry();
            shownText = box->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        answer.start(0);
        const int answered = real.message(text, buttons, preset);
        QVERIFY2(boxUp, "no message box was up while the message was shown");
        QCOMPARE(answered, int(enter));
        seen.sort();
        captions.sort();
        QCOMPARE(seen, captions);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(
            geometry.height() <= screen.height() && geometry.width() <= screen.width(),
            qPrintable(QStringLiteral("%1 x %2").arg(geometry.width()).arg(geometry.height())));
        if (text.size() < 100) QCOMPARE(shownText, text);
        // A shortened name keeps its quotes and the words around it.
        if (text.startsWith("Località")) QVERIFY(shownText.endsWith("\" non trovata."));
    }

    // The program goes on unless the message says it ends.
    void startUpOverDamagedFiles_data() {
        const QString place = demo::demoPlaces().front().name;
        const QString damaged =
            QStringLiteral("L'archivio %1 è danneggiato. Il programma termina.");
        const QString foreign =
            QStringLiteral("Il file %1 non è un archivio di Orvena valido (manca la "
                           "tabella %2). Il programma termina senza modificarlo.");
        const QString notOurs =
            QStringLiteral("Il file %1 non è un archivio di Orvena: non è un %2. "
                           "Il programma termina senza modificarlo.");
        addRows<Damage>({
            {"intact folder", "", "", "", ""},
            {"read-only folder, an index missing", "read-only", "localita.mdb", place, ""},
            {"table page of area.mdb", "page", "area.mdb", "", damaged.arg("area.mdb")},
            {"table page of localita.mdb, locality named", "page", "localita.mdb", place,
             damaged.arg("localita.mdb")},
            {"table page of esparea.mdb: not read at start", "page", "esparea.mdb", place, ""},
            {"table page of esplocalita.mdb", "page", "esplocalita.mdb", "", ""},
            {"interrupted write: rolled back", "journal", "area.mdb", "",
             "L'ultima modifica all'archivio area.mdb non era stata completata: l'archivio è "
             "stato riportato allo stato precedente."},
            {"interrupted write in a foreign database", "foreign journal", "area.mdb", "",
             foreign.arg("area.mdb", "AREA")},
            {"foreign table in esplocalita.mdb, nothing else", "foreign", "esplocalita.mdb", "",
             foreign.arg("esplocalita.mdb", "localita")},
            {"text in area.mdb, nothing else", "text", "area.mdb", "",
             notOurs.arg("area.mdb", "database")},
            {"pipe", "fifo", "localita.mdb", "", notOurs.arg("localita.mdb", "file regolare")},
            {"zero bytes", "empty", "esparea.mdb", "", foreign.arg("esparea.mdb", "AREA")},
            {"missing localita.mdb", "missing", "localita.mdb", "",
             "L'archivio localita.mdb non era nella cartella %1: è stato creato vuoto."},
            {"empty folder", "all missing", "", "",
             "Gli archivi area.mdb, localita.mdb, esplocalita.mdb, esparea.mdb non erano nella "
             "cartella %1: sono stati creati vuoti."},
        });
    }

    void startUpOverDamagedFiles() {
        QFETCH(Damage, row);
        const auto& [tag, damage, file, commandLine, message] = row;
        const bool starts = !message.contains("Il programma termina");
        const bool alone = damage == "all missing" || damage == "text" || damage == "foreign";
        Workspace ws(alone ? Workspace::Content::Empty : Workspace::Content::DemoAtlas);
        const QString path = ws.file(file.isEmpty() ? "area.mdb" : file);
        if (damage == "page") QVERIFY(damageSecondPage(path));
        if (damage == "journal") interruptWrite(path, "AREA");
        if (damage.startsWith("foreign")) {
            QFile::remove(path);
            SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            db.exec("CREATE TABLE clienti (nome TEXT, AREA TEXT, NORD TEXT)");
        }
        if (damage == "foreign journal") interruptWrite(path, "clienti");
        if (damage == "text") QVERIFY(writeFile(path, "Elenco delle cartine\nnon un database\n"));
        if (damage == "fifo" || damage == "missing") QVERIFY(QFile::remove(path));
        if (damage == "fifo") QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        if (damage == "empty") QVERIFY(QFile::resize(path, 0));
        std::unique_ptr<test::ReadOnlyFolder> readOnly;
        if (damage == "read-only") {
            execSql(path, "DROP INDEX localita_LOCALITA");
            readOnly = std::make_unique<test::ReadOnlyFolder>(ws.folder.path());
        }
        const auto before = bytesIn(ws.folder.path());

        Archives archives;
        const auto window = startUp(archives, ws.folder.path(), commandLine);
        QCOMPARE(window != nullptr, starts);
        QCOMPARE(ws.dialogs.texts().join('|'),
                 QString(message).replace("%1", QDir::toNativeSeparators(ws.folder.path())));
        if (!starts || damage == "page") QCOMPARE(bytesIn(ws.folder.path()), before);
        if (!starts) return;
        QVERIFY(!QFile::exists(path + "-journal"));
        QStringList sheets = combo::lines(window->f1area);
        sheets.sort();
        QStringList demo;
        for (const auto& s : demo::demoSheets())
            demo << s.name;
        demo.sort();
        QCOMPARE(sheets, damage == "all missing" ? QStringList() : demo);
        if (damage == "read-only") {
            // The place was found without the index; a change is refused.
            QCOMPARE(combo::text(window->cmbloc), commandLine);
            window->mnesporta->trigger();
            QVERIFY(ws.dialogs.texts().last().contains(
                "L'archivio esparea.mdb è in sola lettura o mancano i permessi per scriverlo."));
            QCOMPARE(bytesIn(ws.folder.path()), before);
        }
        if (!commandLine.isEmpty()) return;
        QCOMPARE(combo::text(window->f1area), QString());
        QVERIFY(!window->Image1->shown());
        QVERIFY(!window->cmdregcor->isVisible() && !window->grlaf1->isVisible());
        QVERIFY(window->cmbloc->isVisible());
        QCOMPARE(window->areaSetup().stage(), AreaSetupMode::Stage::Idle);
    }

    // The activation handler reloads the shown area: a moved map goes back to
    // 1080, 840. That is the trace looked for here.
    void activationOnReturnFromProgramWindowsOnlyAndSignsSwallowed() {
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

        // Plus and minus typed into a degrees box are swallowed; digits and letters pass.
        w.grlaf1->show();
        w.grlaf1->setFocus();
        for (const auto& [typed, shown] :
             {std::pair("4+5", "45"), {"-12", "12"}, {"9a,5", "9a,5"}}) {
            w.grlaf1->clear();
            QTest::keyClicks(w.grlaf1, typed);
            QCOMPARE(w.grlaf1->text(), shown);
        }
    }

    // "Help" asks the help viewer for orvena.hlp of the working folder; without
    // the file, or with a folder or a pipe of that name, a message names it
    // instead and says which.
    void helpMenu() {
        const QString notAFile = "non è leggibile: non è un file regolare.";
        for (const auto& [what, told] : {std::pair<QString, QString>{"guide", ""},
                                         {"", "non è presente nella cartella %1."},
                                         {"folder", notAFile},
                                         {"pipe", notAFile}}) {
            Workspace ws;
            MainWindow& w = ws.start();
            const QString file = ws.file("orvena.hlp");
            if (what == "guide") QVERIFY(QFile::copy(ORVENA_HELP_FILE, file));
            if (what == "folder") QVERIFY(QDir().mkdir(file));
            if (what == "pipe") QVERIFY(mkfifo(QFile::encodeName(file).constData(), 0600) == 0);
            QVERIFY(w.mnhelp->isEnabled());
            w.mnhelp->trigger();
            QCOMPARE(ws.dialogs.helpShown(), what == "guide" ? QStringList{file} : QStringList());
            checkTold(ws, told.isEmpty()
                              ? told
                              : "Il file della guida orvena.hlp " +
                                    told.arg(QDir::toNativeSeparators(ws.folder.path())));
        }
    }

    // Esci, and closing the window.
    void esciAndClosingEndTheProgram() {
        for (const bool byClosing : {false, true}) {
            Workspace ws;
            MainWindow& w = ws.start();
            QTimer::singleShot(0, &w, [&] {
                byClosing ? (void)w.close() : QTest::mouseClick(w.cmdesci, Qt::LeftButton);
            });
            QTimer::singleShot(5000, &w,
                               [] { QCoreApplication::exit(99); }); // never ended: fail, not hang
            QCOMPARE(QCoreApplication::exec(), 0);
            QCOMPARE(ws.dialogs.texts(), QStringList());
        }
    }
};

ORVENA_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
