#pragma once

#include <QStringList>

namespace orvena {

class MainWindow;

// "--traccia FILE..." among the program's arguments: the files after it, up
// to the next option or the first argument that is neither a file there nor
// named as a track file (the place name, which may follow them).
struct TrackArguments {
    QStringList others; // the arguments left, the place name among them
    QStringList files;
};
TrackArguments takeTrackArguments(const QStringList& arguments);

// The files opened on the started window; without a place given, the sheet
// where the first track starts is shown.
void openCommandLineTracks(MainWindow& window, const QStringList& files, bool placeGiven);

} // namespace orvena
