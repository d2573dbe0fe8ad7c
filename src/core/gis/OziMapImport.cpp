#include "core/gis/OziMapImport.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/WorkingPair.h"
#include "core/base/Picture.h"
#include "core/geo/SheetFiles.h"
#include "core/geo/SheetModelStore.h"
#include "core/gis/OziMap.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace orvena::gis {

namespace {

const QString kRefused = QStringLiteral("%1: non importato. %2");
const QString kNoImage = QStringLiteral("L'immagine «%1» non si trova.");
const QString kNotPicture = QStringLiteral("L'immagine %1 non è un'immagine leggibile.");
const QString kOtherImage =
    QStringLiteral("Nella cartella esiste già un'immagine %1 diversa: non è stata sostituita.");
const QString kCopyFailed =
    QStringLiteral("L'immagine %1 non è stata copiata nella cartella (%2).");
const QString kGraticule = QStringLiteral("in latitudine e longitudine (%1)");
const QString kStored =
    QStringLiteral("%1: foglio %2 calibrato con %3 punti, modello %4, %5; RMS %6 px (%7 m).");

// The image line 3 names, looked for as the viewers look for it.
QString findImage(const QString& mapPath, const QString& named, const QDir& working) {
    const QDir beside = QFileInfo(mapPath).absoluteDir();
    const QString bare = bareFileName(named);
    QStringList candidates;
    if (QFileInfo(named).isAbsolute())
        candidates << named;
    else
        candidates << beside.filePath(named);
    candidates << beside.filePath(bare) << working.filePath(bare);
    for (const QString& c : candidates)
        if (!bare.isEmpty() && QFileInfo(c).isFile()) return QFileInfo(c).absoluteFilePath();
    return {};
}

} // namespace

OziImport importOziMap(const QString& workingFolder, const QString& mapPath) {
    const QString file = QFileInfo(mapPath).fileName();
    const auto refused = [&](const QString& why) { return OziImport{{}, kRefused.arg(file, why)}; };
    const OziMapRead read = readOziMap(mapPath);
    if (!read.map) return refused(read.error);
    const OziMap& map = *read.map;

    const QDir working(workingFolder);
    const QString source = findImage(mapPath, map.image, working);
    const QString sheet = bareFileName(map.image);
    if (source.isEmpty()) return refused(kNoImage.arg(map.image));
    if (checkPicture(source).outcome != PictureOutcome::Ok) return refused(kNotPicture.arg(sheet));

    const SheetModel model = SheetModel::fit(map.points, map.datum);
    if (!model.isValid()) return refused(model.error());

    const QString target = working.absoluteFilePath(sheet);
    const bool elsewhere = !isSameFile(source, target);
    const bool there = QFileInfo::exists(target);
    if (elsewhere && there && !haveSameContent(source, target))
        return refused(kOtherImage.arg(sheet));
    try {
        WorkingPair pair(workingFolder);
        if (elsewhere && !there) {
            const QString failure = copyReplacing(source, target);
            if (!failure.isEmpty()) return refused(kCopyFailed.arg(sheet, failure));
        }
        const QString failure = storeSheetModel(pair, sheet, map.points, map.datum);
        if (!failure.isEmpty()) return refused(failure);
    } catch (const ArchiveError& e) {
        return refused(e.italianMessage());
    }
    const QLocale italian(QLocale::Italian);
    return {sheet, kStored.arg(file, sheet)
                       .arg(map.points.points.size())
                       .arg(fitModelName(model.model()),
                            model.grid() != 0 ? fitGridName(model.grid())
                                              : kGraticule.arg(datumName(model.datum())))
                       .arg(italian.toString(model.rmsPixels(), 'f', 2))
                       .arg(italian.toString(model.rmsMetres(), 'f', 2))};
}

} // namespace orvena::gis
