// The menu entries that open the other windows: the locality search, the
// locality editor, the sheet links editor and the help. Each window is a child
// of the main window, found again among its children while it lives.
#include "ui/mainwindow/MainWindow.h"

#include "core/base/Dialogs.h"
#include "core/base/Numbers.h"
#include "ui/map/MapView.h"
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
    LocalitySearch* form = searchWindow();
    form->show();
    form->raise();
    form->activateWindow();
}

// The search window, made on first use; its choice comes by its signal.
LocalitySearch* MainWindow::searchWindow() {
    auto* form = findChild<LocalitySearch*>(QString(), Qt::FindDirectChildrenOnly);
    if (!form) {
        form = new LocalitySearch(*Data2, this);
        connect(form, &LocalitySearch::localityChosen, this, &MainWindow::takeChosenLocality);
    }
    return form;
}

// Località > Aggiornamento: the locality editor, shown modeless. A sheet
// chosen in it is named in f1area and shown in the map.
void MainWindow::mnlocagg_Click() {
    editorOpen_ = true;
    LocalityEditor* editor = localityEditor();
    if (!editor) {
        const auto showSheetOf = [this](const QString& area) {
            combo::setText(f1area, area);
            const PictureLoad picture = loadSheet(area);
            if (picture.shown()) {
                showSheetAtOrigin(picture, area);
                try {
                    Image1->setShownSheet(sheets_.sheet(area));
                } catch (const ArchiveError&) {
                    Image1->setShownSheet(Sheet{}); // its links cannot be read now
                }
            }
            return picture.shown();
        };
        editor = new LocalityEditor(*this, *Data1, *Data2, showSheetOf);
        // Its "Esci" gives the read-out back; closed by its frame it does not.
        connect(editor, &LocalityEditor::exited, this, [this] { editorOpen_ = false; });
        connect(editor, &LocalityEditor::captureChanged, this, &MainWindow::refreshPickMode);
    }
    editor->present();
}

LocalityEditor* MainWindow::localityEditor() const {
    for (auto* editor : findChildren<LocalityEditor*>(Qt::FindDirectChildrenOnly))
        if (!editor->unloaded()) return editor;
    return nullptr;
}

bool MainWindow::positionCapture() const {
    const LocalityEditor* editor = localityEditor();
    return editor && editor->capturing();
}

void MainWindow::mncollega_Click() {
    if (combo::text(f1area).isEmpty()) {
        dialogs().message(kNoAreaShown);
        return;
    }
    auto* editor = findChild<LinksEditor*>(QString(), Qt::FindDirectChildrenOnly);
    if (!editor) {
        editor = new LinksEditor(*f1area, *Image1, *Data1, this);
        connect(editor, &LinksEditor::recordRead, this, &MainWindow::takeLinksRecord);
        connect(editor, &LinksEditor::stored, this, &MainWindow::rereadShownSheet);
    }
    editor->present();
}

// The links editor read the shown area's record: the image's size now becomes
// the natural one, and the record's scales those in force (the zoom figure
// stays).
void MainWindow::takeLinksRecord(QSizeF natural, std::optional<double> cola,
                                 std::optional<double> colo) {
    state_.naturalHeight = roundToInt32(natural.height()).value_or(state_.naturalHeight);
    state_.naturalWidth = roundToInt32(natural.width()).value_or(state_.naturalWidth);
    if (cola) state_.latScale = static_cast<float>(*cola);
    if (colo) state_.lonScale = static_cast<float>(*colo);
}

// The links editor stored the links and datum of an area: the shown sheet, if
// it is that area, is read again as a value, and its read-out follows its datum.
void MainWindow::rereadShownSheet(const QString& area) {
    if (shownSheet().name != area) return;
    try {
        Image1->setShownSheet(sheets_.sheet(area));
    } catch (const ArchiveError&) {
        return; // the next move reads it again
    }
    followSheetDatum();
}

void MainWindow::mnhelp_Click() {
    const QString file = HelpWindow::workingFolderFile();
    const QFileInfo info(file);
    // A folder or a pipe of that name is never opened: a pipe would hold the
    // program until something writes into it.
    if (!info.isFile()) {
        dialogs().message(info.exists() ? HelpWindow::notAFileMessage(file)
                                        : HelpWindow::missingMessage(file));
        return;
    }
    if (!dialogs().showHelp(file)) dialogs().message(HelpWindow::unreadableMessage(file));
}

} // namespace orvena
