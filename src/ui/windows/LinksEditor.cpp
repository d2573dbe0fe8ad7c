#include "ui/windows/LinksEditor.h"

#include "core/archive/AreaDatums.h"
#include "core/archive/RecordView.h"
#include "core/archive/SqlTexts.h"
#include "core/base/Dialogs.h"
#include "core/base/Numbers.h"
#include "core/base/Twips.h"
#include "core/geo/SheetPosition.h"
#include "ui/widgets/ActivationTracker.h"
#include "ui/widgets/ComboText.h"
#include "ui/widgets/Controls.h"
#include "ui/widgets/DatumChoice.h"
#include "ui/widgets/MapImage.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>

namespace orvena {

namespace {

const QString kStored = QStringLiteral("Collegamenti modificati.");
const QString kNoRecord = QStringLiteral("L'area mostrata non ha un record nell'archivio delle "
                                         "aree: i collegamenti non sono stati modificati.");
const QString kStoreFailed = QStringLiteral("I collegamenti non sono stati modificati. %1");
const QString kAreaCaption = QStringLiteral("AREA: ");
const QString kProjChoice = QStringLiteral("%1 (scelta di PROJ)");
const QString kNotOffered = QStringLiteral("%1 (non offerta da PROJ per questo foglio)");

using controls::label;

QComboBox* editableCombo(QWidget* parent, const char* name, int left, int top, int width) {
    return controls::combo(parent, name, left, top, width);
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left, int top) {
    return controls::button(parent, name, caption, left, top, 1215, 375);
}

} // namespace

LinksEditor::LinksEditor(QComboBox& areaBox, const MapImage& image, RecordView& data1,
                         QWidget* parent)
    : QWidget(parent, Qt::Window)
    , areaBox_(areaBox)
    , image_(image)
    , data1_(data1) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Form4"));
    // Closed by its frame it is unloaded; the next opening builds it again.
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips::toPixels(10200), twips::toPixels(4080));

    Label1 = label(this, "Label1", kAreaCaption, 240, 240, 4320);
    Label2 = label(this, "Label2", QStringLiteral("Nord"), 240, 900, 840);
    cmbnord = editableCombo(this, "cmbnord", 1200, 840, 3360);
    Label3 = label(this, "Label3", QStringLiteral("Est"), 240, 1500, 840);
    cmbest = editableCombo(this, "cmbest", 1200, 1440, 3360);
    Label4 = label(this, "Label4", QStringLiteral("Sud"), 240, 2100, 840);
    cmbsud = editableCombo(this, "cmbsud", 1200, 2040, 3360);
    Label5 = label(this, "Label5", QStringLiteral("Ovest"), 240, 2700, 840);
    cmbovest = editableCombo(this, "cmbovest", 1200, 2640, 3360);
    Label6 = label(this, "Label6", QStringLiteral("Datum"), 4800, 900, 840);
    cmbdatum = datumchoice::create(this, "cmbdatum", 5640, 840, 4320);
    Label7 = label(this, "Label7", QStringLiteral("Trasformazione"), 4800, 1500, 840);
    cmbtrasf = new QComboBox(this);
    controls::place(cmbtrasf, "cmbtrasf", 5640, 1440, 4320, controls::kComboHeight);
    // Its lines are long (name, accuracy, area of use): the list is as wide
    // as they are.
    cmbtrasf->view()->setMinimumWidth(twips::toPixels(8000));
    cmdmod = button(this, "cmdmod", QStringLiteral("Modifica"), 1200, 3360);
    cmdesci = button(this, "cmdesci", QStringLiteral("Esci"), 3345, 3360);

    connect(cmbdatum, &QComboBox::activated, this, [this] { showOperations(QString()); });
    connect(cmdmod, &QPushButton::clicked, this, [this] { cmdmod_Click(); });
    connect(cmdesci, &QPushButton::clicked, this, [this] { cmdesci_Click(); });
    ActivationTracker::instance().registerWindow(this, [this] { Form_Activate(); });
}

LinksEditor::~LinksEditor() {
    ActivationTracker::instance().unregisterWindow(this);
}

bool LinksEditor::findRecord(const QString& name) {
    data1_.setRecordSource(sql::kAreaByName, {name});
    data1_.refresh();
    return data1_.findExact(QStringLiteral("AREA"), name);
}

void LinksEditor::listAreas() {
    data1_.setRecordSource(sql::kAreaList);
    data1_.refresh();
    const QStringList names = data1_.texts(QStringLiteral("AREA"));
    for (QComboBox* box : {cmbnord, cmbest, cmbsud, cmbovest})
        combo::setLines(box, names);
}

void LinksEditor::Form_Activate() {
    const std::array<QComboBox*, 4> boxes{cmbnord, cmbest, cmbsud, cmbovest};
    for (QComboBox* box : boxes)
        combo::clear(box);
    hasRecord_ = false;
    recordArea_.clear();
    datumchoice::show(cmbdatum, QString());
    extent_.reset();
    showOperations(QString());

    const QString area = combo::text(&areaBox_);
    // The label follows the area the links are read from, also when another
    // area was chosen in the main window since the editor opened.
    Label1->setText(kAreaCaption + area);
    try {
        listAreas();

        if (!findRecord(area)) return;
        hasRecord_ = true;
        recordArea_ = area;

        // A record without a scale leaves the one in force.
        const auto cola = parseNumber(data1_.text(QStringLiteral("COLA")), QLocale::c());
        const auto colo = parseNumber(data1_.text(QStringLiteral("COLO")), QLocale::c());
        emit recordRead(QSizeF(image_.widthTwips(), image_.heightTwips()), cola, colo);

        const auto number = [this](const char* field) {
            return parseNumber(data1_.text(QString::fromLatin1(field)), QLocale::c());
        };
        const auto pxlao = number("PXLAO"), seclao = number("SECLAO");
        const auto pxloo = number("PXLOO"), secloo = number("SECLOO");
        if (cola && colo && pxlao && seclao && pxloo && secloo)
            extent_ =
                sheetExtent({0, 0, float(*cola), float(*colo), *pxlao, *seclao, *pxloo, *secloo},
                            int(twips::fromPixels(image_.composition().size().width())),
                            int(twips::fromPixels(image_.composition().size().height())));
        showRecord(true);
    } catch (const ArchiveError& e) {
        dialogs().message(e.italianMessage());
    }
}

void LinksEditor::showRecord(bool all) {
    const std::array<QComboBox*, 4> boxes{cmbnord, cmbest, cmbsud, cmbovest};
    const std::array<const char*, 4> fields{"NORD", "EST", "SUD", "OVEST"};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const QString stored = data1_.text(QString::fromLatin1(fields[i]));
        if (all || combo::text(boxes[i]) == readLinks_[i]) combo::setText(boxes[i], stored);
        readLinks_[i] = stored;
    }
    const bool datumAsRead = datumchoice::code(cmbdatum) == readDatum_ &&
                             cmbtrasf->currentData().toString() == readOperation_;
    const areadatums::SheetDatum stored = areadatums::readIn(QDir::currentPath(), recordArea_);
    if (all || datumAsRead) {
        datumchoice::show(cmbdatum, stored.code);
        showOperations(stored.operation);
        readDatum_ = datumchoice::code(cmbdatum);
        readOperation_ = cmbtrasf->currentData().toString();
    }
}

void LinksEditor::refreshKeepingState() {
    if (!isVisible()) return;
    try {
        listAreas();
        if (hasRecord_ && findRecord(recordArea_)) showRecord(false);
    } catch (const ArchiveError&) {
        // The server cannot be read now: "Modifica" tells why.
    }
}

void LinksEditor::cmdmod_Click() {
    // Only the record found for the shown area is ever written. Data1 is
    // shared with the other windows, so it is stood on that record again.
    if (!hasRecord_) {
        dialogs().message(kNoRecord);
        return;
    }
    try {
        if (!findRecord(recordArea_)) {
            dialogs().message(kNoRecord);
            return;
        }
        // The links and the datum go in one transaction.
        areadatums::storeWithRecord(
            data1_, recordArea_, datumchoice::code(cmbdatum), cmbtrasf->currentData().toString(),
            [this] {
                data1_.edit();
                data1_.setField(QStringLiteral("NORD"), combo::text(cmbnord));
                data1_.setField(QStringLiteral("EST"), combo::text(cmbest));
                data1_.setField(QStringLiteral("SUD"), combo::text(cmbsud));
                data1_.setField(QStringLiteral("OVEST"), combo::text(cmbovest));
                data1_.update();
            });
        data1_.refresh();
        findRecord(recordArea_);
    } catch (const ArchiveError& e) {
        dialogs().message(kStoreFailed.arg(e.italianMessage()));
        return;
    }
    emit stored(recordArea_);
    dialogs().message(kStored);
}

void LinksEditor::showOperations(const QString& key) {
    cmbtrasf->clear();
    const auto datum = datumchoice::chosen(cmbdatum);
    std::vector<DatumOperation> offered;
    if (datum && *datum != Datum::Wgs84 && extent_) offered = datumOperations(*datum, *extent_);
    for (std::size_t i = 0; i < offered.size(); ++i) {
        const QString text = operationText(offered[i]);
        cmbtrasf->addItem(i == 0 ? kProjChoice.arg(text) : text,
                          i == 0 ? QString() : offered[i].key);
        cmbtrasf->setItemData(int(i), text, Qt::ToolTipRole);
    }
    const QString wanted = !offered.empty() && key == offered.front().key ? QString() : key;
    // A choice PROJ no longer offers here is kept as it was stored.
    if (!wanted.isEmpty() && cmbtrasf->findData(wanted) < 0)
        cmbtrasf->addItem(kNotOffered.arg(wanted), wanted);
    cmbtrasf->setCurrentIndex(std::max(0, cmbtrasf->findData(wanted)));
    cmbtrasf->setEnabled(cmbtrasf->count() > 1);
}

void LinksEditor::cmdesci_Click() {
    hide();
}

void LinksEditor::present() {
    Label1->setText(kAreaCaption + combo::text(&areaBox_));
    show();
    raise();
    activateWindow();
    ActivationTracker::instance().windowActivated(this);
}

} // namespace orvena
