#pragma once

// The invented landscape of the demo atlas: relief, woods, water, roads and
// places of the Valfonda hills, defined once in geographic coordinates
// (seconds of arc) so that the four sheets drawn from it match at their edges.

#include <QString>

#include <vector>

namespace orvena::demo {

// The block of four sheets: 45°10' to 45°30' N, 9°20' to 10°00' E.
inline constexpr int kBlockLatSouth = 45 * 3600 + 10 * 60;
inline constexpr int kBlockLatNorth = 45 * 3600 + 30 * 60;
inline constexpr int kBlockLonWest = 9 * 3600 + 20 * 60;
inline constexpr int kBlockLonEast = 10 * 3600;

// A point in seconds of arc.
struct GeoPoint {
    double lat = 0;
    double lon = 0;
};

enum class PlaceKind { Town, Village, Hamlet, Peak };

// Where a place's name stands relative to its dot.
enum class LabelSide { East, West, North, South, NorthEast, NorthWest, SouthEast, SouthWest };

struct Place {
    QString name;
    int lat = 0; // whole seconds
    int lon = 0;
    PlaceKind kind = PlaceKind::Village;
    LabelSide side = LabelSide::East;
};

enum class RoadKind { Main, Secondary, Track };

struct Road {
    RoadKind kind = RoadKind::Secondary;
    std::vector<GeoPoint> points;
};

struct River {
    QString name;
    std::vector<GeoPoint> points;      // from the source downstream
    double widthFrom = 1, widthTo = 2; // stroke width in pixels at source and mouth
    std::vector<double> labelsAt;      // where its name is written, as fractions of its length
};

struct Lake {
    QString name;
    std::vector<GeoPoint> shore; // closed outline
    GeoPoint labelAt;
};

struct Building {
    GeoPoint centre;
    double halfWidth = 0, halfHeight = 0; // seconds of latitude
};

const std::vector<Place>& places();
const std::vector<River>& rivers();
const std::vector<Lake>& lakes();
const std::vector<Road>& roads();
const std::vector<Building>& buildings();

// Ground height in metres. Continuous everywhere, so neighbouring sheets agree.
double heightAt(double lat, double lon);

// Whether the ground is wooded.
bool woodedAt(double lat, double lon);

// A reproducible hash in [0, 1) of two integers and a seed, for scattering symbols.
double scatter(int i, int j, unsigned seed);

} // namespace orvena::demo
