// The one way a sheet reaches Image1, with one sheet in memory at a time: the
// area load, the set-up's picture, the locality editor's sheet and the moves
// to an adjoining sheet all decode through loadSheet() and show through
// showSheet().
#include "ui/mainwindow/MainWindow.h"

#include "core/state/ViewGeometry.h"
#include "ui/map/MapView.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSet>

namespace orvena {

// The header is checked first; then the shown sheet's pixels are let go (the
// map and the canvas keep which file they came from and their marks) and the
// new file is decoded. If it cannot be decoded, the shown sheet is decoded
// again from its file and stays, with its marks.
PictureLoad MainWindow::loadSheet(const QString& fileName) {
    PictureLoad check = checkPicture(fileName);
    if (check.outcome != PictureOutcome::Ok) return check;
    const bool released = !Image1->composition().file().isEmpty();
    if (released) Image1->releaseSheet();
    PictureLoad load = readPicture(fileName);
    if (!load.shown() && released) keepShownSheet();
    return load;
}

void MainWindow::keepShownSheet() {
    Image1->restoreSheet();
}

void MainWindow::showSheet(const QImage& sheet, const QString& fileName) {
    Image1->setPicture(sheet, QFileInfo(fileName).absoluteFilePath());
}

void MainWindow::showSheetAtOrigin(const QImage& sheet, const QString& fileName) {
    Image1->setStretch(false);
    showSheet(sheet, fileName);
    Image1->move(view::kSheetLeft, view::kSheetTop);
    Image1->show();
}

QString MainWindow::damageNotice(const PictureLoad& picture, const QString& fileName) {
    if (picture.outcome != PictureOutcome::Damaged) return QString();
    static QSet<QString> told;
    const QFileInfo info(fileName);
    const QString key = QStringLiteral("%1|%2|%3")
                            .arg(info.absoluteFilePath())
                            .arg(info.size())
                            .arg(info.lastModified().toMSecsSinceEpoch());
    if (told.contains(key)) return QString();
    told.insert(key);
    return picture.message;
}

} // namespace orvena
