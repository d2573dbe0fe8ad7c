#include "core/search/LocalityNames.h"

#include "core/archive/SqlTexts.h"
#include "core/base/FixedText.h"
#include "core/search/TextScan.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace orvena {

namespace {

// A quick hash of an area's name: its length and its last eight bytes, where
// the names of a series of sheets differ (their numbers, before the
// extension); a collision costs only a comparison more.
std::size_t areaHash(std::string_view area) {
    std::uint64_t tail = 0;
    const std::size_t n = std::min<std::size_t>(area.size(), 8);
    std::memcpy(&tail, area.data() + area.size() - n, n);
    const std::uint64_t h = (tail ^ (area.size() * 0x9e3779b97f4a7c15ULL)) * 0xff51afd7ed558ccdULL;
    return static_cast<std::size_t>(h ^ (h >> 29));
}

// A position in a buffer as an index: the buffers never pass 4 GB.
LocalityNames::Index index(std::size_t n) {
    if (n > UINT32_MAX) throw ArchiveError(kTooManyNames);
    return static_cast<LocalityNames::Index>(n);
}

} // namespace

QString localityLine(const QString& area, const QString& locality) {
    // A line break or tab stored in a name would break the list's columns.
    const auto oneLine = [](QString text) {
        for (QChar& c : text)
            if (c.category() == QChar::Other_Control) c = u' ';
        return text;
    };
    const Text50 a(oneLine(area));
    const Text50 l(oneLine(locality));
    return a.text() + QLatin1String("  ") + l.text();
}

void LocalityNames::clear() {
    ++epoch_;
    areas_.clear();
    areaOf_.clear();
    names_.clear();
    nameEnd_.clear();
    areaTexts_.clear();
    areaSlots_.clear();
    lastRow_ = 0;
    complete_ = false;
    stamp_ = {};
    upperDone_ = 0;
    upper_.clear();
    upperEnd_.clear();
    folded_.clear();
}

bool LocalityNames::current(const RecordView& view) const {
    return stamp_.known() && view.stamp() == stamp_;
}

LocalityNames::Index LocalityNames::areaIndex(std::string_view area) {
    // Places of one area often come together.
    if (!areaOf_.empty() && area == areaTexts_[areaOf_.back()]) return areaOf_.back();
    // Open addressing over a table of a power of two slots, each the index of
    // an area + 1 (0 for none).
    if (areaSlots_.size() < 2 * (areas_.size() + 1)) {
        std::vector<Index> table(std::max<std::size_t>(64, 2 * areaSlots_.size()), 0);
        for (Index a = 0; a < areas_.size(); ++a) {
            std::size_t at = areaHash(areaTexts_[a]) & (table.size() - 1);
            while (table[at] != 0)
                at = (at + 1) & (table.size() - 1);
            table[at] = a + 1;
        }
        areaSlots_ = std::move(table);
    }
    std::size_t at = areaHash(area) & (areaSlots_.size() - 1);
    for (; areaSlots_[at] != 0; at = (at + 1) & (areaSlots_.size() - 1))
        if (areaTexts_[areaSlots_[at] - 1] == area) return areaSlots_[at] - 1;
    const Index added = index(areas_.size());
    areaSlots_[at] = added + 1;
    const std::string& kept = areaTexts_.emplace_back(area);
    areas_.push_back(QString::fromUtf8(kept.data(), static_cast<qsizetype>(kept.size())));
    return added;
}

bool LocalityNames::readMore(RecordView& view, std::size_t rows) {
    if (complete_ || !areaOf_.empty()) {
        if (!current(view))
            clear();
        else if (complete_)
            return false;
    }
    // A file that cannot tell whether it changed is read to its end at once.
    while (readChunk(view, std::max<std::size_t>(rows, 1)) && !stamp_.known()) {
    }
    return !complete_;
}

bool LocalityNames::readChunk(RecordView& view, std::size_t rows) {
    rows = std::min<std::size_t>(rows, std::numeric_limits<std::int64_t>::max());
    std::size_t read = 0;
    try {
        view.readKeyedTexts(
            sql::kLocalityNamesAfterRow, {QString::number(lastRow_), QString::number(rows)},
            [&](std::int64_t row, const std::string_view* fields) {
                lastRow_ = row;
                areaOf_.push_back(areaIndex(fields[0]));
                names_.append(fields[1].data(), static_cast<qsizetype>(fields[1].size()));
                nameEnd_.push_back(index(static_cast<std::size_t>(names_.size())));
                ++read;
            });
        if (areaOf_.size() > UINT32_MAX) throw ArchiveError(kTooManyNames);
        stamp_ = view.stamp();
    } catch (...) {
        clear();
        throw;
    }
    if (read < rows) {
        complete_ = true;
        areaTexts_ = {};
        areaSlots_ = {};
        areas_.shrink_to_fit();
        areaOf_.shrink_to_fit();
        names_.squeeze();
        nameEnd_.shrink_to_fit();
    }
    return !complete_;
}

void LocalityNames::read(RecordView& view) {
    clear();
    readMore(view, std::numeric_limits<std::size_t>::max());
}

std::string_view LocalityNames::nameBytes(Index i) const {
    const std::size_t start = nameStart(i);
    return std::string_view(names_.constData() + start, nameEnd_[i] - start);
}

QString LocalityNames::name(Index i) const {
    const std::string_view bytes = nameBytes(i);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

void LocalityNames::appendUpper(std::string_view text, QByteArray& out) {
    if (!orvena::appendUpper(text, out, upperMemo_))
        out.append(
            QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUpper().toUtf8());
}

// Names stored in capitals, as the editor writes them, need no second copy:
// upper_ stays empty until the first name that changes.
void LocalityNames::upperCase(Index i) {
    const std::string_view text = nameBytes(i);
    if (upper_.isEmpty()) {
        const bool capitals = std::all_of(text.begin(), text.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80 && (c < 'a' || c > 'z');
        });
        if (capitals) return;
        scratch_.clear();
        appendUpper(text, scratch_);
        if (scratch_ == QByteArrayView(text.data(), static_cast<qsizetype>(text.size()))) return;
        upper_ = names_.left(static_cast<qsizetype>(nameStart(i)));
        upper_.reserve(names_.size() + names_.size() / 8);
        upper_.append(scratch_);
    } else {
        appendUpper(text, upper_);
    }
    const Index end = index(static_cast<std::size_t>(upper_.size()));
    // Ends are kept apart only from the first name whose length changed.
    if (upperEnd_.empty() && end != nameEnd_[i])
        upperEnd_.assign(nameEnd_.begin(), nameEnd_.begin() + i);
    if (!upperEnd_.empty()) upperEnd_.push_back(end);
}

bool LocalityNames::prepareMore(std::size_t names) {
    const Index last = static_cast<Index>(
        std::min<std::size_t>(size(), upperDone_ + std::min<std::size_t>(names, size())));
    if (complete_ && upperDone_ == 0 && last > 0) {
        // The whole list is known: room for all of it at once.
        folded_.reserve(size(), static_cast<std::size_t>(names_.size()));
        upperEnd_.reserve(size());
    }
    try {
        for (Index i = upperDone_; i < last; ++i) {
            upperCase(i);
            folded_.add(nameBytes(i));
        }
    } catch (...) {
        clear();
        throw;
    }
    upperDone_ = last;
    if (complete_ && upperDone_ == size()) {
        upper_.squeeze();
        upperEnd_.shrink_to_fit();
        folded_.squeeze();
    }
    return upperDone_ < size();
}

void LocalityNames::searchIn(std::string_view upperKey, Index first, Index last,
                             std::vector<Index>& found) const {
    if (upperKey.empty()) {
        for (Index i = first; i < last; ++i)
            found.push_back(i);
        return;
    }
    const QByteArray& buffer = upper_.isEmpty() ? names_ : upper_;
    const std::vector<Index>& ends = upperEnd_.empty() ? nameEnd_ : upperEnd_;
    eachHolding(std::string_view(buffer.constData(), static_cast<std::size_t>(buffer.size())), ends,
                upperKey, first, last, [&](Index i, std::size_t) { found.push_back(i); });
}

void LocalityNames::prepareAll() {
    prepareMore(std::numeric_limits<std::size_t>::max());
}

std::vector<LocalityNames::Index> LocalityNames::search(const QString& key) {
    prepareAll();
    const QByteArray wanted = searchKey(key);
    std::vector<Index> found;
    searchIn(std::string_view(wanted.constData(), static_cast<std::size_t>(wanted.size())), 0,
             static_cast<Index>(size()), found);
    return found;
}

std::vector<SimilarPlace> LocalityNames::similar(const QString& key, std::size_t limit) {
    prepareAll();
    return folded_.similar(key, limit);
}

std::size_t LocalityNames::bytes() const {
    std::size_t total = 0;
    for (const QString& a : areas_)
        total += sizeof(QString) + static_cast<std::size_t>(a.capacity()) * sizeof(QChar);
    total += areaOf_.capacity() * sizeof(Index) + nameEnd_.capacity() * sizeof(Index) +
             upperEnd_.capacity() * sizeof(Index);
    total += static_cast<std::size_t>(names_.capacity() + upper_.capacity());
    return total + folded_.bytes();
}

} // namespace orvena
