#pragma once

#include "core/archive/RecordView.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace orvena {

// The list line of one locality: its area cut or padded to 50 characters, two
// blanks, its name cut or padded to 50 characters (102 characters in all).
QString localityLine(const QString& area, const QString& locality);

// Every locality of a result, held compactly for a list of a whole large
// table: each area once, the names in one UTF-8 buffer and, once a search
// needs them, the upper-cased names in another. A million places take a few
// tens of megabytes; list lines are built only when asked for.
class LocalityNames {
public:
    using Index = std::uint32_t;

    // Reads AREA and LOCALITA of every place of view's table, in the table's
    // order. ArchiveError on an engine failure (what was held before is dropped).
    void read(RecordView& view);
    void clear();

    std::size_t size() const { return areaOf_.size(); }
    QString area(Index i) const { return areas_[areaOf_[i]]; }
    QString name(Index i) const;
    QString line(Index i) const { return localityLine(area(i), name(i)); }

    // The records whose name upper-cased contains key upper-cased, in order
    // (every record for an empty key). Upper-casing follows the Unicode rules
    // of QString::toUpper on both sides; only names are searched, never areas.
    // The names are upper-cased on the first search after read().
    std::vector<Index> search(const QString& key);
    bool folded() const { return folded_; }
    void fold();

    // The memory the names take, in bytes.
    std::size_t bytes() const;

private:
    std::size_t nameStart(Index i) const { return i == 0 ? 0 : nameEnd_[i - 1]; }

    std::vector<QString> areas_; // each area text once
    std::vector<Index> areaOf_;  // per record: its area in areas_
    QByteArray names_;           // the names, one after the other
    std::vector<Index> nameEnd_; // per record: where its name ends in names_
    bool folded_ = false;
    QByteArray upper_;            // the names upper-cased; empty when equal to names_
    std::vector<Index> upperEnd_; // the same for upper_; empty when equal to nameEnd_
};

} // namespace orvena
