#pragma once

// Sheets and places read from the archives as values, through read-only
// connections of the look-up's own (on a server atlas, the program's kept
// connection to it): reading here never moves a record view.

#include "core/geo/Sheet.h"

#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace SQLite {
class Database;
}

namespace orvena {

// One place of a sheet as its localita record holds it: the six angles as the
// bound boxes show them (lat d, m, s, lon d, m, s), and its position on the
// sheet at zoom 100 in twips read by storedNumber().
struct Place {
    QString area;
    QString name;
    std::array<QString, 6> angles;
    std::optional<double> px, py;
};

class SheetLookup {
public:
    // folder: where area.mdb and localita.mdb are.
    explicit SheetLookup(QString folder);
    ~SheetLookup();
    SheetLookup(SheetLookup&&) noexcept;
    SheetLookup& operator=(SheetLookup&&) noexcept;

    // The first record (in the engine's order) whose AREA is exactly name,
    // letter case included, with the sheet's datum; a Sheet that does not
    // exist() when there is none. listed, when given, tells whether a record
    // has the name with letter case aside. ArchiveError naming the file when
    // the engine fails.
    Sheet sheet(const QString& name, bool* listed = nullptr) const;
    // The first record whose AREA is name with letter case aside, as the
    // engine finds it, under the name the record holds.
    Sheet sheetCaseBlind(const QString& name) const;
    // Every sheet's name, in the order the table gives them.
    QStringList sheetNames() const;
    // The sheet named on that side of of; one that does not exist() when the
    // link is empty or names no record.
    Sheet neighbour(const Sheet& of, Side side) const { return sheet(of.link(side)); }
    // The names of the places whose AREA is exactly area, in the order of
    // their names.
    QStringList places(const QString& area) const;
    // The first place of area named exactly name; nothing when there is none.
    std::optional<Place> place(const QString& area, const QString& name) const;
    // The places called name with letter case aside, of any sheet, in the
    // engine's order.
    std::vector<Place> placesNamed(const QString& name) const;

private:
    enum class Archive { Areas, Places };
    template <class Fn> auto reading(Archive archive, Fn&& fn) const;
    template <class Fn> auto serving(Archive archive, Fn&& fn) const;
    bool onServer() const;
    Sheet withDatum(Sheet sheet) const;

    QString folder_;
    // Read-only, kept open between reads (no statement outlives a read, so
    // they hold no lock while idle).
    mutable std::array<std::unique_ptr<SQLite::Database>, 2> connections_;
};

} // namespace orvena
