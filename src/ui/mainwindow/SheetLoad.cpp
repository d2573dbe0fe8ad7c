#include "ui/mainwindow/SheetLoad.h"

#include "ui/mainwindow/MainWindow.h"
#include "ui/widgets/Canvas.h"
#include "ui/widgets/MapImage.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSet>

namespace orvena {

PictureLoad loadSheet(MainWindow& w, const QString& fileName) {
    PictureLoad check = checkPicture(fileName);
    if (check.outcome != PictureOutcome::Ok) return check;
    const bool released = !w.Image1->composition().file().isEmpty();
    if (released) {
        w.Image1->releaseSheet();
        w.Picture1->releaseSheet();
        w.state().loadedPicture = QImage();
    }
    PictureLoad load = readPicture(fileName);
    if (!load.shown() && released) {
        w.Image1->restoreSheet();
        w.state().loadedPicture = w.Image1->sheet();
    }
    return load;
}

QString sheetFile(const QString& fileName) {
    return QFileInfo(fileName).absoluteFilePath();
}

bool firstDamageNotice(const QString& fileName) {
    static QSet<QString> told;
    const QFileInfo info(fileName);
    const QString key = QStringLiteral("%1|%2|%3")
                            .arg(info.absoluteFilePath())
                            .arg(info.size())
                            .arg(info.lastModified().toMSecsSinceEpoch());
    if (told.contains(key)) return false;
    told.insert(key);
    return true;
}

} // namespace orvena
