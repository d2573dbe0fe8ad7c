#include "core/search/FoldedNames.h"

#include "core/archive/ArchiveFailure.h"
#include "core/search/EditDistance.h"
#include "core/search/TextScan.h"

#include <array>

namespace orvena {

namespace {

// The edits a key of that many characters allows.
int editsAllowed(int keyCharacters) {
    return keyCharacters <= 2 ? 0 : keyCharacters <= 5 ? 1 : 2;
}

} // namespace

void FoldedNames::clear() {
    text_.clear();
    end_.clear();
    wordStarts_.clear();
    letters_.clear();
    pairs_.clear();
}

void FoldedNames::add(std::string_view name) {
    const FoldedShape shape = folder_.fold(name, text_);
    if (text_.size() > UINT32_MAX) {
        clear();
        throw ArchiveError(kTooManyNames);
    }
    end_.push_back(static_cast<Index>(text_.size()));
    wordStarts_.push_back(shape.wordStarts);
    letters_.push_back(shape.letters);
    pairs_.push_back(shape.pairs);
}

void FoldedNames::reserve(std::size_t names, std::size_t bytes) {
    text_.reserve(text_.size() + bytes);
    end_.reserve(end_.size() + names);
    wordStarts_.reserve(wordStarts_.size() + names);
    letters_.reserve(letters_.size() + names);
    pairs_.reserve(pairs_.size() + names);
}

void FoldedNames::squeeze() {
    text_.shrink_to_fit();
    end_.shrink_to_fit();
    wordStarts_.shrink_to_fit();
    letters_.shrink_to_fit();
    pairs_.shrink_to_fit();
}

std::string_view FoldedNames::text(Index i) const {
    return std::string_view(text_).substr(start(i), end_[i] - start(i));
}

// How a name that holds the key, first at byte at, holds it.
Closeness FoldedNames::holding(Index i, std::size_t at, std::string_view key) const {
    const std::size_t from = start(i);
    if (at == from) return end_[i] - from == key.size() ? Closeness::Equal : Closeness::Prefix;
    const std::string_view all(text_);
    for (; at != std::string_view::npos && at + key.size() <= end_[i];
         at = findIn(all, key, at + 1))
        if (at - from < 64 && (wordStarts_[i] >> (at - from) & 1)) return Closeness::WordPrefix;
    return Closeness::Contains;
}

std::vector<SimilarPlace> FoldedNames::similar(const QString& key, std::size_t limit) {
    FoldedShape keyShape;
    const std::string wanted = folder_.fold(key, &keyShape);
    if (wanted.empty() || limit == 0 || size() == 0) return {};

    // The places found so far, a list per closeness; none longer than limit.
    std::array<std::vector<Index>, 6> found;
    auto better = [&](Closeness c) { // how many places come before one of closeness c
        std::size_t n = 0;
        for (std::size_t k = 0; k <= static_cast<std::size_t>(c); ++k)
            n += found[k].size();
        return n;
    };
    auto keep = [&](Index i, Closeness c) {
        if (better(c) < limit) found[static_cast<std::size_t>(c)].push_back(i);
    };

    // The names that hold the key, in one scan.
    std::vector<Index> holders; // the first limit of them, in order
    std::size_t holding = 0;
    eachHolding(text_, end_, wanted, 0, static_cast<Index>(size()), [&](Index i, std::size_t at) {
        keep(i, this->holding(i, at, wanted));
        if (++holding <= limit) holders.push_back(i);
    });

    // Fewer than limit: the names a few edits away, while a later one can
    // still get in (one as close as limit earlier ones never does).
    const EditPattern pattern(wanted);
    int allowed = pattern.usable() ? editsAllowed(pattern.size()) : 0;
    auto room = [&] {
        while (allowed > 0 && better(static_cast<Closeness>(static_cast<int>(Closeness::Contains) +
                                                            allowed)) >= limit)
            --allowed;
    };
    room();
    auto holder = holders.begin();
    EditPattern::Memo memo;
    for (Index i = 0; i < size() && allowed > 0; ++i) {
        if (holder != holders.end() && *holder == i) {
            ++holder;
            continue;
        }
        if (!keyShape.mayReach({0, letters_[i], pairs_[i]}, allowed)) continue;
        const std::string_view name = text(i);
        if (static_cast<int>(name.size()) < pattern.size() - allowed) continue;
        const int edits = pattern.nearestRun(name, wordStarts_[i], allowed, &memo);
        if (edits > allowed) continue;
        // None away by nothing: it would hold the key.
        keep(i, edits <= 1 ? Closeness::OneEdit : Closeness::TwoEdits);
        room();
    }

    std::vector<SimilarPlace> best;
    for (std::size_t c = 0; c < found.size(); ++c)
        for (const Index i : found[c])
            if (best.size() < limit) best.push_back({i, static_cast<Closeness>(c)});
    return best;
}

std::size_t FoldedNames::bytes() const {
    return text_.capacity() + end_.capacity() * sizeof(Index) +
           wordStarts_.capacity() * sizeof(std::uint64_t) +
           letters_.capacity() * sizeof(std::uint32_t) + pairs_.capacity() * sizeof(std::uint64_t);
}

} // namespace orvena
