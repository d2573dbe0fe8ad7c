// Changes other programs commit to an atlas on a server, shown as they come:
// each window the change concerns is refreshed in place, keeping the sheet
// and place chosen, the texts typed and the list's position.
#include "ui/mainwindow/MainWindow.h"

#include "core/archive/AtlasServer.h"
#include "core/archive/LiveChanges.h"
#include "core/archive/SqlTexts.h"
#include "core/base/Hourglass.h"
#include "ui/map/MapView.h"
#include "ui/widgets/ComboText.h"
#include "ui/windows/LinksEditor.h"
#include "ui/windows/LocalityEditor.h"
#include "ui/windows/LocalitySearch.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace orvena {

void MainWindow::startLiveChanges() {
    if (!Data1->onServer()) return;
    const auto own = [this](int backend) {
        return backend == Data1->serverBackend() || backend == Data2->serverBackend() ||
               atlasserver::ownsBackend(backend);
    };
    // A message, a question or an open list waits for the user, or long
    // work shows its hourglass: the handler under it goes on afterwards with
    // the views as it left them, so nothing is read meanwhile.
    const auto busy = [] {
        return QApplication::activeModalWidget() != nullptr ||
               QApplication::activePopupWidget() != nullptr || hourglass::isBusy();
    };
    live_ = new LiveChanges(atlasserver::of(folder_).connection, own, busy, this);
    connect(live_, &LiveChanges::changed, this, &MainWindow::refreshLive);
}

void MainWindow::refreshLive(const QStringList& tables) {
    const bool areas = tables.contains(QLatin1String("area"));
    const bool places = tables.contains(QLatin1String("localita"));
    const bool sheets = areas || tables.contains(QLatin1String("area_datum")) ||
                        tables.contains(QLatin1String("area_calibration"));
    try {
        if (areas) {
            Data1->setRecordSource(sql::kAreaList);
            Data1->refresh();
            combo::setLines(f1area, Data1->texts(QStringLiteral("AREA")));
        }
        if (sheets && shownSheet().exists()) rereadShownSheet(shownSheet().name);
        if (places && shownSheet().exists() && isShown(cmbloc)) {
            combo::setLines(cmbloc, sheets_.places(shownSheet().name));
            refreshMarkedPlace();
            const QString sheet = shownSheet().name;
            Image1->remarkPlaces([this, &sheet](const QString& name) -> std::optional<QPointF> {
                const std::optional<Place> place = sheets_.place(sheet, name);
                return place ? markCorner(*place) : std::nullopt;
            });
        }
    } catch (const ArchiveError&) {
        // The server cannot be read now: the next action tells why.
    }
    if (places)
        if (auto* search = findChild<LocalitySearch*>(QString(), Qt::FindDirectChildrenOnly))
            search->refreshKeepingState();
    if (LocalityEditor* editor = localityEditor()) editor->refreshKeepingState(areas, places);
    if (sheets)
        if (auto* links = findChild<LinksEditor*>(QString(), Qt::FindDirectChildrenOnly))
            links->refreshKeepingState();
}

// The place marked last (its name in cmbloc, its angles in the six boxes)
// as stored now: its angles into the boxes; gone, the boxes stay as they were.
void MainWindow::refreshMarkedPlace() {
    // The set-up's typed points are in the boxes while its button shows.
    if (isShown(cmdregcor) || !isShown(grlaf1) || combo::text(cmbloc).isEmpty()) return;
    const std::optional<Place> place = sheets_.place(shownSheet().name, combo::text(cmbloc));
    if (!place) return;
    const QList<QLineEdit*> boxes = coordinateBoxes();
    for (qsizetype i = 0; i < boxes.size(); ++i)
        if (boxes[i]->text() != place->angles[std::size_t(i)])
            boxes[i]->setText(place->angles[std::size_t(i)]);
}

} // namespace orvena
