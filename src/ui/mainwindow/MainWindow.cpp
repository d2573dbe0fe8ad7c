#include "ui/mainwindow/MainWindow.h"

#include "core/archive/SqlTexts.h"
#include "ui/mainwindow/TrackMenus.h"
#include "ui/widgets/ActivationTracker.h"
#include "ui/widgets/ArrowImage.h"
#include "ui/widgets/ComboText.h"
#include "ui/widgets/KeyPreview.h"
#include "ui/map/MapView.h"
#include "ui/map/NeighbourSheets.h"
#include "ui/widgets/Spinner.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace orvena {

bool isShown(const QWidget* w) {
    return !w->isHidden();
}

MainWindow::MainWindow(Archives& archives, const QString& commandLine, QWidget* parent)
    : QMainWindow(parent)
    , Data1(archives.Data1)
    , Data2(archives.Data2)
    , Data3(archives.Data3)
    , Data4(archives.Data4)
    , folder_(QDir::currentPath())
    , sheets_(folder_)
    , commandLine_(commandLine) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orvena"));
    buildControls();
    buildMenu();
    sizeWindow();
    connectEvents();
    new TrackMenus(*this); // the "Tracce" menu, the ruler, "Vai a coordinate…"
    auto* neighbours = new NeighbourSheets(*Image1, folder_);
    connect(mnfoglicollegati, &QAction::toggled, neighbours, &NeighbourSheets::setOn);
    keyPreview_ = new KeyPreview(
        this, [this](int& code) { Form_KeyDown(code); },
        [this](char16_t& ch) { Form_KeyPress(ch); });
    ActivationTracker::instance().registerWindow(this, [this] {
        Form_Activate();
        refreshPickMode(); // back from the editor, a click may take its position
    });
    try {
        Form_Load();
    } catch (...) {
        // A damaged archive: the window is never made, and forgets itself.
        detach();
        throw;
    }
    // The record views and their bound texts are the window's, as its
    // controls are (a window that was never made leaves them to Archives).
    archives.giveViewsTo(this);
    startLiveChanges();
}

MainWindow::~MainWindow() {
    detach();
}

void MainWindow::detach() {
    ActivationTracker::instance().unregisterWindow(this);
    // The controls die after this object: none of their signals may reach a
    // handler on the way.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

const Sheet& MainWindow::shownSheet() const {
    return Image1->shownSheet();
}

void MainWindow::refreshPickMode() {
    Image1->setPickMode(clickTakesPoint());
}

QList<QLineEdit*> MainWindow::coordinateBoxes() const {
    return {grlaf1, mnlaf1, selaf1, grlof1, mnlof1, selof1};
}

void MainWindow::connectEvents() {
    connect(f1area, &QComboBox::activated, this, &MainWindow::f1area_Click);
    connect(cmbloc, &QComboBox::activated, this, &MainWindow::cmbloc_Click);
    connect(cmdesci, &QPushButton::clicked, this, &MainWindow::cmdesci_Click);
    connect(cmdregcor, &QPushButton::clicked, this, [this] {
        cmdregcor_Click();
        refreshPickMode();
    });
    connect(cmding, &QPushButton::clicked, this, &MainWindow::cmding_Click);
    connect(cmdrid, &QPushButton::clicked, this, &MainWindow::cmdrid_Click);
    connect(Image1, &MapView::mouseMoved, this, &MainWindow::Image1_MouseMove);
    connect(Image1, &MapView::pointClicked, this, [this] {
        Image1_Click();
        refreshPickMode();
    });
    connect(Image1, &MapView::wheelTurned, this, &MainWindow::Image1_MouseWheel);
    connect(Image1, &MapView::dragReleased, this, &MainWindow::Image1_DragEnd);
    connect(Image1, &MapView::edgePassed, this, &MainWindow::moveTo);
    connect(Image1, &MapView::zoomChanged, this, &MainWindow::zoomChanged);
    connect(imgde, &ArrowImage::clicked, this, [this] { imgde_Click(false); });
    connect(imgde, &ArrowImage::doubleClicked, this, [this] { imgde_Click(true); });
    connect(imgsi, &ArrowImage::clicked, this, [this] { imgsi_Click(false); });
    connect(imgsi, &ArrowImage::doubleClicked, this, [this] { imgsi_Click(true); });
    connect(imgsu, &ArrowImage::clicked, this, [this] { imgsu_Click(false); });
    connect(imgsu, &ArrowImage::doubleClicked, this, [this] { imgsu_Click(true); });
    connect(imggiu, &ArrowImage::clicked, this, [this] { imggiu_Click(false); });
    connect(imggiu, &ArrowImage::doubleClicked, this, [this] { imggiu_Click(true); });
    connect(HScroll1, &QScrollBar::valueChanged, this, &MainWindow::HScroll1_Change);
    connect(VScroll1, &QScrollBar::valueChanged, this, &MainWindow::VScroll1_Change);
    connect(mnapri, &QAction::triggered, this, [this] {
        mnapri_Click();
        refreshPickMode();
    });
    connect(cmdstampa, &QPushButton::clicked, this, &MainWindow::cmdstampa_Click);
    connect(cmdsalva, &QPushButton::clicked, this, &MainWindow::cmdsalva_Click);
    connect(mnhelp, &QAction::triggered, this, &MainWindow::mnhelp_Click);
    connect(mnesportagis, &QAction::triggered, this, &MainWindow::mnesportagis_Click);
    connect(mnesportambtiles, &QAction::triggered, this, &MainWindow::mnesportambtiles_Click);
    connect(mnesportakmz, &QAction::triggered, this, &MainWindow::mnesportakmz_Click);
    connect(mncopiapos, &QAction::triggered, this, &MainWindow::mncopiapos_Click);
    connect(mnareacanc, &QAction::triggered, this, &MainWindow::mnareacanc_Click);
    connect(mncollega, &QAction::triggered, this, &MainWindow::mncollega_Click);
    connect(mnlocagg, &QAction::triggered, this, &MainWindow::mnlocagg_Click);
    connect(mnloccerca, &QAction::triggered, this, &MainWindow::mnloccerca_Click);
    connect(mnesporta, &QAction::triggered, this, &MainWindow::mnesporta_Click);
    connect(mnimporta, &QAction::triggered, this, &MainWindow::mnimporta_Click);
    connect(mncomprdb, &QAction::triggered, this, &MainWindow::mncomprdb_Click);
}

void MainWindow::Form_Load() {
    commandLineLocality_ = commandLine_.toUpper();
    for (QLineEdit* b : coordinateBoxes())
        b->hide();
    Label4->hide();
    Label8->hide();
    cmdregcor->hide();
    Label14->hide();
    f1datum->hide();
    cmbloc->show();
    Label10->show();
    cmding->show();
    cmdrid->show();
    setup_.end();
    deletion_.leave();
    refreshPickMode();

    fillAreaList();
}

// Every area name, in the order the table gives them, with no area chosen.
void MainWindow::fillAreaList() {
    combo::clear(f1area);
    Data1->setRecordSource(sql::kAreaList);
    Data1->refresh();
    combo::setLines(f1area, Data1->texts(QStringLiteral("AREA")));
}

// A choice handed over by the search window comes first: the command line's
// locality is shown at start and at the activations where nothing was chosen.
void MainWindow::Form_Activate() {
    if (chosen_) {
        ShowChosenLocality();
        return;
    }
    if (!commandLineLocality_.isEmpty()) {
        ShowCommandLineLocality();
        return;
    }
    if (combo::text(f1area).isEmpty())
        Image1->hide();
    else
        f1area_Click();
}

void MainWindow::cmdesci_Click() {
    QApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    QApplication::exit(0);
}

} // namespace orvena
