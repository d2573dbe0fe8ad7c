#pragma once

// The sheets beside the one shown, drawn around it in the window's blank
// area where their calibrations put them, so that the map runs on across
// the sheet's edges: the four its record links (north, east, south, west)
// and the corners their own links reach. Each is cut at its border (its
// points' border, else its image's edges) and placed through its frame and
// the shown sheet's (core/geo/SheetJoin); the shown sheet covers them.
//
// A widget of its own beneath the map view, over the whole area the view
// moves in, that lets every click through. It is hidden while off, so the
// window is then exactly as without it. Nothing is read while a sheet's
// first screen is painted: the neighbours are looked up, placed and decoded
// a piece at a time afterwards, each at the size the view needs (at most
// kMaxPixels), and drawn as they come. A neighbour that is missing, damaged
// or uncalibrated is left out without a word.

#include "core/geo/SheetJoin.h"
#include "core/geo/SheetLookup.h"

#include <QImage>
#include <QWidget>

#include <vector>

namespace orvena {

class MapView;

class NeighbourSheets : public QWidget {
    Q_OBJECT
public:
    // The largest picture kept of a neighbour, in pixels.
    static constexpr qint64 kMaxPixels = 2'000'000;

    // view: the map whose sheet's neighbours are drawn, beneath it in its
    // parent; folder: where the archives and the sheets are.
    NeighbourSheets(MapView& view, QString folder);

    bool isOn() const { return on_; }
    void setOn(bool on);
    // Whether work is left before every neighbour is drawn as the view needs.
    bool busy() const;
    // The neighbours drawn now, by name.
    QStringList drawn() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Neighbour {
        Sheet sheet;
        bool placed = false;
        SheetJoin join; // not valid: not drawn
        QSize size;     // its picture's own
        QImage picture; // decoded at a reduced size
        bool unreadable = false;
    };
    void sheetChanged();
    void queueStep();
    void step();
    void plan();
    void place(Neighbour& n) const;
    QSize wantedSize(const Neighbour& n) const;
    bool wantsPicture(const Neighbour& n) const;
    QTransform shownToHere() const;

    MapView& view_;
    QString folder_;
    SheetLookup lookup_;
    bool on_ = false;
    bool planned_ = false;
    bool queued_ = false;
    QSize plannedSize_; // the shown sheet's picture when planned
    std::vector<Neighbour> neighbours_;
};

} // namespace orvena
