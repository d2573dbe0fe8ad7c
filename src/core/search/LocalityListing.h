#pragma once

#include "core/search/LocalityNames.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace orvena {

// What the search window lists below its headings, built a step at a time so
// that the first lines show at once and the rest follow while the user
// already scrolls: every place, the places whose name holds a key, or, when
// none does, the places whose names come closest to it.
//
// Each step does a few milliseconds of work: reading the next chunk of the
// table, preparing the next names for searching, or searching the next
// names. The places listed only ever grow, unless the listing starts over
// (generation() changes): a new list or search, or a file that changed
// between two chunks of its reading.
class LocalityListing {
public:
    enum class Mode { Everything, Found, Similar };
    using Index = LocalityNames::Index;

    // The similar places listed at most.
    static constexpr std::size_t kSimilarPlaces = 50;

    // view: the records read (the main window's Data2). first, chunk: the
    // places read or searched in the first step and in each later one.
    explicit LocalityListing(RecordView& view, std::size_t first = LocalityNames::kFirstChunk,
                             std::size_t chunk = LocalityNames::kChunk);

    // Every place, in the table's order: what is held and still current is
    // listed at once. Then steps until a screenful is listed.
    void listAll();
    // The places whose name upper-cased holds key upper-cased; when the search
    // ends without any, the similar places. Then steps until a screenful is
    // listed or the search has ended.
    void search(const QString& key);
    // The next piece of work; false once there is none left. ArchiveError on
    // an engine failure (the names held are dropped and nothing is listed).
    bool step();
    bool busy() const;
    // The places listed are all there will be: what work is left only
    // prepares the names for searching.
    bool counted() const;
    // Nothing listed, nothing held (after a failure).
    void clear();

    Mode mode() const { return mode_; }
    // The key of the last search (empty while every place is listed).
    const QString& key() const { return key_; }
    std::uint64_t generation() const { return generation_; }
    std::size_t count() const;
    Index place(std::size_t row) const;
    const LocalityNames& names() const { return names_; }
    std::size_t bytes() const;

private:
    void startOver(Mode mode);
    void stepUntilScreenful();

    RecordView& view_;
    std::size_t first_;
    std::size_t chunk_;
    LocalityNames names_;
    Mode mode_ = Mode::Everything;
    std::uint64_t generation_ = 0;
    std::uint64_t epoch_ = 0; // names_.epoch() the listing was built on
    QString key_;
    QByteArray searchKey_;
    Index searched_ = 0;       // the names searched so far
    std::vector<Index> found_; // the places found so far
    std::vector<SimilarPlace> similar_;
    bool ended_ = false; // the search or the list has nothing left to do
};

} // namespace orvena
