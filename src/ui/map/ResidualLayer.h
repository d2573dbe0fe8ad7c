#pragma once

#include "ui/map/MapLayer.h"

#include <QPointF>

#include <vector>

namespace orvena {

// The reference points of a calibration under way, over the sheet: each a
// small cross with its number, and its residual as an arrow from where it
// was clicked towards where the model puts its coordinates, enlarged so that
// the longest arrow is at most kLongest pixels of the sheet. A point flagged
// as a probable mis-click is drawn in red, the one chosen in the window
// larger. The sheet's border, when one is given, as a dashed outline.
class ResidualLayer : public MapLayer {
public:
    struct Point {
        QPointF at;       // pixels of the sheet at zoom 100
        QPointF residual; // pixels; none before a model is fitted
        bool flagged = false;
    };

    static constexpr double kLongest = 60.0;
    static constexpr int kMostEnlarged = 500;

    void setPoints(std::vector<Point> points);
    void setChosen(int index) { chosen_ = index; }
    void setBorder(std::vector<QPointF> corners) { border_ = std::move(corners); }
    const std::vector<Point>& points() const { return points_; }
    // How many times the arrows are longer than the residuals: 1, 2, 5, 10,
    // 20 ... the largest that keeps the longest arrow within kLongest, at
    // most kMostEnlarged.
    int enlargement() const { return enlargement_; }

    void paint(QPainter& painter, const QTransform& sheetToView) const override;

private:
    std::vector<Point> points_;
    std::vector<QPointF> border_;
    int chosen_ = -1;
    int enlargement_ = 1;
};

} // namespace orvena
