#include "Records.h"
#include "TestMain.h"
#include "Workspace.h"

#include "DemoAtlas.h"
#include "Sheets.h"
#include "core/geo/Readout.h"
#include "core/gis/GisExport.h"
#include "core/gis/GisFormats.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>

#include <SQLiteCpp/Database.h>

#include <cmath>

using namespace orvena;
using orvena::test::Workspace;

namespace {

struct Ran {
    int exitCode = -1;
    QString out, err;
};

Ran run(const QString& program, const QStringList& args, const QString& folder) {
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(program, args);
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

// A place file as ogrinfo reads it: the format, the file, the fields that hold
// the name and the sheet, and the options ogrinfo needs besides "-al".
struct Ogr {
    gis::PlaceFormat format;
    QString file, nameField, areaField;
    QStringList options;
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
        const QByteArray areaBefore = test::fileBytes(atlas_->file("area.mdb"));
        const QByteArray placesBefore = test::fileBytes(atlas_->file("localita.mdb"));
        const Ran exported = run(ORVENA_PROGRAM, {"--esporta-gis", "gis"}, atlas_->folder.path());
        QCOMPARE(exported.exitCode, 0);
        QCOMPARE(exported.out.count(QLatin1String("Scritto ")), 4 * 3 + 4);
        QVERIFY(exported.out.contains("Località esportate: 31"));
        // The archives are read, never written.
        QCOMPARE(test::fileBytes(atlas_->file("area.mdb")), areaBefore);
        QCOMPARE(test::fileBytes(atlas_->file("localita.mdb")), placesBefore);
        QVERIFY(test::fileBytes(atlas_->file("gis/localita.csv"))
                    .startsWith("area;localita;lat;lon\n"));
    }

    // gdalinfo places every sheet where the read-out says: the corners and the
    // centre agree with the read-out at the same pixels within a second of arc.
    void sheetsPlaceAsTheReadoutSays() {
        for (const demo::SheetLayout& sheet : demo::sheetLayouts()) {
            const Ran info = run("gdalinfo", {"-json", atlas_->file(sheet.name)}, QString());
            const QJsonObject json = QJsonDocument::fromJson(info.out.toUtf8()).object();
            const auto key = [&](const char* k) { return json[QLatin1String(k)]; };
            QVERIFY2(key("coordinateSystem")[QLatin1String("wkt")].toString().contains("WGS 84"),
                     qPrintable(sheet.name));
            const int w = key("size")[0].toInt(), h = key("size")[1].toInt();
            QCOMPARE(QSize(w, h), QSize(sheet.width, sheet.height));
            const char* corners[] = {"upperLeft", "upperRight", "lowerLeft", "lowerRight",
                                     "center"};
            const QPoint pixels[] = {{0, 0}, {w, 0}, {0, h}, {w, h}, {w / 2, h / 2}};
            const demo::SheetCalibration& c = sheet.calibration;
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

    void placesReadByOgr_data() {
        QTest::addColumn<Ogr>("o");
        QTest::newRow("GPX") << Ogr{gis::PlaceFormat::Gpx, "localita.gpx", "name", "desc", {}};
        QTest::newRow("KML") << Ogr{
            gis::PlaceFormat::Kml, "localita.kml", "Name", "description", {}};
        QTest::newRow("GeoJSON") << Ogr{
            gis::PlaceFormat::GeoJson, "localita.geojson", "localita", "area", {}};
        QTest::newRow("CSV") << Ogr{gis::PlaceFormat::Csv,
                                    "localita.csv",
                                    "localita",
                                    "area",
                                    {"-oo", "X_POSSIBLE_NAMES=lon", "-oo", "Y_POSSIBLE_NAMES=lat",
                                     "-oo", "AUTODETECT_TYPE=YES"}};
    }
    // Every place of the atlas, with its sheet and its coordinates; and names
    // with quotes, ampersands, markup, separators and accents exactly.
    void placesReadByOgr() {
        QFETCH(Ogr, o);
        const QStringList args = o.options + QStringList{"-al"};
        const QString &file = o.file, &nameField = o.nameField, &areaField = o.areaField;
        auto features = ogrFeatures(args + QStringList{atlas_->file("gis/" + file)});
        QCOMPARE(features.size(), qsizetype(demo::demoPlaces().size()));
        QCOMPARE(qsizetype(demo::demoPlaces().size()), 31);
        for (const demo::DemoPlace& p : demo::demoPlaces()) {
            const auto it = std::find_if(features.begin(), features.end(), [&](const auto& f) {
                return f.value(nameField) == p.name && f.value(areaField) == p.area;
            });
            QVERIFY2(it != features.end(), qPrintable(p.name));
            const QStringList xy = it->value("POINT").split(u' ');
            const double lat = p.latDeg + p.latMin / 60.0 + p.latSec / 3600.0;
            const double lon = p.lonDeg + p.lonMin / 60.0 + p.lonSec / 3600.0;
            QVERIFY2(std::abs(xy.value(0).toDouble() - lon) < 1e-6 &&
                         std::abs(xy.value(1).toDouble() - lat) < 1e-6,
                     qPrintable(p.name + " " + it->value("POINT")));
        }

        const QList<gis::Place> places{
            {"a \"b\"; c.jpg", "SANT'ANNA & <SAN ROCCO> ]]>", -33.25, -70.5},
            {"valfonda_no.gif", "CÀ BIANCA \"ALTA\"; SOPRA", 89.9999999, 179.9999999}};
        QVERIFY(QDir().mkpath(atlas_->file("nomi")));
        QSaveFile out(atlas_->file("nomi/" + file));
        QVERIFY(out.open(QIODevice::WriteOnly));
        const auto writer = gis::placeWriter(o.format, &out);
        writer->begin();
        for (const auto& p : places)
            writer->add(p);
        QVERIFY(writer->finish() && out.commit());
        features = ogrFeatures(args + QStringList{out.fileName()});
        QCOMPARE(features.size(), places.size());
        for (int i = 0; i < places.size(); ++i) {
            QCOMPARE(features[i].value(nameField), places[i].name);
            QCOMPARE(features[i].value(areaField), places[i].area);
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
               "valfonda_no.gif: la calibrazione non è valida";
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
            SQLite::Database area(ws.file("area.mdb").toStdString(), SQLite::OPEN_READWRITE);
            area.exec("update AREA set COLO = 0 where AREA = 'valfonda_no.gif'");
            area.exec("insert into AREA (AREA, COLA, COLO) values ('manca.gif', 1, 1), "
                      "('../fuori.gif', 1, 1)");
            SQLite::Database places(ws.file("localita.mdb").toStdString(), SQLite::OPEN_READWRITE);
            places.exec(
                "insert into localita (AREA, LOCALITA, LAGR, LAMN, LASE, LOGR, LOMN, LOSE) "
                "values ('x', 'SENZA', 'abc', 0, 0, 9, 0, 0), ('x', 'POLO', 95, 0, 0, 9, 0, 0)");
        }
        const Ran r = run(ORVENA_PROGRAM, QStringList{"--esporta-gis"} + args, ws.folder.path());
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2((r.out + r.err).contains(says), qPrintable(r.out + r.err));
        QCOMPARE(QFileInfo::exists(ws.file("area.mdb")), archives);
        QVERIFY(!QFileInfo::exists(ws.file("valfonda_no.gfw")));
    }

    void cancelLeavesNoPlaceFile() {
        Workspace ws;
        qint64 calls = 0, lastTotal = 0;
        const auto report =
            gis::exportForGis(ws.folder.path(), ws.file("out"), [&](qint64, qint64 total) {
                lastTotal = total;
                return ++calls < 4; // stops after the third sheet
            });
        QVERIFY(report.cancelled);
        QCOMPARE(lastTotal, 4 + 31);
        QCOMPARE(report.sheets, 3);
        QCOMPARE(gis::reportText(report), "Esportazione per GIS interrotta.");
        QVERIFY(QDir(ws.file("out")).entryList(QDir::Files).isEmpty());
    }

private:
    std::unique_ptr<Workspace> atlas_;
};

ORVENA_TEST_MAIN(GisExportTest)
#include "GisExportTest.moc"
