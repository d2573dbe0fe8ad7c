#include "Geography.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <unordered_map>

namespace orvena::demo {

namespace {

// Ground distances: a second of longitude is shorter than a second of
// latitude by the cosine of the latitude (about 45°20').
constexpr double kLonFactor = 0.7030;

// A point in ground units: x = longitude x kLonFactor, y = latitude, in seconds.
struct Vec {
    double x = 0;
    double y = 0;
};

Vec operator+(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y};
}
Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y};
}
Vec operator*(Vec a, double k) {
    return {a.x * k, a.y * k};
}
double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y;
}
double length(Vec a) {
    return std::sqrt(dot(a, a));
}

Vec toVec(GeoPoint p) {
    return {p.lon * kLonFactor, p.lat};
}
GeoPoint toGeo(Vec v) {
    return {v.y, v.x / kLonFactor};
}

// A point given in minutes north and east of the block's south-west corner.
Vec minutes(double north, double east) {
    return toVec({kBlockLatSouth + north * 60.0, kBlockLonWest + east * 60.0});
}

// ---- reproducible noise -------------------------------------------------

std::uint32_t mix(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

std::uint32_t hash(int i, int j, std::uint32_t seed) {
    return mix(static_cast<std::uint32_t>(i) * 0x9e3779b1U ^
               mix(static_cast<std::uint32_t>(j) + seed * 0x85ebca77U));
}

struct GradientTable {
    std::array<double, 256> gx{};
    std::array<double, 256> gy{};
    GradientTable() {
        for (int k = 0; k < 256; ++k) {
            const double angle = 2.0 * std::numbers::pi * (k + 0.5) / 256.0;
            gx[k] = std::cos(angle);
            gy[k] = std::sin(angle);
        }
    }
};

const GradientTable& gradients() {
    static const GradientTable table;
    return table;
}

double fade(double t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

// Gradient noise, roughly in [-0.7, 0.7], smooth with a feature size of 1.
double noise(double x, double y, std::uint32_t seed) {
    const GradientTable& g = gradients();
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const double dx = x - fx;
    const double dy = y - fy;
    auto corner = [&](int ci, int cj, double ox, double oy) {
        const std::uint32_t k = hash(ix + ci, iy + cj, seed) & 255U;
        return g.gx[k] * ox + g.gy[k] * oy;
    };
    const double n00 = corner(0, 0, dx, dy);
    const double n10 = corner(1, 0, dx - 1, dy);
    const double n01 = corner(0, 1, dx, dy - 1);
    const double n11 = corner(1, 1, dx - 1, dy - 1);
    const double u = fade(dx);
    const double v = fade(dy);
    const double a = n00 + (n10 - n00) * u;
    const double b = n01 + (n11 - n01) * u;
    return a + (b - a) * v;
}

double fbm(double x, double y, int octaves, std::uint32_t seed) {
    double sum = 0;
    double amplitude = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * noise(x, y, seed + static_cast<std::uint32_t>(o) * 101U);
        x = x * 2.03 + 17.1;
        y = y * 2.03 - 9.7;
        amplitude *= 0.5;
    }
    return sum;
}

// ---- places -------------------------------------------------------------

struct PlaceDef {
    const char* name;
    double north, east; // minutes from the block's south-west corner
    PlaceKind kind;
    LabelSide side;
};

using enum PlaceKind;
using enum LabelSide;

const PlaceDef kPlaces[] = {
    // north-west sheet
    {"PIEVE DI SOPRA", 18.3, 5.6, Village, East},
    {"BORGO SERRA", 16.45, 9.4, Village, West},
    {"CASTELNUOVO FONDA", 12.5, 14.6, Town, East},
    {"SAN MARTINO", 19.2, 16.5, Village, East},
    {"CÀ BIANCA", 17.4, 13.9, Hamlet, East},
    {"MONTE ALBANO", 13.6, 5.2, Peak, East},
    {"ROCCAVECCHIA", 11.3, 8.4, Village, East},
    {"COLLE DEI PINI", 10.8, 18.2, Peak, West},
    // north-east sheet
    {"FONTANELLE", 19.884, 33.6, Hamlet, East},
    {"VILLAFREDDA", 16.9, 31.2, Village, East},
    {"SANT'ANNA", 14.3, 23.9, Village, North},
    {"MOLINO DEL PONTE", 13.05, 28.2, Hamlet, East},
    {"POGGIO ALTO", 18.0, 26.8, Peak, East},
    {"TORRAZZA", 12.5, 33.4, Village, North},
    {"CASCINA ROSSA", 10.9, 24.6, Hamlet, East},
    {"CORTE NUOVA", 11.8, 39.834, Hamlet, West},
    // south-west sheet
    {"VALFONDA", 7.9, 16.4, Town, West},
    {"SAN ROCCO", 8.75, 4.2, Village, East},
    {"CÀ DEL BOSCO", 5.2, 12.8, Hamlet, East},
    {"PRATOLUNGO", 4.0, 10.3, Village, West},
    {"CASTAGNETO", 6.8, 8.9, Village, East},
    {"MADONNA DELLE GRAZIE", 2.3, 17.6, Hamlet, West},
    {"BRUGNETO", 1.2, 6.0, Village, East},
    // south-east sheet
    {"SAN MARTINO", 8.4, 23.0, Village, East},
    {"PIEVE DI SOTTO", 4.3, 28.6, Town, North},
    {"MONTICELLI", 7.2, 31.4, Village, East},
    {"LA FORNACE", 2.4, 26.9, Hamlet, West},
    {"CORNALE", 2.2, 34.6, Village, East},
    {"GAVAZZOLO", 5.8, 36.6, Village, East},
    {"VIGNALE", 8.9, 35.4, Village, East},
    {"CERRETELLO", 0.6, 24.1, Hamlet, East},
};

std::vector<Place> buildPlaces() {
    std::vector<Place> out;
    for (const PlaceDef& d : kPlaces) {
        Place p;
        p.name = QString::fromUtf8(d.name);
        p.lat = kBlockLatSouth + static_cast<int>(std::lround(d.north * 60.0));
        p.lon = kBlockLonWest + static_cast<int>(std::lround(d.east * 60.0));
        p.kind = d.kind;
        p.side = d.side;
        out.push_back(p);
    }
    return out;
}

// The first place of that name, as a ground point; names that occur twice
// are told apart by the nearest to a hint.
Vec placeVec(const char* name, Vec near) {
    const QString wanted = QString::fromUtf8(name);
    Vec best{};
    double bestDistance = std::numeric_limits<double>::max();
    for (const Place& p : places()) {
        if (p.name != wanted) continue;
        const Vec v = toVec({double(p.lat), double(p.lon)});
        const double d = length(v - near);
        if (d < bestDistance) {
            bestDistance = d;
            best = v;
        }
    }
    return best;
}

// ---- smooth lines -------------------------------------------------------

Vec catmullRom(Vec p0, Vec p1, Vec p2, Vec p3, double t) {
    const double t2 = t * t;
    const double t3 = t2 * t;
    return (p1 * 2.0 + (p2 - p0) * t + (p0 * 2.0 - p1 * 5.0 + p2 * 4.0 - p3) * t2 +
            (p1 * 3.0 - p0 - p2 * 3.0 + p3) * t3) *
           0.5;
}

// A smooth line through the control points, with a wandering sideways offset
// of the given amplitude (ground seconds) that vanishes at every control point
// when pinned, or only at both ends otherwise.
std::vector<Vec> smoothLine(const std::vector<Vec>& control, double step, double wander,
                            double wavelength, std::uint32_t seed, bool pinned) {
    std::vector<Vec> raw;
    std::vector<double> pin; // 0 at control points, up to 1 between them
    const std::size_t n = control.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const Vec p0 = control[i == 0 ? 0 : i - 1];
        const Vec p1 = control[i];
        const Vec p2 = control[i + 1];
        const Vec p3 = control[std::min(i + 2, n - 1)];
        const int parts = std::max(4, static_cast<int>(std::ceil(length(p2 - p1) / step)));
        for (int k = 0; k < parts; ++k) {
            const double t = double(k) / parts;
            raw.push_back(catmullRom(p0, p1, p2, p3, t));
            pin.push_back(std::sin(std::numbers::pi * t));
        }
    }
    raw.push_back(control.back());
    pin.push_back(0);

    std::vector<double> along(raw.size(), 0.0);
    for (std::size_t i = 1; i < raw.size(); ++i)
        along[i] = along[i - 1] + length(raw[i] - raw[i - 1]);
    const double total = along.back();

    std::vector<Vec> out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const Vec a = raw[i == 0 ? 0 : i - 1];
        const Vec b = raw[std::min(i + 1, raw.size() - 1)];
        const Vec dir = b - a;
        const double len = length(dir);
        if (len <= 0 || wander <= 0) {
            out.push_back(raw[i]);
            continue;
        }
        const Vec normal{-dir.y / len, dir.x / len};
        double weight =
            pinned ? pin[i] : std::min({1.0, along[i] / 120.0, (total - along[i]) / 120.0});
        weight = std::max(weight, 0.0);
        const double offset = wander * weight * 1.6 * noise(along[i] / wavelength, 0.5, seed);
        out.push_back(raw[i] + normal * offset);
    }
    return out;
}

struct Projection {
    double distance = std::numeric_limits<double>::max();
    double along = 0; // segment index plus fraction
};

Projection projectOnSegment(Vec p, Vec a, Vec b, std::size_t index) {
    const Vec ab = b - a;
    const double len2 = dot(ab, ab);
    double t = len2 > 0 ? dot(p - a, ab) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return {length(p - (a + ab * t)), double(index) + t};
}

Projection projectOnLine(Vec p, const std::vector<Vec>& line) {
    Projection best;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const Projection q = projectOnSegment(p, line[i], line[i + 1], i);
        if (q.distance < best.distance) best = q;
    }
    return best;
}

// ---- relief -------------------------------------------------------------

// The rolling land, before summits and rivers.
double background(Vec p) {
    const double u = (p.x / kLonFactor - kBlockLonWest) / double(kBlockLonEast - kBlockLonWest);
    const double v = (p.y - kBlockLatSouth) / double(kBlockLatNorth - kBlockLatSouth);
    const double trend = 300.0 + 320.0 * v + 150.0 * (1.0 - u);
    const double relief = 260.0 + 290.0 * v;
    return trend + relief * 1.25 * fbm(p.x / 290.0, p.y / 290.0, 4, 1931U);
}

struct Summit {
    Vec at;
    double rise;
    double spread;
    double base; // the background height under it
};

std::vector<Summit> buildSummits() {
    std::vector<Summit> out;
    for (const Place& p : places()) {
        if (p.kind != PlaceKind::Peak) continue;
        const Vec at = toVec({double(p.lat), double(p.lon)});
        out.push_back({at, 300.0, 40.0, background(at)});
    }
    return out;
}

const std::vector<Summit>& summits() {
    static const std::vector<Summit> list = buildSummits();
    return list;
}

// The land before the rivers cut their valleys.
double upland(Vec p) {
    double h = background(p);
    for (const Summit& k : summits()) {
        // Level the land under a named summit, then raise the summit on it,
        // so that it is the highest point around.
        const double d2 = dot(p - k.at, p - k.at);
        const double level = std::exp(-d2 / (2.0 * 2.56 * k.spread * k.spread));
        h += (k.base - h) * level;
        // The summit's own shape, warped so that it is not a perfect cone.
        const Vec warp{18.0 * noise(p.x / 45.0, p.y / 45.0, 61U),
                       18.0 * noise(p.x / 45.0 + 9.1, p.y / 45.0 - 3.3, 62U)};
        const Vec r = p + warp - k.at;
        h += k.rise * std::exp(-dot(r, r) / (2.0 * k.spread * k.spread));
    }
    // The lowest ground flattens out into a plain.
    constexpr double kPlain = 110.0;
    constexpr double kSoftness = 35.0;
    const double z = (h - kPlain) / kSoftness;
    h = kPlain + kSoftness * (z > 20 ? z : std::log1p(std::exp(z)));
    return h;
}

// ---- water --------------------------------------------------------------

struct RiverDef {
    const char* name;
    std::vector<std::pair<double, double>> control; // minutes north, east
    int joins;                                      // the river it flows into, or -1
    double bedFrom, bedTo;                          // metres; bedTo unused when it joins another
    double widthFrom, widthTo;                      // pixels
    double valley, floorFrom, floorTo;              // ground seconds
    std::vector<double> labels;
};

const std::vector<RiverDef>& riverDefs() {
    static const std::vector<RiverDef> defs = {
        {"T. Fonda",
         {{19.3, 2.2},  {18.4, 4.6},  {17.2, 6.8},  {16.0, 9.4},  {15.2, 11.0},
          {14.4, 12.8}, {13.2, 13.8}, {11.6, 14.6}, {10.0, 15.2}, {8.6, 16.0},
          {7.4, 17.4},  {6.6, 19.4},  {6.0, 21.6},  {5.4, 24.0},  {4.8, 26.4},
          {3.8, 29.2},  {2.8, 32.0},  {1.6, 34.8},  {0.4, 37.2},  {-0.8, 39.2}},
         -1,
         560,
         105,
         1.4,
         3.6,
         115,
         4,
         18,
         {0.15, 0.3, 0.42, 0.6, 0.78, 0.93}},
        {"Rio Freddo",
         {{19.6, 33.5},
          {18.2, 31.6},
          {16.6, 30.4},
          {14.8, 29.0},
          {13.0, 28.0},
          {11.2, 27.6},
          {9.4, 27.4},
          {7.6, 27.0},
          {5.9, 26.6}},
         0,
         640,
         0,
         1.1,
         2.6,
         95,
         2,
         8,
         {0.2, 0.55, 0.82}},
        {"Rio Secco",
         {{9.8, -0.6},
          {8.8, 2.4},
          {7.6, 4.6},
          {6.2, 6.8},
          {4.8, 9.4},
          {3.6, 11.6},
          {2.2, 13.6},
          {0.8, 15.4},
          {-0.8, 16.8}},
         -1,
         430,
         115,
         1.0,
         2.3,
         90,
         2,
         9,
         {0.3, 0.72}},
        {"Fosso della Corte",
         {{13.6, 40.6}, {13.2, 38.0}, {12.6, 35.6}, {12.0, 32.8}, {11.4, 30.0}, {11.2, 28.4}},
         1,
         480,
         0,
         0.9,
         1.7,
         80,
         2,
         4,
         {0.3}},
        {"Rio Serra",
         {{19.9, 13.4}, {18.6, 12.8}, {17.2, 12.0}, {16.0, 11.2}},
         0,
         600,
         0,
         0.9,
         1.5,
         65,
         2,
         3,
         {0.35}},
        {"Rio Verde",
         {{17.2, 23.6}, {16.7, 25.4}, {16.1, 27.4}, {15.7, 29.2}},
         1,
         560,
         0,
         0.9,
         1.4,
         60,
         2,
         3,
         {0.5}},
        {"Rio Morto",
         {{9.0, 40.6}, {7.8, 38.0}, {6.4, 35.6}, {4.9, 33.6}, {3.6, 31.4}, {3.0, 30.4}},
         0,
         380,
         0,
         0.9,
         1.9,
         80,
         2,
         5,
         {0.25, 0.62}},
    };
    return defs;
}

struct RiverModel {
    std::vector<Vec> line;
    std::vector<double> bed; // metres at each vertex
    double valley = 0;
    double floorFrom = 0, floorTo = 0;

    double bedAt(double along) const {
        const std::size_t i = std::min(static_cast<std::size_t>(along), line.size() - 2);
        const double f = along - double(i);
        return bed[i] + (bed[i + 1] - bed[i]) * f;
    }
    double floorAt(double along) const {
        return floorFrom + (floorTo - floorFrom) * along / double(line.size() - 1);
    }
};

std::vector<RiverModel> buildRiverModels() {
    std::vector<RiverModel> out;
    const auto& defs = riverDefs();
    for (std::size_t r = 0; r < defs.size(); ++r) {
        const RiverDef& d = defs[r];
        std::vector<Vec> control;
        for (const auto& [north, east] : d.control)
            control.push_back(minutes(north, east));
        double bedTo = d.bedTo;
        if (d.joins >= 0) {
            // End exactly on the river it flows into.
            const RiverModel& main = out[static_cast<std::size_t>(d.joins)];
            const Projection q = projectOnLine(control.back(), main.line);
            const std::size_t i = std::min(static_cast<std::size_t>(q.along), main.line.size() - 2);
            const double f = q.along - double(i);
            control.back() = main.line[i] + (main.line[i + 1] - main.line[i]) * f;
            bedTo = main.bedAt(q.along);
        }
        RiverModel m;
        m.line = smoothLine(control, 6.0, 7.0, 45.0, 500U + static_cast<std::uint32_t>(r), false);
        m.valley = d.valley;
        m.floorFrom = d.floorFrom;
        m.floorTo = d.floorTo;
        // The bed falls steadily and always lies below the land it crosses.
        m.bed.resize(m.line.size());
        double previous = std::numeric_limits<double>::max();
        for (std::size_t i = 0; i < m.line.size(); ++i) {
            const double t = double(i) / double(m.line.size() - 1);
            // Steep near the source, gentle downstream.
            const double planned = bedTo + (d.bedFrom - bedTo) * (1.0 - t) * (1.0 - t);
            double bed = std::min({previous, planned, upland(m.line[i]) - 30.0});
            // A tributary never cuts below its mouth, or a pit would form there.
            if (d.joins >= 0) bed = std::max(bed, bedTo);
            m.bed[i] = bed;
            previous = bed;
        }
        if (d.joins >= 0) m.bed.back() = bedTo;
        out.push_back(std::move(m));
    }
    return out;
}

const std::vector<RiverModel>& riverModels() {
    static const std::vector<RiverModel> models = buildRiverModels();
    return models;
}

// The river segments filed by ground cell, each with every segment whose
// valley reaches into it.
class ValleyIndex {
public:
    static constexpr double kCell = 64.0;

    ValleyIndex() {
        const auto& models = riverModels();
        for (std::size_t r = 0; r < models.size(); ++r) {
            const RiverModel& m = models[r];
            for (std::size_t i = 0; i + 1 < m.line.size(); ++i) {
                const Vec a = m.line[i];
                const Vec b = m.line[i + 1];
                const int x0 = cell(std::min(a.x, b.x) - m.valley);
                const int x1 = cell(std::max(a.x, b.x) + m.valley);
                const int y0 = cell(std::min(a.y, b.y) - m.valley);
                const int y1 = cell(std::max(a.y, b.y) + m.valley);
                for (int cy = y0; cy <= y1; ++cy)
                    for (int cx = x0; cx <= x1; ++cx)
                        cells_[key(cx, cy)].push_back({static_cast<int>(r), static_cast<int>(i)});
            }
        }
    }

    struct Entry {
        int river;
        int segment;
    };

    const std::vector<Entry>* at(Vec p) const {
        const auto it = cells_.find(key(cell(p.x), cell(p.y)));
        return it == cells_.end() ? nullptr : &it->second;
    }

private:
    static int cell(double v) { return static_cast<int>(std::floor(v / kCell)); }
    static std::int64_t key(int cx, int cy) {
        return (static_cast<std::int64_t>(cx) << 32) ^ static_cast<std::uint32_t>(cy);
    }
    std::unordered_map<std::int64_t, std::vector<Entry>> cells_;
};

const ValleyIndex& valleyIndex() {
    static const ValleyIndex index;
    return index;
}

double carvedHeight(Vec p) {
    double h = upland(p);
    const std::vector<ValleyIndex::Entry>* entries = valleyIndex().at(p);
    if (entries == nullptr) return h;
    const auto& models = riverModels();
    std::array<Projection, 16> nearest{};
    for (const ValleyIndex::Entry& e : *entries) {
        const RiverModel& m = models[static_cast<std::size_t>(e.river)];
        const auto s = static_cast<std::size_t>(e.segment);
        const Projection q = projectOnSegment(p, m.line[s], m.line[s + 1], s);
        Projection& best = nearest[static_cast<std::size_t>(e.river)];
        if (q.distance < best.distance) best = q;
    }
    for (std::size_t r = 0; r < models.size(); ++r) {
        const Projection& q = nearest[r];
        const RiverModel& m = models[r];
        if (q.distance >= m.valley) continue;
        const double bed = m.bedAt(q.along);
        if (h <= bed) continue;
        // A smooth profile: nearly flat on the valley floor, then the slopes,
        // meeting the untouched land without a crease.
        const double floor = m.floorAt(q.along);
        const double u =
            (std::hypot(q.distance, floor) - floor) / (std::hypot(m.valley, floor) - floor);
        const double shape = 1.0 - (1.0 - u) * (1.0 - u);
        h = bed + (h - bed) * shape;
    }
    return h;
}

std::vector<River> buildRivers() {
    std::vector<River> out;
    const auto& defs = riverDefs();
    const auto& models = riverModels();
    for (std::size_t r = 0; r < defs.size(); ++r) {
        River river;
        river.name = QString::fromUtf8(defs[r].name);
        for (const Vec& v : models[r].line)
            river.points.push_back(toGeo(v));
        river.widthFrom = defs[r].widthFrom;
        river.widthTo = defs[r].widthTo;
        river.labelsAt = defs[r].labels;
        out.push_back(std::move(river));
    }
    return out;
}

struct LakeDef {
    const char* name;
    double north, east;   // centre, minutes
    double along, across; // half axes, ground seconds
    double angle;         // of the long axis, radians from east
    double labelNorth, labelEast;
};

const LakeDef kLakes[] = {
    {"Lago di Serra", 15.2, 11.0, 56, 21, -0.59, 14.62, 10.55},
    {"Lago Verde", 17.2, 23.6, 21, 15, 0.4, 17.62, 22.75},
    {"Lago della Fornace", 1.9, 27.9, 13, 8, -0.3, 1.45, 28.1},
};

std::vector<Lake> buildLakes() {
    std::vector<Lake> out;
    std::uint32_t seed = 900U;
    for (const LakeDef& d : kLakes) {
        Lake lake;
        lake.name = QString::fromUtf8(d.name);
        const Vec centre = minutes(d.north, d.east);
        const double c = std::cos(d.angle);
        const double s = std::sin(d.angle);
        constexpr int kPoints = 120;
        for (int k = 0; k < kPoints; ++k) {
            const double theta = 2.0 * std::numbers::pi * k / kPoints;
            const double r =
                1.0 + 0.22 * noise(1.3 * std::cos(theta) + 5.0, 1.3 * std::sin(theta) + 5.0, seed);
            const double ex = d.along * r * std::cos(theta);
            const double ey = d.across * r * std::sin(theta);
            lake.shore.push_back(toGeo(centre + Vec{ex * c - ey * s, ex * s + ey * c}));
        }
        lake.labelAt = toGeo(minutes(d.labelNorth, d.labelEast));
        out.push_back(std::move(lake));
        ++seed;
    }
    return out;
}

bool insidePolygon(Vec p, const std::vector<Vec>& polygon) {
    bool inside = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Vec a = polygon[i];
        const Vec b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

// ---- roads --------------------------------------------------------------

struct Way {
    const char* place; // or nullptr for a bend given by its minutes
    double north, east;
};

struct RoadDef {
    RoadKind kind;
    std::vector<Way> ways;
};

const std::vector<RoadDef>& roadDefs() {
    using enum RoadKind;
    static const std::vector<RoadDef> defs = {
        // The valley road, from the northern hills down the Fonda to the plain.
        {Main, {{nullptr, 20.3, 1.3},          {nullptr, 19.4, 3.6},
                {"PIEVE DI SOPRA", 18.3, 5.6}, {nullptr, 17.6, 7.6},
                {"BORGO SERRA", 16.45, 9.4},   {nullptr, 15.9, 11.2},
                {nullptr, 15.0, 12.9},         {"CASTELNUOVO FONDA", 12.5, 14.6},
                {nullptr, 11.0, 15.5},         {nullptr, 9.3, 16.0},
                {"VALFONDA", 7.9, 16.4},       {nullptr, 7.5, 18.8},
                {nullptr, 7.2, 21.0},          {nullptr, 6.6, 23.4},
                {nullptr, 5.8, 25.8},          {"PIEVE DI SOTTO", 4.3, 28.6},
                {nullptr, 3.7, 31.0},          {nullptr, 2.9, 33.2},
                {"CORNALE", 2.2, 34.6},        {nullptr, 1.2, 36.8},
                {nullptr, 0.1, 39.0},          {nullptr, -0.5, 40.5}}},
        // Across the hills to the east.
        {Main,
         {{"CASTELNUOVO FONDA", 12.5, 14.6},
          {nullptr, 13.2, 16.8},
          {nullptr, 13.7, 19.8},
          {"SANT'ANNA", 14.3, 23.9},
          {nullptr, 13.9, 26.2},
          {"MOLINO DEL PONTE", 13.05, 28.2},
          {nullptr, 12.6, 30.6},
          {"TORRAZZA", 12.5, 33.4},
          {nullptr, 13.3, 36.0},
          {"CORTE NUOVA", 11.8, 39.834},
          {nullptr, 11.7, 40.8}}},
        {Secondary,
         {{"MOLINO DEL PONTE", 13.05, 28.2},
          {nullptr, 14.6, 29.8},
          {"VILLAFREDDA", 16.9, 31.2},
          {nullptr, 18.5, 32.6},
          {"FONTANELLE", 19.884, 33.6},
          {nullptr, 20.4, 34.1}}},
        {Secondary,
         {{"SANT'ANNA", 14.3, 23.9},
          {nullptr, 12.6, 24.6},
          {"CASCINA ROSSA", 10.9, 24.6},
          {nullptr, 9.7, 23.9},
          {"SAN MARTINO", 8.4, 23.0},
          {nullptr, 7.2, 21.0}}},
        {Secondary,
         {{"PIEVE DI SOTTO", 4.3, 28.6},
          {nullptr, 5.6, 30.2},
          {"MONTICELLI", 7.2, 31.4},
          {nullptr, 8.2, 33.4},
          {"VIGNALE", 8.9, 35.4},
          {nullptr, 9.6, 37.6},
          {nullptr, 10.4, 40.6}}},
        {Secondary,
         {{"PIEVE DI SOTTO", 4.3, 28.6},
          {nullptr, 4.6, 32.6},
          {nullptr, 5.2, 34.6},
          {"GAVAZZOLO", 5.8, 36.6},
          {nullptr, 6.2, 38.6},
          {nullptr, 6.5, 40.6}}},
        {Secondary,
         {{"VALFONDA", 7.9, 16.4},
          {nullptr, 7.6, 13.0},
          {"CASTAGNETO", 6.8, 8.9},
          {nullptr, 7.6, 6.2},
          {"SAN ROCCO", 8.75, 4.2},
          {nullptr, 9.3, -0.6}}},
        {Secondary,
         {{"VALFONDA", 7.9, 16.4},
          {nullptr, 6.2, 15.2},
          {"CÀ DEL BOSCO", 5.2, 12.8},
          {"PRATOLUNGO", 4.0, 10.3},
          {nullptr, 2.6, 8.0},
          {"BRUGNETO", 1.2, 6.0},
          {nullptr, -0.6, 4.6}}},
        {Secondary,
         {{"VALFONDA", 7.9, 16.4},
          {nullptr, 5.0, 17.2},
          {"MADONNA DELLE GRAZIE", 2.3, 17.6},
          {nullptr, 1.3, 20.6},
          {"CERRETELLO", 0.6, 24.1},
          {nullptr, -0.6, 26.0}}},
        {Secondary,
         {{"PIEVE DI SOPRA", 18.3, 5.6},
          {nullptr, 16.6, 6.2},
          {nullptr, 14.8, 7.2},
          {"ROCCAVECCHIA", 11.3, 8.4},
          {nullptr, 9.2, 9.2},
          {"CASTAGNETO", 6.8, 8.9}}},
        {Secondary,
         {{"BORGO SERRA", 16.45, 9.4},
          {"CÀ BIANCA", 17.4, 13.9},
          {nullptr, 18.6, 15.4},
          {"SAN MARTINO", 19.2, 16.5},
          {nullptr, 20.4, 17.6}}},
        {Secondary,
         {{"PIEVE DI SOTTO", 4.3, 28.6}, {nullptr, 3.4, 27.8}, {"LA FORNACE", 2.4, 26.9}}},
        {Track, {{"ROCCAVECCHIA", 11.3, 8.4}, {nullptr, 12.4, 6.6}, {"MONTE ALBANO", 13.6, 5.2}}},
        {Track, {{"VILLAFREDDA", 16.9, 31.2}, {nullptr, 17.6, 29.0}, {"POGGIO ALTO", 18.0, 26.8}}},
        {Track, {{"SANT'ANNA", 14.3, 23.9}, {nullptr, 15.6, 23.4}, {nullptr, 16.8, 23.2}}},
        {Track,
         {{"CASTELNUOVO FONDA", 12.5, 14.6},
          {nullptr, 11.6, 17.0},
          {"COLLE DEI PINI", 10.8, 18.2}}},
        {Track, {{"CÀ DEL BOSCO", 5.2, 12.8}, {nullptr, 6.4, 11.0}, {"CASTAGNETO", 6.8, 8.9}}},
        {Track, {{"MONTICELLI", 7.2, 31.4}, {nullptr, 6.4, 33.4}, {"GAVAZZOLO", 5.8, 36.6}}},
    };
    return defs;
}

std::vector<std::vector<Vec>> buildRoadLines() {
    std::vector<std::vector<Vec>> out;
    std::uint32_t seed = 700U;
    for (const RoadDef& d : roadDefs()) {
        std::vector<Vec> control;
        for (const Way& w : d.ways) {
            const Vec hint = minutes(w.north, w.east);
            control.push_back(w.place != nullptr ? placeVec(w.place, hint) : hint);
        }
        const double wander = d.kind == RoadKind::Track ? 4.0 : 2.5;
        out.push_back(smoothLine(control, 4.0, wander, 22.0, seed++, true));
    }
    return out;
}

const std::vector<std::vector<Vec>>& roadLines() {
    static const std::vector<std::vector<Vec>> lines = buildRoadLines();
    return lines;
}

// ---- settlements --------------------------------------------------------

double settlementRadius(PlaceKind kind) {
    switch (kind) {
    case PlaceKind::Town:
        return 30.0;
    case PlaceKind::Village:
        return 15.0;
    case PlaceKind::Hamlet:
        return 8.0;
    case PlaceKind::Peak:
        return 0.0;
    }
    return 0.0;
}

std::vector<Building> buildBuildings() {
    std::vector<Building> out;
    std::vector<std::vector<Vec>> lakeShores;
    for (const Lake& l : lakes()) {
        std::vector<Vec> shore;
        for (const GeoPoint& g : l.shore)
            shore.push_back(toVec(g));
        lakeShores.push_back(std::move(shore));
    }
    auto clearOfEverything = [&](Vec p, double size) {
        for (const auto& road : roadLines())
            if (projectOnLine(p, road).distance < 3.2 + size) return false;
        for (const RiverModel& m : riverModels())
            if (projectOnLine(p, m.line).distance < 3.5 + size) return false;
        for (const auto& shore : lakeShores)
            if (insidePolygon(p, shore)) return false;
        return true;
    };
    int index = 0;
    for (const Place& place : places()) {
        ++index;
        const double radius = settlementRadius(place.kind);
        if (radius <= 0) continue;
        const int wanted = place.kind == PlaceKind::Town      ? 70
                           : place.kind == PlaceKind::Village ? 20
                                                              : 5;
        const Vec centre = toVec({double(place.lat), double(place.lon)});
        int placed = 0;
        for (int attempt = 0; attempt < wanted * 6 && placed < wanted; ++attempt) {
            const double r = radius * std::pow(scatter(index, attempt, 31U), 0.75);
            const double a = 2.0 * std::numbers::pi * scatter(index, attempt, 32U);
            const Vec p = centre + Vec{r * std::cos(a), r * std::sin(a)};
            const double halfWidth = 1.2 + 1.3 * scatter(index, attempt, 33U);
            const double halfHeight = 1.0 + 1.1 * scatter(index, attempt, 34U);
            if (r < 3.0) continue; // keep the dot itself clear
            if (!clearOfEverything(p, std::max(halfWidth, halfHeight))) continue;
            Building b;
            b.centre = toGeo(p);
            b.halfWidth = halfWidth;
            b.halfHeight = halfHeight;
            out.push_back(b);
            ++placed;
        }
    }
    return out;
}

} // namespace

double scatter(int i, int j, unsigned seed) {
    return (hash(i, j, seed) >> 8) * (1.0 / 16777216.0);
}

const std::vector<Place>& places() {
    static const std::vector<Place> list = buildPlaces();
    return list;
}

const std::vector<River>& rivers() {
    static const std::vector<River> list = buildRivers();
    return list;
}

const std::vector<Lake>& lakes() {
    static const std::vector<Lake> list = buildLakes();
    return list;
}

const std::vector<Road>& roads() {
    static const std::vector<Road> list = [] {
        std::vector<Road> out;
        const auto& defs = roadDefs();
        const auto& lines = roadLines();
        for (std::size_t i = 0; i < defs.size(); ++i) {
            Road road;
            road.kind = defs[i].kind;
            for (const Vec& v : lines[i])
                road.points.push_back(toGeo(v));
            out.push_back(std::move(road));
        }
        return out;
    }();
    return list;
}

const std::vector<Building>& buildings() {
    static const std::vector<Building> list = buildBuildings();
    return list;
}

double heightAt(double lat, double lon) {
    return carvedHeight(toVec({lat, lon}));
}

bool woodedAt(double lat, double lon) {
    const Vec p = toVec({lat, lon});
    const double v = (lat - kBlockLatSouth) / double(kBlockLatNorth - kBlockLatSouth);
    double t = fbm(p.x / 150.0 + 31.7, p.y / 150.0 - 12.3, 4, 77U) + 0.22 * v - 0.02;
    for (const Place& place : places()) {
        const double radius = settlementRadius(place.kind) * 2.2;
        if (radius <= 0) continue;
        const double dx = p.x - place.lon * kLonFactor;
        const double dy = p.y - place.lat;
        if (std::abs(dx) > radius || std::abs(dy) > radius) continue;
        const double d = std::sqrt(dx * dx + dy * dy);
        if (d < radius) t -= 0.45 * (1.0 - d / radius);
    }
    return t > 0.14;
}

} // namespace orvena::demo
