#pragma once

#include "core/geo/Calibration.h"
#include "core/geo/SetupChecks.h"

#include <QPoint>
#include <QString>

#include <cstdint>

namespace orvena {

// The set-up of an area from two reference points, as a mode over the map:
// the area's name and whether it is re-calibrated, the stage reached, what
// the shared button's press does, the two points clicked (twips on the
// image) and the angles accepted for each. The main window shows the
// set-up's boxes, messages and the button (its caption follows registers());
// this object keeps the set-up's state.
//
//   stage        registers  the button  a click on the map
//   Idle         -          hidden      nothing            no set-up
//   FirstPoint   no         "Esci"      the first point    its angles still to check
//   FirstPoint   yes        "Registra"  the first point    angles checked, not clicked
//   SecondPoint  yes        "Registra"  the second point   "Registra" stores
//   SecondPoint  no         "Esci"      recorded only      first angles refused
//   Idle         no         "Esci"      nothing            refused before a click
class AreaSetupMode {
public:
    enum class Stage : std::uint8_t { Idle, FirstPoint, SecondPoint };

    Stage stage() const { return stage_; }
    // Whether the button's press stores the calibration ("Registra") rather
    // than leaving the set-up ("Esci").
    bool registers() const { return registers_; }

    // "Nuova Area" chose an image: the area to set up, and whether an area of
    // that name exists (the question about it was asked: it is re-calibrated).
    void chooseArea(const QString& name) {
        name_ = name;
        recalibrates_ = false;
    }
    void setRecalibrates(bool on) { recalibrates_ = on; }
    const QString& areaName() const { return name_; }
    bool recalibrates() const { return recalibrates_; }

    // A set-up starts: the first point awaited, no second one clicked yet.
    void start();
    // The first point's click; its typed angles accepted (the button stores
    // from now on) or refused (the set-up stops taking points); after the
    // click, the second point is awaited whatever the angles were.
    void takeFirstPoint(QPoint at);
    void acceptFirstPoint(const CoordinateValues& angles);
    void refuseFirstPoint() { stage_ = Stage::Idle; }
    void awaitSecondPoint() { stage_ = Stage::SecondPoint; }
    // A click once the first point is taken (the last one before "Registra"
    // counts); whether one came since the first point's click.
    void takeSecondPoint(QPoint at);
    bool secondPointTaken() const { return secondTaken_; }
    // The calibration the two points give with the second point's angles;
    // keepSecondAngles() holds the angles that "Registra" stores.
    CalibrationResult calibrationWith(const CoordinateValues& secondAngles) const;
    void keepSecondAngles(const CoordinateValues& angles) { secondAngles_ = angles; }
    CalibrationResult calibration() const { return calibrationWith(secondAngles_); }
    // The set-up ends, stored or left.
    void end() { stage_ = Stage::Idle; }

    QPoint firstPoint() const { return first_; }
    QPoint secondPoint() const { return second_; }
    const CoordinateValues& firstAngles() const { return firstAngles_; }
    const CoordinateValues& secondAngles() const { return secondAngles_; }

private:
    Stage stage_ = Stage::Idle;
    bool registers_ = false;
    QString name_;
    bool recalibrates_ = false;
    QPoint first_;
    QPoint second_;
    bool secondTaken_ = false;
    CoordinateValues firstAngles_{};
    CoordinateValues secondAngles_{};
};

// The delete mode ("Elimina Area"): while it is on, the shared button reads
// "Elimina", choosing an area only names it, and the press deletes it. The
// set-up taking the button back ends it, as does the main window's load.
class AreaDeletionMode {
public:
    bool on() const { return on_; }
    void enter() { on_ = true; }
    void leave() { on_ = false; }

private:
    bool on_ = false;
};

} // namespace orvena
