// The locality editor's controls, on a grid in twips: the area and the place
// above, the angles in three columns under their headings, the position, and
// the buttons along the bottom.
#include "ui/windows/LocalityEditor.h"

#include "core/base/Twips.h"
#include "ui/widgets/Controls.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orvena {

namespace {

constexpr int kMargin = 120;
constexpr int kRowLabelWidth = 1335;
constexpr int kColumn[3] = {1560, 2520, 3480}; // degrees, minutes, seconds
constexpr int kColumnWidth = 855;
constexpr int kWidth = 6015;  // the window's inner width
constexpr int kHeight = 3675; // and height
constexpr int kButtonHeight = 375;

} // namespace

void LocalityEditor::buildControls() {
    using namespace controls;
    const int fullWidth = kWidth - 2 * kMargin;

    Label1 = label(this, "Label1", QStringLiteral("Area"), kMargin, 120, fullWidth);
    cmbarea = combo(this, "cmbarea", kMargin, 360, fullWidth);
    Label2 = label(this, "Label2", QStringLiteral("Località"), kMargin, 780, fullWidth);
    cmbloc = combo(this, "cmbloc", kMargin, 1020, fullWidth);

    Label3 = label(this, "Label3", QStringLiteral("Gradi"), kColumn[0], 1500, kColumnWidth);
    Label4 = label(this, "Label4", QStringLiteral("Min."), kColumn[1], 1500, kColumnWidth);
    Label5 = label(this, "Label5", QStringLiteral("Sec."), kColumn[2], 1500, kColumnWidth);

    Label6 = label(this, "Label6", QStringLiteral("Latitudine"), kMargin, 1800, kRowLabelWidth);
    f2grla = box(this, "f2grla", kColumn[0], 1770, kColumnWidth);
    f2mnla = box(this, "f2mnla", kColumn[1], 1770, kColumnWidth);
    f2secla = box(this, "f2secla", kColumn[2], 1770, kColumnWidth);

    Label7 = label(this, "Label7", QStringLiteral("Longitudine"), kMargin, 2190, kRowLabelWidth);
    f2grlo = box(this, "f2grlo", kColumn[0], 2160, kColumnWidth);
    f2mnlo = box(this, "f2mnlo", kColumn[1], 2160, kColumnWidth);
    f2seclo = box(this, "f2seclo", kColumn[2], 2160, kColumnWidth);

    Label8 = label(this, "Label8", QStringLiteral("Pixel"), kMargin, 2640, kRowLabelWidth);
    f2px = box(this, "f2px", kColumn[0], 2610, kColumnWidth);
    f2py = box(this, "f2py", kColumn[1], 2610, kColumnWidth);
    cmdpixel = button(this, "cmdpixel", QStringLiteral("Clicca la posizione"), kColumn[2], 2565,
                      kWidth - kMargin - kColumn[2], kButtonHeight);

    cmdins = button(this, "cmdins", QStringLiteral("Inserimento"), 120, 3180, 1365, kButtonHeight);
    cmdmod = button(this, "cmdmod", QStringLiteral("Modifica"), 1590, 3180, 1365, kButtonHeight);
    cmdann = button(this, "cmdann", QStringLiteral("Elimina"), 3060, 3180, 1365, kButtonHeight);
    cmdesci = button(this, "cmdesci", QStringLiteral("Esci"), 4530, 3180, 1365, kButtonHeight);

    setFixedSize(twips::toPixels(kWidth), twips::toPixels(kHeight));
}

} // namespace orvena
