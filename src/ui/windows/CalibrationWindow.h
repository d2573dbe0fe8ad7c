#pragma once

#include "core/archive/SheetPoints.h"
#include "core/geo/Datum.h"
#include "core/geo/SheetModel.h"
#include "ui/map/ResidualLayer.h"

#include <QSize>
#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace orvena {

// The calibration of the sheet shown from its reference points ("Area >
// Calibrazione…"): a table of the points, each with its place on the sheet
// (clicked on the map or typed, pixels at zoom 100) and its coordinates
// (latitude and longitude in the sheet's datum, or northing and easting in
// the grid chosen), the model and the grid, the sheet's border. The model is
// fitted again at every change and each point's residual shown in the table
// and as an arrow over the map (layer()), before anything is stored.
// "Registra" stores everything in one transaction; closing the window any
// other way stores nothing.
//
// The window does not touch the map: it says by pickingChanged() when the
// next click on it should come to takeClick(), and by layerChanged() when the
// layer is to be drawn again.
class CalibrationWindow : public QWidget {
    Q_OBJECT
public:
    // What a click on the map is taken for.
    enum class Pick { None, NewPoint, MovePoint, Border };

    // The sheet named area in folder's archives, in datum, its image size
    // pixels; start: the points it has (or those of its set-up).
    CalibrationWindow(const QString& folder, const QString& area, Datum datum, QSize size,
                      const SheetPoints& start, QWidget* parent = nullptr);

    QTableWidget* table;        // N., X px, Y px, lat./N, lon./E, residual px and m
    QComboBox* modelBox;        // the six models
    QComboBox* gridBox;         // the graticule and the eight grids
    QPushButton* addButton;     // "Aggiungi punto": a row; the next click places it
    QPushButton* moveButton;    // "Sposta punto": the next click moves the chosen one
    QPushButton* removeButton;  // "Elimina punto"
    QPushButton* borderButton;  // "Bordo: clic sugli angoli" / "Fine bordo"
    QPushButton* cornersButton; // "Bordo dai punti d'angolo"
    QPushButton* edgesButton;   // "Bordo ai margini dell'immagine"
    QPushButton* storeButton;   // "Registra"
    QPushButton* exitButton;    // "Esci"
    QLabel* fitLabel;           // the RMS, or why there is no model
    QLabel* scaleLabel;         // how much the arrows are enlarged
    QLabel* borderLabel;        // the border's corners

    const QString& area() const { return area_; }
    Pick picking() const { return pick_; }
    // A click on the map at pixel (zoom 100), for what picking() says.
    void takeClick(QPointF pixel);

    // The points as the table reads now (rows whose coordinates do not read
    // are left out), and the model fitted to them (not valid with too few).
    SheetPoints points() const;
    const SheetModel& model() const { return model_; }
    const ResidualLayer& layer() const { return layer_; }

signals:
    void pickingChanged(Pick pick);
    void layerChanged();
    // Stored in area.mdb: the sheet is to be shown again.
    void stored(const QString& area);
    // The window has closed (stored or not).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void setPick(Pick pick);
    // A row for point; an empty one for a point to click or type.
    void addRow(const std::optional<TiePoint>& point);
    void setRowPosition(int row, QPointF pixel);
    // Fits the points again and shows the residuals, the RMS and the layer.
    void refit();
    void showBorder();
    void cornersAsBorder();
    void store();
    std::optional<TiePoint> rowPoint(int row) const;

    QString folder_;
    QString area_;
    Datum datum_;
    QSize size_;
    Pick pick_ = Pick::None;
    bool modelChosen_ = false; // the user chose a model: it no longer follows the count
    bool filling_ = false;     // the table is being filled by the window itself
    std::vector<QPointF> border_;
    std::vector<QPointF> newBorder_; // corners clicked so far
    SheetModel model_;
    ResidualLayer layer_;
};

} // namespace orvena
