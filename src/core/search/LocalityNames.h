#pragma once

#include "core/archive/RecordView.h"
#include "core/search/FoldedNames.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvena {

// The list line of one locality: its area cut or padded to 50 characters, two
// blanks, its name cut or padded to 50 characters (102 characters in all);
// line breaks, tabs and other control characters shown as blanks.
QString localityLine(const QString& area, const QString& locality);

// Every locality of a result, held compactly for a list of a whole large
// table: each area once, the names in one UTF-8 buffer and, once prepared for
// searching, the upper-cased names in another and the folded ones (for the
// search that forgives) in a third. A million places take a few tens of
// megabytes; list lines are built only when asked for.
//
// The places can be read a chunk at a time (readMore), so that a list shows
// its first lines before the rest is read, and prepared a chunk at a time
// (prepareMore); what is held stays the table's first places in its order.
class LocalityNames {
public:
    using Index = std::uint32_t;

    // The chunks of a list shown while it is read: the first holds more than a
    // screenful of lines, the others take a few milliseconds each.
    static constexpr std::size_t kFirstChunk = 512;
    static constexpr std::size_t kChunk = 65536;

    // Reads AREA and LOCALITA of every place of view's table, in the table's
    // order, in one go. ArchiveError on an engine failure (what was
    // held before is dropped).
    void read(RecordView& view);
    void clear();
    // Counts the times what was held was dropped (clear(), a reading started
    // again): an index into the names is good while it stays the same.
    std::uint64_t epoch() const { return epoch_; }

    // Reads the next places of view's table (the first ones after clear()),
    // at most rows of them. False once every place has been read. When the
    // file changed since the previous chunk (current() is false) what was
    // held is dropped and the reading starts again from the first place.
    // ArchiveError on an engine failure (everything held is dropped).
    bool readMore(RecordView& view, std::size_t rows);
    // Every place of the table has been read.
    bool complete() const { return complete_; }
    // Nothing has been written to view's file since the last chunk was read.
    bool current(const RecordView& view) const;

    // Upper-cases and folds at most names more of the places read. False once
    // every place read is prepared.
    bool prepareMore(std::size_t names);
    std::size_t preparedCount() const { return upperDone_; }

    std::size_t size() const { return areaOf_.size(); }
    QString area(Index i) const { return areas_[areaOf_[i]]; }
    QString name(Index i) const;
    QString line(Index i) const { return localityLine(area(i), name(i)); }

    // The records whose name upper-cased contains key upper-cased, in order
    // (every record for an empty key). Upper-casing follows the Unicode rules
    // of QString::toUpper on both sides; only names are searched, never areas.
    // Prepares every name read first.
    std::vector<Index> search(const QString& key);
    // The same a part at a time: appends to found the places first to
    // last - 1 that hold upperKey (searchKey()), which must be prepared.
    void searchIn(std::string_view upperKey, Index first, Index last,
                  std::vector<Index>& found) const;
    static QByteArray searchKey(const QString& key) { return key.toUpper().toUtf8(); }

    // The places whose names come closest to key when compared folded
    // (FoldedNames::similar). Prepares every name read first.
    std::vector<SimilarPlace> similar(const QString& key, std::size_t limit);

    // The memory the names take, in bytes.
    std::size_t bytes() const;

private:
    std::size_t nameStart(Index i) const { return i == 0 ? 0 : nameEnd_[i - 1]; }
    std::string_view nameBytes(Index i) const;
    Index areaIndex(std::string_view area);
    bool readChunk(RecordView& view, std::size_t rows);
    void upperCase(Index i);
    // Every name read, prepared in one go.
    void prepareAll();
    void appendUpper(std::string_view text, QByteArray& out);

    std::vector<QString> areas_; // each area text once
    std::vector<Index> areaOf_;  // per record: its area in areas_
    QByteArray names_;           // the names, one after the other
    std::vector<Index> nameEnd_; // per record: where its name ends in names_

    // While reading: each area's UTF-8 text once, and a table to find them;
    // the last row read; the file as it was then.
    std::vector<std::string> areaTexts_;
    std::vector<Index> areaSlots_;
    std::int64_t lastRow_ = 0;
    bool complete_ = false;
    RecordView::Stamp stamp_;
    std::uint64_t epoch_ = 0;

    Index upperDone_ = 0;         // the places prepared so far
    QByteArray upper_;            // the names upper-cased; empty while equal to names_
    std::vector<Index> upperEnd_; // the same for upper_; empty while equal to nameEnd_
    CharacterMemo upperMemo_{upperRule};
    QByteArray scratch_;
    FoldedNames folded_;
};

} // namespace orvena
