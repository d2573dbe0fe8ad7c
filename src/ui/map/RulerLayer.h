#pragma once

// The ruler as a layer of the map: the line through the points clicked (kept
// in WGS 84, so it goes on over a neighbouring sheet), the leg to the pointer
// dashed while it moves, the figures as the user measures.

#include "core/geo/Ruler.h"
#include "ui/map/MapLayer.h"

#include <QObject>

#include <optional>

namespace orvena {

class MapView;

class RulerLayer : public QObject, public MapLayer {
    Q_OBJECT
public:
    // view: the map it is drawn on, for the frame of the sheet shown.
    explicit RulerLayer(const MapView& view, QObject* parent = nullptr);

    const Ruler& ruler() const { return ruler_; }
    // A click at a point; tolerance: metres within which a click on the
    // first point closes the line.
    void add(LonLat wgs84, double tolerance);
    void movePointer(std::optional<LonLat> wgs84);
    void clear();

    // The figures now, the leg to the pointer included.
    RulerFigures figures() const { return ruler_.figures(pointer_); }

    void paint(QPainter& painter, const QTransform& sheetToView) const override;

signals:
    void changed();

private:
    const MapView& view_;
    Ruler ruler_;
    std::optional<LonLat> pointer_;
};

} // namespace orvena
