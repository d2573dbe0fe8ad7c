// Taking the marked map out of the program: "Stampa" prints the part of the
// map around the last marker (and the window as it looks), "Salva" writes the
// composed map as a bitmap file.
#include "ui/mainwindow/MainWindow.h"

#include "core/archive/ProgramFiles.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/base/SaveBitmap.h"
#include "core/state/ViewGeometry.h"
#include "ui/map/MapView.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include <cstdint>

namespace orvena {

namespace {

const QString kSaveTitle = QStringLiteral("Inserisci il nome dell'immagine da salvare");
const QString kSaveFilter = QStringLiteral("*.*");
const QString kSaveFailed = QStringLiteral("Non è stato possibile salvare l'immagine. %1");
const QString kSaveReplace =
    QStringLiteral("Il file %1 esiste già. Vuoi sostituirlo con l'immagine?");
// %1: the file's name, %2: what it is to the program.
const QString kSaveRefused = QStringLiteral("Il file %1 è %2: l'immagine non è stata salvata.");

const QString kPrintedAsPdf =
    QStringLiteral("Non è installata nessuna stampante: la stampa è stata salvata nei file %1 e "
                   "%2 della cartella %3.");
const QString kPrintFailed = QStringLiteral("Non è stato possibile stampare: %1.");

// What "Salva" writes before anything was marked: a blank picture of this
// size, in pixels (615 x 495 twips, the historic drawing canvas's).
const QSize kBlankPicture(41, 33);

QString printedAsPdf(const QStringList& files) {
    return kPrintedAsPdf.arg(QFileInfo(files.value(0)).fileName(),
                             QFileInfo(files.value(1)).fileName(),
                             QDir::toNativeSeparators(QFileInfo(files.value(0)).absolutePath()));
}

// The page's top-left corner shows the map from this far left of and above the
// marker, in twips: the reference point and the sheet's place, less a margin
// of 3000 across and plus 4000 down.
constexpr std::int64_t kPrintBackX = view::kReferenceX + view::kSheetLeft - 3000;
constexpr std::int64_t kPrintBackY = view::kReferenceY + view::kSheetTop + 4000;

// "stampa-AAAAMMGG-hhmmss", with a number after it when a print of the same
// second is already in the folder: no earlier print is ever overwritten.
QString printName(const QString& folder) {
    const QDir dir(folder);
    const QString stamp = QStringLiteral("stampa-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString name = stamp;
    for (int n = 2; dir.exists(name + QStringLiteral(".pdf")) ||
                    dir.exists(name + QStringLiteral("-finestra.pdf"));
         ++n)
        name = stamp + QStringLiteral("-%1").arg(n);
    return name;
}

// The window as it looks, one picture pixel to a device-independent pixel.
QImage windowPicture(QWidget& window) {
    const QPixmap shot = window.grab();
    QImage picture = shot.toImage();
    if (shot.devicePixelRatio() != 1.0)
        picture = picture.scaled(shot.deviceIndependentSize().toSize(), Qt::IgnoreAspectRatio,
                                 Qt::SmoothTransformation);
    return picture;
}

// The map as the map image composes it, read a part at a time: only the
// pixels under the page are composed, from the decoded sheet or its tiles.
PrintDocument mapDocument(const QString& name, const Composition& map, QPointF source) {
    return {name, QPageLayout::Landscape, [map, source](QPainter& p, const QSizeF& page) {
                paintPartFrom(
                    p, page, map.isNull() ? QSize() : map.size(),
                    [&map](const QRect& part) { return map.composePart(part); }, source);
            }};
}

PrintDocument pictureDocument(const QString& name, const QImage& picture, QPointF source) {
    // The page is printed across (landscape).
    return {name, QPageLayout::Landscape, [picture, source](QPainter& p, const QSizeF& page) {
                paintPictureFrom(p, page, picture, source);
            }};
}

} // namespace

void MainWindow::cmdstampa_Click() {
    const QPointF source(double(std::int64_t{state_.markerLeft} - kPrintBackX),
                         double(std::int64_t{state_.markerTop} - kPrintBackY));
    const QString folder = folder_;
    const QString name = printName(folder);
    const PrintOutcome outcome = dialogs().print(
        {mapDocument(name, Image1->composition(), source),
         pictureDocument(name + QStringLiteral("-finestra"), windowPicture(*this), QPointF(0, 0))},
        folder);
    switch (outcome.kind) {
    case PrintOutcome::Kind::Printed:
        break;
    case PrintOutcome::Kind::WrittenAsPdf:
        dialogs().message(printedAsPdf(outcome.files));
        break;
    case PrintOutcome::Kind::Failed:
        dialogs().message(kPrintFailed.arg(outcome.error));
        break;
    }
}

void MainWindow::cmdsalva_Click() {
    // A picture no bitmap can hold is told before anything is chosen or written.
    const Composition& marked = Image1->marked();
    if (const QString tooLarge = bitmapTooLarge(marked.isNull() ? kBlankPicture : marked.size());
        !tooLarge.isEmpty()) {
        dialogs().message(tooLarge);
        return;
    }
    const QString folder = folder_;
    const auto chosen = dialogs().saveFile(kSaveTitle, kSaveFilter, folder);
    if (!chosen || chosen->isEmpty()) return;
    // The archives, the guide and the sheets are never written over, and
    // the user is not asked whether to replace one.
    const QString target = QDir(folder).filePath(*chosen);
    if (const ProgramFile own = programFileAt(*chosen, folder); own.isProgramFile()) {
        dialogs().message(kSaveRefused.arg(own.name, own.role));
        return;
    }
    if (QFileInfo(target).isFile() &&
        dialogs().message(kSaveReplace.arg(QFileInfo(target).fileName()), Buttons::YesNo,
                          DefaultButton::Decline) != AnswerYes)
        return;
    hourglass::Scope busy;
    QString error;
    if (marked.tiles()) {
        // Written a band at a time from the tiles, the marks drawn on each.
        const bool saved = saveBitmapInBands(
            marked.size(), [&marked](const QRect& band) { return marked.composePart(band); },
            target, &error);
        busy.end();
        if (!saved) dialogs().message(kSaveFailed.arg(error));
        return;
    }
    QImage picture = Image1->markedPicture();
    if (picture.isNull()) {
        // Nothing marked yet: a blank picture of the window's colour.
        picture = QImage(kBlankPicture, QImage::Format_RGB32);
        picture.fill(palette().color(QPalette::Window));
    }
    const bool saved = saveBitmap(picture, target, &error);
    busy.end();
    if (!saved) dialogs().message(kSaveFailed.arg(error));
}

} // namespace orvena
