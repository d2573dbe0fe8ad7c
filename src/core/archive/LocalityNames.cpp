#include "core/archive/LocalityNames.h"

#include "core/archive/SqlTexts.h"
#include "core/base/FixedText.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orvena {

namespace {

const QString kTooLarge = QStringLiteral("Le località sono troppe per essere elencate.");

bool isAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// A position in a buffer as an index: the buffers never pass 4 GB.
LocalityNames::Index index(std::size_t n) {
    if (n > UINT32_MAX) throw ArchiveError(kTooLarge);
    return static_cast<LocalityNames::Index>(n);
}

// Where needle first occurs in hay at or after from; npos when nowhere.
std::size_t findIn(std::string_view hay, std::string_view needle, std::size_t from) {
    if (from >= hay.size()) return std::string_view::npos;
#if defined(__GLIBC__) || defined(__APPLE__)
    // The C library's search skips ahead well for short and long keys alike.
    const void* hit = memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data())
               : std::string_view::npos;
#else
    const auto hit = std::search(hay.begin() + static_cast<std::ptrdiff_t>(from), hay.end(),
                                 std::boyer_moore_horspool_searcher(needle.begin(), needle.end()));
    return hit == hay.end() ? std::string_view::npos : static_cast<std::size_t>(hit - hay.begin());
#endif
}

} // namespace

QString localityLine(const QString& area, const QString& locality) {
    const Text50 a(area);
    const Text50 l(locality);
    return a.text() + QLatin1String("  ") + l.text();
}

void LocalityNames::clear() {
    areas_.clear();
    areaOf_.clear();
    names_.clear();
    nameEnd_.clear();
    upper_.clear();
    upperEnd_.clear();
    folded_ = false;
}

void LocalityNames::read(RecordView& view) {
    clear();
    // Each area's UTF-8 text once (a deque never moves them), looked up by view.
    std::deque<std::string> texts;
    std::unordered_map<std::string_view, Index> known;
    std::string_view last;
    Index lastIndex = 0;
    auto areaIndex = [&](std::string_view area) {
        if (!areas_.empty() && area == last) return lastIndex; // places of one area together
        auto found = known.find(area);
        if (found == known.end()) {
            const std::string& kept = texts.emplace_back(area);
            found = known.emplace(kept, index(areas_.size())).first;
            areas_.push_back(QString::fromUtf8(kept.data(), static_cast<qsizetype>(kept.size())));
        }
        last = found->first;
        lastIndex = found->second;
        return lastIndex;
    };
    try {
        view.readTexts(sql::kLocalityNamesInTableOrder, {}, [&](const std::string_view* fields) {
            areaOf_.push_back(areaIndex(fields[0]));
            names_.append(fields[1].data(), static_cast<qsizetype>(fields[1].size()));
            nameEnd_.push_back(index(static_cast<std::size_t>(names_.size())));
        });
    } catch (...) {
        clear();
        throw;
    }
    if (areaOf_.size() > UINT32_MAX) {
        clear();
        throw ArchiveError(kTooLarge);
    }
    areas_.shrink_to_fit();
    areaOf_.shrink_to_fit();
    names_.squeeze();
    nameEnd_.shrink_to_fit();
}

QString LocalityNames::name(Index i) const {
    const std::size_t start = nameStart(i);
    return QString::fromUtf8(names_.constData() + start,
                             static_cast<qsizetype>(nameEnd_[i] - start));
}

void LocalityNames::fold() {
    if (folded_) return;
    QByteArray upper(names_.size(), Qt::Uninitialized);
    qsizetype used = 0;
    std::vector<Index> upperEnd;
    for (Index i = 0; i < size(); ++i) {
        const std::size_t start = nameStart(i);
        const std::string_view text(names_.constData() + start, nameEnd_[i] - start);
        if (isAscii(text)) {
            // The Unicode rule on plain letters is the ASCII one.
            if (upper.size() < used + static_cast<qsizetype>(text.size()))
                upper.resize(
                    std::max(upper.size() * 2, used + static_cast<qsizetype>(text.size())));
            char* out = upper.data() + used;
            for (const char c : text)
                *out++ = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
            used += static_cast<qsizetype>(text.size());
        } else {
            const QByteArray folded =
                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                    .toUpper()
                    .toUtf8();
            if (upper.size() < used + folded.size())
                upper.resize(std::max(upper.size() * 2, used + folded.size()));
            std::memcpy(upper.data() + used, folded.constData(),
                        static_cast<std::size_t>(folded.size()));
            used += folded.size();
        }
        const Index end = index(static_cast<std::size_t>(used));
        // Ends are kept apart only from the first name whose length changed.
        if (upperEnd.empty() && end != nameEnd_[i])
            upperEnd.assign(nameEnd_.begin(), nameEnd_.begin() + i);
        if (!upperEnd.empty() || end != nameEnd_[i]) upperEnd.push_back(end);
    }
    upper.resize(used);
    // Names stored in capitals, as the editor writes them, need no second copy.
    if (upperEnd.empty() && upper == names_) upper.clear();
    upper.squeeze();
    upperEnd.shrink_to_fit();
    upper_ = std::move(upper);
    upperEnd_ = std::move(upperEnd);
    folded_ = true;
}

std::vector<LocalityNames::Index> LocalityNames::search(const QString& key) {
    std::vector<Index> found;
    if (key.isEmpty()) {
        found.resize(size());
        for (Index i = 0; i < size(); ++i)
            found[i] = i;
        return found;
    }
    fold();
    const QByteArray wanted = key.toUpper().toUtf8();
    const QByteArray& buffer = upper_.isEmpty() ? names_ : upper_;
    const std::vector<Index>& ends = upperEnd_.empty() ? nameEnd_ : upperEnd_;
    const std::string_view hay(buffer.constData(), static_cast<std::size_t>(buffer.size()));
    const std::string_view needle(wanted.constData(), static_cast<std::size_t>(wanted.size()));

    // One scan over all the names; a hit counts when it lies inside one name.
    // Both sides are whole UTF-8 texts, so a hit starts on a character.
    std::size_t from = 0;
    Index i = 0;
    for (std::size_t at = findIn(hay, needle, from); at != std::string_view::npos;
         at = findIn(hay, needle, from)) {
        while (ends[i] <= at)
            ++i;
        if (at + needle.size() <= ends[i]) {
            found.push_back(i);
            from = ends[i];
        } else {
            from = at + 1;
        }
    }
    return found;
}

std::size_t LocalityNames::bytes() const {
    std::size_t total = 0;
    for (const QString& a : areas_)
        total += sizeof(QString) + static_cast<std::size_t>(a.capacity()) * sizeof(QChar);
    total += areaOf_.capacity() * sizeof(Index) + nameEnd_.capacity() * sizeof(Index) +
             upperEnd_.capacity() * sizeof(Index);
    total += static_cast<std::size_t>(names_.capacity() + upper_.capacity());
    return total;
}

} // namespace orvena
