#pragma once

#include "core/geo/Readout.h"
#include "core/state/SharedTexts.h"

#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace orvena {

// The three changes the locality editor makes to the table localita.
enum class LocalityChange { Insert, Modify, Delete };

// What the editor's boxes hold when a change button is pressed.
struct LocalityForm {
    QString area;                  // cmbarea
    QString name;                  // cmbloc
    std::array<QString, 6> angles; // f2grla, f2mnla, f2secla, f2grlo, f2mnlo, f2seclo
    QString pixelX;                // f2px, as shown
    bool positionHeld = false;     // a position was taken on the map or read from a record
};

// The outcome of the checks: the message of the first check that fails (empty
// when all pass) and, when they pass, the six angles as whole numbers.
struct LocalityCheck {
    QString message;
    std::array<std::int32_t, 6> angles{};
    bool passed() const { return message.isEmpty(); }
};

// The checks run before a change, in their order, stopping at the first that
// fails:
//  - the name is upper-cased (also when a later check fails);
//  - the area and then the name must not be empty;
//  - an insert with all six angle boxes empty puts "1" into each of them;
//  - each angle must be a number in the locale (or with '.'), from 0 to 90
//    (latitude degrees; 180 for a delete), 60 (minutes, seconds) or 180
//    (longitude degrees), bounds included: "1e400", "abc" and an empty box
//    fail their own box's check;
//  - an insert needs a position (f2px not empty, and one held), a modify
//    refuses an f2px of "0".
// The form comes back with the upper-cased name and any defaulted angles, for
// the window to show. Accepted angles are rounded to whole numbers, ties to even.
LocalityCheck checkLocalityChange(LocalityChange change, LocalityForm& form,
                                  const QLocale& locale = QLocale());

// The six angle boxes for a position clicked on a sheet, at (at.x, at.y)
// with the scales in force (at.calibration.cola, colo): the stored calibration
// of the first AREA record named exactly area in folder's area.mdb (read
// through a SheetLookup) turned into latitude and longitude in the
// sheet's datum, rounded to whole seconds. Nothing when the sheet has no usable
// calibration or the position lies outside what the boxes accept.
std::optional<std::array<QString, 6>> anglesAtClick(const QString& folder, const QString& area,
                                                    ReadoutInput at);

// Whether all six angle boxes are empty.
bool anglesEmpty(const std::array<QString, 6>& angles);

// The editor's messages.
namespace localitytext {
inline const QString kAreaMissing = QStringLiteral("Manca nome file Area");
inline const QString kNameMissing = QStringLiteral("Manca Località");
inline const QString kPositionMissing = QStringLiteral("Manca la posizione in pixel.");
inline const QString kExists = QStringLiteral("Località già esistente.");
inline const QString& kNotFound = texts::kLocalityMissing;
inline const QString kInserted = QStringLiteral("Località inserita correttamente");
inline const QString kModified = QStringLiteral("Località modificata correttamente");
inline const QString kDeleted = QStringLiteral("Località eliminata correttamente");
// One per angle box, in the order of the boxes.
inline const std::array<QString, 6> kBadAngle = {
    QStringLiteral("Gradi latitudine errati."),   QStringLiteral("Minuti latitudine errati."),
    QStringLiteral("Secondi latitudine errati."), QStringLiteral("Gradi longitudine errati."),
    QStringLiteral("Minuti longitudine errati."), QStringLiteral("Secondi longitudine errati.")};
} // namespace localitytext

} // namespace orvena
