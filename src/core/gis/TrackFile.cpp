#include "core/gis/TrackFile.h"

#include "core/base/QuietGdal.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTimeZone>

#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <map>
#include <memory>
#include <mutex>

namespace orvena {

namespace {

const QString kRefused = QStringLiteral("Il file \"%1\" non si può aprire come traccia: %2.");
const QString kMissing = QStringLiteral("il file non c'è o non si può leggere");
const QString kUnknownFormat = QStringLiteral("non è un file GPX, KML, KMZ o GeoJSON leggibile");
const QString kDamaged = QStringLiteral("il file è danneggiato o incompleto");
const QString kDetail = QStringLiteral(" (%1)");
const QString kEmpty = QStringLiteral("il file non contiene tracce, percorsi né punti");

const QStringList kSuffixes = {QStringLiteral("gpx"), QStringLiteral("kml"), QStringLiteral("kmz"),
                               QStringLiteral("geojson"), QStringLiteral("json")};

struct FeatureFree {
    void operator()(void* f) const { OGR_F_Destroy(f); }
};
using Feature = std::unique_ptr<void, FeatureFree>;

struct TransformFree {
    void operator()(void* t) const { OCTDestroyCoordinateTransformation(t); }
};
using Transform = std::unique_ptr<void, TransformFree>;

// The layer's coordinates to WGS 84 longitude and latitude; none when they
// already are (GPX and KML always, GeoJSON nearly always).
Transform toWgs84(OGRLayerH layer) {
    OGRSpatialReferenceH from = OGR_L_GetSpatialRef(layer);
    if (!from) return nullptr;
    OGRSpatialReferenceH wgs84 = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(wgs84, 4326);
    OSRSetAxisMappingStrategy(wgs84, OAMS_TRADITIONAL_GIS_ORDER);
    Transform t;
    if (!OSRIsSame(from, wgs84)) {
        OGRSpatialReferenceH source = OSRClone(from);
        OSRSetAxisMappingStrategy(source, OAMS_TRADITIONAL_GIS_ORDER);
        t.reset(OCTNewCoordinateTransformation(source, wgs84));
        OSRDestroySpatialReference(source);
    }
    OSRDestroySpatialReference(wgs84);
    return t;
}

QString text(OGRFeatureH f, const char* field) {
    const int i = OGR_F_GetFieldIndex(f, field);
    if (i < 0 || !OGR_F_IsFieldSetAndNotNull(f, i)) return {};
    return QString::fromUtf8(OGR_F_GetFieldAsString(f, i)).trimmed();
}

QString nameOf(OGRFeatureH f) {
    for (const char* field : {"name", "Name", "NAME", "title"})
        if (QString n = text(f, field); !n.isEmpty()) return n;
    return {};
}

double numberAt(OGRFeatureH f, int i) {
    if (i < 0 || !OGR_F_IsFieldSetAndNotNull(f, i)) return kNoValue;
    return OGR_F_GetFieldAsDouble(f, i);
}

double number(OGRFeatureH f, const char* field) {
    return numberAt(f, OGR_F_GetFieldIndex(f, field));
}

// A date and time field (field i) in seconds since 1970, UTC.
double timeAt(OGRFeatureH f, int i) {
    if (i < 0 || !OGR_F_IsFieldSetAndNotNull(f, i)) return kNoValue;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, zone = 0;
    float s = 0;
    if (!OGR_F_GetFieldAsDateTimeEx(f, i, &y, &mo, &d, &h, &mi, &s, &zone)) return kNoValue;
    const qint64 day = QDate(y, mo, d).toJulianDay();
    if (day == 0) return kNoValue;
    // 100 is UTC; 100 + n is n quarters of an hour east of it.
    const double offset = zone > 1 ? (zone - 100) * 900.0 : 0.0;
    constexpr qint64 kJulianDayOf1970 = 2440588;
    return double((day - kJulianDayOf1970) * 86400 + h * 3600 + mi * 60) + double(s) - offset;
}

// The vertices of a line, or of each line of a multi-line, joined.
void addVertices(OGRGeometryH g, std::vector<TrackPoint>& points) {
    const int parts = OGR_G_GetGeometryCount(g);
    if (parts > 0) {
        for (int i = 0; i < parts; ++i)
            addVertices(OGR_G_GetGeometryRef(g, i), points);
        return;
    }
    const bool z = OGR_G_Is3D(g);
    for (int i = 0, n = OGR_G_GetPointCount(g); i < n; ++i)
        points.push_back(
            {{OGR_G_GetX(g, i), OGR_G_GetY(g, i)}, z ? OGR_G_GetZ(g, i) : kNoValue, kNoValue});
}

// Any vector file: its points as waypoints, its lines as tracks.
void readFeatures(OGRLayerH layer, TrackFile& file) {
    const Transform transform = toWgs84(layer);
    OGR_L_ResetReading(layer);
    while (Feature f{OGR_L_GetNextFeature(layer)}) {
        OGRGeometryH g = OGR_F_GetGeometryRef(f.get());
        if (!g) continue;
        if (transform) OGR_G_Transform(g, transform.get());
        switch (OGR_GT_Flatten(OGR_G_GetGeometryType(g))) {
        case wkbPoint:
            file.waypoints.push_back({nameOf(f.get()),
                                      {OGR_G_GetX(g, 0), OGR_G_GetY(g, 0)},
                                      OGR_G_Is3D(g) ? OGR_G_GetZ(g, 0) : number(f.get(), "ele")});
            break;
        case wkbLineString:
        case wkbMultiLineString: {
            Track t{nameOf(f.get()), {}};
            addVertices(g, t.points);
            if (!t.points.empty()) file.tracks.push_back(std::move(t));
            break;
        }
        default:
            break;
        }
    }
}

// GPX: the tracks' and routes' names from their layers, their points (with
// elevation and time) from the points' layers.
void readGpxLines(GDALDatasetH ds, const char* lines, const char* points, const char* fidField,
                  TrackFile& file) {
    OGRLayerH lineLayer = GDALDatasetGetLayerByName(ds, lines);
    OGRLayerH pointLayer = GDALDatasetGetLayerByName(ds, points);
    if (!lineLayer || !pointLayer) return;
    std::map<long long, Track> byFid;
    // The lines' own geometries are not needed: their points come with times.
    const char* noGeometry[] = {"OGR_GEOMETRY", nullptr};
    OGR_L_SetIgnoredFields(lineLayer, noGeometry);
    OGR_L_ResetReading(lineLayer);
    while (Feature f{OGR_L_GetNextFeature(lineLayer)})
        byFid[OGR_F_GetFID(f.get())].name = nameOf(f.get());
    // Of the points only their place, track, elevation and time are read.
    std::vector<QByteArray> unused;
    OGRFeatureDefnH defn = OGR_L_GetLayerDefn(pointLayer);
    for (int i = 0, n = OGR_FD_GetFieldCount(defn); i < n; ++i) {
        const QByteArray name = OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(defn, i));
        if (name != fidField && name != "ele" && name != "time") unused.push_back(name);
    }
    std::vector<const char*> ignored;
    for (const QByteArray& name : unused)
        ignored.push_back(name.constData());
    ignored.push_back(nullptr);
    OGR_L_SetIgnoredFields(pointLayer, ignored.data());
    OGR_L_ResetReading(pointLayer);
    const int fid = OGR_L_FindFieldIndex(pointLayer, fidField, TRUE);
    const int ele = OGR_L_FindFieldIndex(pointLayer, "ele", TRUE);
    const int time = OGR_L_FindFieldIndex(pointLayer, "time", TRUE);
    if (fid < 0) return;
    Track* track = nullptr;
    long long trackFid = -1;
    while (Feature f{OGR_L_GetNextFeature(pointLayer)}) {
        OGRGeometryH g = OGR_F_GetGeometryRef(f.get());
        if (!g) continue;
        const long long id = OGR_F_GetFieldAsInteger64(f.get(), fid);
        if (!track || id != trackFid) {
            track = &byFid[id];
            trackFid = id;
        }
        track->points.push_back(
            {{OGR_G_GetX(g, 0), OGR_G_GetY(g, 0)}, numberAt(f.get(), ele), timeAt(f.get(), time)});
    }
    for (auto& [id, track] : byFid)
        if (!track.points.empty()) file.tracks.push_back(std::move(track));
}

// Whether the file begins as the formats read here do (XML, JSON, a zip):
// one that does but is not opened is damaged rather than foreign.
bool beginsAsTrackFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(256).trimmed();
    return head.startsWith('<') || head.startsWith('{') || head.startsWith("PK") ||
           head.startsWith("\xEF\xBB\xBF");
}

QString damaged() {
    const QString detail = QuietGdal::message();
    return kDamaged + (detail.isEmpty() ? QString() : kDetail.arg(detail));
}

bool isGpx(GDALDatasetH ds) {
    return QString::fromUtf8(GDALGetDriverShortName(GDALGetDatasetDriver(ds))) ==
           QLatin1String("GPX");
}

} // namespace

QString TrackFile::name() const {
    return QFileInfo(path).fileName();
}

TrackFile readTrackFile(const QString& path) {
    TrackFile file;
    file.path = path;
    const auto refuse = [&](const QString& why) {
        file.tracks.clear();
        file.waypoints.clear();
        file.error = kRefused.arg(file.name(), why);
        return file;
    };
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) return refuse(kMissing);
    const QuietGdal quiet;
    const QByteArray name = QFile::encodeName(info.absoluteFilePath());
    GDALDatasetH ds =
        GDALOpenEx(name.constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (!ds) return refuse(beginsAsTrackFile(path) ? damaged() : kUnknownFormat);
    if (isGpx(ds)) {
        if (OGRLayerH w = GDALDatasetGetLayerByName(ds, "waypoints")) readFeatures(w, file);
        readGpxLines(ds, "routes", "route_points", "route_fid", file);
        readGpxLines(ds, "tracks", "track_points", "track_fid", file);
    } else {
        for (int i = 0, n = GDALDatasetGetLayerCount(ds); i < n; ++i)
            readFeatures(GDALDatasetGetLayer(ds, i), file);
    }
    const bool failed = QuietGdal::failed();
    const QString why = damaged();
    GDALClose(ds);
    if (failed) return refuse(why);
    if (file.tracks.empty() && file.waypoints.empty()) return refuse(kEmpty);
    return file;
}

QString trackFileFilter() {
    return QStringLiteral("Tracce GPS (GPX, KML, KMZ, GeoJSON)|*.gpx;*.kml;*.kmz;*.geojson;*.json|"
                          "Tutti i file|*.*");
}

bool looksLikeTrackFile(const QString& path) {
    return kSuffixes.contains(QFileInfo(path).suffix().toLower());
}

} // namespace orvena
