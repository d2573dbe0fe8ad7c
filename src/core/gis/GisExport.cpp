#include "core/gis/GisExport.h"

#include "core/archive/ArchiveFile.h"
#include "core/archive/Archives.h"
#include "core/archive/AreaCalibrations.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/AtlasServer.h"
#include "core/archive/FieldText.h"
#include "core/archive/Schema.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/base/Numbers.h"
#include "core/base/Picture.h"
#include "core/base/SafeSave.h"
#include "core/geo/Datum.h"
#include "core/geo/Sheet.h"
#include "core/gis/GisArchives.h"
#include "core/gis/GisFormats.h"
#include "core/gis/MbTiles.h"
#include "core/gis/OziMap.h"
#include "core/gis/SheetRasters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QLocale>
#include <QSet>


#include <algorithm>
#include <array>
#include <memory>
#include <optional>

namespace orvena::gis {

namespace {

// The export reads only; its queries name the columns it needs, so a file
// whose columns are spelled in another letter case reads the same.
const QString kCannotCreateFolder = QStringLiteral("La cartella %1 non può essere creata.");
const QString kSheetProblem = QStringLiteral("%1: %2");
const QString kNotTiled = QStringLiteral(", non scritto in MBTiles");
const QString kFolderReadOnly =
    QStringLiteral("La cartella %1 è in sola lettura: i world file dei fogli non vi si possono "
                   "scrivere. Scegliere un'altra cartella.");
const QString kNoStandIn =
    QStringLiteral("Il collegamento %1 all'immagine del foglio non può essere scritto.");
const QString kStandInTaken =
    QStringLiteral("Il file %1 esiste già: il collegamento all'immagine %2 non vi si scrive.");
const QString kUnknownDatum = QStringLiteral("%1: %2: senza .prj né .aux.xml, località saltate");
const QString kFarPlace = QStringLiteral("%1: %2 è lontana dal foglio più della sua misura");
const QString kNoCalibration = QStringLiteral("%1: la calibrazione non è valida");
const QString kModelFailed = QStringLiteral("%1: %2");
// Marks the auxiliary files the export writes for sheets calibrated from
// their points, so that a later export may replace them.
const QByteArray kOurs = "  <Metadata>\n    <MDI key=\"GEOREFERENZIAZIONE\">Orvena</MDI>\n"
                         "  </Metadata>\n";
const QString kUnexpected = QStringLiteral("Errore imprevisto (%1).");
const QString kBadName = QStringLiteral("%1: il nome non è un nome di file");
const QString kNoDatum = QStringLiteral("%1: datum non indicato: considerato WGS 84");
const QString kWrittenBefore =
    QStringLiteral("%1: il file %2 è già stato scritto per un altro foglio");
const QString kNoSystem =
    QStringLiteral("PROJ non descrive il sistema %1: manca il suo database (proj-data).");

// Progress steps of one sheet's tiles, beside one step per sheet and per place.
constexpr qint64 kTileSteps = 1000;

// The lines of the report.
const QString kReportFailed = QStringLiteral("Esportazione per GIS non riuscita. %1");
const QString kReportCancelled = QStringLiteral("Esportazione per GIS interrotta.");
const QString kReportDone = QStringLiteral("Esportazione per GIS completata.");
const QString kReportSheets = QStringLiteral("Fogli georeferenziati: %1");
const QString kReportPlaces = QStringLiteral("Località esportate: %1");
const QString kReportNotNumbers =
    QStringLiteral("Località saltate perché le coordinate non sono numeri: %1");
const QString kReportOffTheGlobe =
    QStringLiteral("Località saltate perché le coordinate sono fuori dai limiti: %1");
const QString kReportSheetsSkipped = QStringLiteral("Fogli senza georeferenziazione: %1");
const QString kReportNotTransformed =
    QStringLiteral("Località saltate perché PROJ non le porta in WGS 84: %1");
const QString kReportDatum =
    QStringLiteral("%1: %2 località portate in WGS 84 con %3, accuratezza %4, area d'uso: %5");
const QString kReportNoArea = QStringLiteral("non indicata");
const QString kReportSheetsFolder =
    QStringLiteral("World file, .prj e .aux.xml dei fogli sono scritti accanto alle immagini, "
                   "nella cartella %1 (non nella cartella scelta).");
const QString kReportSheetNotes = QStringLiteral("Note sui fogli: %1");
const QString kReportMoved = QStringLiteral(
    "La cartella dei fogli non si può scrivere: world file, .prj e .aux.xml di %1 fogli scritti "
    "in %2, accanto a un collegamento a ciascuna immagine, dove un GIS la trova georeferenziata: "
    "%3");
const QString kReportUnknownDatum =
    QStringLiteral("Fogli con datum sconosciuto: %1 (località saltate: %2)");
const QString kReportFar =
    QStringLiteral("Località lontane dal proprio foglio più della sua misura: %1");
const QString kReportMetres = QStringLiteral("%1 m");
const QString kReportUnknownAccuracy = QStringLiteral("non nota");
const QString kReportWithoutDatum = QStringLiteral("Fogli senza datum: %1 (località: %2)");
const QString kReportTiles = QStringLiteral("Fogli in MBTiles: %1");
const QString kReportKmz = QStringLiteral("Fogli in KMZ: %1");
const QString kReportGeoTiff = QStringLiteral("Fogli in GeoTIFF: %1");
const QString kManyTiles =
    QStringLiteral("%1: %2 tessere KMZ, più delle %3 che molti GPS accettano");
const QString kAskLower = QStringLiteral(
    "Il foglio %1 richiede %2 tessere KMZ, più delle %3 che molti GPS accettano.\n"
    "Ridurre la risoluzione a %4 tessere?");

class ExportFailure : public std::exception {
public:
    explicit ExportFailure(QString message)
        : message_(std::move(message)) {}
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return "export failed"; }

private:
    QString message_;
};

QString columnText(const GisArchives::Row& row, int index) {
    return fieldText(row(index));
}

// A number field read as the program reads every stored number.
std::optional<double> columnNumber(const GisArchives::Row& row, int index) {
    return storedNumber(row(index));
}

// An area name is a bare file name of the working folder; anything else could
// point a world file somewhere else.
bool isBareFileName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(u'/') && !name.contains(u'\\') && QFileInfo(name).fileName() == name;
}

bool sameBytes(const QString& a, const QString& b) {
    QFile x(a), y(b);
    if (x.size() != y.size() || !x.open(QIODevice::ReadOnly) || !y.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 kChunk = 1 << 20;
    while (!x.atEnd())
        if (x.read(kChunk) != y.read(kChunk)) return false;
    return true;
}

// The extent of a sheet in its own degrees, from its world file and the size
// of its picture (read from the file's header only).
std::optional<GeoBox> sheetBox(const WorldFile& w, const QString& picture) {
    const QSize size = QImageReader(picture).size();
    if (!size.isValid()) return std::nullopt;
    const double lon = w[4] - w[0] / 2, lat = w[5] - w[3] / 2;
    return GeoBox::around({{lon, lat}, {lon + w[0] * size.width(), lat + w[3] * size.height()}});
}

class Run {
public:
    Run(const QString& working, const QString& target, const Progress& progress,
        const GisExportOptions& options, GisExportReport& report)
        : working_(working)
        , target_(target)
        , progress_(progress)
        , options_(options)
        , report_(report) {}

    void operator()() {
        const QString areaPath = working_.filePath(QString::fromLatin1(Archives::kAreaFile));
        const QString placePath = working_.filePath(QString::fromLatin1(Archives::kLocalityFile));
        const bool onServer = atlasserver::onServer(working_.path());
        if (!onServer) {
            checkArchive(areaPath, schema::kAreaTable);
            checkArchive(placePath, schema::kLocalityTable);
        }
        if (!QDir().mkpath(target_.path()))
            throw ExportFailure(kCannotCreateFolder.arg(QDir::toNativeSeparators(target_.path())));

        try {
            const std::unique_ptr<GisArchives> archives = GisArchives::open(working_.path());
            datums_ = archives->datums();
            points_ = archives->points();
            names_ = sheetFileNames(archives->sheetNames());
            total_ = archives->sheetCount() * sheetSteps() + archives->placeCount();
            if (!tick()) return;
            if (!writeSheets(*archives)) return;
            writePlaces(*archives);
        } catch (const ArchiveError& e) {
            throw ExportFailure(e.italianMessage());
        }
    }

private:
    // The progress steps of one sheet: one, and with tiles those of its tiles.
    qint64 sheetSteps() const { return options_.tiles ? 1 + kTileSteps : 1; }

    static void checkArchive(const QString& path, const char* table) {
        if (!QFileInfo(path).isFile()) throw ExportFailure(archivefile::missing(path));
        const QString t = QString::fromLatin1(table);
        // Told as a sentence of its own: the program goes on after a failed
        // export (from the menu), so it must not say that it ends.
        const QString problem = archivefile::describe(path, t, archivefile::requiredColumns(t));
        if (!problem.isEmpty()) throw ExportFailure(problem);
    }

    // Writes bytes as path, once in an export: false (and a line of the
    // report) when an earlier sheet's file already took that name.
    bool writeWhole(const QString& sheet, const QString& path, const QByteArray& bytes) {
        if (!claim(sheet, path)) return false;
        if (const QString error = saveWhole(path, bytes); !error.isEmpty())
            throw ExportFailure(error);
        report_.written << path;
        return true;
    }

    // Whether path is still free in this export (letter case ignored, as on
    // the disks that ignore it); it is taken from now on.
    bool claim(const QString& sheet, const QString& path) {
        const QString key = QFileInfo(path).absoluteFilePath().toCaseFolded();
        if (claimed_.contains(key)) {
            report_.sheetsSkipped << kWrittenBefore.arg(sheet, QFileInfo(path).fileName());
            return false;
        }
        claimed_.insert(key);
        return true;
    }

    bool tick() {
        if (progress_ && !progress_(done_, total_)) report_.cancelled = true;
        return !report_.cancelled;
    }

    bool writeSheets(GisArchives& archives) {
        QSet<QString> seen;
        bool finished = true;
        archives.sheets([&](const GisArchives::Row& row) {
            {
                const qint64 next = done_ + sheetSteps();
                ++done_;
                const QString name = columnText(row, 0);
                if (!seen.contains(name)) {
                    seen.insert(name);
                    const QString code = datums_.value(name).code;
                    if (code.isEmpty())
                        report_.sheetsWithoutDatum << name;
                    else if (!datumFromCode(code))
                        report_.sheetsUnknownDatum
                            << kUnknownDatum.arg(name, unknownDatumText(code));
                    writeSheet(name, row);
                }
                if (report_.cancelled) return finished = false;
                done_ = next;
                if (!tick()) return finished = false;
            }
            return true;
        });
        return finished;
    }

    void writeSheet(const QString& name, const GisArchives::Row& row) {
        if (!isBareFileName(name)) {
            report_.sheetsSkipped << kBadName.arg(name);
            return;
        }
        const QString image = working_.filePath(name);
        // A sheet whose picture is missing, empty or not one gets no world
        // file; one that ends early keeps it but is tiled by no one.
        const PictureLoad picture = inspectPicture(image);
        if (picture.outcome != PictureOutcome::Ok && picture.outcome != PictureOutcome::Damaged) {
            report_.sheetsSkipped << kSheetProblem.arg(name, pictureProblem(picture, image));
            return;
        }
        std::array<std::optional<double>, 6> v;
        for (int i = 0; i < 6; ++i)
            v[i] = columnNumber(row, i + 1);
        std::optional<WorldFile> world;
        if (std::all_of(v.begin(), v.end(), [](const auto& x) { return x.has_value(); }))
            world = worldFileFor(
                {static_cast<float>(*v[0]), static_cast<float>(*v[1]), *v[2], *v[3], *v[4], *v[5]});
        if (!world) {
            report_.sheetsSkipped << kNoCalibration.arg(name);
            return;
        }
        const QString code = datums_.value(name).code;
        const auto datum = code.isEmpty() ? std::optional(Datum::Wgs84) : datumFromCode(code);
        if (datum && points_.contains(name)) {
            writeModelSheet(name, *datum, picture);
            return;
        }
        const SystemTexts* system = datum ? &systemTexts(*datum) : nullptr;
        if (system && system->projection.isEmpty())
            throw ExportFailure(kNoSystem.arg(datumCode(*datum)));
        const SheetFileNames files = names_.value(name, sheetFileNames({name}).value(name));
        const QDir folder = sheetFilesFolder(name, files);
        if (!writeWhole(name, folder.filePath(files.world), worldFileText(*world))) return;
        if (system) {
            writeWhole(name, folder.filePath(files.projection), system->projection);
            // Someone else's metadata beside the image is left alone.
            const QString aux = folder.filePath(files.auxiliary);
            QFile existing(aux);
            if (!existing.exists() || (existing.open(QIODevice::ReadOnly) && writtenHere(existing)))
                writeWhole(name, aux, system->auxiliary);
        }
        ++report_.sheets;
        if (const auto box = sheetBox(*world, image)) boxes_.insert(name, *box);
        if (datum) {
            const QSize size = QImageReader(image).size();
            writeOziMap(name, folder.filePath(files.map), worldFileModel(*world, *datum, size),
                        size, {});
        }
        if (picture.outcome == PictureOutcome::Damaged) {
            report_.sheetNotes << kSheetProblem.arg(name, pictureProblem(picture, image)) +
                                      (options_.tiles ? kNotTiled : QString());
            return;
        }
        if (options_.tiles && !datum)
            report_.tilesSkipped << kSheetProblem.arg(name, unknownDatumText(code));
        else if (options_.tiles)
            writeTiles(name, files.tiles, &*world, nullptr, *datum);
        if (!datum) return;
        if (options_.geoTiff) {
            const WorldFile& w = *world;
            writeGeoTiff(name, folder.filePath(geoTiffName(files)),
                         std::array<double, 6>{w[4] - w[0] / 2 - w[2] / 2, w[0], w[2],
                                               w[5] - w[1] / 2 - w[3] / 2, w[1], w[3]},
                         {}, crsWkt(datumEpsg(*datum), WktFlavour::Gdal));
        }
        if (options_.kmz)
            writeKmz(name, files, {&*world, nullptr, *datum, datums_.value(name).operation, {}});
    }

    // Where a sheet's world file, .prj and .aux.xml go: beside its picture,
    // or, where the sheets' folder cannot take them, into the target folder
    // beside a link to the picture (a copy where links cannot be made), so
    // that a GIS opening that finds it placed.
    QDir sheetFilesFolder(const QString& name, const SheetFileNames& files) {
        if (archivefile::canWrite(working_.filePath(files.world)) &&
            archivefile::canWrite(working_.filePath(files.projection))) {
            report_.sheetsFolder = working_.absolutePath();
            return working_;
        }
        if (QDir(working_).canonicalPath() == QDir(target_).canonicalPath())
            throw ExportFailure(kFolderReadOnly.arg(QDir::toNativeSeparators(target_.path())));
        const QString image = QFileInfo(working_.filePath(name)).absoluteFilePath();
        const QString stand = target_.filePath(name);
        const QFileInfo there(stand);
        // A link or a copy an earlier export left there serves again.
        const bool ours = there.isSymLink() ? there.symLinkTarget() == image
                                            : there.isFile() && sameBytes(stand, image);
        if (!ours) {
            if (there.exists() || there.isSymLink())
                throw ExportFailure(kStandInTaken.arg(QDir::toNativeSeparators(stand), name));
            if (!QFile::link(image, stand) && !QFile::copy(image, stand))
                throw ExportFailure(kNoStandIn.arg(QDir::toNativeSeparators(stand)));
            report_.written << stand;
        }
        report_.sheetsMoved << name;
        report_.movedFolder = target_.absolutePath();
        return target_;
    }

    // A sheet calibrated from its points: georeferenced in its fit grid by
    // its model, as a world file where the model is affine and as ground
    // control points GDAL fits into the same model otherwise.
    void writeModelSheet(const QString& name, Datum datum, const PictureLoad& picture) {
        const SheetPoints& points = points_[name];
        const SheetModel model = SheetModel::fit(points, datum);
        if (!model.isValid()) {
            report_.sheetsSkipped << kModelFailed.arg(name, model.error());
            return;
        }
        const QString image = working_.filePath(name);
        const QSize size = QImageReader(image).size();
        const SheetFileNames files = names_.value(name, sheetFileNames({name}).value(name));
        const QDir folder = sheetFilesFolder(name, files);
        const int epsg = model.grid() != 0 ? model.grid() : datumEpsg(model.datum());
        const QByteArray prj = crsWkt(epsg, WktFlavour::Esri);
        const QByteArray srs = crsWkt(epsg, WktFlavour::Gdal);
        if (prj.isEmpty() || srs.isEmpty())
            throw ExportFailure(kNoSystem.arg(QStringLiteral("EPSG:%1").arg(epsg)));
        // Geographic systems name the latitude first, grids the easting.
        const QByteArray mapping = model.grid() != 0 ? "1,2" : "2,1";
        const QByteArray escaped = QString::fromUtf8(srs).toHtmlEscaped().toUtf8();
        QByteArray aux;
        if (const auto gt = model.geoTransform()) {
            const WorldFile w{(*gt)[1],
                              (*gt)[4],
                              (*gt)[2],
                              (*gt)[5],
                              (*gt)[0] + (*gt)[1] / 2 + (*gt)[2] / 2,
                              (*gt)[3] + (*gt)[4] / 2 + (*gt)[5] / 2};
            if (!writeWhole(name, folder.filePath(files.world), worldFileText(w))) return;
            writeWhole(name, folder.filePath(files.projection), prj + '\n');
            aux = "<PAMDataset>\n  <SRS dataAxisToSRSAxisMapping=\"" + mapping + "\">" + escaped +
                  "</SRS>\n";
        } else {
            // A world file of an earlier export would take precedence over
            // the points.
            if (!claim(name, folder.filePath(files.world))) return;
            QFile::remove(folder.filePath(files.world));
            aux = "<PAMDataset>\n  <GCPList Projection=\"" + escaped +
                  "\" dataAxisToSRSAxisMapping=\"" + mapping + "\">\n";
            int id = 0;
            for (const GridTie& t : model.controlPoints(size.width(), size.height()))
                aux += QStringLiteral("    <GCP Id=\"%1\" Pixel=\"%2\" Line=\"%3\" X=\"%4\" "
                                      "Y=\"%5\"/>\n")
                           .arg(++id)
                           .arg(t.pixel, 0, 'f', 6)
                           .arg(t.line, 0, 'f', 6)
                           .arg(t.x, 0, 'f', 10)
                           .arg(t.y, 0, 'f', 10)
                           .toUtf8();
            aux += "  </GCPList>\n";
        }
        aux += kOurs + "</PAMDataset>\n";
        const QString auxPath = folder.filePath(files.auxiliary);
        QFile existing(auxPath);
        if (!existing.exists() || (existing.open(QIODevice::ReadOnly) && writtenHere(existing)))
            writeWhole(name, auxPath, aux);
        ++report_.sheets;
        if (size.isValid()) {
            std::vector<LonLat> at;
            for (const QPoint c : {QPoint(0, 0), QPoint(size.width(), size.height()),
                                   QPoint(size.width(), 0), QPoint(0, size.height())})
                if (const auto p = model.forward(c.x(), c.y())) at.push_back(*p);
            if (at.size() == 4) boxes_.insert(name, GeoBox::around({at[0], at[1], at[2], at[3]}));
        }
        writeOziMap(name, folder.filePath(files.map), model, size, points.border);
        if (picture.outcome == PictureOutcome::Damaged) {
            report_.sheetNotes << kSheetProblem.arg(name, pictureProblem(picture, image)) +
                                      (options_.tiles ? kNotTiled : QString());
            return;
        }
        // The tiles are warped through the model itself.
        if (options_.tiles)
            writeTiles(name, files.tiles, nullptr, &model, model.datum(), points.border);
        if (options_.geoTiff)
            writeGeoTiff(name, folder.filePath(geoTiffName(files)), model.geoTransform(),
                         model.controlPoints(size.width(), size.height()), srs);
        if (options_.kmz)
            writeKmz(name, files, {nullptr, &model, model.datum(), datums_.value(name).operation,
                                   points.border});
    }

    // The per-axis world file of a sheet as a model, for its .map file.
    static SheetModel worldFileModel(const WorldFile& w, Datum datum, QSize size) {
        if (size.isEmpty()) return {};
        SheetPoints corners;
        const double lon = w[4] - w[0] / 2, lat = w[5] - w[3] / 2;
        for (const QPoint c : {QPoint(0, 0), QPoint(size.width(), 0), QPoint(0, size.height()),
                               QPoint(size.width(), size.height())})
            corners.points.push_back(
                {double(c.x()), double(c.y()), false, lat + w[3] * c.y(), lon + w[0] * c.x()});
        return SheetModel::fit(corners, datum);
    }

    void writeOziMap(const QString& name, const QString& path, const SheetModel& model, QSize size,
                     const std::vector<QPointF>& border) {
        const QByteArray text = oziMapText(name, model, size, border);
        if (!text.isEmpty()) writeWhole(name, path, text);
    }

    bool writtenHere(QFile& aux) {
        const QByteArray text = aux.readAll();
        return text.contains(kOurs) || std::any_of(kDatums.begin(), kDatums.end(), [&](Datum d) {
                   return text == systemTexts(d).auxiliary;
               });
    }

    // A datum's .prj and .aux.xml texts, asked of PROJ once in an export.
    struct SystemTexts {
        QByteArray projection;
        QByteArray auxiliary;
    };
    const SystemTexts& systemTexts(Datum datum) {
        std::optional<SystemTexts>& texts = systemTexts_[std::size_t(datum)];
        if (!texts) texts = SystemTexts{projectionText(datum), auxiliaryText(datum)};
        return *texts;
    }

    // The sheet placed by its world file, or by its model when it has one.
    void writeTiles(const QString& name, const QString& fileName, const WorldFile* world,
                    const SheetModel* model, Datum datum,
                    const std::vector<QPointF>& border = {}) {
        const QString path = target_.filePath(fileName);
        if (!claim(name, path)) return;
        const QString image = working_.filePath(name);
        PictureLoad picture = readPicture(image);
        if (picture.outcome != PictureOutcome::Ok) {
            report_.tilesSkipped << kSheetProblem.arg(name, pictureProblem(picture, image));
            return;
        }
        const qint64 from = done_;
        const bool jpeg = QImageReader(image).format() == "jpeg";
        const Progress progress = [&](qint64 done, qint64 total) {
            done_ = from + (total > 0 ? done * kTileSteps / total : 0);
            return tick();
        };
        const QString operation = datums_.value(name).operation;
        const MbTilesResult tiles = model ? writeMbTiles(std::move(picture.image), *model, name,
                                                         jpeg, path, progress, operation, border)
                                          : writeMbTiles(std::move(picture.image), *world, datum,
                                                         name, jpeg, path, progress, operation);
        if (tiles.cancelled) {
            report_.cancelled = true;
        } else if (tiles.writeFailed) {
            // The disk, not the sheet: the export cannot go on.
            throw ExportFailure(tiles.error);
        } else if (!tiles.ok()) {
            report_.tilesSkipped << tiles.error;
        } else {
            report_.written << path;
            ++report_.tileSets;
        }
    }

    static QString geoTiffName(const SheetFileNames& files) {
        return files.map.chopped(4) + QStringLiteral(".geo.tif");
    }

    void writeGeoTiff(const QString& name, const QString& path,
                      const std::optional<std::array<double, 6>>& geoTransform,
                      const std::vector<GridTie>& controlPoints, const QByteArray& wkt) {
        if (!claim(name, path)) return;
        PictureLoad picture = readPicture(working_.filePath(name));
        if (picture.outcome != PictureOutcome::Ok) return;
        const RasterResult r =
            gis::writeGeoTiff(std::move(picture.image), geoTransform, controlPoints, wkt, path);
        if (r.writeFailed) throw ExportFailure(r.error);
        if (!r.ok()) return;
        report_.written << path;
        ++report_.geoTiffs;
    }

    // The sheet's KMZ: at its own resolution, or lower where it would take
    // more tiles than GPS units show and the user (asked) wants it so.
    void writeKmz(const QString& name, const SheetFileNames& files, const SheetPlace& place) {
        if (!options_.onlySheet.isEmpty() && options_.onlySheet != name) return;
        const QString path = target_.filePath(files.tiles.chopped(8) + QStringLiteral(".kmz"));
        if (!claim(name, path)) return;
        PictureLoad picture = readPicture(working_.filePath(name));
        if (picture.outcome != PictureOutcome::Ok) return;
        const QSize size = picture.image.size();
        KmzLayout layout = kmzLayout(size, place);
        if (!layout.error.isEmpty()) {
            report_.tilesSkipped << kSheetProblem.arg(name, layout.error);
            return;
        }
        const int most = std::max(options_.kmzMostTiles, 1);
        if (layout.tiles() > most) {
            const KmzLayout fewer = kmzLayout(size, place, kmzScaleWithinLimit(size, place, most));
            if (options_.askKmzResolution &&
                askLower(kAskLower.arg(name).arg(layout.tiles()).arg(most).arg(fewer.tiles())))
                layout = fewer;
            else
                report_.kmzNotes << kManyTiles.arg(name).arg(layout.tiles()).arg(most);
        }
        const RasterResult r = gis::writeKmz(std::move(picture.image), place, layout, name, path,
                                             [&](qint64, qint64) { return tick(); });
        if (r.cancelled) report_.cancelled = true;
        if (r.writeFailed) throw ExportFailure(r.error);
        if (!r.ok()) {
            if (!r.cancelled) report_.tilesSkipped << r.error;
            return;
        }
        report_.written << path;
        ++report_.kmzSets;
    }

    // The question, never under the hourglass (put back after it).
    static bool askLower(const QString& question) {
        const bool busy = hourglass::isBusy();
        hourglass::reset();
        const bool yes = dialogs().message(question, Buttons::YesNo) == AnswerYes;
        if (busy) hourglass::set();
        return yes;
    }

    std::optional<Datum> datumOf(const QString& sheet) const {
        return datumFromCode(datums_.value(sheet).code);
    }

    // The operation from a sheet's datum to WGS 84, made for the sheet's
    // extent (or, for a sheet that has none here, the place first met on it)
    // and kept while the places of that sheet follow one another.
    const DatumTransform& transformFor(const QString& sheet, Datum datum, LonLat at) {
        if (!transform_.isValid() || sheet != transformSheet_) {
            transform_ = DatumTransform(datum, boxes_.value(sheet, GeoBox::around({at})),
                                        DatumTransform::kWgs84, datums_.value(sheet).operation);
            transformSheet_ = sheet;
            if (!transform_.isValid()) throw ExportFailure(transform_.error());
        }
        return transform_;
    }

    void countUse(Datum datum, const DatumTransform& t) {
        for (DatumUse& use : report_.datums) {
            if (use.datum == datumName(datum) && use.operation == t.operationName() &&
                use.area == t.areaOfUse()) {
                ++use.places;
                return;
            }
        }
        report_.datums.append(
            {datumName(datum), t.operationName(), t.areaOfUse(), t.accuracy(), 1});
    }

    void writePlaces(GisArchives& archives) {
        constexpr std::array formats{PlaceFormat::Gpx, PlaceFormat::Kml, PlaceFormat::GeoJson,
                                     PlaceFormat::Csv};
        std::vector<std::unique_ptr<SafeSave>> files;
        std::vector<std::unique_ptr<PlaceWriter>> writers;
        for (const PlaceFormat f : formats) {
            auto file = std::make_unique<SafeSave>(target_.filePath(placeFileName(f)));
            if (!file->create()) throw ExportFailure(file->error());
            writers.push_back(placeWriter(f, file.get()));
            writers.back()->begin();
            files.push_back(std::move(file));
        }
        archives.places([&](const GisArchives::Row& row) {
            ++done_;
            addPlace(row, writers);
            return done_ % 1000 != 0 || tick();
        });
        if (report_.cancelled) return; // the files are dropped unwritten
        // All four whole on the disk before any takes its name.
        for (std::size_t i = 0; i < files.size(); ++i)
            if (!files[i]->check(writers[i]->finish())) throw ExportFailure(files[i]->error());
        for (const auto& file : files) {
            if (!file->commit()) throw ExportFailure(file->error());
            report_.written << file->target();
        }
        tick();
    }

    void addPlace(const GisArchives::Row& row,
                  const std::vector<std::unique_ptr<PlaceWriter>>& writers) {
        const auto lat =
            decimalDegrees(columnNumber(row, 2), columnNumber(row, 3), columnNumber(row, 4));
        const auto lon =
            decimalDegrees(columnNumber(row, 5), columnNumber(row, 6), columnNumber(row, 7));
        if (!lat || !lon) {
            ++report_.placesNotNumbers;
            return;
        }
        if (!onTheGlobe(*lat, *lon)) {
            ++report_.placesOffTheGlobe;
            return;
        }
        Place place{columnText(row, 0), columnText(row, 1), *lat, *lon};
        noteIfFar(place);
        const QString code = datums_.value(place.area).code;
        if (!code.isEmpty() && !datumFromCode(code)) {
            ++report_.placesUnknownDatum;
            return;
        }
        if (const auto datum = datumOf(place.area)) {
            const DatumTransform& t = transformFor(place.area, *datum, {*lon, *lat});
            const auto wgs84 = t.forward({*lon, *lat});
            if (!wgs84 || !onTheGlobe(wgs84->lat, wgs84->lon)) {
                ++report_.placesNotTransformed;
                return;
            }
            place.lat = wgs84->lat;
            place.lon = wgs84->lon;
            countUse(*datum, t);
        } else {
            ++report_.placesWithoutDatum;
        }
        for (const auto& w : writers)
            w->add(place);
        ++report_.places;
    }

    // A place more than its sheet's size away from the sheet (in the sheet's
    // own degrees) was most likely typed wrong: it is named in the report.
    void noteIfFar(const Place& place) {
        const auto box = boxes_.constFind(place.area);
        if (box == boxes_.cend()) return;
        const double width = box->east - box->west, height = box->north - box->south;
        if (place.lon < box->west - width || place.lon > box->east + width ||
            place.lat < box->south - height || place.lat > box->north + height)
            report_.placesFar << kFarPlace.arg(place.area, place.name);
    }

    QDir working_;
    QDir target_;
    const Progress& progress_;
    const GisExportOptions& options_;
    GisExportReport& report_;
    QHash<QString, areadatums::SheetDatum> datums_;
    QHash<QString, SheetPoints> points_;
    QHash<QString, GeoBox> boxes_;
    QHash<QString, SheetFileNames> names_;
    QSet<QString> claimed_;
    std::array<std::optional<SystemTexts>, kDatums.size()> systemTexts_;
    DatumTransform transform_;
    QString transformSheet_;
    qint64 done_ = 0;
    qint64 total_ = 0;
};

} // namespace

GisExportReport exportForGis(const QString& workingFolder, const QString& targetFolder,
                             const Progress& progress, const GisExportOptions& options) {
    GisExportReport report;
    try {
        Run(workingFolder, targetFolder, progress, options, report)();
    } catch (const ExportFailure& failure) {
        report.error = failure.message();
    } catch (const std::exception& e) {
        report.error = kUnexpected.arg(QString::fromUtf8(e.what()));
    }
    return report;
}

QString reportText(const GisExportReport& report) {
    if (!report.error.isEmpty()) return kReportFailed.arg(report.error);
    if (report.cancelled) return kReportCancelled;
    QStringList lines;
    lines << kReportDone << kReportSheets.arg(report.sheets) << kReportPlaces.arg(report.places);
    if (report.placesNotNumbers > 0) lines << kReportNotNumbers.arg(report.placesNotNumbers);
    if (report.placesOffTheGlobe > 0) lines << kReportOffTheGlobe.arg(report.placesOffTheGlobe);
    if (!report.sheetsSkipped.isEmpty())
        lines << kReportSheetsSkipped.arg(report.sheetsSkipped.size())
              << report.sheetsSkipped.mid(0, 10);
    if (report.placesNotTransformed > 0)
        lines << kReportNotTransformed.arg(report.placesNotTransformed);
    for (const DatumUse& use : report.datums) {
        const QString accuracy =
            use.accuracy ? kReportMetres.arg(QLocale(QLocale::Italian).toString(*use.accuracy))
                         : kReportUnknownAccuracy;
        lines << kReportDatum.arg(use.datum)
                     .arg(use.places)
                     .arg(use.operation, accuracy, use.area.isEmpty() ? kReportNoArea : use.area);
    }
    if (!report.sheetsWithoutDatum.isEmpty()) {
        lines << kReportWithoutDatum.arg(report.sheetsWithoutDatum.size())
                     .arg(report.placesWithoutDatum);
        for (const QString& sheet : report.sheetsWithoutDatum.mid(0, 10))
            lines << kNoDatum.arg(sheet);
    }
    if (!report.sheetsUnknownDatum.isEmpty())
        lines << kReportUnknownDatum.arg(report.sheetsUnknownDatum.size())
                     .arg(report.placesUnknownDatum)
              << report.sheetsUnknownDatum.mid(0, 10);
    if (!report.placesFar.isEmpty())
        lines << kReportFar.arg(report.placesFar.size()) << report.placesFar.mid(0, 10);
    if (!report.sheetNotes.isEmpty())
        lines << kReportSheetNotes.arg(report.sheetNotes.size()) << report.sheetNotes.mid(0, 10);
    if (!report.sheetsMoved.isEmpty())
        lines << kReportMoved.arg(report.sheetsMoved.size())
                     .arg(QDir::toNativeSeparators(report.movedFolder),
                          report.sheetsMoved.join(QStringLiteral(", ")));
    if (!report.sheetsFolder.isEmpty())
        lines << kReportSheetsFolder.arg(QDir::toNativeSeparators(report.sheetsFolder));
    if (report.tileSets > 0 || !report.tilesSkipped.isEmpty())
        lines << kReportTiles.arg(report.tileSets) << report.tilesSkipped.mid(0, 10);
    if (report.kmzSets > 0) lines << kReportKmz.arg(report.kmzSets) << report.kmzNotes.mid(0, 10);
    if (report.geoTiffs > 0) lines << kReportGeoTiff.arg(report.geoTiffs);
    return lines.join(u'\n');
}

} // namespace orvena::gis
