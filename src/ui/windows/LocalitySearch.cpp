// The locality search window (Form3).
#include "ui/windows/LocalitySearch.h"

#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "ui/widgets/ActivationTracker.h"

#include <QAbstractListModel>
#include <QBoxLayout>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>

#include <utility>

namespace orvena {

namespace {

const QString kCaption = QStringLiteral("Ricerca Località");
const QString kFullTitle = QStringLiteral("    ELENCO LOCALITA' REGISTRATE ");
const QString kSearchTitle = QStringLiteral("    RESULTATO DELLA RICERCA ");
const QString kSimilarTitle = QStringLiteral("    LOCALITA' SIMILI ");
constexpr int kLineLength = 102;
constexpr int kAreaLength = 50;
constexpr int kLocalityStart = 52;

// Every line as wide as a full locality line, whatever the first line (which
// gives the size of all of them) holds.
class LineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const int full =
            option.fontMetrics.horizontalAdvance(QString(kLineLength, QLatin1Char('M'))) + 8;
        size.setWidth(std::max(size.width(), full));
        return size;
    }
};

} // namespace

// The lines of List1: a title, an empty line, then one line per place the
// listing holds, built when the view asks for it; before the similar places
// a third heading and another empty line. New places reach the view in
// growing steps (each one has it lay out all its lines again).
class LocalityListModel : public QAbstractListModel {
public:
    LocalityListModel(const LocalityListing& listing, QObject* parent)
        : QAbstractListModel(parent)
        , listing_(listing) {}

    // A new list under title, with at most a screenful of what the listing
    // holds; without places the two headings only.
    void show(const QString& title, bool places = true) {
        beginResetModel();
        title_ = title;
        places_ = places;
        generation_ = listing_.generation();
        shown_ = places ? std::min(listing_.count(), LocalityNames::kFirstChunk) : 0;
        endResetModel();
    }

    // The places the listing added since, once they are four times as many as
    // those shown or all there will be; a listing started over, afresh.
    void grow() {
        if (!places_) return;
        if (listing_.generation() != generation_) return show(title_);
        const std::size_t count = listing_.count();
        if (count <= shown_ || (count < 4 * shown_ && !listing_.counted())) return;
        const int first = headings() + static_cast<int>(shown_);
        beginInsertRows(QModelIndex(), first, first + static_cast<int>(count - shown_) - 1);
        shown_ = count;
        endInsertRows();
    }
    bool behind() const { return places_ && shown_ < listing_.count(); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : headings() + static_cast<int>(shown_);
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return line(index.row());
    }

    QString line(int row) const {
        if (row == 0) return title_;
        if (row == 2 && headings() == 4) return kSimilarTitle;
        if (row < headings() || row >= rowCount()) return QString();
        const auto place = static_cast<std::size_t>(row - headings());
        return listing_.names().line(listing_.place(place));
    }

private:
    int headings() const {
        return places_ && listing_.mode() == LocalityListing::Mode::Similar ? 4 : 2;
    }

    const LocalityListing& listing_;
    QString title_;
    bool places_ = false;
    std::uint64_t generation_ = 0;
    std::size_t shown_ = 0;
};

LocalitySearch::LocalitySearch(RecordView& localities, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window)
    , listing_(localities)
    , model_(new LocalityListModel(listing_, this))
    , work_(new QTimer(this)) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(kCaption);
    // Closed by its frame, the window goes; the menu makes a new one.
    setAttribute(Qt::WA_DeleteOnClose);

    comtrova = new QLineEdit(this);
    comtrova->setObjectName(QStringLiteral("comtrova"));
    cmdcerca = new QPushButton(QStringLiteral("Cerca"), this);
    cmdcerca->setObjectName(QStringLiteral("cmdcerca"));
    cmdesci = new QPushButton(QStringLiteral("Esci"), this);
    cmdesci->setObjectName(QStringLiteral("cmdesci"));
    List1 = new QListView(this);
    List1->setObjectName(QStringLiteral("List1"));
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::TypeWriter);
    List1->setFont(font);
    // Without uniform sizes the view measures every line: seconds on a large list.
    List1->setUniformItemSizes(true);
    List1->setItemDelegate(new LineDelegate(List1));
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    List1->setModel(model_);
    List1->installEventFilter(this);

    auto* top = new QHBoxLayout;
    top->addWidget(comtrova, 1);
    top->addWidget(cmdcerca);
    top->addWidget(cmdesci);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(List1, 1);
    // Wide enough for a whole line.
    resize(QFontMetrics(font).horizontalAdvance(QString(kLineLength, QLatin1Char('M'))) + 60, 480);

    // The listing goes on between the window's events.
    work_->setSingleShot(true);
    work_->setInterval(0);
    connect(work_, &QTimer::timeout, this, [this] { continueListing(); });
    connect(cmdcerca, &QPushButton::clicked, this, [this] { cmdcerca_Click(); });
    connect(comtrova, &QLineEdit::returnPressed, this, [this] { cmdcerca_Click(); });
    connect(cmdesci, &QPushButton::clicked, this, [this] { cmdesci_Click(); });
    connect(List1, &QListView::clicked, this, [this](const QModelIndex& i) { List1_Click(i); });
    ActivationTracker::instance().registerWindow(this, [this] { Form_Activate(); });
}

LocalitySearch::~LocalitySearch() {
    ActivationTracker::instance().unregisterWindow(this);
    List1->removeEventFilter(this);
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

void LocalitySearch::continueListing() {
    try {
        listing_.step();
    } catch (const ArchiveError& e) {
        return failed(model_->line(0), e);
    }
    model_->grow();
    restoreView();
    if (busy()) work_->start();
}

void LocalitySearch::failed(const QString& title, const ArchiveError& e) {
    work_->stop();
    model_->show(title, false);
    listing_.clear();
    hourglass::reset();
    dialogs().message(QString::fromUtf8(e.what()));
}

// The full list, at every activation of the window.
void LocalitySearch::searchAtActivation(const QString& key) {
    pendingKey_ = key;
}

void LocalitySearch::Form_Activate() {
    if (!pendingKey_.isEmpty()) {
        comtrova->setText(std::exchange(pendingKey_, QString()));
        return cmdcerca_Click();
    }
    const hourglass::Scope waiting;
    try {
        listing_.listAll();
        model_->show(kFullTitle);
    } catch (const ArchiveError& e) {
        return failed(kFullTitle, e);
    }
    if (busy()) work_->start();
}

// The localities whose name contains the typed text, letter case aside; when
// none does, the ones whose names come closest to it.
void LocalitySearch::cmdcerca_Click() {
    const hourglass::Scope waiting;
    try {
        listing_.search(comtrova->text());
        model_->show(kSearchTitle);
    } catch (const ArchiveError& e) {
        return failed(kSearchTitle, e);
    }
    if (busy()) work_->start();
}

void LocalitySearch::refreshKeepingState() {
    if (!isVisible()) return;
    const QModelIndex current = List1->currentIndex();
    const ViewState state{List1->verticalScrollBar()->value(), current.isValid() ? current.row() : -1,
                          current.isValid() ? model_->line(current.row()) : QString()};
    const QString title = model_->line(0);
    try {
        if (title == kFullTitle)
            listing_.listAll();
        else
            listing_.search(listing_.key());
        model_->show(title);
    } catch (const ArchiveError&) {
        // The server cannot be read now: the list stays as it was, and the
        // next search tells why.
        return;
    }
    restore_ = state;
    restoreView();
    if (busy()) work_->start();
}

void LocalitySearch::restoreView() {
    if (!restore_) return;
    const int wanted = std::max(restore_->scroll, restore_->row);
    if (lineCount() <= wanted && busy()) return;
    const ViewState state = *std::exchange(restore_, std::nullopt);
    // The line chosen by its text, where it was or a little off (places
    // added or gone before it).
    int found = -1;
    for (int d = 0; state.row >= 0 && d <= 100 && found < 0; ++d)
        for (const int row : {state.row - d, state.row + d})
            if (row >= 2 && row < lineCount() && model_->line(row) == state.text) {
                found = row;
                break;
            }
    if (found >= 0)
        List1->selectionModel()->setCurrentIndex(model_->index(found),
                                                 QItemSelectionModel::ClearAndSelect);
    List1->verticalScrollBar()->setValue(state.scroll);
}

// The clicked line goes to the main window as it reads: its first 50
// characters are the area, the 50 from the 53rd the locality.
void LocalitySearch::List1_Click(const QModelIndex& line) {
    if (!line.isValid()) return;
    const QString text = model_->line(line.row());
    emit localityChosen(text.left(kAreaLength), text.mid(kLocalityStart, kAreaLength));
    hide();
    if (QWidget* main = parentWidget()) main->activateWindow();
}

void LocalitySearch::cmdesci_Click() {
    hide();
    if (QWidget* main = parentWidget()) main->activateWindow();
}

int LocalitySearch::lineCount() const {
    return model_->rowCount();
}

QString LocalitySearch::lineText(int row) const {
    return model_->line(row);
}

std::size_t LocalitySearch::bytesHeld() const {
    return listing_.bytes();
}

bool LocalitySearch::busy() const {
    return listing_.busy() || model_->behind();
}

// Enter on the selected line chooses it, as a click does; moving the
// selection with the arrow keys chooses nothing.
bool LocalitySearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == List1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && List1->currentIndex().isValid()) {
            List1_Click(List1->currentIndex());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace orvena
