#pragma once

#include "core/geo/Datum.h"
#include "core/geo/SheetOutlines.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <optional>

class QAction;
class QLabel;
class QShortcut;

namespace orvena {

class MainWindow;
class MapView;
class RulerLayer;
class TrackLayer;
class TrackList;
class TrackProfile;

// The main window's tracks, ruler and "Vai a coordinate": the "Tracce" menu
// (open files, the track list, waypoints made places, the ruler), files
// dropped on the window, and the sheet that holds a point. Made by the main
// window with its other parts; it reaches the window only through its public
// controls and handlers. Until a file is opened or the ruler is used the map
// has no layer of its own.
class TrackMenus : public QObject {
    Q_OBJECT
public:
    explicit TrackMenus(MainWindow& window);
    ~TrackMenus() override;

    QAction* mntracceapri;    // "Apri…"
    QAction* mntracceelenco;  // "Elenco tracce"
    QAction* mntracceimporta; // "Importa come località"
    QAction* mnmisura;        // "Misura", a toggle (Ctrl+Shift+M)
    QAction* mnvaicoord;      // "Vai a coordinate…", under "Località"

    TrackLayer& tracks() { return *tracks_; }
    RulerLayer& ruler() { return *ruler_; }
    // The list window, made when first needed.
    TrackList& list();
    QLabel* lblmisura; // the ruler's figures, over the map while measuring

    // Opens each file as a layer; the files refused are told in one message,
    // each with its reason, and the others open. Shows the list.
    void openFiles(const QStringList& paths);
    void mntracceapri_Click();
    // The waypoints of an open file into the places of the sheets holding
    // them, and the report.
    void importWaypoints(std::size_t file);
    void mntracceimporta_Click();
    // The sheet that holds a track's first point, shown with it at the
    // window's reference point.
    void showTrackStart(std::size_t file, std::size_t track);
    // The profile of a track, its range highlighted on the map; the window
    // is made when first needed (profile()).
    void showProfile(std::size_t file, std::size_t track);
    TrackProfile* profile() const { return profile_; }
    // The sheet holding a position (typed in datum), shown with the point
    // marked; a message when no calibrated sheet holds it or the text is no
    // position. False then.
    bool goTo(const QString& text, Datum datum = Datum::Wgs84);
    void mnvaicoord_Click();
    // The ruler on or off (off clears its line).
    void setMeasuring(bool on);
    // Every calibrated sheet's outline, read again when area.mdb changed.
    const SheetOutlines& outlines();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool showPoint(LonLat wgs84);
    void clickedForRuler(double x, double y);
    void pointerForRuler(double x, double y);
    void refreshRuler();
    std::optional<LonLat> wgs84AtTwips(double x, double y);
    void followLayers();

    MainWindow& w_;
    TrackLayer* tracks_;
    RulerLayer* ruler_;
    QPointer<MapView> view_;
    TrackList* list_ = nullptr;
    TrackProfile* profile_ = nullptr;
    std::size_t profileFile_ = 0, profileTrack_ = 0;
    QShortcut* escape_;
    SheetOutlines outlines_;
    QString outlinesKey_;
};

} // namespace orvena
