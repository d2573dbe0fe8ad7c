#pragma once

#include "core/search/NameFolding.h"

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvena {

inline const QString kTooManyNames = QStringLiteral("Le località sono troppe per essere elencate.");

// How close a place's name comes to a typed key, both folded (NameFolder),
// best first.
enum class Closeness : std::uint8_t {
    Equal,      // the name is the key
    Prefix,     // the name begins with the key
    WordPrefix, // one of its words (or a run of them) begins with the key
    Contains,   // the key is somewhere inside it
    OneEdit,    // the name, or a run of its whole words, is one edit from the key
    TwoEdits,   // ... two edits
};

struct SimilarPlace {
    std::uint32_t place; // its index in the list
    Closeness closeness;
    friend bool operator==(const SimilarPlace&, const SimilarPlace&) = default;
};

// The names of a list of places folded, one after the other, for the search
// that forgives accents, apostrophes, blanks and small typing slips. A
// million names take about 40 MB.
class FoldedNames {
public:
    using Index = std::uint32_t;

    void clear();
    // Folds the next name (UTF-8) and keeps it. ArchiveError when the folded
    // names would pass 4 GB.
    void add(std::string_view name);
    // Room for names more names of bytes UTF-8 bytes in all; squeeze() gives
    // back what was not used.
    void reserve(std::size_t names, std::size_t bytes);
    void squeeze();
    std::size_t size() const { return end_.size(); }
    std::string_view text(Index i) const;

    // The places whose names come closest to key, at most limit of them: by
    // closeness, then in the list's order. Keys of one or two characters
    // allow no edit, of three to five one, longer ones two; a key that
    // folds to nothing finds nothing.
    std::vector<SimilarPlace> similar(const QString& key, std::size_t limit);

    std::size_t bytes() const;

private:
    std::size_t start(Index i) const { return i == 0 ? 0 : end_[i - 1]; }
    Closeness holding(Index i, std::size_t at, std::string_view key) const;

    NameFolder folder_;
    std::string text_;                      // the folded names, one after the other
    std::vector<Index> end_;                // per name: where it ends in text_
    std::vector<std::uint64_t> wordStarts_; // per name: FoldedShape::wordStarts
    std::vector<std::uint32_t> letters_;    // per name: FoldedShape::letters
    std::vector<std::uint64_t> pairs_;      // per name: FoldedShape::pairs
};

} // namespace orvena
