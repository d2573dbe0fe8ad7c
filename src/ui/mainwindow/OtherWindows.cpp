// The menu entries that open the other windows: the locality search, the
// locality editor, the sheet links editor and the help. Each window is a child
// of the main window, found again by its object name while it lives.
#include "ui/mainwindow/MainWindow.h"

#include "core/base/Dialogs.h"
#include "ui/widgets/ComboText.h"
#include "ui/windows/HelpWindow.h"
#include "ui/windows/LinksEditor.h"
#include "ui/windows/LocalityEditor.h"
#include "ui/windows/LocalitySearch.h"

#include <QComboBox>
#include <QFileInfo>

namespace orvena {

namespace {

const QString kNoAreaShown = QStringLiteral("Richiama prima una carta a cui fare i collegamenti.");

} // namespace

// Località > Ricerca: the search window, shown modeless.
void MainWindow::mnloccerca_Click() {
    auto* form = findChild<LocalitySearch*>(QStringLiteral("Form3"), Qt::FindDirectChildrenOnly);
    if (!form) form = new LocalitySearch(*Data2, state(), this);
    form->show();
    form->raise();
    form->activateWindow();
}

void MainWindow::mnlocagg_Click() {
    state_.localityEditorOpen = Flag::One;
    LocalityEditor* editor = LocalityEditor::of(*this);
    if (!editor) editor = new LocalityEditor(*this, state_, *Data1, *Data2);
    editor->present();
}

void MainWindow::showLocalityEditor() {
    if (LocalityEditor* editor = LocalityEditor::of(*this)) editor->positionTaken();
}

void MainWindow::mncollega_Click() {
    if (combo::text(f1area).isEmpty()) {
        dialogs().message(kNoAreaShown);
        return;
    }
    auto* editor = findChild<LinksEditor*>(QStringLiteral("Form4"), Qt::FindDirectChildrenOnly);
    if (!editor) editor = new LinksEditor(*f1area, *Image1, *Data1, state_, this);
    editor->present();
}

void MainWindow::mnhelp_Click() {
    const QString file = HelpWindow::workingFolderFile();
    if (!QFileInfo(file).isFile()) {
        dialogs().message(HelpWindow::missingMessage(file));
        return;
    }
    if (!dialogs().showHelp(file)) dialogs().message(HelpWindow::unreadableMessage(file));
}

} // namespace orvena
