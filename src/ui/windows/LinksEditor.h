#pragma once

#include "core/geo/Datum.h"

#include <QSizeF>
#include <QString>
#include <QWidget>

#include <array>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;

namespace orvena {

class MapImage;
class RecordView;

// The sheet links editor (Form4): the four neighbours of the area the main
// window shows. Opened by "Collegamenti" in the main window's menu, hidden
// by its own "Esci", unloaded when closed by its frame. Every activation reads
// the links back from the stored record, discarding unsaved choices. Beside the
// links the sheet's datum is shown and stored with them by "Modifica".
class LinksEditor : public QWidget {
    Q_OBJECT
public:
    // areaBox: the main window's f1area; image: its Image1; data1: Data1.
    LinksEditor(QComboBox& areaBox, const MapImage& image, RecordView& data1, QWidget* parent);
    ~LinksEditor() override;

    QLabel* Label1; // "AREA: " and the area name
    QLabel* Label2; // "Nord"
    QLabel* Label3; // "Est"
    QLabel* Label4; // "Sud"
    QLabel* Label5; // "Ovest"
    QComboBox* cmbnord;
    QComboBox* cmbest;
    QComboBox* cmbsud;
    QComboBox* cmbovest;
    QLabel* Label6;      // "Datum"
    QComboBox* cmbdatum; // the sheet's datum, beside its links
    QLabel* Label7;      // "Trasformazione"
    // The operation from the datum to WGS 84 for the sheet: the first line is
    // PROJ's own choice, then every other PROJ offers there, each with its
    // accuracy and area of use.
    QComboBox* cmbtrasf;
    QPushButton* cmdmod;
    QPushButton* cmdesci;

    // Shows the editor for the area the main window shows and makes it the
    // active window, so that its activation handler runs.
    void present();

    void Form_Activate();
    // The sheets and the record read again in place, after other programs
    // changed them: the lists take the sheets there are now, and a box still
    // showing what was read shows what is stored now; a box the user changed
    // keeps the choice.
    void refreshKeepingState();
    void cmdmod_Click();
    void cmdesci_Click();

signals:
    // An activation found the shown area's record: the image's size now is
    // taken as the sheet's natural size (twips), and the record's scales
    // (COLA, COLO) as those in force where they read as numbers.
    void recordRead(QSizeF natural, std::optional<double> cola, std::optional<double> colo);
    // "Modifica" stored the links and the datum of that area.
    void stored(const QString& area);

private:
    // Stands Data1 on the first record whose AREA is exactly name; false when
    // there is none.
    bool findRecord(const QString& name);
    // Lists every sheet in the four link boxes.
    void listAreas();
    // The four links, the datum and the operation of the record found, as
    // read and shown, into the boxes still showing what was read before
    // (all of them when all is true).
    void showRecord(bool all);
    // Fills cmbtrasf for the datum chosen in cmbdatum and the sheet's extent,
    // on the line of the operation key (empty: PROJ's choice).
    void showOperations(const QString& key);

    QComboBox& areaBox_;
    const MapImage& image_;
    RecordView& data1_;
    // The area whose record the last activation found (empty: none found).
    QString recordArea_;
    bool hasRecord_ = false;
    // The sheet's extent in its own degrees, from its record and picture.
    std::optional<GeoBox> extent_;
    // What the boxes showed as read from the record: the four links, the
    // datum's code and the operation's key.
    std::array<QString, 4> readLinks_;
    QString readDatum_;
    QString readOperation_;
};

} // namespace orvena
