#pragma once

#include <QColor>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace orvena {

class TrackLayer;

// The open tracks ("Tracce"): a line for each track with its file, length
// (geodesic, on WGS 84), time, moving time, ascent, descent, highest and
// lowest point; its box shows or hides it, "Colore…" gives it another
// colour, "Chiudi file" closes the file it came from. A click on a line asks
// for the sheet that holds its start (trackChosen). The list is the map's
// track layer, shown: it follows every change of it.
class TrackList : public QWidget {
    Q_OBJECT
public:
    TrackList(TrackLayer& layer, QWidget* parent = nullptr);

    QTableWidget* lista;
    QPushButton* cmdcolore;
    QPushButton* cmdprofilo;
    QPushButton* cmdimporta;
    QPushButton* cmdchiudi;
    QLabel* Label1; // the files open, or that none is

    // The track of the current line: its file and its place in it.
    struct Chosen {
        std::size_t file, track;
    };
    std::optional<Chosen> chosen() const;

    // How a colour is asked for (QColorDialog by default; the tests answer).
    void setColourChooser(std::function<QColor(const QColor&)> chooser);

    void refill();
    void cmdcolore_Click();
    void cmdchiudi_Click();

signals:
    void trackChosen(std::size_t file, std::size_t track);
    void profileAsked(std::size_t file, std::size_t track);
    void importAsked(std::size_t file);

private:
    TrackLayer& layer_;
    std::function<QColor(const QColor&)> chooseColour_;
    bool filling_ = false;
};

} // namespace orvena
