#pragma once

#include "core/archive/LocalityNames.h"
#include "core/archive/RecordView.h"

#include <QWidget>

class QLineEdit;
class QListView;
class QModelIndex;
class QPushButton;

namespace orvena {

struct ViewerState;
class LocalityListModel;

// The locality search (Form3): every locality with its area, the localities
// whose name contains a typed text, and the hand-over of a clicked one to the
// main window, which shows it at its next activation.
//
// List1 is a list view over the names held in memory (LocalityNames): a line
// is built only when it is painted, so a million places list at once. What was
// read is used again while the archive has not changed.
class LocalitySearch : public QWidget {
    Q_OBJECT
public:
    // localities: the main window's Data2; mainWindow: the parent, which the
    // window gives the focus back to after a choice.
    LocalitySearch(RecordView& localities, ViewerState& state, QWidget* mainWindow);
    ~LocalitySearch() override;

    QLineEdit* comtrova;
    QPushButton* cmdcerca;
    QPushButton* cmdesci;
    QListView* List1;

    void Form_Activate();
    void cmdcerca_Click();
    void List1_Click(const QModelIndex& line);
    void cmdesci_Click();

    // The lines of List1 as the user sees them (for tests and benchmarks).
    int lineCount() const;
    QString lineText(int row) const;
    // What the window holds in memory for its list, in bytes.
    std::size_t bytesHeld() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Reads the names unless the archive is unchanged since the last read.
    // False after a failure, which has been reported under the list's title.
    bool readNames(const QString& title);
    void failed(const QString& title, const ArchiveError& e);

    RecordView& Data2;
    ViewerState& state_;
    LocalityNames names_;
    RecordView::Stamp stamp_;
    LocalityListModel* model_;
};

} // namespace orvena
