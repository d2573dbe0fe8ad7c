#include "core/gis/OziMap.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace orvena::gis {

namespace {

const QString kLine = QStringLiteral("riga %1 (%2): %3");
const QString kNotMap = QStringLiteral("non è un file di calibrazione .map");
const QString kUnknownDatum = QStringLiteral("datum «%1» non supportato (WGS 84, Rome 1940, "
                                             "European 1950)");
const QString kUnknownProjection = QStringLiteral("proiezione «%1» non supportata");
const QString kProjectionSetup =
    QStringLiteral("i parametri della proiezione non corrispondono a un reticolo noto "
                   "(Gauss-Boaga, UTM 32-34 N)");
const QString kItalyGridDatum = QStringLiteral("la griglia italiana richiede il datum Rome 1940");
const QString kUtmDatum = QStringLiteral("UTM sul datum Rome 1940 non è un reticolo previsto");
const QString kUtmZone = QStringLiteral("fuso UTM «%1» non previsto (32, 33, 34 nord)");
const QString kFields = QStringLiteral("servono 17 campi separati da virgole, ce ne sono %1");
const QString kNumber = QStringLiteral("«%1» non è un numero");
const QString kHemisphere = QStringLiteral("«%1» non è %2");
const QString kNoCoordinates =
    QStringLiteral("il punto non ha né latitudine e longitudine né coordinate piane");
const QString kGridWithoutGrid =
    QStringLiteral("coordinate piane in una carta in latitudine e longitudine");
const QString kTooManyPoints = QStringLiteral("più di 30 punti");
const QString kBorder = QStringLiteral("servono 4 campi: MMPXY, numero, x, y");
const QString kMissing = QStringLiteral("Il file non contiene la riga «%1».");
const QString kTooFew = QStringLiteral("Il file ha %1 punti: ne servono almeno 2.");
const QString kCannotRead = QStringLiteral("Il file %1 non si legge (%2).");
const QString kTooLarge = QStringLiteral("Il file %1 è troppo grande per un file .map.");

// A .map file is a few kilobytes; anything far larger is not one.
constexpr qint64 kMaxBytes = 1 << 20;

struct OziDatum {
    Datum datum;
    const char* name;
};
constexpr std::array<OziDatum, 3> kOziDatums = {{
    {Datum::Wgs84, "WGS 84"},
    {Datum::Roma40, "Rome 1940"},
    {Datum::Ed50, "European 1950"},
}};

struct Failure {
    QString text;
};

QStringList fields(const QString& line) {
    QStringList out = line.split(u',');
    for (QString& f : out)
        f = f.trimmed();
    return out;
}

double number(const QString& text, const std::function<Failure(const QString&)>& fail) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) throw fail(kNumber.arg(text));
    return v;
}

// The grid of a projection line, with the "Projection Setup" parameters for
// Transverse Mercator.
int gridOf(const QString& projection, Datum datum, const QStringList& setup,
           const std::function<Failure(const QString&)>& fail) {
    if (projection.startsWith(QLatin1String("Latitude/Longitude"), Qt::CaseInsensitive)) return 0;
    if (projection.startsWith(QLatin1String("(ITA1)"), Qt::CaseInsensitive) ||
        projection.startsWith(QLatin1String("(ITA2)"), Qt::CaseInsensitive)) {
        if (datum != Datum::Roma40) throw fail(kItalyGridDatum);
        return projection.startsWith(QLatin1String("(ITA1)"), Qt::CaseInsensitive) ? 3003 : 3004;
    }
    if (projection.startsWith(QLatin1String("Transverse Mercator"), Qt::CaseInsensitive)) {
        std::array<double, 5> p{};
        for (std::size_t i = 0; i < p.size(); ++i)
            p[i] = number(setup.value(int(i) + 1), fail);
        const auto near = [](double a, double b) { return std::abs(a - b) < 1e-6; };
        if (!near(p[0], 0.0) || !near(p[2], 0.9996)) throw fail(kProjectionSetup);
        if (datum == Datum::Roma40 && near(p[1], 9.0) && near(p[3], 1500000.0) && near(p[4], 0.0))
            return 3003;
        if (datum == Datum::Roma40 && near(p[1], 15.0) && near(p[3], 2520000.0) && near(p[4], 0.0))
            return 3004;
        for (const int zone : {32, 33, 34})
            if (datum != Datum::Roma40 && near(p[1], zone * 6.0 - 183.0) && near(p[3], 500000.0) &&
                near(p[4], 0.0))
                return (datum == Datum::Ed50 ? 23000 : 32600) + zone;
        throw fail(kProjectionSetup);
    }
    if (projection.startsWith(QLatin1String("(UTM)"), Qt::CaseInsensitive) ||
        projection.startsWith(QLatin1String("UTM"), Qt::CaseInsensitive)) {
        if (datum == Datum::Roma40) throw fail(kUtmDatum);
        return -1; // the zone comes with the points
    }
    throw fail(kUnknownProjection.arg(projection));
}

std::optional<int> readUtmZone(const QString& zone) {
    bool ok = false;
    const int z = zone.toInt(&ok);
    if (!ok || z < 32 || z > 34) return std::nullopt;
    return z;
}

OziMap parse(const QByteArray& bytes) {
    const QStringList lines = QString::fromLatin1(bytes).split(u'\n');
    const auto at = [&](int i) { return i < lines.size() ? lines[i].trimmed() : QString(); };
    const auto failAt = [](int index, const QString& key) {
        return [index, key](const QString& why) {
            return Failure{kLine.arg(index + 1).arg(key, why)};
        };
    };
    if (!at(0).startsWith(QLatin1String("OziExplorer Map Data File"), Qt::CaseInsensitive))
        throw failAt(0, QStringLiteral("intestazione"))(kNotMap);

    OziMap map;
    map.title = at(1);
    map.image = at(2);
    const QString datumName = fields(at(4)).value(0);
    bool known = false;
    for (const OziDatum& d : kOziDatums) {
        if (datumName.compare(QLatin1String(d.name), Qt::CaseInsensitive) == 0) {
            map.datum = d.datum;
            known = true;
        }
    }
    if (!known) throw failAt(4, QStringLiteral("datum"))(kUnknownDatum.arg(datumName));

    int projectionLine = -1, setupLine = -1;
    for (int i = 5; i < lines.size(); ++i) {
        if (at(i).startsWith(QLatin1String("Map Projection"), Qt::CaseInsensitive))
            projectionLine = i;
        if (at(i).startsWith(QLatin1String("Projection Setup"), Qt::CaseInsensitive)) setupLine = i;
    }
    if (projectionLine < 0) throw Failure{kMissing.arg(QStringLiteral("Map Projection"))};
    const QString projection = fields(at(projectionLine)).value(1);
    const QStringList setup = setupLine >= 0 ? fields(at(setupLine)) : QStringList();
    const bool withSetup =
        setupLine >= 0 && projection.startsWith(QLatin1String("Transverse"), Qt::CaseInsensitive);
    int grid = gridOf(projection, map.datum, setup,
                      withSetup ? failAt(setupLine, QStringLiteral("Projection Setup"))
                                : failAt(projectionLine, QStringLiteral("Map Projection")));
    const bool utm = grid < 0;

    for (int i = 5; i < lines.size(); ++i) {
        const QString line = at(i);
        const QStringList f = fields(line);
        const QString key = f.value(0);
        const auto fail = failAt(i, key);
        if (key.startsWith(QLatin1String("Point"), Qt::CaseInsensitive)) {
            if (f.size() < 17) throw fail(kFields.arg(f.size()));
            if (f[2].isEmpty() && f[3].isEmpty()) continue; // an unused point
            if (map.points.points.size() == kMaxPoints) throw fail(kTooManyPoints);
            TiePoint p;
            p.x = number(f[2], fail);
            p.y = number(f[3], fail);
            if (!f[6].isEmpty() || !f[9].isEmpty()) {
                p.north = number(f[6], fail) +
                          number(f[7].isEmpty() ? QStringLiteral("0") : f[7], fail) / 60.0;
                p.east = number(f[9], fail) +
                         number(f[10].isEmpty() ? QStringLiteral("0") : f[10], fail) / 60.0;
                const QString ns = f[8].toUpper(), ew = f[11].toUpper();
                if (ns != QLatin1String("N") && ns != QLatin1String("S"))
                    throw fail(kHemisphere.arg(f[8], QStringLiteral("N o S")));
                if (ew != QLatin1String("E") && ew != QLatin1String("W"))
                    throw fail(kHemisphere.arg(f[11], QStringLiteral("E o W")));
                if (ns == QLatin1String("S")) p.north = -p.north;
                if (ew == QLatin1String("W")) p.east = -p.east;
                if (utm && grid < 0) {
                    const int zone = static_cast<int>(std::floor((p.east + 180.0) / 6.0)) + 1;
                    if (!readUtmZone(QString::number(zone))) throw fail(kUtmZone.arg(zone));
                    grid = (map.datum == Datum::Ed50 ? 23000 : 32600) + zone;
                }
            } else if (!f[14].isEmpty() || !f[15].isEmpty()) {
                if (grid == 0) throw fail(kGridWithoutGrid);
                p.inGrid = true;
                p.east = number(f[14], fail);
                p.north = number(f[15], fail);
                if (utm) {
                    const auto zone = readUtmZone(f[13]);
                    if (!zone || f[16].toUpper() != QLatin1String("N"))
                        throw fail(kUtmZone.arg(f[13] + f[16]));
                    const int g = (map.datum == Datum::Ed50 ? 23000 : 32600) + *zone;
                    if (grid >= 0 && g != grid) throw fail(kUtmZone.arg(f[13] + f[16]));
                    grid = g;
                }
            } else {
                throw fail(kNoCoordinates);
            }
            map.points.points.push_back(p);
        } else if (key.compare(QLatin1String("MMPXY"), Qt::CaseInsensitive) == 0) {
            if (f.size() != 4) throw fail(kBorder);
            number(f[1], fail);
            map.points.border.emplace_back(number(f[2], fail), number(f[3], fail));
        }
    }
    const std::size_t n = map.points.points.size();
    if (n < 2) throw Failure{kTooFew.arg(n)};
    // UTM without any zone given: the file names none of its points' places.
    if (grid < 0)
        throw failAt(projectionLine, QStringLiteral("Map Projection"))(kUtmZone.arg(QString()));
    map.points.grid = grid;
    map.points.model = defaultModel(n);
    // The image's edges are the border unless it says otherwise.
    if (map.points.border.size() < 3) map.points.border.clear();
    return map;
}

QString fixed(double v, int decimals) {
    return QString::number(v == 0.0 ? 0.0 : v, 'f', decimals);
}

// Degrees as whole degrees and decimal minutes with their hemisphere.
QString angle(double degrees, char positive, char negative) {
    const double a = std::abs(degrees);
    double whole = std::floor(a);
    double minutes = (a - whole) * 60.0;
    if (fixed(minutes, 8) == QLatin1String("60.00000000")) {
        whole += 1.0;
        minutes = 0.0;
    }
    return QStringLiteral("%1,%2,%3")
        .arg(fixed(whole, 0), fixed(minutes, 8), QChar(degrees < 0 ? negative : positive));
}

QString pixel(double v) {
    return v == std::round(v) ? fixed(v, 0) : fixed(v, 3);
}

} // namespace

OziMapRead parseOziMap(const QByteArray& text) {
    try {
        return {parse(text), {}};
    } catch (const Failure& f) {
        return {std::nullopt, f.text};
    }
}

OziMapRead readOziMap(const QString& path) {
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, kCannotRead.arg(name, file.errorString())};
    if (file.size() > kMaxBytes) return {std::nullopt, kTooLarge.arg(name)};
    return parseOziMap(file.readAll());
}

QByteArray oziMapText(const QString& image, const SheetModel& model, QSize size,
                      const std::vector<QPointF>& border) {
    if (!model.isValid() || size.isEmpty()) return {};
    const int grid = model.grid();
    // Longitudes from Monte Mario go to Greenwich, where the format counts them.
    const Datum datum = model.datum() == Datum::Roma40Rome ? Datum::Roma40 : model.datum();
    DatumTransform meridian;
    if (model.datum() == Datum::Roma40Rome) {
        meridian =
            DatumTransform(Datum::Roma40Rome, GeoBox{6, 36, 19, 47.5}, datumEpsg(Datum::Roma40));
        if (!meridian.isValid()) return {};
    }
    const auto greenwich = [&](LonLat p) -> std::optional<LonLat> {
        return meridian.isValid() ? meridian.forward(p) : std::optional<LonLat>(p);
    };
    const char* datumName = nullptr;
    for (const OziDatum& d : kOziDatums)
        if (d.datum == datum) datumName = d.name;
    if (!datumName) return {};

    std::vector<GridTie> ties = model.controlPoints(size.width(), size.height());
    if (ties.empty()) {
        for (const QPoint c : {QPoint(0, 0), QPoint(size.width(), 0), QPoint(0, size.height()),
                               QPoint(size.width(), size.height())}) {
            const auto p = model.toFit(c.x(), c.y());
            if (!p) return {};
            ties.push_back({double(c.x()), double(c.y()), p->lon, p->lat});
        }
    }
    if (ties.size() > kMaxPoints) return {};

    QString projection = QStringLiteral("Latitude/Longitude");
    QString params = QStringLiteral(",,,,,,,,,,");
    if (grid == 3003 || grid == 3004) {
        projection = QStringLiteral("Transverse Mercator");
        params = grid == 3003
                     ? QStringLiteral("0.000000000,9.000000000,0.999600000,1500000.00,0.00,,,,,,")
                     : QStringLiteral("0.000000000,15.000000000,0.999600000,2520000.00,0.00,,,,,,");
    } else if (grid != 0) {
        projection = QStringLiteral("(UTM) Universal Transverse Mercator");
    }
    const QString zone =
        grid != 0 && grid != 3003 && grid != 3004 ? QString::number(grid % 100) : QString();

    QStringList out;
    out << QStringLiteral("OziExplorer Map Data File Version 2.2") << image << image
        << QStringLiteral("1 ,Map Code,")
        << QStringLiteral("%1,WGS 84,   0.0000,   0.0000,WGS 84").arg(QLatin1String(datumName))
        << QStringLiteral("Reserved 1") << QStringLiteral("Reserved 2")
        << QStringLiteral("Magnetic Variation,,,E")
        << QStringLiteral("Map Projection,%1,PolyCal,No,AutoCalOnly,No,BSBUseWPX,No")
               .arg(projection);
    for (std::size_t i = 0; i < kMaxPoints; ++i) {
        const QString name = QStringLiteral("Point%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        if (i >= ties.size()) {
            out << name + QStringLiteral(",xy,     ,     ,in, deg,    ,        ,N,    ,        ,E, "
                                         "grid,   ,           ,           ,N");
            continue;
        }
        const GridTie& t = ties[i];
        if (grid == 0) {
            const auto g = greenwich({t.x, t.y});
            if (!g) return {};
            out << QStringLiteral("%1,xy,%2,%3,in, deg,%4,%5, grid,   ,           ,           ,N")
                       .arg(name, pixel(t.pixel), pixel(t.line), angle(g->lat, 'N', 'S'),
                            angle(g->lon, 'E', 'W'));
        } else {
            out << QStringLiteral(
                       "%1,xy,%2,%3,in, deg,    ,        ,N,    ,        ,E, grid,%4,%5,%6,N")
                       .arg(name, pixel(t.pixel), pixel(t.line), zone, fixed(t.x, 3),
                            fixed(t.y, 3));
        }
    }
    out << QStringLiteral("Projection Setup,") + params
        << QStringLiteral("Map Feature = MF ; Map Comment = MC     These follow if they exist")
        << QStringLiteral("Track File = TF      These follow if they exist")
        << QStringLiteral("Moving Map Parameters = MM?    These follow if they exist")
        << QStringLiteral("MM0,Yes");
    std::vector<QPointF> frame = border;
    if (frame.size() < 3)
        frame = {QPointF(0, 0), QPointF(size.width(), 0), QPointF(size.width(), size.height()),
                 QPointF(0, size.height())};
    out << QStringLiteral("MMPNUM,%1").arg(frame.size());
    for (std::size_t i = 0; i < frame.size(); ++i)
        out << QStringLiteral("MMPXY,%1,%2,%3")
                   .arg(i + 1)
                   .arg(pixel(frame[i].x()), pixel(frame[i].y()));
    for (std::size_t i = 0; i < frame.size(); ++i) {
        const auto p = model.forward(frame[i].x(), frame[i].y());
        const auto g = p ? greenwich(*p) : std::nullopt;
        if (!g) return {};
        out << QStringLiteral("MMPLL,%1,%2,%3").arg(i + 1).arg(fixed(g->lon, 8), fixed(g->lat, 8));
    }
    out << QStringLiteral("MOP,Map Open Position,0,0")
        << QStringLiteral("IWH,Map Image Width/Height,%1,%2").arg(size.width()).arg(size.height());
    return (out.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}

QString oziMapFileName(const QString& imageName) {
    const QString ext = QFileInfo(imageName).suffix();
    const QString base = imageName.left(imageName.size() - ext.size() - (ext.isEmpty() ? 0 : 1));
    return base + QStringLiteral(".map");
}

} // namespace orvena::gis
