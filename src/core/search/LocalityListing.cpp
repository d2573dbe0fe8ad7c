#include "core/search/LocalityListing.h"

#include <algorithm>

namespace orvena {

LocalityListing::LocalityListing(RecordView& view, std::size_t first, std::size_t chunk)
    : view_(view)
    , first_(std::max<std::size_t>(first, 1))
    , chunk_(std::max<std::size_t>(chunk, 1)) {}

void LocalityListing::startOver(Mode mode) {
    // What is held is listed again only while the file is unchanged.
    if (!names_.current(view_)) names_.clear();
    epoch_ = names_.epoch();
    mode_ = mode;
    ++generation_;
    key_.clear();
    searchKey_.clear();
    searched_ = 0;
    found_.clear();
    similar_.clear();
    ended_ = false;
}

void LocalityListing::clear() {
    names_.clear();
    startOver(Mode::Everything);
    ended_ = true;
}

void LocalityListing::listAll() {
    startOver(Mode::Everything);
    stepUntilScreenful();
}

void LocalityListing::search(const QString& key) {
    startOver(Mode::Found);
    key_ = key;
    searchKey_ = LocalityNames::searchKey(key);
    stepUntilScreenful();
}

void LocalityListing::stepUntilScreenful() {
    while (count() < first_ && step()) {
    }
}

bool LocalityListing::busy() const {
    if (ended_) return false;
    return mode_ != Mode::Everything || !names_.complete() ||
           names_.preparedCount() < names_.size();
}

bool LocalityListing::counted() const {
    return mode_ == Mode::Everything ? names_.complete() || ended_ : !busy();
}

bool LocalityListing::step() {
    if (!busy()) return false;
    try {
        // A search goes through the names as they are read and prepared; the
        // full list prepares them only once it is all there.
        const bool searching = mode_ != Mode::Everything;
        const bool unprepared = names_.preparedCount() < names_.size();
        if (searching && searched_ < names_.preparedCount()) {
            const auto last = static_cast<Index>(
                std::min<std::size_t>(names_.preparedCount(), searched_ + chunk_));
            names_.searchIn(std::string_view(searchKey_.constData(),
                                             static_cast<std::size_t>(searchKey_.size())),
                            searched_, last, found_);
            searched_ = last;
        } else if (searching && unprepared) {
            names_.prepareMore(chunk_);
        } else if (!names_.complete()) {
            names_.readMore(view_, names_.size() == 0 ? first_ : chunk_);
            if (names_.epoch() != epoch_) {
                // The file changed under the reading, which started again.
                epoch_ = names_.epoch();
                ++generation_;
                searched_ = 0;
                found_.clear();
            }
        } else if (unprepared) {
            names_.prepareMore(chunk_);
        } else {
            // Every name searched: nothing found, the similar ones.
            if (mode_ == Mode::Found && found_.empty() && !key_.isEmpty()) {
                similar_ = names_.similar(key_, kSimilarPlaces);
                if (!similar_.empty()) {
                    mode_ = Mode::Similar;
                    ++generation_;
                }
            }
            ended_ = true;
        }
    } catch (...) {
        clear();
        throw;
    }
    return busy();
}

std::size_t LocalityListing::count() const {
    switch (mode_) {
    case Mode::Everything:
        return names_.size();
    case Mode::Found:
        return found_.size();
    case Mode::Similar:
        return similar_.size();
    }
    return 0;
}

LocalityListing::Index LocalityListing::place(std::size_t row) const {
    switch (mode_) {
    case Mode::Everything:
        return static_cast<Index>(row);
    case Mode::Found:
        return found_[row];
    case Mode::Similar:
        return similar_[row].place;
    }
    return 0;
}

std::size_t LocalityListing::bytes() const {
    return names_.bytes() + found_.capacity() * sizeof(Index) +
           similar_.capacity() * sizeof(SimilarPlace);
}

} // namespace orvena
