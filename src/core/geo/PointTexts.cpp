#include "core/geo/PointTexts.h"

#include "core/base/Twips.h"

#include <QRegularExpression>

#include <cmath>

namespace orvena {

namespace {

const QRegularExpression kSeparators(QStringLiteral("[\\s°'\"’′″:dmsDMS]+"));

std::optional<double> number(QString text) {
    text.replace(u',', u'.');
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

QStringList parts(const QString& text) {
    return text.trimmed().split(kSeparators, Qt::SkipEmptyParts);
}

} // namespace

std::optional<double> angleFromText(const QString& text) {
    QString t = text.trimmed();
    const bool negative = t.startsWith(u'-');
    if (negative) t.remove(0, 1);
    const QStringList p = parts(t);
    if (p.isEmpty() || p.size() > 3) return std::nullopt;
    double value = 0, unit = 1;
    for (int i = 0; i < p.size(); ++i, unit /= 60) {
        const auto v = number(p[i]);
        if (!v || *v < 0 || (i > 0 && *v >= 60) || (i + 1 < p.size() && *v != std::floor(*v)))
            return std::nullopt;
        value += *v * unit;
    }
    return negative ? -value : value;
}

QString angleText(double degrees) {
    const bool negative = degrees < 0;
    double seconds = std::round(std::abs(degrees) * 3600 * 1000) / 1000;
    const auto d = std::floor(seconds / 3600);
    seconds -= d * 3600;
    const auto m = std::floor(seconds / 60);
    seconds -= m * 60;
    return QStringLiteral("%1%2 %3 %4")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(d, 0, 'f', 0)
        .arg(m, 0, 'f', 0)
        .arg(seconds, 0, 'f', 3);
}

std::optional<double> metresFromText(const QString& text) {
    // Blanks only between groups of thousands.
    static const QRegularExpression grouped(QStringLiteral("^-?\\d{1,3}( \\d{3})+([.,]\\d*)?$"));
    QString t = text.trimmed();
    if (t.contains(u' ')) {
        if (!grouped.match(t).hasMatch()) return std::nullopt;
        t.remove(u' ');
    }
    if (t.isEmpty()) return std::nullopt;
    return number(t);
}

QString metresText(double metres) {
    return QString::number(metres, 'f', 2);
}

std::optional<TiePoint> pointFromTexts(double x, double y, const QString& north,
                                       const QString& east) {
    const auto lat = angleFromText(north);
    const auto lon = angleFromText(east);
    if (lat && lon && std::abs(*lat) <= 90 && std::abs(*lon) <= 360)
        return TiePoint{x, y, false, *lat, *lon};
    const auto n = metresFromText(north);
    const auto e = metresFromText(east);
    if (n && e) return TiePoint{x, y, true, *n, *e};
    return std::nullopt;
}

std::pair<QString, QString> pointTexts(const TiePoint& point) {
    if (point.inGrid) return {metresText(point.north), metresText(point.east)};
    return {angleText(point.north), angleText(point.east)};
}

std::vector<TiePoint> setupPoints(const StoredCalibration& c, int width, int height) {
    if (!c.usable() || !c.pxlao || !c.seclao || !c.pxloo || !c.secloo) return {};
    const double x1 = *c.pxloo / twips::kPerPixel, y1 = *c.pxlao / twips::kPerPixel;
    const double x2 = x1 < width / 2.0 ? width : 0, y2 = y1 < height / 2.0 ? height : 0;
    const double cola = float(*c.cola), colo = float(*c.colo);
    const double lat2 = *c.seclao - (y2 - y1) * twips::kPerPixel / cola;
    const double lon2 = *c.secloo + (x2 - x1) * twips::kPerPixel / colo;
    return {{x1, y1, false, *c.seclao / 3600.0, *c.secloo / 3600.0},
            {x2, y2, false, lat2 / 3600.0, lon2 / 3600.0}};
}

} // namespace orvena
