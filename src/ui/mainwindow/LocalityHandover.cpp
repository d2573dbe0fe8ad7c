// Showing the locality named on the command line or chosen in the search
// window: its sheet is loaded and the locality marked on it.
#include "ui/mainwindow/MainWindow.h"

#include "core/archive/SqlTexts.h"
#include "core/base/Dialogs.h"
#include "core/base/FixedText.h"
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

// Moves view to the record at position index of its result; false when the
// result is shorter.
bool moveTo(RecordView* view, qsizetype index) {
    if (view->eof()) return false;
    view->moveFirst();
    for (qsizetype i = 0; i < index && !view->eof(); ++i)
        view->moveNext();
    return !view->eof();
}

} // namespace

// The localities of that name, in the engine's order: the first whose sheet
// has an area record is shown on it.
void MainWindow::ShowCommandLineLocality() {
    const QString name = state_.commandLineLocality;
    Data2->setRecordSource(sql::kLocalityByName, {name});
    Data2->refresh();
    qsizetype index = 0;
    if (!Data2->eof()) {
        for (Data2->moveFirst(); !Data2->eof(); Data2->moveNext(), ++index) {
            Data1->setRecordSource(sql::kAreaByNameCommandLine,
                                   {Data2->field(QStringLiteral("AREA")).toString()});
            Data1->refresh();
            if (Data1->eof()) continue;
            Data1->moveFirst();
            combo::setText(f1area, Data1->field(QStringLiteral("AREA")).toString());
            LoadCurrentArea();
            // The load points Data2 at the area's localities: the same record
            // is found again where it stood in the first result.
            Data2->setRecordSource(sql::kLocalityByName, {name});
            Data2->refresh();
            if (!moveTo(Data2, index)) break;
            combo::setText(cmbloc, Data2->field(QStringLiteral("LOCALITA")).toString());
            MarkLocality();
            return;
        }
    }
    hourglass::reset();
    dialogs().message(kCommandLineNotFound.arg(name));
    // Then the search window, on the places whose names come closest.
    auto* search = findChild<LocalitySearch*>(QString(), Qt::FindDirectChildrenOnly);
    if (!search) search = new LocalitySearch(*Data2, state(), this);
    search->searchAtActivation(name);
    mnloccerca_Click();
}

// The search window's choice: its area and name, compared as the search
// window keeps them (50 characters, blank-padded), are looked up, the area is
// loaded and the locality marked. A report leaves the choice pending, so the
// next activation tries again.
void MainWindow::ShowChosenLocality() {
    hourglass::Scope busy;
    Data1->setRecordSource(sql::kAreaList);
    Data1->refresh();
    bool found = false;
    if (!Data1->eof()) {
        for (Data1->moveFirst(); !Data1->eof(); Data1->moveNext()) {
            if (Text50(Data1->text("AREA")) == state_.chosenArea) {
                found = true;
                break;
            }
        }
    }
    if (!found) {
        busy.end();
        dialogs().message(kAreaNotFound);
        return;
    }

    combo::setText(f1area, Data1->text("AREA"));
    f1area_Click();

    // Only the area's own localities can match, so only they are walked: the
    // engine's filter admits every exact match, in the same order as a walk of
    // the whole table, which on a large archive would keep the window frozen.
    const QString area = Data1->text("AREA");
    Data2->setRecordSource(sql::kLocalityOfAreaOrdered, {area});
    Data2->refresh();
    found = false;
    if (!Data2->eof()) {
        for (Data2->moveFirst(); !Data2->eof(); Data2->moveNext()) {
            const QString locality = Data2->text("LOCALITA");
            combo::setText(cmbloc, locality);
            if (Data2->text("AREA") == area && Text50(locality) == state_.chosenLocality) {
                found = true;
                break;
            }
        }
    }
    if (!found) {
        busy.end();
        dialogs().message(kLocalityNotFound);
        return;
    }

    state_.localityChosen = Flag::Zero;
    MarkLocality();
}

} // namespace orvena
