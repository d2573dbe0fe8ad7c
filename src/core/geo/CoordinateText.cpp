#include "core/geo/CoordinateText.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace orvena {

namespace {

// One angle: up to three numbers (degrees, minutes, seconds), negative for a
// leading "-" or a southern or western hemisphere.
std::optional<double> angle(QString text) {
    text = text.trimmed().toUpper();
    bool negative = text.startsWith(u'-');
    static const QRegularExpression hemisphere(QStringLiteral("[NSEWO]"));
    const auto h = hemisphere.match(text);
    if (h.hasMatch()) {
        const QChar c = h.captured(0).front();
        negative = negative || c == u'S' || c == u'W' || c == u'O';
    }
    static const QRegularExpression number(QStringLiteral("\\d+(?:[.,]\\d+)?"));
    double value = 0.0;
    double unit = 1.0;
    int parts = 0;
    for (auto it = number.globalMatch(text); it.hasNext();) {
        const QString n = it.next().captured(0).replace(u',', u'.');
        if (++parts > 3) return std::nullopt;
        value += n.toDouble() / unit;
        unit *= 60.0;
    }
    static const QRegularExpression allowed(QStringLiteral("^[-+0-9.,\\s°º'’′\"”″NSEWO]*$"));
    if (parts == 0 || !allowed.match(text).hasMatch()) return std::nullopt;
    return negative ? -value : value;
}

// The two halves of the text: latitude and longitude.
std::optional<std::pair<QString, QString>> halves(const QString& raw) {
    const QString text = raw.trimmed().toUpper();
    const auto split = [&](qsizetype at, qsizetype skip) {
        return std::make_pair(text.left(at), text.mid(at + skip));
    };
    if (const auto at = text.indexOf(u';'); at >= 0) return split(at, 1);
    static const QRegularExpression afterHemisphere(QStringLiteral("\\d[^NSEWO]*[NS]\\s*,?"));
    if (const auto m = afterHemisphere.match(text); m.hasMatch() && m.capturedEnd() < text.size())
        return split(m.capturedEnd(), 0);
    if (const auto at = text.indexOf(QStringLiteral(", ")); at >= 0) return split(at, 2);
    if (const auto at = text.indexOf(u','); at >= 0) return split(at, 1);
    // Only blanks between the numbers: half of them each.
    const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")),
                                         Qt::SkipEmptyParts);
    if (words.size() % 2 != 0 || words.size() > 6) return std::nullopt;
    const auto half = words.size() / 2;
    return std::make_pair(words.mid(0, half).join(u' '), words.mid(half).join(u' '));
}

} // namespace

std::optional<LonLat> parseLatLon(const QString& text) {
    const auto parts = halves(text);
    if (!parts) return std::nullopt;
    const auto lat = angle(parts->first);
    const auto lon = angle(parts->second);
    if (!lat || !lon || std::abs(*lat) > 90.0 || std::abs(*lon) > 180.0) return std::nullopt;
    return LonLat{*lon, *lat};
}

} // namespace orvena
