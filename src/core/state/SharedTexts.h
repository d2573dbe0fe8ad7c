#pragma once

#include <QString>

// The texts that more than one window shows, defined once.
namespace orvena::texts {

// The three captions of the main window's shared button cmdregcor, which tell
// its modes apart: a set-up's two stages and area deletion.
inline const QString kCaptionExit = QStringLiteral("Esci");
inline const QString kCaptionRegister = QStringLiteral("Registra");
inline const QString kCaptionDelete = QStringLiteral("Elimina");

// The end of a set-up, by two points or from the file's own georeferencing.
inline const QString kSetupDone = QStringLiteral("Set up effettuato correttamente.");

inline const QString kSheetMissing =
    QStringLiteral("La cartina selezionata non è presente nella cartella,");
inline const QString kAreaNotFound = QStringLiteral("Area non trovata");
inline const QString kLocalityMissing = QStringLiteral("Località inesistente.");

} // namespace orvena::texts
