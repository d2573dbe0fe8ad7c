#include "archive/LocalityNames.h"

#include "toolkit/FixedText.h"

#include <string_view>
#include <unordered_map>

namespace orvena {

namespace {

const char* const kTooLarge = "Le località sono troppe per essere elencate.";

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
    std::unordered_map<std::string, Index> known;
    std::string lastArea;
    Index lastIndex = 0;
    try {
        view.refreshReading(
            {QStringLiteral("AREA"), QStringLiteral("LOCALITA")},
            [&](const std::string_view* texts) {
                // Places of one area usually come together.
                if (areas_.empty() || texts[0] != lastArea) {
                    lastArea = texts[0];
                    auto [at, added] = known.try_emplace(lastArea, index(areas_.size()));
                    if (added)
                        areas_.push_back(QString::fromUtf8(
                            texts[0].data(), static_cast<qsizetype>(texts[0].size())));
                    lastIndex = at->second;
                }
                areaOf_.push_back(lastIndex);
                names_.append(texts[1].data(), static_cast<qsizetype>(texts[1].size()));
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
    QByteArray upper;
    upper.reserve(names_.size());
    std::vector<Index> upperEnd;
    for (Index i = 0; i < size(); ++i) {
        const std::size_t start = nameStart(i);
        const std::string_view text(names_.constData() + start, nameEnd_[i] - start);
        if (isAscii(text)) {
            // The Unicode rule on plain letters is the ASCII one.
            for (const char c : text)
                upper.append(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
        } else {
            upper.append(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                             .toUpper()
                             .toUtf8());
        }
        const Index end = index(static_cast<std::size_t>(upper.size()));
        // Ends are kept apart only from the first name whose length changed.
        if (upperEnd.empty() && end != nameEnd_[i])
            upperEnd.assign(nameEnd_.begin(), nameEnd_.begin() + i);
        if (!upperEnd.empty() || end != nameEnd_[i]) upperEnd.push_back(end);
    }
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
    for (std::size_t at = hay.find(needle, from); at != std::string_view::npos;
         at = hay.find(needle, from)) {
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
