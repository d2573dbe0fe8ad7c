#pragma once

#include "core/archive/Archives.h"
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
class MapImage;
class Canvas;

// The main window (Form1): the map viewer. It owns the controls, the four
// record views and the viewer state's window side; the handlers live in the
// files of the concern they serve (app/ for start-up and activation, viewer/
// for loading, marking, panning and zoom, geo/ for the set-up).
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

    // --- Start-up, activation, keys and end (app/).
    void Form_Load();
    void Form_Activate();
    void Form_KeyPress(char16_t& character);
    void Form_KeyDown(int& keyCode);
    void cmdesci_Click();

    // --- Area loading (viewer/AreaLoading.cpp).
    void f1area_Click();
    void LoadCurrentArea();

    // --- Pointer read-out and the area set-up (geo/).
    void Image1_MouseMove(double x, double y);
    void ComputePointerReadout();
    void mnapri_Click();
    void AdvanceSetup();
    void Image1_Click();
    void cmdregcor_Click();
    void StoreCalibration();

    // --- Locality display and the hand-overs (viewer/).
    void cmbloc_Click();
    void MarkLocality();
    void ShowCommandLineLocality();
    void ShowChosenLocality();

    // --- The windows opened from the menu (windows/).
    void mnloccerca_Click();

    // --- Panning, sheet moves and zoom (viewer/).
    void imgde_Click(bool doubleClick);
    void imgsi_Click(bool doubleClick);
    void imgsu_Click(bool doubleClick);
    void imggiu_Click(bool doubleClick);
    void HScroll1_Change(int value);
    void VScroll1_Change(int value);
    void MoveEast();
    void MoveNorth();
    void MoveWest();
    void MoveSouth();
    void RefillLocalityList();
    void cmding_Click();
    void cmdrid_Click();
    // The zoom in force, in per cent, as the text of f1ing says; a text that is
    // not a number counts as the zoom it last held.
    double zoomPercent() const;

    // --- Print, save and help (viewer/PrintSave.cpp, windows/HelpWindow.cpp).
    void cmdstampa_Click();
    void cmdsalva_Click();
    void mnhelp_Click();

    // --- The export for other map tools (exchange/GisExportMenu.cpp).
    void mnesportagis_Click();

    // --- Area deletion and the links editor (windows/).
    void mnareacanc_Click();
    void mncollega_Click();

    // --- The locality editor (windows/LocalityEditor.cpp).
    void mnlocagg_Click();

    // --- Export, import and compaction (windows/ArchiveMaintenance.cpp).
    void mnesporta_Click();
    void mnimporta_Click();
    void mncomprdb_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class AreaRecord { Lookup, Current };
    void loadArea(AreaRecord record);
    bool applyAreaRecord(const QString& coloText);
    void RefillAreaLocalities(const QString& area);
    void zoomStep(int direction);
    // Brings the locality editor back after its position click (windows/LocalityEditor.cpp).
    void showLocalityEditor();

    void buildControls();
    void buildMenu();
    void sizeWindow();
    void connectEvents();
    void detach();

    ViewerState& state_;
    QString commandLine_;
    mutable double lastZoom_ = 100.0;
};

// Whether a control is shown, as its own setting, whatever its window does.
bool isShown(const QWidget* w);

} // namespace orvena
