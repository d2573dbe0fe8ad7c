#pragma once

#include "core/geo/Track.h"

#include <QWidget>

#include <optional>
#include <vector>

class QLabel;

namespace orvena {

// The profile of one track ("Profilo"): its elevation (a filled area) and
// speed (a line, when it has times) against the distance along it, drawn
// with QPainter. A drag across it chooses a range, whose length, time,
// ascent and average speed are written below it; rangeChosen() tells the
// map, which highlights it.
class TrackProfile : public QWidget {
    Q_OBJECT
public:
    explicit TrackProfile(QWidget* parent = nullptr);

    QLabel* lbltratto; // the range's figures, or the whole track's

    void setTrack(const Track& track);
    // The points of the range from one distance along the track to another
    // (metres, either order); the whole track when the two are equal.
    void chooseRange(double fromMetres, double toMetres);
    // The range's first and last point; nothing when the whole is shown.
    std::optional<std::pair<std::size_t, std::size_t>> range() const { return range_; }

signals:
    void rangeChosen(std::size_t first, std::size_t last);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRectF plot() const;
    double metresAt(double x) const;
    void describe();

    Track track_;
    std::vector<double> along_;  // metres from the start, a point each
    std::vector<double> speeds_; // km/h, a point each; empty without times
    std::optional<std::pair<std::size_t, std::size_t>> range_;
    std::optional<double> dragFrom_;
};

} // namespace orvena
