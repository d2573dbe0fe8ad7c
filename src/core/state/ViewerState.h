#pragma once


#include <QImage>
#include <QString>

#include <array>
#include <cstdint>

namespace orvena {

// A mode flag. Unset is different from Zero: some readers treat only "0" as off.
enum class Flag : std::uint8_t { Unset, Zero, One, Two };

// The stage of an area set-up: none under way ("0"), waiting for the first
// reference point ("1"), waiting for the second ("2"). No reader tells a step
// never set from "0", so None stands for both.
enum class SetupStep : std::uint8_t { None, FirstPoint, SecondPoint };

// The process-wide state of the map viewer, shared by every window. The main
// window owns the one instance and hands a reference to the others.
struct ViewerState {
    // The area being shown.
    QImage loadedPicture;
    std::int32_t naturalWidth = 0;  // twips, at zoom 100
    std::int32_t naturalHeight = 0; // twips, at zoom 100
    float latScale = 0.0f;          // COLA * zoom / 100
    float lonScale = 0.0f;          // COLO * zoom / 100
    Flag readoutEnabled = Flag::Unset;
    std::int32_t markerLeft = 0;
    std::int32_t markerTop = 0;
    std::int32_t pointerX = 0;
    std::int32_t pointerY = 0;
    std::array<QString, 6> readoutTexts; // lat d, m, s, lon d, m, s

    // Between the main window and the locality editor.
    Flag localityEditorOpen = Flag::Unset;
    Flag pixelCapture = Flag::Unset;
    float localityPixelX = 0.0f;
    float localityPixelY = 0.0f;

    // The area set-up.
    SetupStep setupStep = SetupStep::None;
    QString newAreaName;
    std::int16_t existingAreaAnswer = 0;
    std::int32_t firstPointX = 0;
    std::int32_t firstPointY = 0;
    std::int32_t secondPointX = 0;
    std::int32_t secondPointY = 0;
    bool secondPointClicked = false; // since the set-up started
    std::array<std::int32_t, 6> firstPointDms{};
    std::array<std::int32_t, 6> secondPointDms{};

    // The spinners' previous values.
    std::int16_t lastHScrollValue = 0;
    std::int16_t lastVScrollValue = 0;
};

} // namespace orvena
