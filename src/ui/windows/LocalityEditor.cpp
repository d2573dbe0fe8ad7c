// The locality editor: choosing a sheet shows it in the main window and lists
// its places; choosing a place fills the boxes; "Clicca la posizione" hides the
// editor until the map is clicked; the three change buttons check the boxes,
// look the place up by its exact area and name, write one record and list the
// sheet's places again.
#include "ui/windows/LocalityEditor.h"

#include "core/archive/FieldText.h"
#include "core/archive/RecordView.h"
#include "core/archive/SqlTexts.h"
#include "core/base/Dialogs.h"
#include "core/base/Hourglass.h"
#include "core/base/Numbers.h"
#include "core/geo/LocalityChecks.h"
#include "core/state/SharedTexts.h"
#include "ui/widgets/ActivationTracker.h"
#include "ui/widgets/ComboText.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

namespace orvena {

namespace {

const QString kObjectName = QStringLiteral("Form2");
const QString kCaption = QStringLiteral("Orvena - Aggiornamento località");
using texts::kSheetMissing;
const QString kWriteFailed = QStringLiteral("L'archivio delle località non è stato modificato. %1");

const QString kArea = QStringLiteral("AREA");
const QString kName = QStringLiteral("LOCALITA");
const QString kPx = QStringLiteral("PX");
const QString kPy = QStringLiteral("PY");
// The angle fields, in the order of the angle boxes.
const std::array<QString, 6> kAngleFields = {QStringLiteral("LAGR"), QStringLiteral("LAMN"),
                                             QStringLiteral("LASE"), QStringLiteral("LOGR"),
                                             QStringLiteral("LOMN"), QStringLiteral("LOSE")};

// A stored position read back from its bound text; nothing when the record
// has none (an empty field, as import leaves it) or holds no number.
std::optional<float> storedPosition(const QString& text) {
    const auto v = parseNumber(text, QLocale::c());
    if (!v || !std::isfinite(static_cast<float>(*v))) return std::nullopt;
    return static_cast<float>(*v);
}

const QString& doneMessage(LocalityChange kind) {
    switch (kind) {
    case LocalityChange::Insert:
        return localitytext::kInserted;
    case LocalityChange::Modify:
        return localitytext::kModified;
    case LocalityChange::Delete:
        break;
    }
    return localitytext::kDeleted;
}

} // namespace

LocalityEditor::LocalityEditor(QWidget& mainWindow, RecordView& areas, RecordView& localities,
                               ShowSheet showSheet)
    : QWidget(&mainWindow, Qt::Window)
    , mainWindow_(mainWindow)
    , data1_(areas)
    , data2_(localities)
    , showSheet_(std::move(showSheet)) {
    setObjectName(kObjectName);
    setWindowTitle(kCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    connectEvents();
    ActivationTracker::instance().registerWindow(this, [this] { Form_Activate(); });
    Form_Load();
}

LocalityEditor::~LocalityEditor() {
    ActivationTracker::instance().unregisterWindow(this);
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
}

QList<QLineEdit*> LocalityEditor::angleBoxes() const {
    return {f2grla, f2mnla, f2secla, f2grlo, f2mnlo, f2seclo};
}

void LocalityEditor::connectEvents() {
    connect(cmbarea, &QComboBox::activated, this, [this] { cmbarea_Click(); });
    connect(cmbloc, &QComboBox::activated, this, [this] { cmbloc_Click(); });
    connect(cmdpixel, &QPushButton::clicked, this, [this] { cmdpixel_Click(); });
    connect(cmdins, &QPushButton::clicked, this, [this] { cmdins_Click(); });
    connect(cmdmod, &QPushButton::clicked, this, [this] { cmdmod_Click(); });
    connect(cmdann, &QPushButton::clicked, this, [this] { cmdann_Click(); });
    connect(cmdesci, &QPushButton::clicked, this, [this] { cmdesci_Click(); });
}

void LocalityEditor::present() {
    show();
    raise();
    activateWindow();
    ActivationTracker::instance().windowActivated(this);
}

void LocalityEditor::backToMainWindow() {
    hide();
    mainWindow_.activateWindow();
    ActivationTracker::instance().windowActivated(&mainWindow_);
}

// Every area name, in the order the table gives them. The text typed or
// chosen stays.
void LocalityEditor::Form_Load() {
    data1_.setRecordSource(sql::kAreaList);
    data1_.refresh();
    combo::setLines(cmbarea, data1_.texts(kArea));
}

// Back from a position capture the editor shows the position taken; any
// other activation lists the areas again.
void LocalityEditor::Form_Activate() {
    if (!capturing_) {
        Form_Load();
        return;
    }
    capturing_ = false;
    emit captureChanged();
    // Opened from the menu instead of brought back by a click: nothing was taken.
    if (!captured_) return;
    captured_ = false;
    f2px->setText(realFieldText(position_.x));
    f2py->setText(realFieldText(position_.y));
    // A place typed without coordinates takes those of the point clicked.
    std::array<QString, 6> typed;
    const auto boxes = angleBoxes();
    for (std::size_t i = 0; i < typed.size(); ++i)
        typed[i] = boxes[qsizetype(i)]->text();
    if (!anglesEmpty(typed)) return;
    ReadoutInput at;
    at.x = std::int32_t(position_.x);
    at.y = std::int32_t(position_.y);
    at.calibration.cola = position_.latScale; // the scales in force
    at.calibration.colo = position_.lonScale;
    if (const auto angles = anglesAtClick(QDir::currentPath(), combo::text(cmbarea), at))
        for (std::size_t i = 0; i < typed.size(); ++i)
            boxes[qsizetype(i)]->setText((*angles)[i]);
}

void LocalityEditor::positionTaken(const TakenPosition& at) {
    position_ = at;
    captured_ = true;
    positionHeld_ = true;
    positionTakenOnMap_ = true;
    present();
}

// Shows the chosen sheet in the main window at its own size and lists its
// places in the order the table holds them. Without its picture the places
// are still listed, so they can be edited.
void LocalityEditor::cmbarea_Click() {
    hourglass::Scope busy;
    const QString area = combo::text(cmbarea);
    const bool shown = showSheet_(area);

    // The engine's filter ignores letter case; the exact comparison keeps the
    // area's own places.
    data2_.setRecordSource(sql::kLocalityOfAreaInTableOrder, {area});
    data2_.refresh();
    combo::setLines(cmbloc, data2_.texts(kName, kArea, area));
    listedArea_ = area;
    busy.end();
    if (!shown) dialogs().message(kSheetMissing);
}

void LocalityEditor::refreshKeepingState(bool areas, bool places) {
    if (!isVisible()) return;
    try {
        if (areas) Form_Load();
        if (!places || listedArea_.isEmpty()) return;
        data2_.setRecordSource(sql::kLocalityOfAreaInTableOrder, {listedArea_});
        data2_.refresh();
        combo::setLines(cmbloc, data2_.texts(kName, kArea, listedArea_));
    } catch (const ArchiveError&) {
        // The server cannot be read now: the next change tells why.
    }
}

// The chosen place into the boxes, and its stored position as the one held.
// A place not found changes nothing.
void LocalityEditor::cmbloc_Click() {
    const QString area = combo::text(cmbarea);
    const QString name = combo::text(cmbloc);
    if (!findLocality(area, name)) return;
    const QList<QLineEdit*> boxes = angleBoxes();
    for (qsizetype i = 0; i < boxes.size(); ++i)
        boxes[i]->setText(data2_.text(kAngleFields[std::size_t(i)]));
    f2py->setText(data2_.text(kPy));
    f2px->setText(data2_.text(kPx));

    const auto x = storedPosition(data2_.text(kPx));
    const auto y = storedPosition(data2_.text(kPy));
    positionHeld_ = x && y;
    positionTakenOnMap_ = false;
    heldArea_ = area;
    heldName_ = name;
    if (!positionHeld_) return;
    position_.x = *x;
    position_.y = *y;
}

// Hides the editor until the map is clicked: the main window's image click
// then hands the position over (positionTaken).
void LocalityEditor::cmdpixel_Click() {
    capturing_ = true;
    captured_ = false;
    emit captureChanged();
    backToMainWindow();
}

void LocalityEditor::cmdins_Click() {
    change(LocalityChange::Insert);
}

void LocalityEditor::cmdmod_Click() {
    change(LocalityChange::Modify);
}

void LocalityEditor::cmdann_Click() {
    change(LocalityChange::Delete);
}

void LocalityEditor::cmdesci_Click() {
    backToMainWindow();
    emit exited();
}

// Closed by its frame the editor goes away without exited(): the main
// window's read-out stays stopped.
void LocalityEditor::closeEvent(QCloseEvent* event) {
    unloaded_ = true;
    QWidget::closeEvent(event);
}

bool LocalityEditor::holdsPositionFor(const QString& area, const QString& name) const {
    return positionHeld_ && (positionTakenOnMap_ || (area == heldArea_ && name == heldName_));
}

// The checks, the exact lookup, the write of one record, the sheet's list
// again and the closing message. A refused change writes nothing.
void LocalityEditor::change(LocalityChange kind) {
    const QList<QLineEdit*> boxes = angleBoxes();
    LocalityForm form;
    form.area = combo::text(cmbarea);
    form.name = combo::text(cmbloc);
    for (qsizetype i = 0; i < boxes.size(); ++i)
        form.angles[std::size_t(i)] = boxes[i]->text();
    form.pixelX = f2px->text();
    form.positionHeld = holdsPositionFor(form.area, form.name.toUpper());

    const LocalityCheck check = checkLocalityChange(kind, form);
    combo::setText(cmbloc, form.name);
    for (qsizetype i = 0; i < boxes.size(); ++i)
        if (boxes[i]->text() != form.angles[std::size_t(i)])
            boxes[i]->setText(form.angles[std::size_t(i)]);
    if (!check.passed()) {
        dialogs().message(check.message);
        return;
    }

    try {
        // Left by a failure, the scope puts the hourglass back before the
        // message below.
        hourglass::Scope busy;
        const bool found = findLocality(form.area, form.name);
        if (kind == LocalityChange::Insert && found) {
            busy.end();
            dialogs().message(localitytext::kExists);
            return;
        }
        if (kind != LocalityChange::Insert && !found) {
            busy.end();
            dialogs().message(localitytext::kNotFound);
            return;
        }
        switch (kind) {
        case LocalityChange::Insert:
            data2_.addNew();
            writeRecord(form, check);
            break;
        case LocalityChange::Modify:
            data2_.edit();
            writeRecord(form, check);
            break;
        case LocalityChange::Delete:
            data2_.remove();
            break;
        }
    } catch (const ArchiveError& e) {
        dialogs().message(kWriteFailed.arg(QString::fromUtf8(e.what())));
        return;
    }
    cmbarea_Click();
    dialogs().message(doneMessage(kind));
}

bool LocalityEditor::findLocality(const QString& area, const QString& name) {
    data2_.setRecordSource(sql::kLocalityOfAreaByName, {area, name});
    data2_.refresh();
    return data2_.findExact({{kArea, area}, {kName, name}});
}

// The fields of the record being added or edited, in the order the program has
// always written them. A place keeps its stored position unless a position is
// held for it. A position taken on the map serves one place: once written it
// is that place's, and another place needs a click of its own.
void LocalityEditor::writeRecord(const LocalityForm& form, const LocalityCheck& values) {
    data2_.setField(kArea, form.area);
    data2_.setField(kName, form.name);
    for (std::size_t i = 0; i < kAngleFields.size(); ++i)
        data2_.setField(kAngleFields[i], values.angles[i]);
    const bool withPosition = holdsPositionFor(form.area, form.name);
    if (withPosition) {
        data2_.setField(kPx, double{position_.x});
        data2_.setField(kPy, double{position_.y});
    }
    data2_.update();
    if (!withPosition) return;
    positionTakenOnMap_ = false;
    heldArea_ = form.area;
    heldName_ = form.name;
}

} // namespace orvena
