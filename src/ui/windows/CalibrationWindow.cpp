#include "ui/windows/CalibrationWindow.h"

#include "core/archive/ArchiveFailure.h"
#include "core/archive/WorkingPair.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/geo/PointTexts.h"
#include "core/geo/SheetModelStore.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace orvena {

namespace {

enum Column { X, Y, North, East, Pixels, Metres, Columns };

const QString kTitle = QStringLiteral("Calibrazione - %1");
const QString kFit = QStringLiteral("Modello %1 con %2 punti: RMS %3 px, %4 m");
const QString kFlagged = QStringLiteral(" - da controllare: %1");
const QString kFlagTip = QStringLiteral("Probabile errore di clic: residuo oltre 3 volte l'RMS "
                                        "o oltre 5 pixel");
const QString kScale = QStringLiteral("Frecce dei residui ingrandite %1 volte");
const QString kBorderEdges = QStringLiteral("Bordo: i margini dell'immagine");
const QString kBorderCorners = QStringLiteral("Bordo: %1 angoli");
const QString kBorderClicking = QStringLiteral("Bordo: %1 angoli cliccati, premere «Fine bordo»");
const QString kBorderStart = QStringLiteral("Bordo: clic sugli angoli");
const QString kBorderEnd = QStringLiteral("Fine bordo");
const QString kTooManyPoints = QStringLiteral("Al massimo %1 punti.");
const QString kChooseRow = QStringLiteral("Scegliere nella tabella il punto da spostare.");
const QString kChooseRemoved = QStringLiteral("Scegliere nella tabella il punto da eliminare.");
const QString kFewCorners =
    QStringLiteral("Il bordo richiede almeno 4 angoli (ne sono stati cliccati %1).");
const QString kNoCorners =
    QStringLiteral("Servono quattro punti diversi, ciascuno vicino a un angolo del foglio.");
const QString kUnreadRow = QStringLiteral(
    "Il punto %1 non ha posizione o coordinate leggibili: correggerlo o eliminarlo.");
const QString kNotStored = QStringLiteral("Calibrazione non registrata: %1");

QString number(double v) {
    return QString::number(v, 'f', 2);
}

std::optional<double> cellNumber(const QTableWidgetItem* item) {
    if (!item) return std::nullopt;
    QString t = item->text().trimmed();
    t.replace(u',', u'.');
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

QTableWidgetItem* readOnly(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

CalibrationWindow::CalibrationWindow(const QString& folder, const QString& area, Datum datum,
                                     QSize size, const SheetPoints& start, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , folder_(folder)
    , area_(area)
    , datum_(datum)
    , size_(size)
    , border_(start.border) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kTitle.arg(area));
    buildControls();
    filling_ = true;
    for (int i = 0; i < modelBox->count(); ++i)
        if (modelBox->itemData(i).toInt() == int(start.model)) modelBox->setCurrentIndex(i);
    gridBox->setCurrentIndex(std::max(0, gridBox->findData(start.grid)));
    modelChosen_ = start.model != defaultModel(start.points.size());
    for (const TiePoint& p : start.points)
        addRow(p);
    filling_ = false;
    showBorder();
    refit();
}

void CalibrationWindow::buildControls() {
    table = new QTableWidget(0, Columns, this);
    table->setObjectName(QStringLiteral("table"));
    table->setHorizontalHeaderLabels({QStringLiteral("X px"), QStringLiteral("Y px"),
                                      QStringLiteral("Lat. / Nord"), QStringLiteral("Lon. / Est"),
                                      QStringLiteral("Residuo px"), QStringLiteral("Residuo m")});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (filling_) return;
        // A position typed for the point just added: no click is awaited.
        if (pick_ == Pick::NewPoint && item->column() <= Y) setPick(Pick::None);
        refit();
    });
    connect(table, &QTableWidget::currentCellChanged, this, [this](int row) {
        layer_.setChosen(row);
        emit layerChanged();
    });

    modelBox = new QComboBox(this);
    for (const FitModel m :
         {FitModel::PerAxis, FitModel::Helmert, FitModel::Affine, FitModel::Projective,
          FitModel::Polynomial2, FitModel::ThinPlateSpline})
        modelBox->addItem(
            QStringLiteral("%1 (almeno %2 punti)").arg(fitModelName(m)).arg(minimumPoints(m)),
            int(m));
    connect(modelBox, &QComboBox::activated, this, [this] {
        modelChosen_ = true;
        refit();
    });
    gridBox = new QComboBox(this);
    gridBox->addItem(fitGridName(0), 0);
    for (const int epsg : kFitGrids)
        gridBox->addItem(fitGridName(epsg), epsg);
    connect(gridBox, &QComboBox::activated, this, [this] { refit(); });

    const auto button = [this](const QString& caption, auto slot) {
        auto* b = new QPushButton(caption, this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    addButton = button(QStringLiteral("Aggiungi punto"), [this] {
        if (std::size_t(table->rowCount()) >= kMaxPoints) {
            dialogs().message(kTooManyPoints.arg(kMaxPoints));
            return;
        }
        addRow(std::nullopt);
        table->setCurrentCell(table->rowCount() - 1, X);
        setPick(Pick::NewPoint);
    });
    moveButton = button(QStringLiteral("Sposta punto"), [this] {
        if (table->currentRow() < 0) {
            dialogs().message(kChooseRow);
            return;
        }
        setPick(Pick::MovePoint);
    });
    removeButton = button(QStringLiteral("Elimina punto"), [this] {
        if (table->currentRow() < 0) {
            dialogs().message(kChooseRemoved);
            return;
        }
        table->removeRow(table->currentRow());
        if (pick_ == Pick::NewPoint || pick_ == Pick::MovePoint) setPick(Pick::None);
        refit();
    });
    borderButton = button(kBorderStart, [this] {
        if (pick_ != Pick::Border) {
            newBorder_.clear();
            setPick(Pick::Border);
            showBorder();
            return;
        }
        if (newBorder_.size() >= 4)
            border_ = newBorder_;
        else
            dialogs().message(kFewCorners.arg(newBorder_.size()));
        setPick(Pick::None);
        showBorder();
    });
    cornersButton =
        button(QStringLiteral("Bordo dai punti d'angolo"), [this] { cornersAsBorder(); });
    edgesButton = button(QStringLiteral("Bordo ai margini dell'immagine"), [this] {
        border_.clear();
        showBorder();
    });
    storeButton = button(QStringLiteral("Registra"), [this] { store(); });
    exitButton = button(QStringLiteral("Esci"), [this] { close(); });
    fitLabel = new QLabel(this);
    fitLabel->setWordWrap(true);
    scaleLabel = new QLabel(this);
    borderLabel = new QLabel(this);

    auto* choices = new QHBoxLayout;
    choices->addWidget(new QLabel(QStringLiteral("Modello"), this));
    choices->addWidget(modelBox, 1);
    choices->addWidget(new QLabel(QStringLiteral("Reticolo"), this));
    choices->addWidget(gridBox, 1);
    auto* pointButtons = new QHBoxLayout;
    for (QPushButton* b : {addButton, moveButton, removeButton})
        pointButtons->addWidget(b);
    auto* borderButtons = new QHBoxLayout;
    for (QPushButton* b : {borderButton, cornersButton, edgesButton})
        borderButtons->addWidget(b);
    auto* end = new QHBoxLayout;
    end->addStretch(1);
    end->addWidget(storeButton);
    end->addWidget(exitButton);
    auto* all = new QVBoxLayout(this);
    all->addLayout(choices);
    all->addWidget(table, 1);
    all->addLayout(pointButtons);
    all->addWidget(fitLabel);
    all->addWidget(scaleLabel);
    all->addWidget(borderLabel);
    all->addLayout(borderButtons);
    all->addLayout(end);
    resize(720, 520);
}

void CalibrationWindow::setPick(Pick pick) {
    pick_ = pick;
    borderButton->setText(pick == Pick::Border ? kBorderEnd : kBorderStart);
    emit pickingChanged(pick);
}

void CalibrationWindow::takeClick(QPointF pixel) {
    switch (pick_) {
    case Pick::None:
        return;
    case Pick::NewPoint:
        setPick(Pick::None);
        setRowPosition(table->rowCount() - 1, pixel);
        table->setCurrentCell(table->rowCount() - 1, North);
        refit();
        return;
    case Pick::MovePoint:
        setPick(Pick::None);
        if (table->currentRow() >= 0) setRowPosition(table->currentRow(), pixel);
        refit();
        return;
    case Pick::Border:
        newBorder_.push_back(pixel);
        showBorder();
        return;
    }
}

void CalibrationWindow::addRow(const std::optional<TiePoint>& point) {
    const bool wasFilling = std::exchange(filling_, true);
    const int row = table->rowCount();
    table->insertRow(row);
    for (int c = 0; c < Columns; ++c)
        table->setItem(row, c, c >= Pixels ? readOnly(QString()) : new QTableWidgetItem);
    if (point) {
        setRowPosition(row, {point->x, point->y});
        const auto [north, east] = pointTexts(*point);
        table->item(row, North)->setText(north);
        table->item(row, East)->setText(east);
    }
    filling_ = wasFilling;
}

void CalibrationWindow::setRowPosition(int row, QPointF pixel) {
    const bool wasFilling = std::exchange(filling_, true);
    table->item(row, X)->setText(number(pixel.x()));
    table->item(row, Y)->setText(number(pixel.y()));
    filling_ = wasFilling;
}

std::optional<TiePoint> CalibrationWindow::rowPoint(int row) const {
    const auto x = cellNumber(table->item(row, X));
    const auto y = cellNumber(table->item(row, Y));
    if (!x || !y || !table->item(row, North) || !table->item(row, East)) return std::nullopt;
    return pointFromTexts(*x, *y, table->item(row, North)->text(), table->item(row, East)->text());
}

SheetPoints CalibrationWindow::points() const {
    SheetPoints p{
        FitModel(modelBox->currentData().toInt()), gridBox->currentData().toInt(), {}, border_};
    for (int row = 0; row < table->rowCount(); ++row)
        if (const auto point = rowPoint(row)) p.points.push_back(*point);
    return p;
}

void CalibrationWindow::refit() {
    const bool wasFilling = std::exchange(filling_, true);
    std::vector<int> rows; // the table's row of each point fitted
    for (int row = 0; row < table->rowCount(); ++row)
        if (rowPoint(row)) rows.push_back(row);
    if (!modelChosen_) {
        const int i = modelBox->findData(int(defaultModel(rows.size())));
        if (i >= 0) modelBox->setCurrentIndex(i);
    }
    const SheetPoints p = points();
    model_ = SheetModel::fit(p, datum_);

    std::vector<ResidualLayer::Point> marks;
    QStringList flagged;
    std::size_t fitted = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
        const auto x = cellNumber(table->item(row, X));
        const auto y = cellNumber(table->item(row, Y));
        ResidualLayer::Point mark{{x.value_or(0), y.value_or(0)}, {}, false};
        QString px, m;
        bool flag = false;
        if (fitted < rows.size() && rows[fitted] == row) {
            if (model_.isValid()) {
                const Residual& r = model_.residuals()[fitted];
                mark.residual = {r.dx, r.dy};
                px = number(r.pixels);
                m = number(r.metres);
                flag = r.flagged;
            }
            ++fitted;
        }
        mark.flagged = flag;
        if (flag) flagged << QString::number(row + 1);
        for (const int c : {int(Pixels), int(Metres)}) {
            QTableWidgetItem* item = table->item(row, c);
            item->setText(c == Pixels ? px : m);
            item->setBackground(flag ? QColor(255, 200, 200) : QColor(Qt::transparent));
            item->setToolTip(flag ? kFlagTip : QString());
        }
        if (x && y) marks.push_back(mark);
    }
    if (model_.isValid())
        fitLabel->setText(kFit.arg(fitModelName(model_.model()))
                              .arg(rows.size())
                              .arg(number(model_.rmsPixels()), number(model_.rmsMetres())) +
                          (flagged.isEmpty() ? QString() : kFlagged.arg(flagged.join(u", "))));
    else
        fitLabel->setText(model_.error());
    layer_.setPoints(std::move(marks));
    layer_.setBorder(border_);
    layer_.setChosen(table->currentRow());
    scaleLabel->setText(kScale.arg(layer_.enlargement()));
    filling_ = wasFilling;
    emit layerChanged();
}

void CalibrationWindow::showBorder() {
    if (pick_ == Pick::Border)
        borderLabel->setText(kBorderClicking.arg(newBorder_.size()));
    else if (border_.empty())
        borderLabel->setText(kBorderEdges);
    else
        borderLabel->setText(kBorderCorners.arg(border_.size()));
    layer_.setBorder(pick_ == Pick::Border ? newBorder_ : border_);
    emit layerChanged();
}

// The point nearest each corner of the image, clockwise from the top left.
void CalibrationWindow::cornersAsBorder() {
    const SheetPoints p = points();
    std::vector<QPointF> corners;
    for (const QPointF corner :
         {QPointF(0, 0), QPointF(size_.width(), 0), QPointF(size_.width(), size_.height()),
          QPointF(0, size_.height())}) {
        const TiePoint* nearest = nullptr;
        for (const TiePoint& t : p.points)
            if (!nearest || std::hypot(t.x - corner.x(), t.y - corner.y()) <
                                std::hypot(nearest->x - corner.x(), nearest->y - corner.y()))
                nearest = &t;
        if (!nearest) break;
        const QPointF at(nearest->x, nearest->y);
        if (std::find(corners.begin(), corners.end(), at) != corners.end()) break;
        corners.push_back(at);
    }
    if (corners.size() != 4) {
        dialogs().message(kNoCorners);
        return;
    }
    border_ = corners;
    showBorder();
}

void CalibrationWindow::store() {
    for (int row = 0; row < table->rowCount(); ++row)
        if (!rowPoint(row)) {
            dialogs().message(kUnreadRow.arg(row + 1));
            return;
        }
    refit();
    if (!model_.isValid()) {
        dialogs().message(kNotStored.arg(model_.error()));
        return;
    }
    QString failure;
    {
        const hourglass::Scope busy;
        try {
            WorkingPair pair(folder_);
            failure = storeSheetModel(pair, area_, points(), datum_);
        } catch (const ArchiveError& e) {
            failure = e.italianMessage();
        }
    }
    if (!failure.isEmpty()) {
        dialogs().message(kNotStored.arg(failure));
        return;
    }
    emit stored(area_);
    close();
}

void CalibrationWindow::closeEvent(QCloseEvent* event) {
    setPick(Pick::None);
    layer_.setPoints({});
    layer_.setBorder({});
    emit closed();
    event->accept();
}

void CalibrationWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace orvena
