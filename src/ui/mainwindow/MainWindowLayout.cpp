// The main window's controls and menu, at the places the program has always
// had them (twips, 15 to a device-independent pixel).
#include "ui/mainwindow/MainWindow.h"

#include "core/base/Twips.h"
#include "core/state/SharedTexts.h"
#include "core/state/ViewGeometry.h"
#include "ui/widgets/ArrowImage.h"
#include "ui/widgets/Controls.h"
#include "ui/widgets/DatumChoice.h"
#include "ui/map/MapView.h"
#include "ui/widgets/Markers.h"
#include "ui/widgets/Spinner.h"

#include <QAction>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>

namespace orvena {

namespace {

using controls::box;
using controls::combo;
using controls::label;
using controls::place;

// The main window's buttons take the focus only from the keyboard's Tab, so a
// click leaves the focus where the user was typing.
QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left, int top,
                    int width, int height) {
    QPushButton* b = controls::button(parent, name, caption, left, top, width, height);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

} // namespace

void MainWindow::buildControls() {
    auto* area = new QWidget(this);
    area->setObjectName(QStringLiteral("Form1Client"));
    setCentralWidget(area);

    // The map lies beneath every other control.
    Image1 = new MapView(area);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->move(view::kSheetLeft, view::kSheetTop);
    Image1->setWidthTwips(8775);
    Image1->setHeightTwips(6615);

    Label9 = label(area, "Label9", QStringLiteral("AREA"), 240, 120, 1200);
    f1area = combo(area, "f1area", 240, 360, 4815);
    Label10 = label(area, "Label10", QStringLiteral("LOCALITA'"), 5520, 120, 1500);
    cmbloc = combo(area, "cmbloc", 5520, 360, 4335);

    Label4 = label(area, "Label4", QStringLiteral("La."), 5520, 720, 360);
    grlaf1 = box(area, "grlaf1", 5880, 720, 375);
    mnlaf1 = box(area, "mnlaf1", 6240, 720, 375);
    selaf1 = box(area, "selaf1", 6600, 720, 375);
    Label8 = label(area, "Label8", QStringLiteral("Lo."), 7320, 720, 360);
    grlof1 = box(area, "grlof1", 7680, 720, 375);
    mnlof1 = box(area, "mnlof1", 8040, 720, 375);
    selof1 = box(area, "selof1", 8400, 720, 375);

    cmdregcor = button(area, "cmdregcor", texts::kCaptionRegister, 10680, 360, 855, 375);
    // The set-up's datum takes the place of the locality list, which the
    // set-up hides.
    Label14 = label(area, "Label14", QStringLiteral("Datum"), 5520, 120, 1500);
    f1datum = datumchoice::create(area, "f1datum", 5520, 360, 4335);

    Label13 = label(area, "Label13", QStringLiteral("Zoom"), 240, 2160, 615);
    f1ing = box(area, "f1ing", 240, 2520, 615);
    // Every figure the program writes (a load's "100", a zoom step) becomes the
    // zoom the box last held, for when the user then types something else.
    connect(f1ing, &QLineEdit::textChanged, this, [this] {
        if (!f1ing->isModified()) zoomPercent();
    });
    cmding = button(area, "cmding", QStringLiteral("+"), 120, 2880, 375, 375);
    cmdrid = button(area, "cmdrid", QStringLiteral("--"), 600, 2880, 375, 375);

    Label12 = label(area, "Label12", QStringLiteral("Lento"), 120, 3480, 855);
    imgsi = new ArrowImage(ArrowImage::Direction::West, area);
    place(imgsi, "imgsi", 120, 3960, 255, 270);
    imgde = new ArrowImage(ArrowImage::Direction::East, area);
    place(imgde, "imgde", 360, 3960, 210, 300);
    imgsu = new ArrowImage(ArrowImage::Direction::North, area);
    place(imgsu, "imgsu", 720, 3840, 330, 270);
    imggiu = new ArrowImage(ArrowImage::Direction::South, area);
    place(imggiu, "imggiu", 720, 4080, 285, 285);

    Label11 = label(area, "Label11", QStringLiteral("Veloce"), 120, 4440, 855);
    VScroll1 = new Spinner(Qt::Vertical, area);
    place(VScroll1, "VScroll1", 720, 4800, 255, 495);
    HScroll1 = new Spinner(Qt::Horizontal, area);
    place(HScroll1, "HScroll1", 120, 4920, 495, 255);
    for (QScrollBar* s : {VScroll1, HScroll1}) {
        s->setRange(0, 32767);
        s->setSingleStep(1);
        s->setFocusPolicy(Qt::NoFocus);
    }

    cmdsalva = button(area, "cmdsalva", QStringLiteral("Salva"), 0, 5760, 975, 495);
    cmdstampa = button(area, "cmdstampa", QStringLiteral("Stampa"), 0, 6360, 975, 495);
    cmdesci = button(area, "cmdesci", QStringLiteral("Esci"), 0, 6960, 975, 495);

    freccia = new QLabel(area);
    place(freccia, "freccia", 0, 0, 255, 315);
    freccia->setPixmap(QPixmap::fromImage(markers::downArrow()));
    freccia->hide();
    blusu = new QLabel(area);
    place(blusu, "blusu", 0, 0, 255, 315);
    blusu->setPixmap(QPixmap::fromImage(markers::upArrow()));
    blusu->hide();

    Image1->lower();
}

// The client area below the menu bar is 11880 x 8310 twips: sized once the
// menu has its entries, when the bar's height is known.
void MainWindow::sizeWindow() {
    resize(twips::toPixels(11880), twips::toPixels(8310) + menuBar()->sizeHint().height());
}

void MainWindow::buildMenu() {
    auto entry = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu ? menu->addAction(caption) : menuBar()->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    QMenu* area = menuBar()->addMenu(QStringLiteral("Area"));
    area->setObjectName(QStringLiteral("mnarea"));
    mnapri = entry(area, "mnapri", QStringLiteral("Nuova Area"));
    mnareacanc = entry(area, "mnareacanc", QStringLiteral("Elimina Area"));
    mncollega = entry(area, "mncollega", QStringLiteral("Collegamenti"));
    mnfoglicollegati = entry(area, "mnfoglicollegati", QStringLiteral("Mostra fogli collegati"));
    mnfoglicollegati->setCheckable(true);
    buildCalibrationMenu(area);
    mnesportakmz = entry(area, "mnesportakmz", QStringLiteral("Esporta KMZ per GPS…"));
    mnesportambtiles =
        entry(area, "mnesportambtiles", QStringLiteral("Esporta per GIS con MBTiles…"));
    mnesportagis = entry(area, "mnesportagis", QStringLiteral("Esporta per GIS…"));
    QMenu* loc = menuBar()->addMenu(QStringLiteral("Località"));
    loc->setObjectName(QStringLiteral("mnloc"));
    mnloccerca = entry(loc, "mnloccerca", QStringLiteral("Ricerca"));
    mnlocagg = entry(loc, "mnlocagg", QStringLiteral("Aggiornamento"));
    mncopiapos = entry(loc, "mncopiapos", QStringLiteral("Copia posizione WGS 84"));
    mncopiapos->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    mnesporta = entry(nullptr, "mnesporta", QStringLiteral("Esporta"));
    mnimporta = entry(nullptr, "mnimporta", QStringLiteral("Importa"));
    mncomprdb = entry(nullptr, "mncomprdb", QStringLiteral("Compatta Data Base"));
    mnhelp = entry(nullptr, "mnhelp", QStringLiteral("Help"));
}

} // namespace orvena
