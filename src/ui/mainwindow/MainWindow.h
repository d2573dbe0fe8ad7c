#pragma once

#include "core/archive/Archives.h"
#include "core/base/Picture.h"
#include "core/base/FixedText.h"
#include "core/geo/SheetLookup.h"
#include "core/geo/SheetPosition.h"
#include "ui/mainwindow/MapState.h"
#include "ui/map/AreaSetupMode.h"

#include <QMainWindow>
#include <QPointF>
#include <QPointer>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace orvena {

class ArrowImage;
class CalibrationWindow;
class KeyPreview;
class LiveChanges;
class LocalityEditor;
class LocalitySearch;
class MapView;
class Spinner;

// The main window (Form1): the map viewer. It builds, lays out and wires the
// controls, owns the four record views and the state of the sheet shown, and
// opens the other windows. Its bodies live beside this header, a file for
// each concern; the groups below follow those files, so this class is their
// table of contents. Each handler keeps the name of the control and event it
// answers (cmding_Click: the "+" button pressed), declared a slot: public
// where the tests drive it directly, private where only its control does.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // commandLine: the program's arguments joined by single blanks.
    MainWindow(Archives& archives, const QString& commandLine, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The sheet's natural size and scales, the read-out's switch, the
    // pointer and the marker (MapState.h): the window's own.
    MapState& state() { return state_; }

    // --- Controls, named as the program has always named them.
    QLabel* Label9;  // "AREA"
    QComboBox* f1area; // the area (sheet) chosen or typed; its choice loads it
    QLabel* Label10; // "LOCALITA'"
    QComboBox* cmbloc; // the places of the sheet shown; a choice marks one
    MapView* Image1; // the map view (ui/map): the sheet shown, its zoom and navigation
    QLabel* Label4;  // "La."
    QLineEdit* grlaf1; // the six coordinate boxes: latitude degrees, minutes,
    QLineEdit* mnlaf1; // seconds, then longitude; the set-up's typed points and
    QLineEdit* selaf1; // the marked place's angles
    QLabel* Label8; // "Lo."
    QLineEdit* grlof1;
    QLineEdit* mnlof1;
    QLineEdit* selof1;
    QPushButton* cmdregcor; // the shared button: "Esci"/"Registra" of the set-up, "Elimina"
    QLabel* Label14;    // "Datum", with the set-up's boxes
    QComboBox* f1datum; // the datum of the sheet being set up
    QLabel* Label13;     // "Zoom"
    QLineEdit* f1ing;    // the zoom figure, shown and typed; the number is Image1's
    QPushButton* cmding; // "+", a zoom step in; shown, it lets + and - keys work
    QPushButton* cmdrid; // "--", a zoom step out
    QLabel* Label12;     // "Lento"
    ArrowImage* imgsu;   // the small arrows: a pan step north, south, west, east,
    ArrowImage* imggiu;  // or past the edge the neighbour that way (double click:
    ArrowImage* imgsi;   // a longer step)
    ArrowImage* imgde;
    QLabel* Label11;   // "Veloce"
    Spinner* VScroll1; // the "Veloce" scroll bars: long pan steps north and south,
    Spinner* HScroll1; // west and east
    QPushButton* cmdsalva;  // "Salva": the marked picture as a bitmap
    QPushButton* cmdstampa; // "Stampa": the picture and the window printed
    QPushButton* cmdesci;   // "Esci": the program ends
    QLabel* freccia; // hidden: the down arrow marker
    QLabel* blusu;   // hidden: the up arrow marker

    QAction* mnapri;           // "Area > Nuova Area": the image of a set-up
    QAction* mnareacanc;       // "Area > Elimina Area": the delete mode
    QAction* mncollega;        // "Area > Collegamenti": the links editor
    QAction* mnfoglicollegati; // "Area > Mostra fogli collegati": the linked sheets around
                               // the map (ui/map/NeighbourSheets), off at every start
    QAction* mncalibra;        // "Area > Calibrazione…": the calibration window
    QAction* mnimportamap;     // "Area > Importa calibrazione (.map)…"
    QAction* mnesportakmz;     // "Area > Esporta KMZ per GPS…"
    QAction* mnesportambtiles; // "Area > Esporta per GIS con MBTiles…"
    QAction* mnesportagis;     // "Area > Esporta per GIS…", the last of "Area"
    QAction* mnloccerca;       // "Località > Ricerca": the search window
    QAction* mnlocagg;         // "Località > Aggiornamento": the locality editor
    QAction* mncopiapos;       // "Località > Copia posizione WGS 84" (Ctrl+Shift+C)
    QAction* mnesporta;        // "Esporta": the exchange files written
    QAction* mnimporta;        // "Importa": the exchange files read
    QAction* mncomprdb;        // "Compatta Data Base"
    QAction* mnhelp;           // "Help": the user's guide

    RecordView* Data1; // area.mdb, AREA: the sheets
    RecordView* Data2; // localita.mdb, localita: the places
    RecordView* Data3; // esplocalita.mdb: the places' exchange file
    RecordView* Data4; // esparea.mdb: the sheets' exchange file

    // The six coordinate boxes, in the order lat d, m, s, lon d, m, s.
    QList<QLineEdit*> coordinateBoxes() const;

    // --- Life and activation. MainWindow.cpp: the constructor, the load and
    // activation handlers, the end; MainWindowLayout.cpp: the controls and
    // the menu at their places.
public slots:
    void Form_Load();
    void Form_Activate();
private slots:
    void cmdesci_Click();

    // --- The sheet.
    // AreaLoading.cpp: loading the area named in f1area, with its scales and
    // its places list. shownSheet(): the sheet shown, as its record read when
    // it was shown (a sheet without a record has no name).
public slots:
    void f1area_Click();
public:
    void LoadCurrentArea();
    const Sheet& shownSheet() const;
    // SheetMoves.cpp: the moves to the adjoining sheets, by the links of the
    // sheet shown as its record reads now. tellSheetMove(): a message of
    // theirs, after which a held spinner arrow or key repeats no more; a
    // spinner's change that arrives while it shows is not acted upon.
    // hasNeighbour(): whether the sheet shown names a sheet that way.
    void MoveEast();
    void MoveNorth();
    void MoveWest();
    void MoveSouth();
    void RefillLocalityList();
    void tellSheetMove(const QString& text);
    bool hasNeighbour(Side side) const;
    // SheetLoad.cpp: the one way a sheet reaches Image1. loadSheet() decodes
    // the picture of a sheet about to be shown with one sheet in memory: the
    // shown sheet stays when the new one cannot be decoded. The caller shows
    // the picture returned, or calls keepShownSheet() to have the shown sheet
    // back whole. showSheet() puts a decoded sheet into Image1, without marks
    // (fileName: where it came from); showSheetAtOrigin() also shows it at
    // natural size at the sheet origin. loadTiles(): a sheet too large to
    // decode, from its tiled copy (made at its first opening). damageNotice(): the message for a
    // damaged sheet (as the file is now on disk) not yet told in this
    // session, empty otherwise: a damaged sheet is told once.
    PictureLoad loadSheet(const QString& fileName);
    void keepShownSheet();
    void showSheet(const PictureLoad& sheet, const QString& fileName);
    void showSheetAtOrigin(const PictureLoad& sheet, const QString& fileName);
    PictureLoad loadTiles(const QString& fileName);
    static QString damageNotice(const PictureLoad& picture, const QString& fileName);

    // --- Navigation.
    // Panning.cpp: the arrow images (imgsu, imggiu, imgsi, imgde), the keys,
    // the spinners, and a drag of the map released past an edge (Image1
    // moves itself while dragged).
public slots:
    void Form_KeyPress(char16_t& character);
    void Form_KeyDown(int& keyCode);
    void imgde_Click(bool doubleClick);
    void imgsi_Click(bool doubleClick);
    void imgsu_Click(bool doubleClick);
    void imggiu_Click(bool doubleClick);
private slots:
    void HScroll1_Change(int value);
    void VScroll1_Change(int value);
    void Image1_DragEnd();
    // Zoom.cpp: the zoom buttons cmding, cmdrid and the wheel over the map
    // (notches away from the user zoom in, at the pointer: x, y in twips on
    // the image); a step of Image1 told back (zoomChanged: the figure into
    // f1ing, the scales). zoomPercent(): the zoom in force, in per cent, as
    // the text of f1ing says; a text that is not a number counts as the zoom
    // it last held.
public slots:
    void cmding_Click();
    void cmdrid_Click();
private slots:
    void Image1_MouseWheel(int notches, double x, double y);
    void zoomChanged(double figure, int direction);
public:
    double zoomPercent() const;

    // --- Marking, hand-over, print and save.
    // LocalityDisplay.cpp: a locality marked on the shown sheet.
public slots:
    void cmbloc_Click();
public:
    void MarkLocality(const Place& place);
    // Where a place's mark has its arrow's corner on the sheet (twips at
    // zoom 100); nothing when its stored position is not a number of twips.
    static std::optional<QPointF> markCorner(const Place& place);
    // LocalityHandover.cpp: the locality the search window handed over
    // (takeChosenLocality(), its signal's slot: area and name as its line
    // reads them), shown at the next activation; else the locality of the
    // command line, shown at every activation where nothing was chosen.
public slots:
    void takeChosenLocality(const QString& area, const QString& locality);
public:
    void ShowCommandLineLocality();
    void ShowChosenLocality();
    // PrintSave.cpp: cmdstampa and cmdsalva.
private slots:
    void cmdstampa_Click();
    void cmdsalva_Click();

    // --- The set-up, the read-out and the delete mode.
    // NewArea.cpp: mnapri, "Nuova Area", the image of the area to set up.
private slots:
    void mnapri_Click();
    // AreaSetup.cpp: the two reference points, typed and clicked, and
    // "Registra" (cmdregcor) that stores the calibration; the set-up's state
    // is setup_ (ui/map/AreaSetupMode). clickTakesPoint(): whether a click on
    // the map now takes a point, for the set-up or for the locality editor
    // (the map's cursor is then a cross). areaSetup(): the set-up's stage,
    // area, points and angles.
public slots:
    void Image1_Click();
private slots:
    void cmdregcor_Click();
public:
    void AdvanceSetup();
    void StoreCalibration();
    bool clickTakesPoint() const;
    const AreaSetupMode& areaSetup() const { return setup_; }
    // PointerReadout.cpp: the latitude and longitude under the pointer, and
    // for a sheet in another datum its place in WGS 84 and UTM; the position
    // under the pointer copied in WGS 84 (mncopiapos).
public slots:
    void Image1_MouseMove(double x, double y);
private slots:
    void mncopiapos_Click();
public:
    void ComputePointerReadout();
    // After a sheet is shown: the PROJ operation of its datum, so that the
    // read-out itself never queries.
    void followSheetDatum();
    // DeleteMode.cpp: mnareacanc, "Elimina Area" (the mode: deletion_).
public slots:
    void mnareacanc_Click();
    // Calibration.cpp: mncalibra, the calibration window of the sheet shown
    // (calibrationWindow(): the one open, none once closed), and mnimportamap,
    // the .map files brought in.
private slots:
    void mncalibra_Click();
    void mnimportamap_Click();
public:
    CalibrationWindow* calibrationWindow() const;

    // LiveRefresh.cpp: on an atlas kept on a server, what other programs
    // commit is shown as it comes (liveChanges(): the listener, none on
    // files): the sheet list, the shown sheet's record and places, and the
    // open search, locality editor and links editor, each refreshed in place
    // with what the user chose and typed kept.
public:
    LiveChanges* liveChanges() const { return live_; }
    void refreshLive(const QStringList& tables);

    // --- The menu entries that open the other windows and run maintenance.
    // OtherWindows.cpp: the search, the locality editor (localityEditor(): the
    // one open now, none once closed by its frame; localityEditorOpen():
    // opened and not left by its "Esci", the read-out stopped meanwhile,
    // closing it by its frame does not count), the links editor, the help.
private slots:
    void mnloccerca_Click();
    void mnlocagg_Click();
    void mnhelp_Click();
public slots:
    void mncollega_Click();
public:
    LocalityEditor* localityEditor() const;
    bool localityEditorOpen() const { return editorOpen_; }
    // MaintenanceMenu.cpp: export, import, compaction and the export for GIS.
private slots:
    void mnesporta_Click();
    void mnimporta_Click();
    void mncomprdb_Click();
    void mnesportagis_Click();
    void mnesportambtiles_Click();
    // KmzExport.cpp: the sheet shown (or, asked, every sheet) as KMZ for GPS
    // units.
    void mnesportakmz_Click();

protected:
    void closeEvent(QCloseEvent* event) override; // MainWindow.cpp

private:
    // Life and activation (MainWindow.cpp, MainWindowLayout.cpp).
    // fillAreaList(): every area name into f1area, none chosen; the load and
    // the delete mode use it.
    void fillAreaList();
    void buildControls();
    void buildMenu();
    void sizeWindow();
    void connectEvents();
    void detach();

    // The sheet (AreaLoading.cpp): the load proper, the scales of the sheet
    // shown, the area's places into cmbloc (also after a sheet move).
    // SheetMoves.cpp: moveTo(), the move of every side.
    void loadArea();
    bool applyAreaRecord();
    void RefillAreaLocalities(const QString& area);
    void moveTo(Side side);
    // The working folder (where the archives, the sheets and the prints are),
    // and the look-up over its archives.
    const QString folder_;
    SheetLookup sheets_;

    // The read-out (PointerReadout.cpp): whether a mode stops it; the PROJ
    // operation of the sheet shown, made once for each sheet and datum.
    bool readoutStopped() const;
    bool readoutInputAt(std::int32_t x, std::int32_t y) const;
    std::optional<Readout> readoutAt(std::int32_t x, std::int32_t y) const;
    SheetPosition sheetPosition_;
    QString sheetPositionKey_;

    // The export for GIS, with or without the sheets' tiles (MaintenanceMenu.cpp).
    void exportForGis(bool tiles);

    // The calibration window (Calibration.cpp): its menu entries, and whether
    // it waits for a click on the map.
    void buildCalibrationMenu(QMenu* area);
    bool calibrationPicks() const;
    QPointer<CalibrationWindow> calibration_;

    // Navigation (Zoom.cpp): one step in (+1) or out (-1).
    void zoomStep(int direction);
    // Whether a click on the map takes a point now, told to Image1's pick mode.
    void refreshPickMode();

    // The delete mode (DeleteMode.cpp): whether it is on (cmdregcor shows
    // "Elimina": the area load then loads nothing); the press of cmdregcor
    // when it reads "Elimina" (false, doing nothing, for the set-up's
    // captions); the deletion of the area chosen in f1area.
    bool inDeleteMode() const;
    bool deleteModePress();
    void deleteChosenArea();
    // The two modes that share cmdregcor (AreaSetup.cpp: takeSharedButton(),
    // the set-up's caption shown, ending the delete mode).
    AreaSetupMode setup_;
    AreaDeletionMode deletion_;
    void takeSharedButton();

    // The other windows (OtherWindows.cpp): the search window, made on first
    // use with its hand-over connected; the links editor's hand-over (the
    // record it read: the natural size and scales; the record it stored: the
    // shown sheet read again).
    LocalitySearch* searchWindow();
    void takeLinksRecord(QSizeF natural, std::optional<double> cola, std::optional<double> colo);
    void rereadShownSheet(const QString& area);

    MapState state_;
    // The locality editor opened and not left by its "Esci": the read-out
    // stops. positionCapture(): the editor awaits a click on the map.
    bool editorOpen_ = false;
    bool positionCapture() const;
    // The spinners' previous values (Panning.cpp).
    std::int16_t lastHScrollValue_ = 0;
    std::int16_t lastVScrollValue_ = 0;
    QString commandLine_;
    QString commandLineLocality_; // upper-cased; empty when none was given
    // The search window's choice, area and name as 50-character texts, until
    // it is shown.
    struct Choice {
        Text50 area, locality;
    };
    std::optional<Choice> chosen_;
    KeyPreview* keyPreview_ = nullptr;
    bool sheetMoveMessage_ = false; // a message of a sheet move is showing

    // Live changes (LiveRefresh.cpp): started by the constructor when the
    // record views are on a server; the marked place's boxes and mark.
    void startLiveChanges();
    void refreshMarkedPlace();
    LiveChanges* live_ = nullptr;
};

// Whether a control is shown, as its own setting, whatever its window does
// (MainWindow.cpp).
bool isShown(const QWidget* w);

} // namespace orvena
