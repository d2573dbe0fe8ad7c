#include "app/TrackArguments.h"

#include "core/gis/TrackFile.h"
#include "ui/mainwindow/MainWindow.h"
#include "ui/mainwindow/TrackMenus.h"
#include "ui/map/TrackLayer.h"

#include <QFileInfo>

namespace orvena {

namespace {

constexpr const char* kTrackOption = "--traccia";

} // namespace

TrackArguments takeTrackArguments(const QStringList& arguments) {
    TrackArguments taken;
    bool inFiles = false;
    for (const QString& a : arguments) {
        if (a == QLatin1String(kTrackOption)) {
            inFiles = true;
            continue;
        }
        if (inFiles && !a.startsWith(QLatin1String("--")) &&
            (looksLikeTrackFile(a) || QFileInfo(a).isFile())) {
            taken.files << a;
            continue;
        }
        inFiles = false;
        taken.others << a;
    }
    return taken;
}

void openCommandLineTracks(MainWindow& window, const QStringList& files, bool placeGiven) {
    auto* tracks = window.findChild<TrackMenus*>();
    if (files.isEmpty() || !tracks) return;
    tracks->openFiles(files);
    if (!placeGiven && !tracks->tracks().empty() && !tracks->tracks().files()[0].tracks.empty())
        tracks->showTrackStart(0, 0);
}

} // namespace orvena
