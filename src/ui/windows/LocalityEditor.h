#pragma once

#include "core/geo/LocalityChecks.h"

#include <QWidget>

#include <functional>

class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orvena {

class RecordView;

// A position taken by a click on the main window's map for the locality
// editor: twips on the image, and the scales in force there then.
struct TakenPosition {
    float x = 0.0f;
    float y = 0.0f;
    float latScale = 0.0f;
    float lonScale = 0.0f;
};

// The locality editor (Form2): inserts, modifies and deletes the places of a
// sheet, the position taken by a click on the map in the main window.
//
// It is a window of its own, a child of the main window, shown modeless by
// "Località > Aggiornamento" and hidden by its own buttons; closing it by its
// frame destroys it and the next opening builds it again. It works on the
// main window's record views (Data1 areas, Data2 places) and has the chosen
// sheet shown in the main window's map. "Clicca la posizione" hands the map
// over (capturing(): the main window's map is in pick mode until the editor
// comes back); the click comes back by positionTaken().
class LocalityEditor : public QWidget {
    Q_OBJECT
public:
    // Shows the sheet of an area in the main window's map and names it the
    // shown area; false when its picture cannot be shown.
    using ShowSheet = std::function<bool(const QString& area)>;

    // mainWindow: the parent, given back its activation when the editor
    // hides; areas, localities: its Data1 and Data2.
    LocalityEditor(QWidget& mainWindow, RecordView& areas, RecordView& localities,
                   ShowSheet showSheet);
    ~LocalityEditor() override;

    // Closed by its frame: on its way out, never shown again.
    bool unloaded() const { return unloaded_; }

    // Shows the editor modeless and makes it the active window, so that its
    // activation handler runs.
    void present();

    // --- Controls, named as the program has always named them.
    QLabel* Label1; // "Area"
    QComboBox* cmbarea;
    QLabel* Label2; // "Località"
    QComboBox* cmbloc;
    QLabel* Label3; // "Gradi"
    QLabel* Label4; // "Min."
    QLabel* Label5; // "Sec."
    QLabel* Label6; // "Latitudine"
    QLineEdit* f2grla;
    QLineEdit* f2mnla;
    QLineEdit* f2secla;
    QLabel* Label7; // "Longitudine"
    QLineEdit* f2grlo;
    QLineEdit* f2mnlo;
    QLineEdit* f2seclo;
    QLabel* Label8; // "Pixel"
    QLineEdit* f2px;
    QLineEdit* f2py;
    QPushButton* cmdpixel;
    QPushButton* cmdins;
    QPushButton* cmdmod;
    QPushButton* cmdann;
    QPushButton* cmdesci;

    // The six angle boxes, in the order lat d, m, s, lon d, m, s.
    QList<QLineEdit*> angleBoxes() const;

    // --- Handlers.
    void Form_Load();
    void Form_Activate();
    void cmbarea_Click();
    void cmbloc_Click();
    void cmdpixel_Click();
    void cmdins_Click();
    void cmdmod_Click();
    void cmdann_Click();
    void cmdesci_Click();

    // The lists read again in place, after other programs changed the
    // sheets (areas) or the places: the sheets, and the places of the sheet
    // listed; the texts chosen or typed and every box stay as they are.
    void refreshKeepingState(bool areas, bool places);

    // Whether a click on the main window's map is awaited ("Clicca la
    // posizione" pressed, the editor not yet back).
    bool capturing() const { return capturing_; }
    // The main window's image click took the position asked for by "Clicca la
    // posizione": the editor holds it and comes back to the screen, where its
    // activation shows it.
    void positionTaken(const TakenPosition& at);

signals:
    // "Esci": the editor leaves the map to the main window's read-out.
    void exited();
    // A click on the map is awaited from now on, or no longer (capturing()).
    void captureChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void connectEvents();

    // The checks and the change proper, shared by the three buttons.
    void change(LocalityChange kind);
    // The first record of the chosen area and name, compared exactly; Data2
    // then stands on it. False when there is none.
    bool findLocality(const QString& area, const QString& name);
    void writeRecord(const LocalityForm& form, const LocalityCheck& values);
    // Whether the position held may be written into the place of area and name.
    bool holdsPositionFor(const QString& area, const QString& name) const;
    // Hides the editor and gives the main window back its activation.
    void backToMainWindow();

    QWidget& mainWindow_;
    RecordView& data1_;
    RecordView& data2_;
    ShowSheet showSheet_;
    // The position held (twips on the image, as PX and PY store it) and the
    // scales in force where it was taken.
    TakenPosition position_;
    // Whether position_ holds a position for this editor: one taken on the
    // map (for any place until a record is written with it), or the stored one
    // of the chosen place, or the one last written (for that place only:
    // heldArea_, heldName_).
    bool positionHeld_ = false;
    bool positionTakenOnMap_ = false;
    QString heldArea_;
    QString heldName_;
    // Whether the map was clicked since "Clicca la posizione"; whether it is
    // still awaited.
    bool captured_ = false;
    bool capturing_ = false;
    bool unloaded_ = false;
    // The sheet whose places cmbloc lists.
    QString listedArea_;
};

} // namespace orvena
