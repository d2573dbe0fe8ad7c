#pragma once

#include "core/geo/Sheet.h"
#include "core/geo/SheetFrame.h"
#include "ui/map/MapLayer.h"
#include "ui/widgets/MapImage.h"

#include <QSizeF>

#include <functional>
#include <optional>
#include <vector>

namespace orvena {

// The map view (Image1): the picture of the sheet shown and the navigation
// over it. It keeps the sheet shown as a value (its calibration and links as
// its record read when it was shown), the zoom figure as a number, and the
// geometry of every move: the edge test against the view's reference point,
// the pan steps, where a neighbour is put, the zoom steps around the centre
// or the pointer, the drags. What these mean for the archives and the boxes
// is the window's: the view tells it by its signals.
//
// In pick mode a click takes a point (the set-up's reference points, the
// locality editor's position): the cursor is a cross instead of a hand.
class MapView : public MapImage {
    Q_OBJECT
public:
    explicit MapView(QWidget* parent = nullptr);

    // The sheet shown; one without a name for a picture that has no record.
    const Sheet& shownSheet() const { return shown_; }
    void setShownSheet(Sheet sheet);

    // The zoom figure in force, in per cent (100: natural size). The figure a
    // user types into the zoom box counts too: setZoom() takes it.
    double zoom() const { return zoom_; }
    void setZoom(double figure) { zoom_ = figure; }
    // Whether the image is already wider or taller than a step in may make it.
    bool atLargestSize() const;
    // One step in (+1) or out (-1) of the figure by 10 and of the size by a
    // tenth of natural (twips) around the image's centre, under the hourglass
    // and out of sight until it is done; zoomChanged() tells it.
    void zoomStep(int direction, QSizeF natural);
    // Steps of the wheel: notches whole steps in (positive) or out, around the
    // point (x, y) twips from the image's corner, which stays under the pointer;
    // stops where a step would be refused (the largest size, the figure 10).
    void zoomAround(int notches, QSizeF natural, double x, double y);

    // Whether blank window shows on that side of the reference point.
    bool pastEdge(Side side) const;
    // Moves the image so that the view goes step twips towards side.
    void shift(Side side, double step);
    // An arrow image or key: past the edge on that side edgePassed() asks for
    // the neighbour; otherwise a step.
    void pan(Side side, double step);
    // Puts a neighbour just shown where the old sheet was: its near edge on
    // the old sheet's far edge (north, west; with the size the image has now)
    // or on the reference point (east, south).
    void placeAsNeighbour(Side side);

    bool pickMode() const { return pickMode_; }
    void setPickMode(bool on);

    // A position on the image (twips from its corner, at the zoom in force) in
    // pixels of the sheet at zoom 100, and back.
    QPointF toSheetPixels(double x, double y) const;
    QPointF fromSheetPixels(QPointF pixel) const;

    // The layers drawn over the sheet (ui/map/MapLayer), in the order added;
    // the view does not own them. Adding or removing one repaints the view;
    // a layer that changed asks for it with update().
    void addLayer(const MapLayer* layer);
    void removeLayer(const MapLayer* layer);
    // How a sheet's frame (the earth to its pixels, core/geo/SheetFrame) is
    // made from its record and picture size; the view keeps the frame of the
    // sheet shown until another is shown, for the layers that place points
    // of the earth. Without a source no sheet has a frame.
    void setFrameSource(std::function<SheetFrame(const Sheet&, QSize)> source);
    const SheetFrame& sheetFrame() const;

    // Marks a place over the sheet shown and the marks already on it: its
    // arrow's corner at (x, y) twips from the sheet's corner at zoom 100 (the
    // layer of ui/map/PlaceMark), its name in colour.
    void markPlace(const QString& name, double x, double y, const QColor& colour);
    // The picture as it was last marked (its sheet and every mark on it then),
    // kept through later loads until the next marking; null before any.
    QImage markedPicture() const { return marked_.compose(); }
    // The same as a recipe: its sheet (decoded or in tiles) and its marks.
    const Composition& marked() const { return marked_; }
    // The places marked on the sheet shown drawn again where where() now puts
    // each one's arrow corner (nothing: the place is gone, and its mark with
    // it), when one of them moved or went; the sheet's other marks go too.
    using MarkCorner = std::function<std::optional<QPointF>(const QString& name)>;
    void remarkPlaces(const MarkCorner& where);
    // Lets go of the pixels of the sheet shown and of the one last marked
    // before another sheet is decoded.
    void releaseSheet();

protected:
    void paintEvent(QPaintEvent* event) override;

signals:
    // Another sheet (or its record read again) was given to setShownSheet().
    void sheetShown();
    // The view was asked to go past its edge on that side.
    void edgePassed(Side side);
    // A drag has moved the image and the button was released.
    void dragReleased();
    // A click on the image, at (x, y) twips from its corner.
    void pointClicked(double x, double y);
    // A zoom step in (+1) or out (-1) has made the figure.
    void zoomChanged(double figure, int direction);

private:
    Sheet shown_;
    double zoom_ = 100.0;
    bool pickMode_ = false;
    QPointF clickAt_; // the last pointer position, twips on the image
    Composition marked_;
    // The places marked on the sheet shown, and the marks it held after the
    // last of them (fewer: another sheet was shown since).
    struct MarkedPlace {
        QString name;
        QPointF corner;
        QColor colour;
    };
    std::vector<MarkedPlace> markedPlaces_;
    std::size_t marksCounted_ = 0;
    std::vector<const MapLayer*> layers_;
    std::function<SheetFrame(const Sheet&, QSize)> frameSource_;
    mutable SheetFrame frame_;
    mutable bool frameStale_ = true;
    mutable QSize frameSize_;
};

} // namespace orvena
