#pragma once

#include "core/base/Progress.h"

#include <QList>
#include <QString>

#include <utility>

#include <functional>

namespace orvena {

// For the tests: called at each named point of the work; returning true makes
// that point fail as a write to the disk would.
using FaultPoint = std::function<bool(const char* point)>;

// How a piece of work on the archives ended.
struct MaintenanceResult {
    enum class Outcome { Done, Cancelled, Failed };
    Outcome outcome = Outcome::Done;
    // For Failed: the archive concerned (bare file name) and the engine's
    // result code (an SQLITE_* code, extended codes allowed).
    QString file;
    int code = 0;
    // For a failure told as a sentence already (an ArchiveError): its text.
    QString text;
    // For a done import: the sheets that took the exchange file's datum, with
    // the code copied (as it is, known or not).
    QList<std::pair<QString, QString>> datumsCopied;

    bool done() const { return outcome == Outcome::Done; }
    // For Failed: what is wrong, as an Italian sentence naming the archive
    // ("L'archivio esparea.mdb è in uso da un altro programma.").
    QString problem() const;

    static MaintenanceResult failed(const QString& file, int code) {
        return {Outcome::Failed, file, code, {}, {}};
    }
    static MaintenanceResult failedWith(const QString& text) {
        return {Outcome::Failed, {}, 0, text, {}};
    }
    static MaintenanceResult cancelled() { return {Outcome::Cancelled, {}, 0, {}, {}}; }
};

} // namespace orvena
