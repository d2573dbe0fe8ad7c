#include "ui/windows/TrackList.h"

#include "ui/map/TrackLayer.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orvena {

namespace {

const QStringList kColumns = {
    QStringLiteral("Traccia"),      QStringLiteral("File"),    QStringLiteral("Lunghezza"),
    QStringLiteral("Durata"),       QStringLiteral("In moto"), QStringLiteral("Salita"),
    QStringLiteral("Discesa"),      QStringLiteral("Quota massima"),
    QStringLiteral("Quota minima")};
const QString kNoneOpen = QStringLiteral("Nessuna traccia aperta.");
const QString kUnnamed = QStringLiteral("(senza nome)");
constexpr int kFileRole = Qt::UserRole;
constexpr int kTrackRole = Qt::UserRole + 1;

QString optionalText(const std::optional<double>& v, QString (*format)(double)) {
    return v ? format(*v) : QString();
}

QIcon swatch(const QColor& colour) {
    QPixmap p(14, 14);
    p.fill(colour);
    return QIcon(p);
}

} // namespace

TrackList::TrackList(TrackLayer& layer, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , layer_(layer)
    , chooseColour_([this](const QColor& c) {
        return QColorDialog::getColor(c, this, QStringLiteral("Colore della traccia"));
    }) {
    setObjectName(QStringLiteral("TrackList"));
    setWindowTitle(QStringLiteral("Tracce"));
    Label1 = new QLabel(this);
    lista = new QTableWidget(0, int(kColumns.size()), this);
    lista->setObjectName(QStringLiteral("lista"));
    lista->setHorizontalHeaderLabels(kColumns);
    lista->setSelectionBehavior(QAbstractItemView::SelectRows);
    lista->setSelectionMode(QAbstractItemView::SingleSelection);
    lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lista->verticalHeader()->hide();
    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    cmdcolore = button("cmdcolore", QStringLiteral("Colore…"));
    cmdprofilo = button("cmdprofilo", QStringLiteral("Profilo…"));
    cmdimporta = button("cmdimporta", QStringLiteral("Importa come località"));
    cmdchiudi = button("cmdchiudi", QStringLiteral("Chiudi file"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdcolore, cmdprofilo, cmdimporta, cmdchiudi})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* column = new QVBoxLayout(this);
    column->addWidget(Label1);
    column->addWidget(lista);
    column->addLayout(buttons);
    resize(900, 260);

    connect(&layer_, &TrackLayer::changed, this, &TrackList::refill);
    connect(lista, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (filling_ || item->column() != 0) return;
        layer_.setVisible(item->data(kFileRole).toULongLong(), item->data(kTrackRole).toULongLong(),
                          item->checkState() == Qt::Checked);
    });
    connect(lista, &QTableWidget::cellClicked, this, [this] {
        if (const auto c = chosen()) emit trackChosen(c->file, c->track);
    });
    connect(cmdcolore, &QPushButton::clicked, this, &TrackList::cmdcolore_Click);
    connect(cmdchiudi, &QPushButton::clicked, this, &TrackList::cmdchiudi_Click);
    connect(cmdprofilo, &QPushButton::clicked, this, [this] {
        if (const auto c = chosen()) emit profileAsked(c->file, c->track);
    });
    connect(cmdimporta, &QPushButton::clicked, this, [this] {
        if (const auto c = chosen()) emit importAsked(c->file);
    });
    refill();
}

void TrackList::setColourChooser(std::function<QColor(const QColor&)> chooser) {
    chooseColour_ = std::move(chooser);
}

std::optional<TrackList::Chosen> TrackList::chosen() const {
    const int row = lista->currentRow();
    if (row < 0) return std::nullopt;
    const QTableWidgetItem* item = lista->item(row, 0);
    return Chosen{item->data(kFileRole).toULongLong(), item->data(kTrackRole).toULongLong()};
}

void TrackList::refill() {
    filling_ = true;
    const int row = lista->currentRow();
    lista->setRowCount(0);
    const auto& files = layer_.files();
    for (std::size_t fi = 0; fi < files.size(); ++fi) {
        for (std::size_t ti = 0; ti < files[fi].tracks.size(); ++ti) {
            const OpenTrack& t = files[fi].tracks[ti];
            const TrackFigures& f = t.figures;
            const int r = lista->rowCount();
            lista->insertRow(r);
            auto* name = new QTableWidgetItem(swatch(t.colour),
                                              t.track.name.isEmpty() ? kUnnamed : t.track.name);
            name->setFlags(name->flags() | Qt::ItemIsUserCheckable);
            name->setCheckState(t.visible ? Qt::Checked : Qt::Unchecked);
            name->setData(kFileRole, qulonglong(fi));
            name->setData(kTrackRole, qulonglong(ti));
            lista->setItem(r, 0, name);
            const QStringList cells = {files[fi].name,
                                       lengthText(f.metres),
                                       optionalText(f.seconds, durationText),
                                       optionalText(f.movingSeconds, durationText),
                                       optionalText(f.ascent, climbText),
                                       optionalText(f.descent, climbText),
                                       optionalText(f.highest, climbText),
                                       optionalText(f.lowest, climbText)};
            for (int c = 0; c < cells.size(); ++c)
                lista->setItem(r, c + 1, new QTableWidgetItem(cells[c]));
        }
    }
    QStringList names;
    for (const OpenTrackFile& f : files)
        names << f.name;
    Label1->setText(names.isEmpty() ? kNoneOpen : names.join(QStringLiteral(", ")));
    lista->resizeColumnsToContents();
    if (row >= 0 && row < lista->rowCount()) lista->setCurrentCell(row, 0);
    filling_ = false;
}

void TrackList::cmdcolore_Click() {
    const auto c = chosen();
    if (!c) return;
    const QColor now = layer_.files()[c->file].tracks[c->track].colour;
    const QColor colour = chooseColour_(now);
    if (colour.isValid()) layer_.setColour(c->file, c->track, colour);
}

void TrackList::cmdchiudi_Click() {
    if (const auto c = chosen()) layer_.close(c->file);
}

} // namespace orvena
