#pragma once

#include "core/archive/Archives.h"
#include "core/base/Picture.h"
#include "core/state/ViewerState.h"

#include <QMainWindow>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace orvena {

class ArrowImage;
class Canvas;
class LocalityEditor;
class MapImage;

// The main window (Form1): the map viewer. It owns the controls, the four
// record views and the viewer state's window side. Its handlers live beside
// this header, one file for each concern; the groups below name the files.
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
    MapImage* Image1;
    QLabel* Label4; // "La."
    QLineEdit* grlaf1;
    QLineEdit* mnlaf1;
    QLineEdit* selaf1;
    QLabel* Label8; // "Lo."
    QLineEdit* grlof1;
    QLineEdit* mnlof1;
    QLineEdit* selof1;
    QPushButton* cmdregcor;
    QLabel* Label13; // "Zoom"
    QLineEdit* f1ing;
    QPushButton* cmding;
    QPushButton* cmdrid;
    QLabel* Label12; // "Lento"
    ArrowImage* imgsu;
    ArrowImage* imggiu;
    ArrowImage* imgsi;
    ArrowImage* imgde;
    QLabel* Label11; // "Veloce"
    QScrollBar* VScroll1;
    QScrollBar* HScroll1;
    QPushButton* cmdsalva;
    QPushButton* cmdstampa;
    QPushButton* cmdesci;
    QLabel* freccia;  // hidden: the down arrow marker
    QLabel* blusu;    // hidden: the up arrow marker
    Canvas* Picture1; // hidden drawing canvas
    QObject* CommonDialog1;
    QObject* File1; // its path is the working folder

    QAction* mnapri;
    QAction* mnareacanc;
    QAction* mncollega;
    QAction* mnloccerca;
    QAction* mnlocagg;
    QAction* mnesporta;
    QAction* mnimporta;
    QAction* mncomprdb;
    QAction* mnhelp;
    QAction* mnesportagis; // "Esporta per GIS…", the last of "Area"

    RecordView* Data1;
    RecordView* Data2;
    RecordView* Data3;
    RecordView* Data4;

    // The six coordinate boxes, in the order lat d, m, s, lon d, m, s.
    QList<QLineEdit*> coordinateBoxes() const;

    // --- Life and activation (MainWindow.cpp; the controls and the menu at
    // their places in MainWindowLayout.cpp).
    void Form_Load();
    void Form_Activate();
    void cmdesci_Click();

    // --- The sheet: loading an area (AreaLoading.cpp), decoding a sheet with
    // one sheet in memory (SheetLoad.cpp), the moves to the adjoining sheets
    // and the places list (SheetMoves.cpp).
    void f1area_Click();
    void LoadCurrentArea();
    void MoveEast();
    void MoveNorth();
    void MoveWest();
    void MoveSouth();
    void RefillLocalityList();
    // Decodes the picture of a sheet about to be shown, with one sheet in
    // memory: the shown sheet stays when the new one cannot be decoded. The
    // caller shows the picture returned, or calls keepShownSheet() to have the
    // shown sheet back whole.
    PictureLoad loadSheet(const QString& fileName);
    void keepShownSheet();
    // Puts a sheet loadSheet() decoded into Image1, without marks, as the
    // loaded picture; fileName is where it came from. showSheetAtOrigin()
    // also shows it at natural size at the sheet origin.
    void showSheet(const QImage& sheet, const QString& fileName);
    void showSheetAtOrigin(const QImage& sheet, const QString& fileName);
    // The message for a damaged sheet (as the file is now on disk) not yet told
    // in this session; empty otherwise: a damaged sheet is told once.
    static QString damageNotice(const PictureLoad& picture, const QString& fileName);

    // --- Navigation: the arrow images, keys and spinners (Panning.cpp) and the
    // zoom (Zoom.cpp).
    void Form_KeyPress(char16_t& character);
    void Form_KeyDown(int& keyCode);
    void imgde_Click(bool doubleClick);
    void imgsi_Click(bool doubleClick);
    void imgsu_Click(bool doubleClick);
    void imggiu_Click(bool doubleClick);
    void HScroll1_Change(int value);
    void VScroll1_Change(int value);
    void cmding_Click();
    void cmdrid_Click();
    // The zoom in force, in per cent, as the text of f1ing says; a text that is
    // not a number counts as the zoom it last held.
    double zoomPercent() const;

    // --- Marking a locality (LocalityDisplay.cpp), the hand-overs of the
    // command line and the search window (LocalityHandover.cpp), print and
    // save (PrintSave.cpp).
    void cmbloc_Click();
    void MarkLocality();
    void ShowCommandLineLocality();
    void ShowChosenLocality();
    void cmdstampa_Click();
    void cmdsalva_Click();

    // --- The area set-up ("Nuova Area" in NewArea.cpp, the rest in
    // AreaSetup.cpp), the pointer read-out (PointerReadout.cpp) and the delete
    // mode (DeleteMode.cpp).
    void mnapri_Click();
    void AdvanceSetup();
    void Image1_Click();
    void cmdregcor_Click();
    void StoreCalibration();
    void Image1_MouseMove(double x, double y);
    void ComputePointerReadout();
    void mnareacanc_Click();

    // --- The menu entries that open the other windows (OtherWindows.cpp) and
    // run maintenance (MaintenanceMenu.cpp).
    void mnloccerca_Click();
    void mnlocagg_Click();
    void mncollega_Click();
    void mnhelp_Click();
    // The locality editor while it is open (closed by its frame, it is none).
    LocalityEditor* localityEditor() const;
    void mnesporta_Click();
    void mnimporta_Click();
    void mncomprdb_Click();
    void mnesportagis_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Life and activation.
    void fillAreaList();
    void buildControls();
    void buildMenu();
    void sizeWindow();
    void connectEvents();
    void detach();

    // The sheet.
    enum class AreaRecord { Lookup, Current };
    void loadArea(AreaRecord record);
    bool applyAreaRecord(const QString& coloText);
    void RefillAreaLocalities(const QString& area);

    // Navigation.
    void zoomStep(int direction);

    // The delete mode: whether it is on (cmdregcor shows "Elimina"); the
    // press of cmdregcor when it reads "Elimina" (false, doing nothing, for
    // the set-up's captions); the deletion of the area chosen in f1area.
    bool inDeleteMode() const;
    bool deleteModePress();
    void deleteChosenArea();

    // The other windows: the locality editor, after its position was taken by
    // a click on the map, comes back to the screen.
    void showLocalityEditor();

    ViewerState& state_;
    QString commandLine_;
    mutable double lastZoom_ = 100.0;
};

// Whether a control is shown, as its own setting, whatever its window does.
bool isShown(const QWidget* w);

} // namespace orvena
