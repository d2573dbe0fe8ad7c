#pragma once

#include "core/archive/Archives.h"
#include "core/base/Picture.h"
#include "core/base/FixedText.h"
#include "core/geo/SheetLookup.h"
#include "core/geo/SheetPosition.h"
#include "core/state/ViewerState.h"

#include <QMainWindow>
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
class LocalityEditor;
class LocalitySearch;
class MapView;
class Spinner;

// The main window (Form1): the map viewer. It owns the controls, the four
// record views and the viewer state's window side, and opens the other
// windows. Its bodies live beside this header, a file for each concern; the
// groups below follow those files, so this class is their table of contents.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // commandLine: the program's arguments joined by single blanks.
    MainWindow(ViewerState& state, Archives& archives, const QString& commandLine,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    ViewerState& state() { return state_; }

    // --- Controls, named as the program has always named them.
    QLabel* Label9; // "AREA"
    QComboBox* f1area;
    QLabel* Label10; // "LOCALITA'"
    QComboBox* cmbloc;
    MapView* Image1; // the map view (ui/map): the sheet shown, its zoom and navigation
    QLabel* Label4; // "La."
    QLineEdit* grlaf1;
    QLineEdit* mnlaf1;
    QLineEdit* selaf1;
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
    ArrowImage* imggiu;  // or past the edge the neighbour that way
    ArrowImage* imgsi;
    ArrowImage* imgde;
    QLabel* Label11; // "Veloce"
    Spinner* VScroll1;
    Spinner* HScroll1;
    QPushButton* cmdsalva;
    QPushButton* cmdstampa;
    QPushButton* cmdesci;
    QLabel* freccia;  // hidden: the down arrow marker
    QLabel* blusu;    // hidden: the up arrow marker

    QAction* mnapri; // "Nuova Area": the image of a set-up
    QAction* mnareacanc;
    QAction* mncollega;
    QAction* mnloccerca;
    QAction* mnlocagg;
    QAction* mncopiapos; // "Copia posizione WGS 84" (Ctrl+Shift+C)
    QAction* mnesporta;
    QAction* mnimporta;
    QAction* mncomprdb;
    QAction* mnhelp;
    QAction* mnesportambtiles; // "Esporta per GIS con MBTiles…"
    QAction* mnesportagis;     // "Esporta per GIS…", the last of "Area"
    QAction* mncalibra;        // "Calibrazione…"
    QAction* mnimportamap;     // "Importa calibrazione (.map)…"

    RecordView* Data1;
    RecordView* Data2;
    RecordView* Data3;
    RecordView* Data4;

    // The six coordinate boxes, in the order lat d, m, s, lon d, m, s.
    QList<QLineEdit*> coordinateBoxes() const;

    // --- Life and activation. MainWindow.cpp: the constructor, the load and
    // activation handlers, the end; MainWindowLayout.cpp: the controls and
    // the menu at their places.
    void Form_Load();
    void Form_Activate();
    void cmdesci_Click();

    // --- The sheet.
    // AreaLoading.cpp: loading the area named in f1area, with its scales and
    // its places list. shownSheet(): the sheet shown, as its record read when
    // it was shown (a sheet without a record has no name).
    void f1area_Click();
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
    // back whole. showSheet() puts a decoded sheet into Image1, without marks,
    // as the loaded picture (fileName: where it came from); showSheetAtOrigin()
    // also shows it at natural size at the sheet origin. damageNotice(): the
    // message for a damaged sheet (as the file is now on disk) not yet told in
    // this session, empty otherwise: a damaged sheet is told once.
    PictureLoad loadSheet(const QString& fileName);
    void keepShownSheet();
    void showSheet(const QImage& sheet, const QString& fileName);
    void showSheetAtOrigin(const QImage& sheet, const QString& fileName);
    static QString damageNotice(const PictureLoad& picture, const QString& fileName);

    // --- Navigation.
    // Panning.cpp: the arrow images, the keys, the spinners, and a drag of
    // the map released past an edge (Image1 moves itself while dragged).
    void Form_KeyPress(char16_t& character);
    void Form_KeyDown(int& keyCode);
    void imgde_Click(bool doubleClick);
    void imgsi_Click(bool doubleClick);
    void imgsu_Click(bool doubleClick);
    void imggiu_Click(bool doubleClick);
    void HScroll1_Change(int value);
    void VScroll1_Change(int value);
    void Image1_DragEnd();
    // Zoom.cpp: the zoom buttons and the wheel over the map (notches away from
    // the user zoom in, at the pointer: x, y in twips on the image); a step of
    // Image1 told back (zoomChanged: the figure into f1ing, the scales).
    // zoomPercent(): the zoom in force, in per cent, as the text of f1ing
    // says; a text that is not a number counts as the zoom it last held.
    void cmding_Click();
    void cmdrid_Click();
    void Image1_MouseWheel(int notches, double x, double y);
    void zoomChanged(double figure, int direction);
    double zoomPercent() const;

    // --- Marking, hand-over, print and save.
    // LocalityDisplay.cpp: a locality marked on the shown sheet.
    void cmbloc_Click();
    void MarkLocality(const Place& place);
    // LocalityHandover.cpp: the locality the search window handed over
    // (takeChosenLocality(), its signal's slot: area and name as its line
    // reads them), shown at the next activation; else the locality of the
    // command line, shown at every activation where nothing was chosen.
    void takeChosenLocality(const QString& area, const QString& locality);
    void ShowCommandLineLocality();
    void ShowChosenLocality();
    // PrintSave.cpp.
    void cmdstampa_Click();
    void cmdsalva_Click();

    // --- The set-up, the read-out and the delete mode.
    // NewArea.cpp: "Nuova Area", the image of the area to set up.
    void mnapri_Click();
    // AreaSetup.cpp: the two reference points, typed and clicked, and
    // "Registra" (cmdregcor) that stores the calibration. clickTakesPoint():
    // whether a click on the map now takes a point, for the set-up or for
    // the locality editor (the map's cursor is then a cross).
    void AdvanceSetup();
    void Image1_Click();
    void cmdregcor_Click();
    void StoreCalibration();
    bool clickTakesPoint() const;
    // PointerReadout.cpp: the latitude and longitude under the pointer, and
    // for a sheet in another datum its place in WGS 84 and UTM; the position
    // under the pointer copied in WGS 84.
    void Image1_MouseMove(double x, double y);
    void ComputePointerReadout();
    void mncopiapos_Click();
    // After a sheet is shown: the PROJ operation of its datum, so that the
    // read-out itself never queries.
    void followSheetDatum();
    // DeleteMode.cpp: "Elimina Area".
    void mnareacanc_Click();
    // Calibration.cpp: the calibration window of the sheet shown (the one
    // open, none once closed), and the .map files brought in.
    void mncalibra_Click();
    void mnimportamap_Click();
    CalibrationWindow* calibrationWindow() const;

    // --- The menu entries that open the other windows and run maintenance.
    // OtherWindows.cpp: the search, the locality editor (localityEditor(): the
    // one open now, none once closed by its frame), the links editor, the help.
    void mnloccerca_Click();
    void mnlocagg_Click();
    LocalityEditor* localityEditor() const;
    void mncollega_Click();
    void mnhelp_Click();
    // MaintenanceMenu.cpp: export, import, compaction and the export for GIS.
    void mnesporta_Click();
    void mnimporta_Click();
    void mncomprdb_Click();
    void mnesportagis_Click();
    void mnesportambtiles_Click();

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

    // The other windows (OtherWindows.cpp): the locality editor, after its
    // position was taken by a click on the map, comes back to the screen;
    // the search window, made on first use with its hand-over connected.
    LocalitySearch* searchWindow();
    void showLocalityEditor();

    ViewerState& state_;
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
};

// Whether a control is shown, as its own setting, whatever its window does
// (MainWindow.cpp).
bool isShown(const QWidget* w);

} // namespace orvena
