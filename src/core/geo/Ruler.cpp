#include "core/geo/Ruler.h"

#include "core/geo/Geodesic.h"
#include "core/geo/TrackStats.h"

namespace orvena {

namespace {

QString decimal(double v, int decimals) {
    return QString::number(v, 'f', decimals).replace(u'.', u',');
}

QString areaText(double m2) {
    if (m2 < 1e6) return QStringLiteral("%1 m²").arg(decimal(m2, 0));
    return QStringLiteral("%1 km²").arg(decimal(m2 / 1e6, 3));
}

} // namespace

void Ruler::add(LonLat p, double tolerance) {
    if (closed_) clear();
    if (points_.size() >= 3 && geodesic::inverse(points_.front(), p).metres <= tolerance) {
        closed_ = true;
        return;
    }
    points_.push_back(p);
}

void Ruler::clear() {
    points_.clear();
    closed_ = false;
}

RulerFigures Ruler::figures(std::optional<LonLat> pointer) const {
    RulerFigures f;
    std::vector<LonLat> line = points_;
    if (closed_ && !line.empty()) line.push_back(line.front());
    else if (pointer && !line.empty()) line.push_back(*pointer);
    for (std::size_t i = 1; i < line.size(); ++i) {
        const geodesic::Leg leg = geodesic::inverse(line[i - 1], line[i]);
        f.metres += leg.metres;
        f.legMetres = leg.metres;
        f.azimuth = leg.azimuth;
    }
    if (closed_) f.squareMetres = geodesic::polygon(points_).area;
    return f;
}

QString Ruler::text(const RulerFigures& f) {
    QString t = QStringLiteral("Totale %1 · ultimo tratto %2, azimut %3°")
                    .arg(lengthText(f.metres), lengthText(f.legMetres), decimal(f.azimuth, 1));
    if (f.squareMetres) t += QStringLiteral(" · area %1").arg(areaText(*f.squareMetres));
    return t;
}

} // namespace orvena
