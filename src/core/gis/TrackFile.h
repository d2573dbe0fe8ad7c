#pragma once

// A file of GPS tracks, routes and waypoints read through OGR (GDAL's vector
// drivers): GPX 1.0 and 1.1, KML, KMZ, GeoJSON, and whatever else OGR reads
// as points and lines. Coordinates come out in WGS 84 degrees.

#include "core/geo/Track.h"

#include <QString>

#include <vector>

namespace orvena {

struct TrackFile {
    QString path;
    std::vector<Track> tracks; // tracks and routes, in the file's order
    std::vector<Waypoint> waypoints;
    // Why the file was refused, in Italian, naming it; empty when it was read.
    QString error;

    bool ok() const { return error.isEmpty(); }
    // The file's own name, without its folder.
    QString name() const;
};

// Reads the file whole. A file that cannot be opened, is damaged or holds no
// point at all comes back with its error and nothing else; it never throws.
TrackFile readTrackFile(const QString& path);

// The file dialog's filter for the files offered ("description|pattern|...").
QString trackFileFilter();
// Whether a file's name ends as one of them (for files dropped on the window).
bool looksLikeTrackFile(const QString& path);

} // namespace orvena
