#pragma once

// The plain formats other map tools read: world files for the sheets and
// GPX, KML, GeoJSON and CSV for the places. Pure functions and small stream
// writers, no windows.

#include "core/geo/Datum.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>

class QIODevice;
class QXmlStreamWriter;

namespace orvena::gis {

// An area's calibration as its record's texts read (the read-out's own path):
// twips and seconds of arc, the scales in single precision.
struct SheetCalibration {
    float cola = 0.0f;
    float colo = 0.0f;
    double pxlao = 0.0;
    double seclao = 0.0;
    double pxloo = 0.0;
    double secloo = 0.0;
};

// The six numbers of a world file, in the order they are written: pixel width,
// two rotation terms (always 0: the calibration is a separate map per axis),
// pixel height (negative when latitude decreases downwards), and the longitude
// and latitude of the centre of the top-left pixel, all in degrees.
using WorldFile = std::array<double, 6>;

// Image pixels of the sheet at natural size become twips at this rate, as the
// map shows them at zoom 100 (15 twips to a pixel).
inline constexpr double kTwipsPerPixel = 15.0;

// The world file of a calibrated sheet. A pixel column c spans the twips
// [15c, 15c + 15) of the read-out, so the image's outer corner (0, 0) has the
// coordinates the read-out gives at twips (0, 0) and the pixel centres lie half
// a pixel inside. Nothing for a zero or non-finite scale or value.
std::optional<WorldFile> worldFileFor(const SheetCalibration& c);

// Six lines, one number each, '.' as the decimal separator whatever the locale.
QByteArray worldFileText(const WorldFile& w);

// The world file's name beside an image: the first and last letters of the
// image's extension and a "w" ("valfonda.gif" -> "valfonda.gfw", ".bmp" ->
// ".bpw", ".jpg" and ".jpeg" -> ".jgw"), in the extension's letter case;
// "name.wld" for an image without extension.
QString worldFileName(const QString& imageName);
// "valfonda.gif" -> "valfonda.prj".
QString projectionFileName(const QString& imageName);
// "valfonda.gif" -> "valfonda.gif.aux.xml".
QString auxiliaryFileName(const QString& imageName);
// "valfonda.gif" -> "valfonda.mbtiles".
QString mbTilesFileName(const QString& imageName);

// The files an export writes for one sheet: beside it, the world file, the
// .prj and the .aux.xml; in the target folder, its MBTiles.
struct SheetFileNames {
    QString world;
    QString projection;
    QString auxiliary;
    QString tiles;
    QString map;
};
// The files of each sheet of an atlas, so that no two sheets share one: each
// takes the names above ("prova.gfw", "prova.prj", "prova.gif.aux.xml",
// "prova.mbtiles", "prova.map"), except where two or more sheets would take the same one
// (letter case ignored: "prova.gif" and "prova.jpg" share "prova.prj";
// "prova.jpg" and "prova.jpeg" share "prova.jgw"). Then each of those sheets
// takes one from its whole name instead: the world file "prova.jpegw" (the
// extension and a "w", which readers of world files also look for),
// "prova.gif.prj", "prova.gif.mbtiles" and "prova.gif.map". The rule depends only on the names
// of the sheets, not on their order.
QHash<QString, SheetFileNames> sheetFileNames(const QStringList& sheets);

// The .prj text: the geographic coordinates of the sheet's datum, in degrees,
// as PROJ writes them in Esri's flavour (WGS 84 for a sheet without one).
// Empty when PROJ cannot describe it (no database), as the text below.
QByteArray projectionText(Datum datum = Datum::Wgs84);
// The auxiliary metadata file some GIS readers take the coordinate system from
// when an image format has no place for it; longitude is the first axis of the
// world file, the second of the coordinate system.
QByteArray auxiliaryText(Datum datum = Datum::Wgs84);

// A place ready for the formats: names as stored, coordinates in decimal
// degrees.
struct Place {
    QString area;
    QString name;
    double lat = 0.0;
    double lon = 0.0;
};

// Decimal degrees of an angle stored as degrees, minutes and seconds, added as
// they stand (-45 30 0 is -45 * 3600 + 30 * 60 seconds, as everywhere in the
// program). Nothing when a part is not a number.
std::optional<double> decimalDegrees(const std::optional<double>& deg,
                                     const std::optional<double>& min,
                                     const std::optional<double>& sec);
// Whether a point is on the globe: latitude within +-90, longitude within +-180.
bool onTheGlobe(double lat, double lon);

// A file of places written one place at a time, so that a million places never
// sit in memory. begin(), add() for each place, then finish(), which tells
// whether everything reached the device.
class PlaceWriter {
public:
    virtual ~PlaceWriter() = default;
    virtual void begin() = 0;
    virtual void add(const Place& place) = 0;
    virtual bool finish() = 0;
};

enum class PlaceFormat { Gpx, Kml, GeoJson, Csv };

// The writer of a format onto device, which must stay open while it writes.
//   Gpx:     GPX 1.1 waypoints, <wpt lat lon><name/><desc>area</desc></wpt>
//   Kml:     KML 2.2 placemarks, the area as their description
//   GeoJson: a FeatureCollection of points, [lon, lat], properties area and localita
//   Csv:     "area;localita;lat;lon", UTF-8 after its byte-order mark, decimal
//            commas, quoted where needed, one line a place; a text that would
//            start a formula behind an apostrophe
std::unique_ptr<PlaceWriter> placeWriter(PlaceFormat format, QIODevice* device);

// The file name of each format: localita.gpx, .kml, .geojson, .csv.
QString placeFileName(PlaceFormat format);

} // namespace orvena::gis
