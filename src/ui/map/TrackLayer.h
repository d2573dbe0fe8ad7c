#pragma once

// The open track files as a layer of the map: each track a line in its own
// colour, each waypoint a symbol with its name (the place marks' halo), and
// a point looked up by its coordinates, drawn on whatever sheet is shown
// through its frame (WGS 84 to the sheet's datum by PROJ, to its pixels by
// its model), clipped to the sheet. The layer is also the list of open files
// the track list shows and changes.
//
// A repaint walks each track's points once, already in sheet pixels (they
// are placed again only when another sheet is shown): points outside the
// part repainted are skipped, and a point nearer than a pixel to the last
// one drawn is left out, so a long track costs the same at every zoom.

#include "core/geo/SheetFrame.h"
#include "core/geo/TrackStats.h"
#include "core/gis/TrackFile.h"
#include "ui/map/MapLayer.h"

#include <QSize>

#include <QColor>
#include <QObject>

#include <optional>
#include <vector>

namespace orvena {

class MapView;
struct EarthView;

struct OpenTrack {
    Track track;
    TrackFigures figures;
    QColor colour;
    bool visible = true;
};

struct OpenTrackFile {
    QString path;
    QString name;
    std::vector<OpenTrack> tracks;
    std::vector<Waypoint> waypoints;
};

class TrackLayer : public QObject, public MapLayer {
    Q_OBJECT
public:
    // view: the map it is drawn on, for the frame of the sheet shown.
    explicit TrackLayer(const MapView& view, QObject* parent = nullptr);

    // A file read well (TrackFile::ok()): its tracks get the next colours.
    void open(const TrackFile& file);
    void close(std::size_t file);
    const std::vector<OpenTrackFile>& files() const { return files_; }
    bool empty() const { return files_.empty(); }

    void setVisible(std::size_t file, std::size_t track, bool visible);
    void setColour(std::size_t file, std::size_t track, const QColor& colour);
    // A run of a track's points drawn over it, wider: the profile's range.
    void setHighlight(std::size_t file, std::size_t track, std::size_t first, std::size_t last);
    void clearHighlight();
    // A point marked with a cross and its text; none to take it away.
    void setTarget(std::optional<LonLat> wgs84, const QString& text = {});

    void paint(QPainter& painter, const QTransform& sheetToView) const override;

signals:
    // Something listed (and drawn) has changed: files, tracks, colours.
    void changed();
    // Only what is drawn over them has changed: the highlight, the point.
    void redrawn();
    // The file that was at that place in files() is closed (those after it
    // have moved up by one).
    void fileClosed(std::size_t file);

private:
    void place(const SheetFrame& frame) const;
    void paintOn(QPainter& p, const EarthView& view) const;

    const MapView& view_;

    std::vector<OpenTrackFile> files_;
    int coloursGiven_ = 0;
    struct Highlight {
        std::size_t file, track, first, last;
    };
    std::optional<Highlight> highlight_;
    std::optional<LonLat> target_;
    QString targetText_;

    // The points in pixels of the sheet they were placed on.
    mutable quint64 placedOn_ = 0; // the serial of the frame they were placed through
    mutable bool placed_ = false;
    mutable std::vector<std::vector<std::vector<QPointF>>> trackPixels_; // file, track, point
    mutable std::vector<std::vector<QPointF>> waypointPixels_;          // file, waypoint
};

} // namespace orvena
