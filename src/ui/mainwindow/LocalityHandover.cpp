// Showing the locality chosen in the search window or named on the command
// line: its sheet is loaded and the locality marked on it.
#include "ui/mainwindow/MainWindow.h"

#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/state/SharedTexts.h"
#include "ui/widgets/ComboText.h"
#include "ui/windows/LocalitySearch.h"

#include <QComboBox>

namespace orvena {

namespace {

using texts::kAreaNotFound;
const QString kLocalityNotFound = QStringLiteral("Località non trovata");

const QString kCommandLineNotFound = QStringLiteral("Località \"%1\" non trovata.");

} // namespace

// The search window's hand-over: the choice waits for the activation that
// follows it, where it is shown instead of the command line's locality.
void MainWindow::takeChosenLocality(const QString& area, const QString& locality) {
    chosen_ = Choice{Text50(area), Text50(locality)};
}

// The localities of that name, in the engine's order: the first whose sheet
// has an area record is shown on it.
void MainWindow::ShowCommandLineLocality() {
    const QString name = commandLineLocality_;
    for (const Place& place : sheets_.placesNamed(name)) {
        const Sheet sheet = sheets_.sheetCaseBlind(place.area);
        if (!sheet.exists()) continue;
        combo::setText(f1area, sheet.name);
        LoadCurrentArea();
        combo::setText(cmbloc, place.name);
        MarkLocality(place);
        return;
    }
    hourglass::reset();
    dialogs().message(kCommandLineNotFound.arg(name));
    // Then the search window, on the places whose names come closest.
    searchWindow()->searchAtActivation(name);
    mnloccerca_Click();
}

// The search window's choice: its area and name, compared as the search
// window keeps them (50 characters, blank-padded), are looked up, the area is
// loaded and the locality marked. A report leaves the choice pending, so the
// next activation tries again.
void MainWindow::ShowChosenLocality() {
    if (!chosen_) return;
    hourglass::Scope busy;
    QString area;
    bool found = false;
    for (const QString& name : sheets_.sheetNames()) {
        if (Text50(name) == chosen_->area) {
            area = name;
            found = true;
            break;
        }
    }
    if (!found) {
        busy.end();
        dialogs().message(kAreaNotFound);
        return;
    }

    combo::setText(f1area, area);
    f1area_Click();

    // Only the area's own localities can match, so only they are walked; the
    // locality box shows each name as the walk passes it.
    QString locality;
    found = false;
    for (const QString& name : sheets_.places(area)) {
        combo::setText(cmbloc, name);
        if (Text50(name) == chosen_->locality) {
            locality = name;
            found = true;
            break;
        }
    }
    const std::optional<Place> place = found ? sheets_.place(area, locality) : std::nullopt;
    if (!place) {
        busy.end();
        dialogs().message(kLocalityNotFound);
        return;
    }

    chosen_.reset();
    MarkLocality(*place);
}

} // namespace orvena
