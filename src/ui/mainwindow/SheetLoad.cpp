// The one way a sheet reaches Image1, with one sheet in memory at a time: the
// area load, the set-up's picture, the locality editor's sheet and the moves
// to an adjoining sheet all decode through loadSheet() and show through
// showSheet(). A sheet too large to decode is shown from its tiled copy
// (core/gis/TileCache), made at its first opening under a progress dialog.
#include "ui/mainwindow/MainWindow.h"

#include "core/base/PicturePreview.h"
#include "core/gis/TileCache.h"
#include "core/gis/TiledSheet.h"
#include "core/state/ViewGeometry.h"
#include "ui/map/MapView.h"
#include "ui/widgets/ProgressDialog.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSet>

namespace orvena {

namespace {

const QString kPreparing =
    QStringLiteral("Preparazione della cartina \"%1\" (molto grande) per mostrarla: "
                   "si fa solo alla prima apertura...");
const QString kNotOpened = QStringLiteral("La cartina \"%1\" non è stata aperta. %2");
const QString kOpenCancelled = QStringLiteral("Apertura della cartina \"%1\" annullata.");
const QString kDamagedLarge = QStringLiteral(
    "Il file dell'immagine \"%1\" è danneggiato o incompleto: la cartina non è stata aperta.");

} // namespace

// A sheet too large to decode: its tiled copy, made now if there is none for
// the file as it is (the user may cancel), opened for the map. A damaged file
// is refused by name before anything is copied; the sheet shown stays.
PictureLoad MainWindow::loadTiles(const QString& fileName) {
    PictureLoad load = inspectPicture(fileName);
    const QString name = QFileInfo(fileName).fileName();
    const bool damaged = load.outcome != PictureOutcome::Ok;
    load.outcome = PictureOutcome::Refused;
    if (damaged) {
        load.message = kDamagedLarge.arg(name);
        return load;
    }
    gis::TileCache cache;
    QString copy = cache.readyCopy(fileName);
    QString error;
    bool cancelled = false;
    if (copy.isEmpty()) {
        ProgressDialog progress(this, kPreparing.arg(name), Qt::ApplicationModal);
        const Progress report = progress.callback();
        copy = cache.tiledCopy(
            fileName,
            [&](qint64 done, qint64 total) { return !(cancelled = !report(done, total)); },
            &error);
    }
    std::shared_ptr<const PictureTiles> tiles;
    if (!copy.isEmpty()) tiles = gis::TiledSheet::open(copy);
    if (!tiles) {
        load.message = cancelled ? kOpenCancelled.arg(name) : kNotOpened.arg(name, error);
        return load;
    }
    load.outcome = PictureOutcome::Ok;
    load.message.clear();
    load.tiles = std::move(tiles);
    return load;
}

// The header is checked first; then the shown sheet's pixels are let go (the
// map and the canvas keep which file they came from and their marks) and the
// new file is decoded. If it cannot be decoded, the shown sheet is decoded
// again from its file and stays, with its marks.
PictureLoad MainWindow::loadSheet(const QString& fileName) {
    PictureLoad check = checkPicture(fileName);
    if (check.outcome != PictureOutcome::Ok) return check;
    if (gis::drawnFromTiles(pictureSize(fileName))) return loadTiles(fileName);
    const bool released = !Image1->composition().file().isEmpty();
    if (released) Image1->releaseSheet();
    PictureLoad load = readPicture(fileName);
    if (!load.shown() && released) keepShownSheet();
    return load;
}

void MainWindow::keepShownSheet() {
    Image1->restoreSheet();
}

void MainWindow::showSheet(const PictureLoad& sheet, const QString& fileName) {
    const QString file = QFileInfo(fileName).absoluteFilePath();
    if (sheet.tiles)
        Image1->setTiles(sheet.tiles, file);
    else
        Image1->setPicture(sheet.image, file);
}

void MainWindow::showSheetAtOrigin(const PictureLoad& sheet, const QString& fileName) {
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
