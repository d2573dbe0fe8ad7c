// The tracks, the ruler and the sheet of any point, for the main window.
#include "ui/mainwindow/TrackMenus.h"

#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/base/Twips.h"
#include "core/geo/CoordinateText.h"
#include "core/geo/Geodesic.h"
#include "core/geo/SheetModelStore.h"
#include "core/geo/SheetPosition.h"
#include "core/gis/TrackFile.h"
#include "core/gis/WaypointImport.h"
#include "core/state/ViewGeometry.h"
#include "ui/map/MapView.h"
#include "ui/map/RulerLayer.h"
#include "ui/map/TrackLayer.h"
#include "ui/mainwindow/MainWindow.h"
#include "ui/widgets/ComboText.h"
#include "ui/windows/GoToCoordinates.h"
#include "ui/windows/TrackList.h"
#include "ui/windows/TrackProfile.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>

namespace orvena {

namespace {

const QString kOpenTitle = QStringLiteral("Apri tracce");
const QString kNoSheet = QStringLiteral("Nessun foglio calibrato contiene il punto %1.");
const QString kNotAPosition = QStringLiteral(
    "\"%1\" non è una posizione: scrivere latitudine e longitudine, per esempio "
    "45.4716670, 9.1796525 oppure 45 28 18 N, 9 10 47 E.");
const QString kNoWaypoints = QStringLiteral("Il file \"%1\" non contiene punti da importare.");
const QString kNoneOpen = QStringLiteral("Nessun file di tracce aperto.");
const QString kMeasureHint =
    QStringLiteral("Misura: un clic per ogni punto, un clic sul primo chiude l'area, Esc finisce.");
// Pixels of the screen within which a click on the first point closes the line.
constexpr double kClosingPixels = 8.0;

} // namespace

TrackMenus::TrackMenus(MainWindow& window)
    : QObject(&window)
    , w_(window)
    , tracks_(new TrackLayer(*window.Image1, this))
    , ruler_(new RulerLayer(*window.Image1, this))
    , view_(window.Image1) {
    setObjectName(QStringLiteral("tracks"));
    auto entry = [](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    auto* menu = new QMenu(QStringLiteral("Tracce"), window.menuBar());
    menu->setObjectName(QStringLiteral("mntracce"));
    window.menuBar()->insertMenu(window.mnesporta, menu);
    mntracceapri = entry(menu, "mntracceapri", QStringLiteral("Apri…"));
    mntracceelenco = entry(menu, "mntracceelenco", QStringLiteral("Elenco tracce"));
    mntracceimporta = entry(menu, "mntracceimporta", QStringLiteral("Importa come località"));
    menu->addSeparator();
    mnmisura = entry(menu, "mnmisura", QStringLiteral("Misura"));
    mnmisura->setCheckable(true);
    mnmisura->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    QMenu* places = window.findChild<QMenu*>(QStringLiteral("mnloc"));
    mnvaicoord = entry(places ? places : menu, "mnvaicoord", QStringLiteral("Vai a coordinate…"));

    lblmisura = new QLabel(window.centralWidget() ? window.centralWidget() : &window);
    lblmisura->setObjectName(QStringLiteral("lblmisura"));
    lblmisura->setAutoFillBackground(true);
    lblmisura->setMargin(4);
    lblmisura->hide();
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
    escape_->setEnabled(false);

    const QString folder = QDir::currentPath();
    window.Image1->setFrameSource([folder](const Sheet& sheet, QSize size) {
        return SheetFrame(sheet, size, loadSheetModel(folder, sheet.name));
    });
    window.setAcceptDrops(true);
    window.installEventFilter(this);

    connect(mntracceapri, &QAction::triggered, this, &TrackMenus::mntracceapri_Click);
    connect(mntracceelenco, &QAction::triggered, this, [this] {
        list().show();
        list().raise();
    });
    connect(mntracceimporta, &QAction::triggered, this, &TrackMenus::mntracceimporta_Click);
    connect(mnmisura, &QAction::toggled, this, &TrackMenus::setMeasuring);
    connect(mnvaicoord, &QAction::triggered, this, &TrackMenus::mnvaicoord_Click);
    connect(escape_, &QShortcut::activated, this, [this] { mnmisura->setChecked(false); });
    connect(tracks_, &TrackLayer::changed, this, &TrackMenus::followLayers);
    connect(tracks_, &TrackLayer::redrawn, w_.Image1, qOverload<>(&QWidget::update));
    connect(tracks_, &TrackLayer::fileClosed, this, [this](std::size_t file) {
        if (!profile_ || !profile_->isVisible()) return;
        if (file == profileFile_) profile_->hide();
        else if (file < profileFile_) --profileFile_;
    });
    connect(ruler_, &RulerLayer::changed, this, &TrackMenus::refreshRuler);
    connect(window.Image1, &MapView::pointClicked, this, &TrackMenus::clickedForRuler);
    connect(window.Image1, &MapImage::mouseMoved, this, &TrackMenus::pointerForRuler);
}

TrackMenus::~TrackMenus() {
    // A view still there is told before the layers go (the window's
    // controls may have gone first).
    if (view_) {
        view_->removeLayer(tracks_);
        view_->removeLayer(ruler_);
    }
    delete list_;
    delete profile_;
}

TrackList& TrackMenus::list() {
    if (!list_) {
        list_ = new TrackList(*tracks_);
        connect(list_, &TrackList::trackChosen, this, &TrackMenus::showTrackStart);
        connect(list_, &TrackList::importAsked, this, &TrackMenus::importWaypoints);
        connect(list_, &TrackList::profileAsked, this, &TrackMenus::showProfile);
    }
    return *list_;
}

// The track layer is on the map while a file is open.
void TrackMenus::followLayers() {
    if (tracks_->empty()) w_.Image1->removeLayer(tracks_);
    else w_.Image1->addLayer(tracks_);
    w_.Image1->update();
}

void TrackMenus::openFiles(const QStringList& paths) {
    QStringList refused;
    {
        const hourglass::Scope busy;
        for (const QString& path : paths) {
            const TrackFile file = readTrackFile(path);
            if (file.ok()) tracks_->open(file);
            else refused << file.error;
        }
    }
    if (!tracks_->empty()) {
        list().show();
        list().raise();
    }
    if (!refused.isEmpty()) dialogs().message(refused.join(u'\n'));
}

void TrackMenus::mntracceapri_Click() {
    if (const auto paths = dialogs().openFiles(kOpenTitle, trackFileFilter(), QDir::currentPath()))
        openFiles(*paths);
}

void TrackMenus::importWaypoints(std::size_t file) {
    if (file >= tracks_->files().size()) return;
    const OpenTrackFile& f = tracks_->files()[file];
    if (f.waypoints.empty()) {
        dialogs().message(kNoWaypoints.arg(f.name));
        return;
    }
    WaypointImportReport report;
    {
        const hourglass::Scope busy;
        report = orvena::importWaypoints(QDir::currentPath(), f.waypoints, outlines());
    }
    if (!report.added.isEmpty()) w_.RefillLocalityList();
    dialogs().message(report.failure.isEmpty() ? report.text() : report.failure);
}

void TrackMenus::mntracceimporta_Click() {
    if (tracks_->empty()) {
        dialogs().message(kNoneOpen);
        return;
    }
    const auto chosen = list_ ? list_->chosen() : std::nullopt;
    importWaypoints(chosen ? chosen->file : tracks_->files().size() - 1);
}

const SheetOutlines& TrackMenus::outlines() {
    const QFileInfo areas(QDir::current().filePath(QStringLiteral("area.mdb")));
    const QString key = areas.lastModified().toString(Qt::ISODateWithMs) + u' ' +
                        QString::number(areas.size()) + u' ' +
                        QString::number(w_.f1area->count());
    if (key != outlinesKey_) {
        const hourglass::Scope busy;
        outlines_ = SheetOutlines::read(QDir::currentPath());
        outlinesKey_ = key;
    }
    return outlines_;
}

// The sheet shown when it holds the point, else the first that does, with
// the point at the window's reference point.
bool TrackMenus::showPoint(LonLat wgs84) {
    const QStringList sheets = outlines().holding(wgs84);
    if (sheets.isEmpty()) {
        dialogs().message(kNoSheet.arg(latLonText(wgs84)));
        return false;
    }
    MapView& view = *w_.Image1;
    if (!sheets.contains(view.shownSheet().name) || !view.shown()) {
        combo::setText(w_.f1area, sheets.front());
        w_.f1area_Click();
        if (view.shownSheet().name != sheets.front()) return false; // its message was told
    }
    const auto at = view.sheetFrame().fromWgs84(wgs84);
    if (!at) return false;
    const QPointF onImage = view.fromSheetPixels(*at);
    view.move(view::kReferenceX - onImage.x(), view::kReferenceY - onImage.y());
    return true;
}

void TrackMenus::showTrackStart(std::size_t file, std::size_t track) {
    const auto& files = tracks_->files();
    if (file >= files.size() || track >= files[file].tracks.size()) return;
    const auto& points = files[file].tracks[track].track.points;
    if (!points.empty()) showPoint(points.front().at);
}

void TrackMenus::showProfile(std::size_t file, std::size_t track) {
    const auto& files = tracks_->files();
    if (file >= files.size() || track >= files[file].tracks.size()) return;
    if (!profile_) {
        profile_ = new TrackProfile;
        profile_->installEventFilter(this); // closed, its range leaves the map
        connect(profile_, &TrackProfile::rangeChosen, this, [this](std::size_t first, std::size_t last) {
            if (profile_->range()) tracks_->setHighlight(profileFile_, profileTrack_, first, last);
            else tracks_->clearHighlight();
        });
    }
    profileFile_ = file;
    profileTrack_ = track;
    tracks_->clearHighlight();
    profile_->setTrack(files[file].tracks[track].track);
    profile_->show();
    profile_->raise();
}

bool TrackMenus::goTo(const QString& text, Datum datum) {
    auto p = parseLatLon(text);
    if (p && datum != Datum::Wgs84) {
        const DatumTransform toWgs84(datum, GeoBox::around({*p}));
        p = toWgs84.isValid() ? toWgs84.forward(*p) : std::nullopt;
    }
    if (!p) {
        dialogs().message(kNotAPosition.arg(text.trimmed()));
        return false;
    }
    if (!showPoint(*p)) return false;
    tracks_->setTarget(*p, latLonText(*p));
    w_.Image1->addLayer(tracks_);
    return true;
}

void TrackMenus::mnvaicoord_Click() {
    const QString pasted = QGuiApplication::clipboard()->text().trimmed();
    GoToCoordinates ask(parseLatLon(pasted) ? pasted : QString(), &w_);
    if (ask.exec() == QDialog::Accepted) goTo(ask.text(), ask.datum());
}

void TrackMenus::setMeasuring(bool on) {
    if (mnmisura->isChecked() != on) mnmisura->setChecked(on); // comes back here
    escape_->setEnabled(on);
    ruler_->clear();
    if (on) w_.Image1->addLayer(ruler_);
    else w_.Image1->removeLayer(ruler_);
    lblmisura->setVisible(on);
    refreshRuler();
}

std::optional<LonLat> TrackMenus::wgs84AtTwips(double x, double y) {
    MapView& view = *w_.Image1;
    return view.sheetFrame().toWgs84(view.toSheetPixels(x, y));
}

void TrackMenus::clickedForRuler(double x, double y) {
    if (!mnmisura->isChecked()) return;
    const auto p = wgs84AtTwips(x, y);
    if (!p) return;
    // How many metres the closing pixels are here.
    const double across = twips::fromPixels(kClosingPixels);
    const auto beside = wgs84AtTwips(x + across, y);
    const double tolerance = beside ? geodesic::inverse(*p, *beside).metres : 0.0;
    ruler_->add(*p, tolerance);
}

void TrackMenus::pointerForRuler(double x, double y) {
    if (mnmisura->isChecked()) ruler_->movePointer(wgs84AtTwips(x, y));
}

void TrackMenus::refreshRuler() {
    w_.Image1->update();
    if (!mnmisura->isChecked()) return;
    lblmisura->setText(ruler_->ruler().empty() ? kMeasureHint : Ruler::text(ruler_->figures()));
    lblmisura->adjustSize();
    const QWidget* area = lblmisura->parentWidget();
    lblmisura->move(twips::toPixels(view::kSheetLeft), area->height() - lblmisura->height() - 4);
    lblmisura->raise();
}

bool TrackMenus::eventFilter(QObject* watched, QEvent* event) {
    if (watched == profile_ && event->type() == QEvent::Hide) tracks_->clearHighlight();
    if (watched != &w_) return false;
    const auto trackUrls = [](const QMimeData* data) {
        QStringList files;
        if (data)
            for (const QUrl& url : data->urls())
                if (url.isLocalFile() && looksLikeTrackFile(url.toLocalFile()))
                    files << url.toLocalFile();
        return files;
    };
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (trackUrls(drag->mimeData()).isEmpty()) return false;
        drag->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = trackUrls(drop->mimeData());
        if (files.isEmpty()) return false;
        drop->acceptProposedAction();
        openFiles(files);
        return true;
    }
    return false;
}

} // namespace orvena
