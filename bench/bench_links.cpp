// Opening the links editor (Form4) over an archive of 1,000 sheets: its first
// opening (the window built and filled) and a later activation (filled again).
//
//   QT_QPA_PLATFORM=offscreen bench_links [sheets] [runs]    (defaults 1000, 9)
#include "Workspace.h"

#include "ui/widgets/ActivationTracker.h"
#include "ui/widgets/ComboText.h"
#include "ui/windows/LinksEditor.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <SQLiteCpp/SQLiteCpp.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace orvena;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int sheets = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 9;
    test::Workspace ws(test::Workspace::Content::Empty);
    {
        Archives tmp;
        if (const QString e = tmp.openAll(ws.folder.path()); !e.isEmpty()) return 1;
        tmp.closeAll();
        SQLite::Database area(ws.file(QStringLiteral("area.mdb")).toStdString(),
                              SQLite::OPEN_READWRITE);
        SQLite::Transaction t(area);
        SQLite::Statement add(area, "INSERT INTO AREA (AREA, COLA, COLO, EST) VALUES (?, 2, 3, ?)");
        for (int i = 0; i < sheets; ++i) {
            add.bind(1,
                     QStringLiteral("foglio%1.jpg").arg(i, 4, 10, QLatin1Char('0')).toStdString());
            add.bind(
                2,
                QStringLiteral("foglio%1.jpg").arg(i + 1, 4, 10, QLatin1Char('0')).toStdString());
            add.exec();
            add.reset();
        }
        t.commit();
    }
    MainWindow& w = ws.start();
    combo::setText(w.f1area,
                   QStringLiteral("foglio%1.jpg").arg(sheets / 2, 4, 10, QLatin1Char('0')));

    std::vector<double> first, again;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        w.mncollega_Click();
        first.push_back(t.nsecsElapsed() / 1e6);
        auto* editor = w.findChild<LinksEditor*>(QStringLiteral("Form4"));
        if (!editor || combo::text(editor->cmbest).isEmpty() ||
            editor->cmbnord->count() != sheets) {
            std::fprintf(stderr, "the editor did not fill\n");
            return 1;
        }
        ActivationTracker::instance().windowActivated(&w);
        t.restart();
        ActivationTracker::instance().windowActivated(editor);
        again.push_back(t.nsecsElapsed() / 1e6);
        // Closed by its frame: the next opening builds it again.
        editor->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ActivationTracker::instance().windowActivated(&w);
    }
    std::sort(first.begin(), first.end());
    std::sort(again.begin(), again.end());
    std::printf("links editor over %d sheets: first opening median %.1f ms (max %.1f), "
                "activation median %.1f ms (max %.1f), %d runs\n",
                sheets, first[first.size() / 2], first.back(), again[again.size() / 2],
                again.back(), runs);
    return 0;
}
