#include "SheetPainter.h"

#include "Geography.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>
#include <unordered_map>
#include <vector>

namespace orvena::demo {

namespace {

// Colours of the printed sheet.
const QColor kMarginPaper(0xef, 0xe8, 0xd6);
const QColor kMapPaper(0xf8, 0xf4, 0xe8);
const QColor kWoods(0xd4, 0xe7, 0xbf);
const QColor kWoodsEdge(0xa8, 0xcb, 0x8c);
const QColor kTree(0x5a, 0x8c, 0x44);
const QColor kContour(0xb7, 0x78, 0x45);
const QColor kIndexContour(0x98, 0x57, 0x2a);
const QColor kWaterFill(0xb3, 0xd9, 0xf0);
const QColor kWaterLine(0x2c, 0x6f, 0xb3);
const QColor kRoadCasing(0x2b, 0x2b, 0x2b);
const QColor kMainRoad(0xd6, 0x35, 0x2b);
const QColor kSecondaryRoad(0xf0, 0x9a, 0x30);
const QColor kBuilding(0x3a, 0x3a, 0x3a);
const QColor kGraticule(0x6c, 0x6c, 0x6c);
const QColor kInk(0x10, 0x10, 0x10);

constexpr int kContourInterval = 25;
constexpr int kIndexInterval = 100;
constexpr int kGraticuleMinutes = 2;
constexpr int kBand = 7;      // width of the minute band outside the frame
constexpr int kOuterLine = 2; // the heavy line around the band

QFont font(const char* family, double pixels, bool bold = false, bool italic = false) {
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(static_cast<int>(std::lround(pixels)));
    f.setBold(bold);
    f.setItalic(italic);
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QString degreesMinutes(int seconds) {
    return QStringLiteral("%1°%2'")
        .arg(seconds / 3600)
        .arg((seconds % 3600) / 60, 2, 10, QLatin1Char('0'));
}

struct ContourPoint {
    std::int64_t edge; // the grid edge the line crosses
    QPointF at;
};

struct ContourSegment {
    ContourPoint a, b;
};

// Joins the segments of one level into lines: two segments that cross the
// same grid edge meet there.
std::vector<QPolygonF> chain(const std::vector<ContourSegment>& segments) {
    std::unordered_map<std::int64_t, std::array<int, 2>> byEdge;
    byEdge.reserve(segments.size() * 2);
    for (int k = 0; k < static_cast<int>(segments.size()); ++k) {
        for (std::int64_t e : {segments[static_cast<std::size_t>(k)].a.edge,
                               segments[static_cast<std::size_t>(k)].b.edge}) {
            auto [it, fresh] = byEdge.try_emplace(e, std::array<int, 2>{k, -1});
            if (!fresh) it->second[1] = k;
        }
    }
    std::vector<bool> used(segments.size(), false);
    auto extend = [&](std::int64_t edge, std::vector<QPointF>& points) {
        for (;;) {
            const std::array<int, 2>& pair = byEdge.at(edge);
            int next = -1;
            for (int k : pair)
                if (k >= 0 && !used[static_cast<std::size_t>(k)]) next = k;
            if (next < 0) return;
            used[static_cast<std::size_t>(next)] = true;
            const ContourSegment& s = segments[static_cast<std::size_t>(next)];
            const ContourPoint& far = s.a.edge == edge ? s.b : s.a;
            points.push_back(far.at);
            edge = far.edge;
        }
    };
    std::vector<QPolygonF> lines;
    for (std::size_t k = 0; k < segments.size(); ++k) {
        if (used[k]) continue;
        used[k] = true;
        std::vector<QPointF> forward{segments[k].b.at};
        std::vector<QPointF> backward{segments[k].a.at};
        extend(segments[k].b.edge, forward);
        extend(segments[k].a.edge, backward);
        QPolygonF line;
        line.reserve(static_cast<qsizetype>(forward.size() + backward.size()));
        for (auto it = backward.rbegin(); it != backward.rend(); ++it)
            line.append(*it);
        for (const QPointF& q : forward)
            line.append(q);
        lines.push_back(std::move(line));
    }
    return lines;
}

class Painter {
public:
    explicit Painter(const SheetLayout& sheet)
        : sheet_(sheet)
        , cal_(sheet.calibration)
        , image_(sheet.width, sheet.height, QImage::Format_RGB32) {}

    QImage paint() {
        image_.fill(kMarginPaper);
        paintGround();
        {
            QPainter p(&image_);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.setClipRect(frameRect());
            // A feature at pixel position (x, y) is centred on that pixel.
            p.translate(0.5, 0.5);
            paintTrees(p);
            paintContours(p);
            paintRivers(p);
            paintLakes(p);
            paintRoads(p);
            paintBuildings(p);
            paintGraticule(p);
            paintWaterNames(p);
            paintPlaces(p);
        }
        {
            QPainter p(&image_);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            paintFrame(p);
            paintMargins(p);
        }
        return image_;
    }

private:
    // ---- positions ----

    QPointF toPixel(const GeoPoint& g) const { return {cal_.pixelX(g.lon), cal_.pixelY(g.lat)}; }
    GeoPoint toGeo(double x, double y) const {
        return {cal_.latAt(y * kTwipsPerPixel), cal_.lonAt(x * kTwipsPerPixel)};
    }
    QRect frameRect() const {
        return {sheet_.frameLeft, sheet_.frameTop, sheet_.frameRight - sheet_.frameLeft + 1,
                sheet_.frameBottom - sheet_.frameTop + 1};
    }
    bool insideFrame(QPointF p, double margin) const {
        return p.x() >= sheet_.frameLeft + margin && p.x() <= sheet_.frameRight - margin &&
               p.y() >= sheet_.frameTop + margin && p.y() <= sheet_.frameBottom - margin;
    }
    bool woodedPixel(int x, int y) const {
        const int fx = x - sheet_.frameLeft;
        const int fy = y - sheet_.frameTop;
        if (fx < 0 || fy < 0 || fx >= maskWidth_ || fy >= maskHeight_) return false;
        return woods_[static_cast<std::size_t>(fy) * static_cast<std::size_t>(maskWidth_) +
                      static_cast<std::size_t>(fx)] != 0;
    }

    // ---- ground: paper and woods ----

    void paintGround() {
        maskWidth_ = sheet_.frameRight - sheet_.frameLeft + 1;
        maskHeight_ = sheet_.frameBottom - sheet_.frameTop + 1;
        woods_.assign(static_cast<std::size_t>(maskWidth_) * static_cast<std::size_t>(maskHeight_),
                      0);
        for (int fy = 0; fy < maskHeight_; ++fy) {
            const double lat = cal_.latAt(double(sheet_.frameTop + fy) * kTwipsPerPixel);
            for (int fx = 0; fx < maskWidth_; ++fx) {
                const double lon = cal_.lonAt(double(sheet_.frameLeft + fx) * kTwipsPerPixel);
                woods_[static_cast<std::size_t>(fy) * static_cast<std::size_t>(maskWidth_) +
                       static_cast<std::size_t>(fx)] = woodedAt(lat, lon) ? 1 : 0;
            }
        }
        const QRgb paper = kMapPaper.rgb();
        const QRgb woods = kWoods.rgb();
        const QRgb edge = kWoodsEdge.rgb();
        for (int fy = 0; fy < maskHeight_; ++fy) {
            auto* line = reinterpret_cast<QRgb*>(image_.scanLine(sheet_.frameTop + fy));
            for (int fx = 0; fx < maskWidth_; ++fx) {
                const int x = sheet_.frameLeft + fx;
                const int y = sheet_.frameTop + fy;
                QRgb c = paper;
                if (woodedPixel(x, y)) {
                    const bool border = !woodedPixel(x - 1, y) || !woodedPixel(x + 1, y) ||
                                        !woodedPixel(x, y - 1) || !woodedPixel(x, y + 1);
                    c = border ? edge : woods;
                }
                line[x] = c;
            }
        }
    }

    void paintTrees(QPainter& p) {
        constexpr int kSpacing = 15;
        p.setPen(QPen(kTree, 1.0));
        p.setBrush(Qt::NoBrush);
        // Symbols stand on a grid tied to the ground, so they do not depend on the scan.
        const int cell0 = static_cast<int>(std::floor(double(sheet_.frameLeft) / kSpacing)) - 1;
        const int cell1 = sheet_.frameRight / kSpacing + 1;
        const int row0 = static_cast<int>(std::floor(double(sheet_.frameTop) / kSpacing)) - 1;
        const int row1 = sheet_.frameBottom / kSpacing + 1;
        const auto seed = static_cast<unsigned>(sheet_.row * 2 + sheet_.column + 40);
        for (int j = row0; j <= row1; ++j) {
            for (int i = cell0; i <= cell1; ++i) {
                const double x = i * kSpacing + (j % 2 != 0 ? kSpacing / 2.0 : 0.0) +
                                 (scatter(i, j, seed) - 0.5) * 8.0;
                const double y = j * kSpacing + (scatter(i, j, seed + 7U) - 0.5) * 8.0;
                const int ix = static_cast<int>(std::lround(x));
                const int iy = static_cast<int>(std::lround(y));
                if (!woodedPixel(ix, iy) || !woodedPixel(ix - 3, iy) || !woodedPixel(ix + 3, iy) ||
                    !woodedPixel(ix, iy - 3) || !woodedPixel(ix, iy + 3))
                    continue;
                p.drawEllipse(QPointF(x, y), 1.8, 1.8);
            }
        }
    }

    // ---- relief ----

    void paintContours(QPainter& p) {
        constexpr int kStep = 2;
        const int left = sheet_.frameLeft - kStep;
        const int top = sheet_.frameTop - kStep;
        const int nx = (sheet_.frameRight - sheet_.frameLeft) / kStep + 3;
        const int ny = (sheet_.frameBottom - sheet_.frameTop) / kStep + 3;
        std::vector<double> h(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny));
        auto at = [&](int i, int j) -> double& {
            return h[static_cast<std::size_t>(j) * static_cast<std::size_t>(nx) +
                     static_cast<std::size_t>(i)];
        };
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                const GeoPoint g = toGeo(left + i * kStep, top + j * kStep);
                at(i, j) = heightAt(g.lat, g.lon);
            }

        // Segments of each level, keyed by the cell edges they join, so that
        // they can be chained into whole lines afterwards.
        std::map<int, std::vector<ContourSegment>> byLevel;
        struct LabelSpot {
            QPointF at;
            int level;
            double score;
        };
        constexpr int kLabelBlock = 250;
        const int blocksX = (sheet_.frameRight - sheet_.frameLeft) / kLabelBlock + 1;
        const int blocksY = (sheet_.frameBottom - sheet_.frameTop) / kLabelBlock + 1;
        std::vector<LabelSpot> spots(static_cast<std::size_t>(blocksX * blocksY),
                                     LabelSpot{{}, 0, 1e9});
        auto horizontalEdge = [&](int i, int j) { return 2 * (std::int64_t(j) * nx + i); };
        auto verticalEdge = [&](int i, int j) { return 2 * (std::int64_t(j) * nx + i) + 1; };

        for (int j = 0; j + 1 < ny; ++j) {
            for (int i = 0; i + 1 < nx; ++i) {
                const double h00 = at(i, j);
                const double h10 = at(i + 1, j);
                const double h11 = at(i + 1, j + 1);
                const double h01 = at(i, j + 1);
                const double lo = std::min({h00, h10, h11, h01});
                const double hi = std::max({h00, h10, h11, h01});
                const double x0 = left + i * kStep;
                const double y0 = top + j * kStep;
                for (int level =
                         static_cast<int>(std::ceil(lo / kContourInterval)) * kContourInterval;
                     level < hi; level += kContourInterval) {
                    const double L = level;
                    auto cross = [&](double ha, double hb, QPointF a, QPointF b) {
                        const double t = (L - ha) / (hb - ha);
                        return a + (b - a) * t;
                    };
                    const QPointF c00(x0, y0);
                    const QPointF c10(x0 + kStep, y0);
                    const QPointF c11(x0 + kStep, y0 + kStep);
                    const QPointF c01(x0, y0 + kStep);
                    const int code = (h00 > L ? 1 : 0) | (h10 > L ? 2 : 0) | (h11 > L ? 4 : 0) |
                                     (h01 > L ? 8 : 0);
                    if (code == 0 || code == 15) continue;
                    const ContourPoint top_{horizontalEdge(i, j), cross(h00, h10, c00, c10)};
                    const ContourPoint right{verticalEdge(i + 1, j), cross(h10, h11, c10, c11)};
                    const ContourPoint bottom{horizontalEdge(i, j + 1), cross(h01, h11, c01, c11)};
                    const ContourPoint leftP{verticalEdge(i, j), cross(h00, h01, c00, c01)};
                    std::vector<ContourSegment>& out = byLevel[level];
                    auto add = [&](const ContourPoint& a, const ContourPoint& b) {
                        out.push_back({a, b});
                        if (level % kIndexInterval != 0) return;
                        const QPointF mid = (a.at + b.at) / 2.0;
                        const int bx = static_cast<int>(mid.x() - sheet_.frameLeft) / kLabelBlock;
                        const int by = static_cast<int>(mid.y() - sheet_.frameTop) / kLabelBlock;
                        if (bx < 0 || by < 0 || bx >= blocksX || by >= blocksY) return;
                        const QPointF centre(sheet_.frameLeft + (bx + 0.5) * kLabelBlock,
                                             sheet_.frameTop + (by + 0.5) * kLabelBlock);
                        const double score = QLineF(mid, centre).length();
                        LabelSpot& s = spots[static_cast<std::size_t>(by * blocksX + bx)];
                        if (score < s.score) s = {mid, level, score};
                    };
                    switch (code) {
                    case 1:
                    case 14:
                        add(top_, leftP);
                        break;
                    case 2:
                    case 13:
                        add(top_, right);
                        break;
                    case 3:
                    case 12:
                        add(leftP, right);
                        break;
                    case 4:
                    case 11:
                        add(right, bottom);
                        break;
                    case 6:
                    case 9:
                        add(top_, bottom);
                        break;
                    case 7:
                    case 8:
                        add(leftP, bottom);
                        break;
                    case 5:
                    case 10: {
                        const bool centreHigh = (h00 + h10 + h11 + h01) / 4.0 > L;
                        if ((code == 5) == centreHigh) {
                            add(top_, right);
                            add(leftP, bottom);
                        } else {
                            add(top_, leftP);
                            add(right, bottom);
                        }
                        break;
                    }
                    default:
                        break;
                    }
                }
            }
        }
        p.setBrush(Qt::NoBrush);
        const QPen plainPen(kContour, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        const QPen indexPen(kIndexContour, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        for (const auto& [level, segments] : byLevel) {
            p.setPen(level % kIndexInterval == 0 ? indexPen : plainPen);
            for (const QPolygonF& line : chain(segments))
                p.drawPolyline(line);
        }

        // Heights written along some index contours, their tops uphill.
        const QFont f = font("Liberation Sans", 11);
        const QFontMetricsF fm(f);
        p.setFont(f);
        for (const LabelSpot& s : spots) {
            if (s.score > kLabelBlock * 0.3 || !insideFrame(s.at, 40)) continue;
            if (nearPlace(s.at, 70)) continue;
            const GeoPoint ga = toGeo(s.at.x() - 2, s.at.y());
            const GeoPoint gb = toGeo(s.at.x() + 2, s.at.y());
            const GeoPoint gc = toGeo(s.at.x(), s.at.y() - 2);
            const GeoPoint gd = toGeo(s.at.x(), s.at.y() + 2);
            const double gx = heightAt(gb.lat, gb.lon) - heightAt(ga.lat, ga.lon);
            const double gy = heightAt(gd.lat, gd.lon) - heightAt(gc.lat, gc.lon);
            if (std::hypot(gx, gy) < 1e-6) continue;
            double angle = std::atan2(gx, -gy) * 180.0 / std::numbers::pi;
            // Read from below or from the right, never upside down.
            if (angle > 90) angle -= 180;
            if (angle <= -90) angle += 180;
            const QString text = QString::number(s.level);
            const double w = fm.horizontalAdvance(text);
            const QColor ground =
                woodedPixel(static_cast<int>(s.at.x()), static_cast<int>(s.at.y())) ? kWoods
                                                                                    : kMapPaper;
            p.save();
            p.translate(s.at);
            p.rotate(angle);
            p.fillRect(QRectF(-w / 2 - 2, -fm.ascent() / 2 - 2, w + 4, fm.ascent() + 3), ground);
            p.setPen(kIndexContour);
            p.drawText(QPointF(-w / 2, fm.ascent() / 2 - 0.5), text);
            p.restore();
        }
    }

    bool nearPlace(QPointF at, double distance) const {
        for (const Place& place : places()) {
            const QPointF q = toPixel({double(place.lat), double(place.lon)});
            if (QLineF(at, q).length() < distance) return true;
        }
        return false;
    }

    // ---- water ----

    QPolygonF pixelLine(const std::vector<GeoPoint>& points) const {
        QPolygonF out;
        out.reserve(static_cast<qsizetype>(points.size()));
        for (const GeoPoint& g : points)
            out.append(toPixel(g));
        return out;
    }

    void paintRivers(QPainter& p) {
        for (const River& river : rivers()) {
            const QPolygonF line = pixelLine(river.points);
            constexpr qsizetype kChunk = 8;
            for (qsizetype i = 0; i + 1 < line.size(); i += kChunk) {
                const qsizetype end = std::min(i + kChunk, line.size() - 1);
                const double t = double(i + end) / 2.0 / double(line.size() - 1);
                const double width = river.widthFrom + (river.widthTo - river.widthFrom) * t;
                p.setPen(QPen(kWaterLine, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.drawPolyline(line.constData() + i, static_cast<int>(end - i + 1));
            }
        }
    }

    void paintLakes(QPainter& p) {
        for (const Lake& lake : lakes()) {
            QPainterPath path;
            path.addPolygon(pixelLine(lake.shore));
            path.closeSubpath();
            p.setPen(QPen(kWaterLine, 1.3));
            p.setBrush(kWaterFill);
            p.drawPath(path);
        }
        p.setBrush(Qt::NoBrush);
    }

    void paintWaterNames(QPainter& p) {
        const QFont riverFont = font("Liberation Serif", 14, false, true);
        const QFontMetricsF fm(riverFont);
        p.setFont(riverFont);
        for (const River& river : rivers()) {
            const QPolygonF line = pixelLine(river.points);
            std::vector<double> along(static_cast<std::size_t>(line.size()), 0.0);
            for (qsizetype i = 1; i < line.size(); ++i)
                along[static_cast<std::size_t>(i)] =
                    along[static_cast<std::size_t>(i - 1)] + QLineF(line[i - 1], line[i]).length();
            const double total = along.back();
            const double w = fm.horizontalAdvance(river.name);
            for (double fraction : river.labelsAt) {
                const double s = fraction * total;
                const auto it = std::lower_bound(along.begin(), along.end(), s);
                const auto i = static_cast<qsizetype>(std::distance(along.begin(), it));
                const QPointF at = line[std::clamp<qsizetype>(i, 0, line.size() - 1)];
                if (!insideFrame(at, 70)) continue;
                // Direction over the label's length.
                auto pointAt = [&](double d) {
                    const auto k = std::distance(along.begin(),
                                                 std::lower_bound(along.begin(), along.end(), d));
                    return line[std::clamp<qsizetype>(static_cast<qsizetype>(k), 0,
                                                      line.size() - 1)];
                };
                const QPointF a = pointAt(s - w / 2);
                const QPointF b = pointAt(s + w / 2);
                double angle = std::atan2(b.y() - a.y(), b.x() - a.x()) * 180.0 / std::numbers::pi;
                if (angle > 90) angle -= 180;
                if (angle < -90) angle += 180;
                p.save();
                p.translate(at);
                p.rotate(angle);
                haloText(p, QPointF(-w / 2, -6), river.name, riverFont, kWaterLine, kMapPaper);
                p.restore();
            }
        }
        const QFont lakeFont = font("Liberation Serif", 13, false, true);
        const QFontMetricsF lm(lakeFont);
        for (const Lake& lake : lakes()) {
            const QPointF at = toPixel(lake.labelAt);
            if (!insideFrame(at, 30)) continue;
            const double w = lm.horizontalAdvance(lake.name);
            haloText(p, at - QPointF(w / 2, -lm.ascent() / 2), lake.name, lakeFont, kWaterLine,
                     kMapPaper);
        }
    }

    // ---- roads and settlements ----

    void paintRoads(QPainter& p) {
        auto stroke = [&](RoadKind kind, const QPen& pen) {
            p.setPen(pen);
            for (const Road& road : roads())
                if (road.kind == kind) p.drawPolyline(pixelLine(road.points));
        };
        QPen track(kInk, 1.1, Qt::CustomDashLine, Qt::FlatCap, Qt::RoundJoin);
        track.setDashPattern({4.0, 3.0});
        stroke(RoadKind::Track, track);
        stroke(RoadKind::Secondary,
               QPen(kRoadCasing, 3.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        stroke(RoadKind::Secondary,
               QPen(kSecondaryRoad, 2.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        stroke(RoadKind::Main, QPen(kRoadCasing, 4.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        stroke(RoadKind::Main, QPen(kMainRoad, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }

    void paintBuildings(QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kBuilding);
        const double pxPerSecond = double(cal_.cola) / kTwipsPerPixel;
        for (const Building& b : buildings()) {
            const QPointF c = toPixel(b.centre);
            if (!insideFrame(c, -10)) continue;
            p.drawRect(QRectF(c.x() - b.halfWidth * pxPerSecond, c.y() - b.halfHeight * pxPerSecond,
                              2 * b.halfWidth * pxPerSecond, 2 * b.halfHeight * pxPerSecond));
        }
        p.setBrush(Qt::NoBrush);
    }

    static void haloText(QPainter& p, QPointF baseline, const QString& text, const QFont& f,
                         const QColor& ink, const QColor& halo) {
        QPainterPath path;
        path.addText(baseline, f, text);
        p.save();
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(halo, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPath(path);
        p.restore();
    }

    void paintPlaces(QPainter& p) {
        for (const Place& place : places()) {
            const QPointF at(cal_.pixelX(place.lon), cal_.pixelY(place.lat));
            if (!insideFrame(at, -40)) continue;
            double radius = 3.2;
            QFont f = font("Liberation Serif", 15);
            switch (place.kind) {
            case PlaceKind::Town:
                radius = 4.4;
                f = font("Liberation Serif", 20, true);
                break;
            case PlaceKind::Village:
                break;
            case PlaceKind::Hamlet:
                radius = 2.6;
                f = font("Liberation Serif", 12.5);
                break;
            case PlaceKind::Peak:
                radius = 2.6;
                f = font("Liberation Serif", 13, false, true);
                break;
            }
            p.setPen(QPen(kMapPaper, 1.2));
            p.setBrush(kInk);
            p.drawEllipse(at, radius, radius);

            const QFontMetricsF fm(f);
            const double w = fm.horizontalAdvance(place.name);
            const double cap = fm.capHeight();
            const double gap = radius + (place.kind == PlaceKind::Town ? 9.0 : 4.0);
            QPointF base;
            switch (place.side) {
            case LabelSide::East:
                base = {at.x() + gap, at.y() + cap / 2};
                break;
            case LabelSide::West:
                base = {at.x() - gap - w, at.y() + cap / 2};
                break;
            case LabelSide::North:
                base = {at.x() - w / 2, at.y() - gap};
                break;
            case LabelSide::South:
                base = {at.x() - w / 2, at.y() + gap + cap};
                break;
            case LabelSide::NorthEast:
                base = {at.x() + gap * 0.7, at.y() - gap * 0.7};
                break;
            case LabelSide::NorthWest:
                base = {at.x() - gap * 0.7 - w, at.y() - gap * 0.7};
                break;
            case LabelSide::SouthEast:
                base = {at.x() + gap * 0.7, at.y() + gap * 0.7 + cap};
                break;
            case LabelSide::SouthWest:
                base = {at.x() - gap * 0.7 - w, at.y() + gap * 0.7 + cap};
                break;
            }
            haloText(p, base, place.name, f, kInk, kMapPaper);
            if (place.kind == PlaceKind::Peak) {
                const QFont small = font("Liberation Sans", 11);
                const QString height = QString::number(std::lround(heightAt(place.lat, place.lon)));
                haloText(p, base + QPointF(0, cap + 6 + QFontMetricsF(small).capHeight()), height,
                         small, kInk, kMapPaper);
            }
        }
        p.setBrush(Qt::NoBrush);
    }

    // ---- graticule and frame ----

    // Pixel columns and rows of the graticule lines, exactly where the
    // calibration puts them.
    std::vector<std::pair<int, int>> meridians(int minutes) const {
        std::vector<std::pair<int, int>> out;
        for (int lon = sheet_.lonWest; lon <= sheet_.lonEast; lon += minutes * 60)
            out.emplace_back(static_cast<int>(std::lround(cal_.pixelX(lon))), lon);
        return out;
    }
    std::vector<std::pair<int, int>> parallels(int minutes) const {
        std::vector<std::pair<int, int>> out;
        for (int lat = sheet_.latNorth; lat >= sheet_.latSouth; lat -= minutes * 60)
            out.emplace_back(static_cast<int>(std::lround(cal_.pixelY(lat))), lat);
        return out;
    }

    void paintGraticule(QPainter& p) {
        p.save();
        p.resetTransform();
        p.setRenderHint(QPainter::Antialiasing, false);
        const int w = sheet_.frameRight - sheet_.frameLeft + 1;
        const int h = sheet_.frameBottom - sheet_.frameTop + 1;
        for (const auto& [x, lon] : meridians(kGraticuleMinutes))
            p.fillRect(x, sheet_.frameTop, 1, h, kGraticule);
        for (const auto& [y, lat] : parallels(kGraticuleMinutes))
            p.fillRect(sheet_.frameLeft, y, w, 1, kGraticule);
        p.restore();
    }

    void paintFrame(QPainter& p) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        const int l = sheet_.frameLeft;
        const int t = sheet_.frameTop;
        const int r = sheet_.frameRight;
        const int b = sheet_.frameBottom;
        // Minute band: alternate black and white minutes between the frame and the outer line.
        const auto lonMinutes = meridians(1);
        for (std::size_t k = 0; k + 1 < lonMinutes.size(); ++k) {
            const int x0 = lonMinutes[k].first;
            const int x1 = lonMinutes[k + 1].first;
            const QColor c = k % 2 == 0 ? kInk : Qt::white;
            p.fillRect(x0, t - kBand, x1 - x0, kBand, c);
            p.fillRect(x0, b + 1, x1 - x0, kBand, c);
        }
        const auto latMinutes = parallels(1);
        for (std::size_t k = 0; k + 1 < latMinutes.size(); ++k) {
            const int y0 = latMinutes[k].first;
            const int y1 = latMinutes[k + 1].first;
            const QColor c = k % 2 == 0 ? kInk : Qt::white;
            p.fillRect(l - kBand, y0, kBand, y1 - y0, c);
            p.fillRect(r + 1, y0, kBand, y1 - y0, c);
        }
        for (const QRect& corner :
             {QRect(l - kBand, t - kBand, kBand, kBand), QRect(r + 1, t - kBand, kBand, kBand),
              QRect(l - kBand, b + 1, kBand, kBand), QRect(r + 1, b + 1, kBand, kBand)})
            p.fillRect(corner, kInk);
        // The frame itself, one pixel on the graticule's edge lines.
        p.fillRect(l, t, r - l + 1, 1, kInk);
        p.fillRect(l, b, r - l + 1, 1, kInk);
        p.fillRect(l, t, 1, b - t + 1, kInk);
        p.fillRect(r, t, 1, b - t + 1, kInk);
        // Outer line.
        const int o = kBand + kOuterLine;
        p.fillRect(l - o, t - o, r - l + 1 + 2 * o, kOuterLine, kInk);
        p.fillRect(l - o, b + 1 + kBand, r - l + 1 + 2 * o, kOuterLine, kInk);
        p.fillRect(l - o, t - o, kOuterLine, b - t + 1 + 2 * o, kInk);
        p.fillRect(r + 1 + kBand, t - o, kOuterLine, b - t + 1 + 2 * o, kInk);
        p.restore();

        // Degrees and minutes of the graticule lines, in the margins.
        const QFont f = font("Liberation Sans", 12);
        const QFontMetricsF fm(f);
        p.setFont(f);
        p.setPen(kInk);
        const double gap = o + 5;
        for (const auto& [x, lon] : meridians(kGraticuleMinutes)) {
            const QString text = degreesMinutes(lon);
            const double w = fm.horizontalAdvance(text);
            p.drawText(QPointF(x + 0.5 - w / 2, t - gap), text);
            p.drawText(QPointF(x + 0.5 - w / 2, b + 1 + gap + fm.capHeight()), text);
        }
        for (const auto& [y, lat] : parallels(kGraticuleMinutes)) {
            const QString text = degreesMinutes(lat);
            const double w = fm.horizontalAdvance(text);
            const double baseline = y + 0.5 + fm.capHeight() / 2;
            p.drawText(QPointF(l - gap - w, baseline), text);
            p.drawText(QPointF(r + 1 + gap, baseline), text);
        }
    }

    void paintMargins(QPainter& p) {
        const int l = sheet_.frameLeft;
        const int r = sheet_.frameRight;
        const int labelsBelow = sheet_.frameBottom + kBand + kOuterLine + 24;
        const bool titleOnTop = sheet_.frameTop >= 80;

        const QFont titleFont = font("Liberation Serif", 26, true);
        const QFont headFont = font("Liberation Sans", 13, true);
        const QFont noteFont = font("Liberation Sans", 11);
        const QString head = QStringLiteral("CARTA TOPOGRAFICA DELLA VALFONDA");
        const QString quadrant = QStringLiteral("Quadrante %1").arg(sheet_.quadrant);

        int cursor = labelsBelow; // top of the free space under the frame
        double titleBaseline = sheet_.frameTop - 48;
        if (!titleOnTop) {
            titleBaseline = cursor + 28;
            cursor += 40;
        }
        p.setPen(kInk);
        p.setFont(titleFont);
        const double tw = QFontMetricsF(titleFont).horizontalAdvance(sheet_.title);
        p.drawText(QPointF((l + r) / 2.0 - tw / 2, titleBaseline), sheet_.title);
        p.setFont(headFont);
        p.drawText(QPointF(l, titleBaseline), head);
        const double qw = QFontMetricsF(headFont).horizontalAdvance(quadrant);
        p.drawText(QPointF(r - qw, titleBaseline), quadrant);

        // Scale bar: one kilometre is 1/1.852 of a minute of latitude.
        const double km = kPixelsPerLatMinute / 1.852;
        const int barTop = cursor + 10;
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        for (int k = 0; k < 5; ++k) {
            const QRectF seg(l + k * km, barTop, km, 7);
            p.fillRect(seg, k % 2 == 0 ? kInk : Qt::white);
        }
        p.setPen(kInk);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(l, barTop, 5 * km, 7));
        p.restore();
        p.setFont(noteFont);
        const QFontMetricsF nm(noteFont);
        for (int k = 0; k <= 5; ++k) {
            const QString n = QString::number(k);
            p.drawText(QPointF(l + k * km - nm.horizontalAdvance(n) / 2, barTop + 21), n);
        }
        p.drawText(QPointF(l + 5 * km + 8, barTop + 8), QStringLiteral("km"));

        const QString notes[] = {
            QStringLiteral("Equidistanza delle curve di livello %1 m").arg(kContourInterval),
            QStringLiteral("Longitudini da Greenwich - reticolato ogni %1'").arg(kGraticuleMinutes),
        };
        double noteY = barTop + 8;
        for (const QString& n : notes) {
            p.drawText(QPointF((l + r) / 2.0 - nm.horizontalAdvance(n) / 2, noteY), n);
            noteY += 16;
        }

        // Index of the adjoining sheets, this one shaded.
        const int boxW = 26;
        const int boxH = 18;
        const int gx = r - 2 * boxW;
        const int gy = barTop - 4;
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        const QFont tiny = font("Liberation Sans", 9);
        p.setFont(tiny);
        const QString codes[2][2] = {{QStringLiteral("NO"), QStringLiteral("NE")},
                                     {QStringLiteral("SO"), QStringLiteral("SE")}};
        for (int row = 0; row < 2; ++row) {
            for (int col = 0; col < 2; ++col) {
                const QRect box(gx + col * boxW, gy + row * boxH, boxW, boxH);
                const bool self = row == sheet_.row && col == sheet_.column;
                p.fillRect(box, self ? QColor(0xb0, 0xb0, 0xb0) : kMarginPaper);
                p.setPen(kInk);
                p.drawRect(box.adjusted(0, 0, -1, -1));
                p.drawText(box, Qt::AlignCenter, codes[row][col]);
            }
        }
        p.restore();
    }

    const SheetLayout& sheet_;
    const SheetCalibration& cal_;
    QImage image_;
    std::vector<unsigned char> woods_;
    int maskWidth_ = 0;
    int maskHeight_ = 0;
};

} // namespace

QImage paintSheet(const SheetLayout& sheet) {
    return Painter(sheet).paint();
}

} // namespace orvena::demo
