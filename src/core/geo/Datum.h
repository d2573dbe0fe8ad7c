#pragma once

// The geodetic datum a sheet's graticule is printed in, and the way from its
// coordinates to WGS 84, web mercator and UTM. Every coordinate operation is
// PROJ's, taken from its database by EPSG code; nothing here computes a datum
// shift or a projection by itself.

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace orvena {

// The four graticules of the sheets. A sheet that was never given one reads as
// Wgs84.
enum class Datum { Wgs84, Roma40, Roma40Rome, Ed50 };

inline constexpr std::array<Datum, 4> kDatums = {Datum::Wgs84, Datum::Roma40, Datum::Roma40Rome,
                                                 Datum::Ed50};

// The name the user chooses it by: "WGS 84 / ETRS89", "Roma 40 (Monte Mario),
// longitudini da Greenwich", "Roma 40, longitudini da Monte Mario", "ED50".
QString datumName(Datum datum);
std::optional<Datum> datumFromName(const QString& name);

// The EPSG code of its geographic coordinate system (4326, 4265, 4806, 4230)
// and the text it is stored as ("EPSG:4265"). Nothing for any other text.
int datumEpsg(Datum datum);
QString datumCode(Datum datum);
std::optional<Datum> datumFromCode(const QString& code);
// How a stored code that is none of the four reads wherever datums are shown:
// "datum sconosciuto: EPSG:9999".
QString unknownDatumText(const QString& code);

// The sheets among (sheet, code) pairs whose code is none of the four, as a
// line for the user: "Datum sconosciuti copiati così come sono: VALFONDA
// (datum sconosciuto: EPSG:9999)."; empty when every code is known.
QString unknownDatumsNote(const QList<std::pair<QString, QString>>& sheets);

// Why PROJ cannot describe any coordinate system in this run, in Italian and
// naming what is missing (its database proj.db, where it was looked for);
// empty when its database opens.
QString projDataProblem();

// The coordinate system in well-known text on one line: Esri's flavour for a
// .prj file, GDAL's (with its axes) for an .aux.xml. Empty when PROJ does not
// know the code.
enum class WktFlavour { Esri, Gdal };
QByteArray datumWkt(Datum datum, WktFlavour flavour);
// The same for any coordinate system PROJ knows by EPSG code (a grid).
QByteArray crsWkt(int epsg, WktFlavour flavour);

// Decimal degrees (or metres, for a projected system), longitude or easting
// first.
struct LonLat {
    double lon = 0.0;
    double lat = 0.0;
};

// An extent in degrees of a datum's own longitudes and latitudes.
struct GeoBox {
    double west = 0.0;
    double south = 0.0;
    double east = 0.0;
    double north = 0.0;

    // The smallest box holding the points (a point is a box of no size).
    static GeoBox around(std::span<const LonLat> points);
    static GeoBox around(std::initializer_list<LonLat> points) {
        return around(std::span<const LonLat>(points.begin(), points.size()));
    }
    LonLat centre() const { return {(west + east) / 2.0, (south + north) / 2.0}; }
};

// One operation PROJ offers from a datum to WGS 84.
struct DatumOperation {
    QString key;  // how it is stored: "EPSG:1133", or PROJ's name when it has no code
    QString name; // PROJ's name, "ED50 to WGS 84 (17)"
    QString area; // the name of its area of use, "France"
    std::optional<double> accuracy; // metres, when PROJ knows it
};

// The operations PROJ offers from datum (for longitudes from Monte Mario,
// from Roma 40 once they are counted from Greenwich) to WGS 84 whose area of
// use meets area, PROJ's own choice at the area's centre first. Empty when
// PROJ offers none or cannot describe the datum.
std::vector<DatumOperation> datumOperations(Datum datum, const GeoBox& area);
// "ED50 to WGS 84 (17), 2 m, France": name, accuracy ("accuratezza non nota"
// when unknown) and area of use.
QString operationText(const DatumOperation& operation);

// The operation from a datum's coordinates (longitudes from its own prime
// meridian) to another coordinate system: the one PROJ chooses for the area
// of use given, that is the sheet's extent, and its accuracy as PROJ tells
// it. Longitudes counted from Monte Mario first go to Greenwich through
// PROJ's own change of prime meridian. Copies share one PROJ context and work
// on one thread at a time.
class DatumTransform {
public:
    static constexpr int kWgs84 = 4326;
    static constexpr int kWebMercator = 3857;

    DatumTransform() = default; // not valid
    // operationKey: the key of one of datumOperations(datum, area) to use in
    // place of PROJ's choice; empty (or one not offered there) for PROJ's.
    DatumTransform(Datum datum, const GeoBox& area, int targetEpsg = kWgs84,
                   const QString& operationKey = {});

    bool isValid() const { return impl_ && error_.isEmpty(); }
    // Why it is not valid, in Italian.
    const QString& error() const { return error_; }
    // PROJ's name of the operation ("Monte Mario to WGS 84 (4)"), steps joined
    // by " + ".
    const QString& operationName() const { return operation_; }
    // In metres; nothing when PROJ does not know it (a ballpark operation).
    std::optional<double> accuracy() const { return accuracy_; }
    // The name of the area of use of the datum's step to WGS 84 ("Italy -
    // onshore and offshore ..."); empty when PROJ gives none.
    const QString& areaOfUse() const { return area_; }

    // One point forward or back; nothing when PROJ cannot transform it.
    std::optional<LonLat> forward(LonLat p) const;
    std::optional<LonLat> inverse(LonLat p) const;
    // Many points in place: x holds longitudes (or eastings), y latitudes (or
    // northings). A point PROJ cannot transform comes out as infinities.
    void forward(double* x, double* y, std::size_t n) const;
    void inverse(double* x, double* y, std::size_t n) const;

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
    QString error_ = QStringLiteral("nessuna trasformazione");
    QString operation_;
    QString area_;
    std::optional<double> accuracy_;
};

// A position in the Universal Transverse Mercator grid on WGS 84.
struct UtmPosition {
    int zone = 0;
    bool north = true;
    double easting = 0.0;
    double northing = 0.0;
};

// WGS 84 degrees to UTM through PROJ (EPSG 326xx north, 327xx south of the
// equator), in the standard zone of the point's longitude. The projection of
// each zone is made when first needed and kept.
class UtmProjection {
public:
    UtmProjection();
    ~UtmProjection();
    UtmProjection(const UtmProjection&) = delete;
    UtmProjection& operator=(const UtmProjection&) = delete;

    // Nothing outside the grid (south of 80° S, north of 84° N) or when PROJ
    // fails.
    std::optional<UtmPosition> fromWgs84(LonLat p);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace orvena
