// The locality search window (Form3).
#include "ui/windows/LocalitySearch.h"

#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/state/ViewerState.h"
#include "ui/widgets/ActivationTracker.h"

#include <QAbstractListModel>
#include <QBoxLayout>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStyledItemDelegate>

#include <optional>

namespace orvena {

namespace {

const QString kCaption = QStringLiteral("Ricerca Località");
const QString kFullTitle = QStringLiteral("    ELENCO LOCALITA' REGISTRATE ");
const QString kSearchTitle = QStringLiteral("    RESULTATO DELLA RICERCA ");
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

// The lines of List1: a title, an empty line, then one line per locality,
// built when the view asks for it.
class LocalityListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // names null: the two headings only. rows empty: every locality of names.
    void show(const QString& title, const LocalityNames* names,
              std::optional<std::vector<LocalityNames::Index>> rows = std::nullopt) {
        beginResetModel();
        title_ = title;
        names_ = names;
        rows_ = std::move(rows);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        if (parent.isValid()) return 0;
        const std::size_t places = !names_ ? 0 : rows_ ? rows_->size() : names_->size();
        return 2 + static_cast<int>(places);
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return line(index.row());
    }

    QString line(int row) const {
        if (row == 0) return title_;
        if (row < 2 || row >= rowCount()) return QString();
        const auto place = static_cast<std::size_t>(row - 2);
        return names_->line(rows_ ? (*rows_)[place] : static_cast<LocalityNames::Index>(place));
    }

    std::size_t bytes() const {
        return rows_ ? rows_->capacity() * sizeof(LocalityNames::Index) : 0;
    }

private:
    QString title_;
    const LocalityNames* names_ = nullptr;
    std::optional<std::vector<LocalityNames::Index>> rows_;
};

LocalitySearch::LocalitySearch(RecordView& localities, ViewerState& state, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window)
    , Data2(localities)
    , state_(state)
    , model_(new LocalityListModel(this)) {
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

bool LocalitySearch::readNames(const QString& title) {
    try {
        if (stamp_.known() && Data2.stamp() == stamp_) return true;
        // The list lets go of the names before they change.
        model_->show(title, nullptr);
        stamp_ = {};
        names_.read(Data2);
        stamp_ = Data2.stamp();
        return true;
    } catch (const ArchiveError& e) {
        failed(title, e);
        return false;
    }
}

void LocalitySearch::failed(const QString& title, const ArchiveError& e) {
    model_->show(title, nullptr);
    names_.clear();
    stamp_ = {};
    hourglass::reset();
    dialogs().message(QString::fromUtf8(e.what()));
}

// The full list, at every activation of the window.
void LocalitySearch::Form_Activate() {
    const hourglass::Scope busy;
    if (readNames(kFullTitle)) model_->show(kFullTitle, &names_);
}

// The localities whose name contains the typed text, letter case aside.
void LocalitySearch::cmdcerca_Click() {
    const hourglass::Scope busy;
    if (readNames(kSearchTitle)) {
        try {
            model_->show(kSearchTitle, &names_, names_.search(comtrova->text()));
        } catch (const ArchiveError& e) {
            failed(kSearchTitle, e);
        }
    }
}

// The clicked line goes to the main window as it reads: its first 50
// characters are the area, the 50 from the 53rd the locality.
void LocalitySearch::List1_Click(const QModelIndex& line) {
    if (!line.isValid()) return;
    const QString text = model_->line(line.row());
    state_.chosenArea = text.left(kAreaLength);
    state_.chosenLocality = text.mid(kLocalityStart, kAreaLength);
    state_.localityChosen = Flag::One;
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
    return names_.bytes() + model_->bytes();
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
