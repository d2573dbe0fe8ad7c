#include "FullDisk.h"
#include "ReadOnlyFolder.h"
#include "Records.h"
#include "TestMain.h"
#include "Workspace.h"

#include "DemoAtlas.h"
#include "Sheets.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/WorkingPair.h"
#include "core/geo/Datum.h"
#include "core/geo/Readout.h"
#include "core/gis/GisExport.h"
#include "core/gis/GisFormats.h"
#include "core/gis/MbTiles.h"
#include "core/gis/OziMap.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>

#include <cmath>
#include <functional>
#include <optional>
#include <tuple>
#include <utility>

using namespace orvena;
using orvena::test::Workspace;

namespace {

struct Ran {
    int exitCode = -1;
    QString out, err;
};

Ran run(const QString& program, const QStringList& args, const QString& folder,
        const QByteArray& input = {}) {
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit) return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// The features ogrinfo lists: each field by name, and "POINT" as "x y".
QList<QMap<QString, QString>> ogrFeatures(const QStringList& args) {
    const Ran r = run(QStringLiteral("ogrinfo"), QStringList{"-ro", "-q"} + args, QString());
    QList<QMap<QString, QString>> out;
    static const QRegularExpression field(QStringLiteral(R"(^  (\S+) \(\w+\) = (.*)$)"));
    static const QRegularExpression point(QStringLiteral(R"(^  POINT \((\S+ \S+)\)$)"));
    for (const QString& line : r.out.split(u'\n')) {
        if (line.startsWith(QLatin1String("OGRFeature"))) out.append(QMap<QString, QString>());
        if (out.isEmpty()) continue;
        if (const auto m = field.match(line); m.hasMatch())
            out.last()[m.captured(1)] = m.captured(2);
        if (const auto m = point.match(line); m.hasMatch()) out.last()["POINT"] = m.captured(1);
    }
    return out;
}

// The atlas with a sheet in each datum. Its south-west sheet counts its
// longitudes from Monte Mario (12°27'08" east of Greenwich): its calibration
// and places are moved by that much.
constexpr int kMonteMario = 12 * 3600 + 27 * 60 + 8;
struct SheetDatum {
    const char* sheet;
    Datum datum;
    const char* crs; // what gdalinfo names
    int shift() const { return datum == Datum::Roma40Rome ? kMonteMario : 0; }
};
const SheetDatum kSheetDatums[] = {{"valfonda_no.gif", Datum::Wgs84, "GEOGCRS[\"WGS 84\""},
                                   {"valfonda_ne.bmp", Datum::Roma40, "GEOGCRS[\"Monte Mario\""},
                                   {"valfonda_so.jpg", Datum::Roma40Rome, "PRIMEM[\"Rome\""},
                                   {"valfonda_se.jpg", Datum::Ed50, "GEOGCRS[\"ED50\""}};

const SheetDatum& sheetDatum(const QString& sheet) {
    for (const SheetDatum& d : kSheetDatums)
        if (sheet == QLatin1String(d.sheet)) return d;
    return kSheetDatums[0];
}

QJsonObject gdalInfo(const QString& file) {
    return QJsonDocument::fromJson(run("gdalinfo", {"-json", file}, QString()).out.toUtf8())
        .object();
}

// Positions in a sheet's datum (degrees) as PROJ's cs2cs takes them to
// target: for longitudes from Monte Mario, through Roma 40 (straight to
// WGS 84 cs2cs would only move the meridian).
QList<QPointF> cs2cs(Datum datum, const QList<QPointF>& lonLat, const char* target) {
    QStringList steps{datumCode(datum)};
    if (datum == Datum::Roma40Rome) steps << datumCode(Datum::Roma40);
    steps << QString::fromLatin1(target);
    QList<QPointF> out = lonLat;
    for (int i = 0; i + 1 < steps.size(); ++i) {
        QByteArray input;
        for (const QPointF& p : std::exchange(out, {}))
            input += QByteArray::number(p.y(), 'f', 12) + ' ' + QByteArray::number(p.x(), 'f', 12) +
                     '\n';
        const Ran r = run("cs2cs", {"-f", "%.10f", steps[i], steps[i + 1]}, QString(), input);
        for (const QString& line : r.out.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList v = line.split(QRegularExpression(QStringLiteral("\\s+")));
            // Geographic systems answer latitude first, projected ones easting.
            const bool projected = steps[i + 1] == QLatin1String("EPSG:3857");
            out << (projected ? QPointF(v.value(0).toDouble(), v.value(1).toDouble())
                              : QPointF(v.value(1).toDouble(), v.value(0).toDouble()));
        }
    }
    return out;
}

// An atlas made unusual before an export with tiles: what the report must
// say, the files there must be and those there must not be (paths in the
// working folder; "gis/" for the chosen one).
struct Unusual {
    const char* tag;
    std::function<void(Workspace&)> prepare;
    QStringList says, present, absent;
};

// A sheet added as name with the calibration of the sheet from and a picture
// of the given bytes.
void addSheet(Workspace& ws, const QString& name, const QByteArray& bytes,
              const QString& from = "valfonda_se.jpg") {
    if (!test::writeFile(ws.file(name), bytes)) qFatal("sheet");
    test::execSql(ws.file("area.mdb"),
                  ("insert into AREA (AREA, COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO) select '" +
                   name + "', COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO from AREA where AREA = '" +
                   from + "'")
                      .toStdString());
}

void storeDatum(Workspace& ws, const QString& sheet, const QString& code,
                const std::optional<QString>& operation = std::nullopt) {
    WorkingPair pair(ws.folder.path());
    areadatums::store(pair, sheet, code, operation);
}

// A place file as ogrinfo reads it: the format, the file, the fields that hold
// the name and the sheet, and the options ogrinfo needs besides "-al".
struct Ogr {
    const char* tag;
    gis::PlaceFormat format;
    QString file, nameField, areaField;
    QString options;
};

} // namespace

class GisExportTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        for (const char* tool : {"gdalinfo", "ogrinfo"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QFAIL("gdal-bin is missing: scripts/deps.sh installs it");
        atlas_ = std::make_unique<Workspace>();
        const std::string shift =
            " - " + std::to_string(kMonteMario) + " where AREA = 'valfonda_so.jpg'";
        test::execSql(atlas_->file("area.mdb"), "update AREA set SECLOO = SECLOO" + shift);
        test::execSql(atlas_->file("localita.mdb"), "update localita set LOSE = LOSE" + shift);
        for (const SheetDatum& d : kSheetDatums)
            storeDatum(*atlas_, d.sheet, datumCode(d.datum));
        // Where cs2cs puts each place.
        for (const SheetDatum& d : kSheetDatums) {
            QList<QPointF> own;
            QStringList names;
            for (const demo::DemoPlace& p : demo::demoPlaces()) {
                if (p.area != QLatin1String(d.sheet)) continue;
                own << QPointF((p.lonDeg * 3600 + p.lonMin * 60 + p.lonSec - d.shift()) / 3600.0,
                               p.latDeg + p.latMin / 60.0 + p.latSec / 3600.0);
                names << p.name;
            }
            const QList<QPointF> wgs84 = cs2cs(d.datum, own, "EPSG:4326");
            QCOMPARE(wgs84.size(), own.size());
            for (int i = 0; i < names.size(); ++i)
                expected_.insert(QLatin1String(d.sheet) + u'|' + names[i], wgs84[i]);
        }
        const QByteArray areaBefore = test::fileBytes(atlas_->file("area.mdb"));
        const QByteArray placesBefore = test::fileBytes(atlas_->file("localita.mdb"));
        const Ran exported =
            run(ORVENA_PROGRAM, {"--esporta-gis", "gis", "--mbtiles"}, atlas_->folder.path());
        QCOMPARE(exported.exitCode, 0);
        // Beside each sheet its world file, .prj, .aux.xml and .map.
        QCOMPARE(exported.out.count(QLatin1String("Scritto ")), 4 * 4 + 4 + 4);
        QVERIFY(exported.out.contains(QStringLiteral("Località esportate: 31")));
        // Each datum's places, with PROJ's operation and its accuracy.
        for (const char* use : {"WGS 84 / ETRS89: ", "longitudini da Greenwich: ",
                                "Roma 40, longitudini da Monte Mario: ", "ED50: "})
            QVERIFY2(
                exported.out.contains(QRegularExpression(
                    QRegularExpression::escape(use) +
                    QStringLiteral("\\d+ località portate in WGS 84 con .+, accuratezza \\d"))),
                qPrintable(exported.out));
        QVERIFY(!exported.out.contains(QLatin1String("datum non indicato")));
        // The archives are read, never written.
        QCOMPARE(test::fileBytes(atlas_->file("area.mdb")), areaBefore);
        QCOMPARE(test::fileBytes(atlas_->file("localita.mdb")), placesBefore);
        // The byte-order mark first, so spreadsheets read the file as UTF-8.
        QVERIFY(test::fileBytes(atlas_->file("gis/localita.csv"))
                    .startsWith("\xEF\xBB\xBF"
                                "area;localita;lat;lon\n"));
    }

    // gdalinfo places every sheet where the read-out says: the corners and the
    // centre agree with the read-out at the same pixels within a second of arc.
    // So does GDAL's reader of the .map written beside it, where GDAL knows
    // the datum (it takes Rome 1940 as longitudes from Rome).
    void sheetsPlaceAsTheReadoutSays_data() {
        QTest::addColumn<bool>("map");
        QTest::newRow("image") << false;
        QTest::newRow(".map") << true;
    }
    void sheetsPlaceAsTheReadoutSays() {
        QFETCH(bool, map);
        for (const demo::SheetLayout& sheet : demo::sheetLayouts()) {
            const SheetDatum& d = sheetDatum(sheet.name);
            if (map && d.datum != Datum::Wgs84 && d.datum != Datum::Ed50) continue;
            const QJsonObject json =
                gdalInfo(atlas_->file(map ? gis::oziMapFileName(sheet.name) : sheet.name));
            const auto key = [&](const char* k) { return json[QLatin1String(k)]; };
            QVERIFY2(key("coordinateSystem")[QLatin1String("wkt")].toString().contains(
                         QLatin1String(d.crs)),
                     qPrintable(sheet.name));

            const int w = key("size")[0].toInt(), h = key("size")[1].toInt();
            QCOMPARE(QSize(w, h), QSize(sheet.width, sheet.height));
            const char* corners[] = {"upperLeft", "upperRight", "lowerLeft", "lowerRight",
                                     "center"};
            const QPoint pixels[] = {{0, 0}, {w, 0}, {0, h}, {w, h}, {w / 2, h / 2}};
            demo::SheetCalibration c = sheet.calibration;
            c.secloo -= d.shift();
            for (int i = 0; i < 5; ++i) {
                const auto r = computeReadout({pixels[i].x() * 15, pixels[i].y() * 15, c.cola,
                                               c.colo, double(c.pxlao), double(c.seclao),
                                               double(c.pxloo), double(c.secloo)});
                QVERIFY(r);
                const QJsonArray lonLat =
                    key("cornerCoordinates")[QLatin1String(corners[i])].toArray();
                const double dLon = std::abs(lonLat[0].toDouble() * 3600 - r->lonSeconds);
                const double dLat = std::abs(lonLat[1].toDouble() * 3600 - r->latSeconds);
                QVERIFY2(dLon < 1.0 && dLat < 1.0,
                         qPrintable(sheet.name + " " + corners[i] +
                                    QString(": %1\", %2\"").arg(dLon).arg(dLat)));
            }
        }
    }

    // Each sheet's tiles as gdalinfo reads them: web mercator, bounded by the
    // sheet's corners as cs2cs puts them within a pixel of the deepest zoom,
    // JPEG for a JPEG sheet and PNG otherwise, rows counted from the south.
    void tilesCoverTheSheet() {
        for (const demo::SheetLayout& sheet : demo::sheetLayouts()) {
            const QString file = atlas_->file("gis/" + gis::mbTilesFileName(sheet.name));
            const QJsonObject json = gdalInfo(file);
            QCOMPARE(json["driverShortName"].toString(), QStringLiteral("MBTiles"));
            const QJsonObject meta = json["metadata"][""].toObject();
            QCOMPARE(meta["format"].toString(),
                     sheet.format == demo::SheetFormat::Jpeg ? "jpg" : "png");
            QCOMPARE(meta["name"].toString(), sheet.name);
            const int minZoom = meta["minzoom"].toString().toInt();
            const int maxZoom = meta["maxzoom"].toString().toInt();
            QCOMPARE(meta["ZOOM_LEVEL"].toString().toInt(), maxZoom);
            QVERIFY(minZoom < maxZoom);

            const SheetDatum& d = sheetDatum(sheet.name);
            const demo::SheetCalibration& c = sheet.calibration;
            QList<QPointF> corners;
            for (const QPoint px : {QPoint(0, 0), QPoint(sheet.width, sheet.height)})
                corners << QPointF((c.lonAt(px.x() * 15.0) - d.shift()) / 3600.0,
                                   c.latAt(px.y() * 15.0) / 3600.0);
            const QList<QPointF> m = cs2cs(d.datum, corners, "EPSG:3857");
            const QJsonObject at = json["cornerCoordinates"].toObject();
            const double pixel = json["geoTransform"][1].toDouble();
            const auto near = [&](const char* corner, QPointF expected) {
                const QJsonArray xy = at[QLatin1String(corner)].toArray();
                return std::abs(xy[0].toDouble() - expected.x()) <= pixel &&
                       std::abs(xy[1].toDouble() - expected.y()) <= pixel;
            };
            QVERIFY2(near("upperLeft", m[0]) && near("lowerRight", m[1]),
                     qPrintable(QJsonDocument(json).toJson()));

            // The tile under the sheet's centre, at the deepest and at the
            // shallowest zoom, in the rows of TMS.
            const QPointF centre = (m[0] + m[1]) / 2;
            for (const int zoom : {maxZoom, minZoom}) {
                const auto index = [&](double at) {
                    const double half = 20037508.342789244, span = 2 * half / (1 << zoom);
                    return std::to_string(int(std::floor((at + half) / span)));
                };
                QCOMPARE(test::queryNumber(file, "select count(*) from tiles where zoom_level = " +
                                                     std::to_string(zoom) +
                                                     " and tile_column = " + index(centre.x()) +
                                                     " and tile_row = " + index(centre.y())),
                         1);
            }
        }
    }

    // A sheet of more KMZ tiles than the limit (100 unless set): asked, yes
    // lowers its resolution within the limit; no, or not asked, keeps its own
    // and the report names the sheet.
    void kmzTileLimit_data() {
        QTest::addColumn<int>("most"); // 0: the default
        QTest::addColumn<bool>("ask");
        QTest::addColumn<int>("answer");
        QTest::newRow("within the default") << 0 << true << 0;
        QTest::newRow("over the limit, yes") << 2 << true << int(AnswerYes);
        QTest::newRow("over the limit, no") << 2 << true << int(AnswerNo);
        QTest::newRow("over the limit, not asked") << 2 << false << 0;
    }
    void kmzTileLimit() {
        QFETCH(int, most);
        QFETCH(bool, ask);
        QFETCH(int, answer);
        atlas_->dialogs.takeTexts();
        if (answer != 0) atlas_->dialogs.queueAnswer(answer);
        gis::GisExportOptions options;
        options.kmz = true;
        options.askKmzResolution = ask;
        if (most > 0) options.kmzMostTiles = most;
        options.onlySheet = QStringLiteral("valfonda_se.jpg");
        const QString target = atlas_->file(QStringLiteral("kmz-%1-%2").arg(most).arg(answer));
        const gis::GisExportReport report =
            gis::exportForGis(atlas_->folder.path(), target, {}, options);
        const QString text = gis::reportText(report);
        QVERIFY2(report.ok() && report.kmzSets == 1, qPrintable(text));
        const int overlays = run("unzip", {"-p", target + "/valfonda_se.kmz", "doc.kml"}, QString())
                                 .out.count(QLatin1String("<GroundOverlay>"));
        const QStringList asked = atlas_->dialogs.takeTexts();
        const bool over = most > 0;
        QCOMPARE(asked.size(), over && ask ? 1 : 0);
        static const QRegularExpression question(QStringLiteral(
            "^Il foglio valfonda_se.jpg richiede 4 tessere KMZ, più delle 2 che molti GPS "
            "accettano.\nRidurre la risoluzione a (\\d+) tessere\\?$"));
        const auto m = question.match(asked.value(0));
        QVERIFY2(asked.isEmpty() || (m.hasMatch() && m.captured(1).toInt() <= 2),
                 qPrintable(asked.value(0)));
        const bool lowered = answer == AnswerYes;
        QCOMPARE(overlays, lowered ? m.captured(1).toInt() : 4);
        QCOMPARE(text.contains(QStringLiteral(
                     "valfonda_se.jpg: 4 tessere KMZ, più delle 2 che molti GPS accettano")),
                 over && !lowered);
        QVERIFY(text.endsWith(QLatin1String("Fogli in KMZ: 1")) == (!over || lowered));
    }

    void placesReadByOgr_data() {
        test::addRows<Ogr>({
            {"GPX", gis::PlaceFormat::Gpx, "localita.gpx", "name", "desc", {}},
            {"KML", gis::PlaceFormat::Kml, "localita.kml", "Name", "description", {}},
            {"GeoJSON", gis::PlaceFormat::GeoJson, "localita.geojson", "localita", "area", {}},
            {"CSV", gis::PlaceFormat::Csv, "localita.csv", "localita", "area",
             "-oo X_POSSIBLE_NAMES=lon -oo Y_POSSIBLE_NAMES=lat -oo AUTODETECT_TYPE=YES"},
        });
    }
    // Every place of the atlas, with its sheet and its coordinates; and names
    // with quotes, ampersands, markup, separators and accents exactly.
    void placesReadByOgr() {
        QFETCH(Ogr, row);
        const Ogr& o = row;
        const QStringList args = o.options.split(u' ', Qt::SkipEmptyParts) + QStringList{"-al"};
        auto features = ogrFeatures(args + QStringList{atlas_->file("gis/" + o.file)});
        QCOMPARE(features.size(), qsizetype(demo::demoPlaces().size()));
        for (const demo::DemoPlace& p : demo::demoPlaces()) {
            const auto it = std::find_if(features.begin(), features.end(), [&](const auto& f) {
                return f.value(o.nameField) == p.name && f.value(o.areaField) == p.area;
            });
            QVERIFY2(it != features.end(), qPrintable(p.name));
            // Within about a centimetre of cs2cs.
            const QStringList xy = it->value("POINT").split(u' ');
            const QPointF wgs84 = expected_.value(p.area + u'|' + p.name);
            QVERIFY2(std::abs(xy.value(0).toDouble() - wgs84.x()) < 2e-7 &&
                         std::abs(xy.value(1).toDouble() - wgs84.y()) < 2e-7,
                     qPrintable(p.name + " " + it->value("POINT")));
        }

        const QList<gis::Place> places{
            {"a \"b\"; c.jpg", "SANT'ANNA & <SAN ROCCO> ]]>", -33.25, -70.5},
            {"valfonda_no.gif", "CÀ BIANCA \"ALTA\"; SOPRA", 89.9999999, 179.9999999}};
        QVERIFY(QDir().mkpath(atlas_->file("nomi")));
        QSaveFile out(atlas_->file("nomi/" + o.file));
        QVERIFY(out.open(QIODevice::WriteOnly));
        const auto writer = gis::placeWriter(o.format, &out);
        writer->begin();
        for (const auto& p : places)
            writer->add(p);
        QVERIFY(writer->finish() && out.commit());
        features = ogrFeatures(args + QStringList{out.fileName()});
        QCOMPARE(features.size(), places.size());
        for (int i = 0; i < places.size(); ++i) {
            QCOMPARE(features[i].value(o.nameField), places[i].name);
            QCOMPARE(features[i].value(o.areaField), places[i].area);
            QCOMPARE(features[i].value("POINT"), QStringLiteral("%1 %2")
                                                     .arg(places[i].lon, 0, 'g', 10)
                                                     .arg(places[i].lat, 0, 'g', 10));
        }
    }

    void commandLine_data() {
        QTest::addColumn<bool>("archives");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("places and sheets that cannot be exported are left out and counted")
            << true << QStringList{"out"} << 0
            << "Località esportate: 31\nLocalità saltate perché le coordinate non sono numeri: 1\n"
               "Località saltate perché le coordinate sono fuori dai limiti: 1\n"
               "Fogli senza georeferenziazione: 3\n"
               "../fuori.gif: il nome non è un nome di file\n"
               "manca.gif: l'immagine non è presente nella cartella\n"
               "valfonda_no.gif: la calibrazione non è valida\n"
               "Fogli senza datum: 6 (località: 31)\n"
               "../fuori.gif: datum non indicato: considerato WGS 84\n";
        QTest::newRow("no archives: nothing created, exit 1")
            << false << QStringList{"out"} << 1 << "Il file area.mdb non esiste nella cartella";
        QTest::newRow("no folder: usage, exit 2")
            << true << QStringList{} << 2 << "Uso: orvena --esporta-gis CARTELLA";
    }

    void commandLine() {
        QFETCH(bool, archives);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        Workspace ws(archives ? Workspace::Content::DemoAtlas : Workspace::Content::Empty);
        if (archives) {
            test::execSql(ws.file("area.mdb"),
                          "update AREA set COLO = 0 where AREA = 'valfonda_no.gif';"
                          "insert into AREA (AREA, COLA, COLO) values ('manca.gif', 1, 1), "
                          "('../fuori.gif', 1, 1)");
            test::execSql(
                ws.file("localita.mdb"),
                "insert into localita (AREA, LOCALITA, LAGR, LAMN, LASE, LOGR, LOMN, LOSE) "
                "values ('x', 'SENZA', 'abc', 0, 0, 9, 0, 0), ('x', 'POLO', 95, 0, 0, 9, 0, 0)");
        }
        const Ran r = run(ORVENA_PROGRAM, QStringList{"--esporta-gis"} + args, ws.folder.path());
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2((r.out + r.err).contains(says), qPrintable(r.out + r.err));
        QCOMPARE(QFileInfo::exists(ws.file("area.mdb")), archives);
        QVERIFY(!QFileInfo::exists(ws.file("valfonda_no.gfw")));
    }

    void unusualSheets_data() {
        const auto italy = [] {
            for (const DatumOperation& o : datumOperations(Datum::Ed50, {9.1, 45.3, 9.4, 45.5}))
                if (o.key == "EPSG:1133") return o;
            return DatumOperation{};
        }();
        test::addRows<Unusual>({
            {"an empty, a truncated and a foreign picture: named in Italian, left out",
             [](Workspace& ws) {
                 const QByteArray jpeg = test::fileBytes(ws.file("valfonda_se.jpg"));
                 addSheet(ws, "vuoto.jpg", {});
                 addSheet(ws, "tronco.jpg", jpeg.left(jpeg.size() / 2));
                 addSheet(ws, "testo.gif", "nessuna immagine qui");
             },
             {"Fogli georeferenziati: 5", "Fogli senza georeferenziazione: 2",
              "testo.gif: il file non è un'immagine in un formato che il programma legge",
              "vuoto.jpg: il file dell'immagine è vuoto", "Note sui fogli: 1",
              "tronco.jpg: l'immagine è danneggiata o incompleta, non scritto in MBTiles",
              "Fogli in MBTiles: 4"},
             {"tronco.jgw"},
             {"vuoto.jgw", "testo.gfw", "gis/tronco.mbtiles", "gis/vuoto.mbtiles"}},
            {"an unknown datum code: kept, named, its places left out",
             [](Workspace& ws) { storeDatum(ws, "valfonda_ne.bmp", "EPSG:9999"); },
             {"Fogli con datum sconosciuto: 1 (località saltate: 8)",
              "valfonda_ne.bmp: datum sconosciuto: EPSG:9999: senza .prj né .aux.xml, località "
              "saltate",
              "Località esportate: 23"},
             {"valfonda_ne.bpw"},
             {"valfonda_ne.prj", "valfonda_ne.bmp.aux.xml", "gis/valfonda_ne.mbtiles"}},
            {"the operation chosen for a sheet, with its area of use",
             [italy](Workspace& ws) {
                 storeDatum(ws, "valfonda_se.jpg", datumCode(Datum::Ed50), italy.key);
             },
             {"località portate in WGS 84 con " + italy.name +
              ", accuratezza 10 m, area d'uso: " + italy.area},
             {"gis/valfonda_se.mbtiles"},
             {}},
            {"a place typed far from its sheet",
             [](Workspace& ws) {
                 test::execSql(ws.file("localita.mdb"),
                               "update localita set LAGR = 1, LAMN = 1, LASE = 1, LOGR = 1, "
                               "LOMN = 1, LOSE = 1 where rowid = (select min(rowid) from "
                               "localita where AREA = 'valfonda_no.gif')");
             },
             {"Località lontane dal proprio foglio più della sua misura: 1",
              "World file, .prj e .aux.xml dei fogli sono scritti accanto alle immagini"},
             {},
             {}},
        });
    }
    void unusualSheets() {
        QFETCH(Unusual, row);
        Workspace ws;
        row.prepare(ws);
        const auto report = gis::exportForGis(ws.folder.path(), ws.file("gis"), {}, {true});
        const QString text = gis::reportText(report);
        QVERIFY2(report.ok(), qPrintable(text));
        for (const QString& line : row.says)
            QVERIFY2(text.contains(line), qPrintable(line + "\n---\n" + text));
        QVERIFY2(!text.contains(QRegularExpression("Unable|image data|not found")),
                 qPrintable(text));
        for (const QString& file : row.present)
            QVERIFY2(QFileInfo::exists(ws.file(file)), qPrintable(file));
        for (const QString& file : row.absent)
            QVERIFY2(!QFileInfo::exists(ws.file(file)), qPrintable(file));
    }

    // A read-only atlas exports into a writable folder: each sheet's world
    // file, .prj and .aux.xml beside a link to its picture there, where GDAL
    // finds the sheet placed; the report says where they went.
    void readOnlyAtlas() {
        Workspace ws;
        const QString out = ws.folder.path() + "-gis";
        {
            const test::ReadOnlyFolder readOnly(ws.folder.path());
            const auto report = gis::exportForGis(ws.folder.path(), out);
            const QString text = gis::reportText(report);
            QVERIFY2(report.ok() && report.sheets == 4, qPrintable(text));
            QVERIFY2(text.contains("La cartella dei fogli non si può scrivere: world file, .prj e "
                                   ".aux.xml di 4 fogli scritti in " +
                                   out),
                     qPrintable(text));
            QVERIFY(!text.contains("scritti accanto alle immagini"));
        }
        QVERIFY(!QFileInfo::exists(ws.file("valfonda_se.jgw")));
        const QJsonObject json = gdalInfo(out + "/valfonda_se.jpg");
        QVERIFY2(json["coordinateSystem"]["wkt"].toString().contains("WGS 84"),
                 qPrintable(QJsonDocument(json).toJson()));
        QVERIFY(json.contains("geoTransform"));
        QDir(out).removeRecursively();
    }

    // A stopped export leaves no place file and no tiles, whole or in part.
    // With tiles or not: after how many calls, the total it counted and the
    // sheets it had written.
    void cancelLeavesNoFile() {
        for (const auto& [tiles, calls, total, sheets] :
             {std::tuple{false, 3, qint64(4 + 31), 3}, {true, 20, qint64(4 * 1001 + 31), 1}}) {
            Workspace ws;
            int called = 0;
            qint64 lastTotal = 0;
            const auto report = gis::exportForGis(ws.folder.path(), ws.file("out"),
                                                  [&](qint64, qint64 all) {
                                                      lastTotal = all;
                                                      return ++called <= calls;
                                                  },
                                                  {tiles});
            QVERIFY(report.cancelled);
            QCOMPARE(lastTotal, total);
            QCOMPARE(report.sheets, sheets);
            QCOMPARE(gis::reportText(report), "Esportazione per GIS interrotta.");
            QVERIFY(QDir(ws.file("out")).entryList(QDir::Files).isEmpty());
        }
    }

    // An archive replaced or removed while the program runs: the export
    // names it and, since the program goes on, does not say that it ends.
    void failedExportNamesTheArchive() {
        for (const bool removed : {false, true}) {
            Workspace ws;
            QVERIFY(QFile::remove(ws.file("localita.mdb")));
            if (!removed) QVERIFY(test::writeFile(ws.file("localita.mdb"), "GIF89a, a picture"));
            QCOMPARE(
                gis::exportForGis(ws.folder.path(), ws.file("out")).error,
                removed ? "Il file localita.mdb non esiste nella cartella " + ws.folder.path() + "."
                        : "Il file localita.mdb non è un archivio di Orvena: non è un database.");
        }
    }

    void fullDisk_data() {
        QTest::addColumn<bool>("tiles");
        QTest::addColumn<bool>("workingFolderFull"); // or only the target folder
        QTest::addColumn<QString>("file");           // the first file refused
        // Without a disk of its own, the largest file that may still be
        // written: a sheet's files (374 bytes at most) are, the others not.
        QTest::addColumn<qint64>("limit");
        QTest::newRow("place files") << false << false << "localita.gpx" << qint64(1024);
        QTest::newRow("MBTiles") << true << false << "valfonda_ne.mbtiles" << qint64(1024);
        QTest::newRow("world files") << false << true << "valfonda_ne.bpw" << qint64(64);
    }
    // An export onto a full disk fails with the file and the reason and exits
    // non-zero; the files of an earlier export stay as they were and nothing
    // is left beside them.
    void fullDisk() {
        QFETCH(bool, tiles);
        QFETCH(bool, workingFolderFull);
        QFETCH(QString, file);
        QFETCH(qint64, limit);
        test::FullDisk disk;
        Workspace ws;
        QString working = ws.folder.path();
        if (workingFolderFull) {
            for (const QFileInfo& f : QDir(working).entryInfoList(QDir::Files))
                QVERIFY(QFile::copy(f.filePath(), disk.file(f.fileName())));
            working = disk.path();
        }
        const QString target = disk.file("gis");
        QStringList args{"--esporta-gis", target};
        if (tiles) args << "--mbtiles";
        QCOMPARE(run(ORVENA_PROGRAM, args, working).exitCode, 0);
        const auto earlierTarget = test::bytesIn(target);
        const auto earlierDisk = test::bytesIn(disk.path());

        disk.fill(limit);
        const Ran again = run(ORVENA_PROGRAM, args, working);
        disk.release();
        QVERIFY2(again.exitCode == 1 && again.err.contains(file) &&
                     again.err.startsWith("Esportazione per GIS non riuscita.") &&
                     !again.out.contains("completata"),
                 qPrintable(again.out + again.err));
        if (disk.how() == test::FullDisk::How::Tmpfs || !tiles)
            QVERIFY2(again.err.contains(disk.reason()), qPrintable(again.err));
        QCOMPARE(test::bytesIn(target), earlierTarget);
        QCOMPARE(test::bytesIn(disk.path()), earlierDisk);
    }

    // Sheets that share a base name each get their own .prj, world file and
    // MBTiles; no file is written twice and the report counts what is there.
    void sheetsSharingABaseName() {
        Workspace ws;
        for (const auto& [from, to] : {std::pair{"valfonda_no.gif", "prova.gif"},
                                       {"valfonda_se.jpg", "prova.jpg"},
                                       {"valfonda_so.jpg", "PROVA.jpeg"}})
            addSheet(ws, to, test::fileBytes(ws.file(from)), from);
        storeDatum(ws, "prova.gif", datumCode(Datum::Ed50));
        const auto report = gis::exportForGis(ws.folder.path(), ws.file("gis"), {}, {true});
        QVERIFY2(report.ok(), qPrintable(report.error));
        QCOMPARE(report.written.size(),
                 QSet<QString>(report.written.begin(), report.written.end()).size());
        QCOMPARE(report.sheets, 7);
        QCOMPARE(report.tileSets, 7);
        QCOMPARE(QDir(ws.file("gis")).entryList({"*.mbtiles"}).size(), 7);
        for (const char* name :
             {"prova.gfw", "prova.gif.prj", "prova.jpgw", "prova.jpg.prj", "PROVA.jpegw",
              "PROVA.jpeg.prj", "valfonda_no.prj", "gis/prova.gif.mbtiles", "gis/prova.jpg.mbtiles",
              "gis/PROVA.jpeg.mbtiles", "gis/valfonda_no.mbtiles"})
            QVERIFY2(report.written.contains(ws.file(name)), name);
        QVERIFY(test::fileBytes(ws.file("prova.gif.prj")).contains("European_1950"));
        QVERIFY(!test::fileBytes(ws.file("prova.jpg.prj")).contains("European_1950"));
        QCOMPARE(test::queryRows(ws.file("gis/prova.jpg.mbtiles"),
                                 "select value from metadata where name = 'name'"),
                 QStringList{"prova.jpg"});
    }

private:
    std::unique_ptr<Workspace> atlas_;
    QHash<QString, QPointF> expected_; // "sheet|place" -> WGS 84 lon, lat
};

ORVENA_TEST_MAIN(GisExportTest)
#include "GisExportTest.moc"
