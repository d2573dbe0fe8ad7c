#pragma once

#include "core/archive/RecordView.h"
#include "core/search/LocalityListing.h"

#include <QWidget>

#include <optional>

class QLineEdit;
class QListView;
class QModelIndex;
class QPushButton;
class QTimer;

namespace orvena {

class LocalityListModel;

// The locality search (Form3): every locality with its area, the localities
// whose name contains a typed text, and the hand-over of a clicked one to the
// main window (localityChosen), which shows it at its next activation.
//
// List1 is a list view over the names held in memory (LocalityListing): a
// line is built only when it is painted. The first lines show at once; the
// rest of the table is read, and a search goes on, a step at a time between
// the window's events, the list growing meanwhile. What was read is used
// again while the archive has not changed. A search that finds nothing lists
// the places whose names come closest to the key.
class LocalitySearch : public QWidget {
    Q_OBJECT
public:
    // localities: the main window's Data2; mainWindow: the parent, which the
    // window gives the focus back to after a choice.
    LocalitySearch(RecordView& localities, QWidget* mainWindow);
    ~LocalitySearch() override;

    QLineEdit* comtrova;
    QPushButton* cmdcerca;
    QPushButton* cmdesci;
    QListView* List1;

    void Form_Activate();
    // The next activation searches for key, as if it had been typed and
    // "Cerca" pressed, instead of listing every place.
    void searchAtActivation(const QString& key);
    void cmdcerca_Click();
    void List1_Click(const QModelIndex& line);
    void cmdesci_Click();

    // The list read again in place, after other programs changed the places:
    // the same list or search (the key last searched, whatever the box now
    // holds), the line chosen and the scroll position kept as the lines come.
    void refreshKeepingState();

    // The lines of List1 as the user sees them (for tests and benchmarks).
    int lineCount() const;
    QString lineText(int row) const;
    // What the window holds in memory for its list, in bytes.
    std::size_t bytesHeld() const;
    // Lines still to come: the list is being read or searched.
    bool busy() const;

signals:
    // A line was chosen: its area and locality as the line reads them (the
    // 50 characters of each), just before the window hides.
    void localityChosen(const QString& area, const QString& locality);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The next step of the listing, then the new lines to the view.
    void continueListing();
    void failed(const QString& title, const ArchiveError& e);
    // Puts the view back where refreshKeepingState() found it, once the list
    // holds that far (or holds all it will).
    void restoreView();

    LocalityListing listing_;
    LocalityListModel* model_;
    QTimer* work_;
    QString pendingKey_;
    struct ViewState {
        int scroll = 0;
        int row = -1; // the line chosen, -1 for none
        QString text; // its text
    };
    std::optional<ViewState> restore_;
};

} // namespace orvena
