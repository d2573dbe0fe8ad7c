#include "core/base/EditDistance.h"

#include <bit>

namespace orvena {

namespace {

// The next character of valid UTF-8 (a cut-off sequence reads as its first byte).
char32_t nextChar(const unsigned char*& p, const unsigned char* end) {
    const char32_t lead = *p++;
    if (lead < 0x80) return lead;
    const int more = lead < 0xe0 ? 1 : lead < 0xf0 ? 2 : 3;
    if (end - p < more) return lead;
    char32_t c = lead & (0x3f >> more);
    for (int i = 0; i < more; ++i)
        c = c << 6 | (*p++ & 0x3f);
    return c;
}

// One column after another of the table of distances between the key's
// prefixes (one bit each) and the text read so far, kept as the differences
// between neighbouring cells; the bit-vector method for edit distance, with
// the step for a swapped pair.
struct Columns {
    explicit Columns(int keySize)
        : last(std::uint64_t{1} << (keySize - 1))
        , score(keySize) {}

    void step(std::uint64_t eq) {
        const std::uint64_t swapped = ((~d0 & eq) << 1) & eqBefore;
        d0 = (((eq & vp) + vp) ^ vp) | eq | vn | swapped;
        std::uint64_t hp = vn | ~(d0 | vp);
        std::uint64_t hn = d0 & vp;
        score += (hp & last) != 0;
        score -= (hn & last) != 0;
        hp = hp << 1 | 1;
        hn <<= 1;
        vp = hn | ~(d0 | hp);
        vn = hp & d0;
        eqBefore = eq;
    }

    std::uint64_t vp = ~std::uint64_t{0};
    std::uint64_t vn = 0;
    std::uint64_t d0 = 0;
    std::uint64_t eqBefore = 0;
    std::uint64_t last;
    int score; // distance from the whole key to the text read so far
};

} // namespace

EditPattern::EditPattern(std::string_view key) {
    const auto* p = reinterpret_cast<const unsigned char*>(key.data());
    const auto* end = p + key.size();
    while (p < end) {
        const char32_t c = nextChar(p, end);
        if (size_ < kLongest) {
            const std::uint64_t bit = std::uint64_t{1} << size_;
            if (c < 128) {
                ascii_[c] |= bit;
            } else {
                auto known = other_.begin();
                while (known != other_.end() && known->first != c)
                    ++known;
                if (known == other_.end())
                    other_.emplace_back(c, bit);
                else
                    known->second |= bit;
            }
        }
        ++size_;
    }
}

std::uint64_t EditPattern::match(char32_t c) const {
    if (c < 128) return ascii_[c];
    for (const auto& [k, bits] : other_)
        if (k == c) return bits;
    return 0;
}

int EditPattern::distance(std::string_view text) const {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    if (size_ == 0) {
        int n = 0;
        for (; p < end; ++n)
            nextChar(p, end);
        return n;
    }
    Columns columns(size_);
    while (p < end)
        columns.step(match(nextChar(p, end)));
    return columns.score;
}

int EditPattern::nearestRun(std::string_view text, std::uint64_t wordStarts, int limit) const {
    int best = limit + 1;
    if (!usable() || text.empty()) return best;
    const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = begin + text.size();
    auto startsWord = [&](const unsigned char* at) {
        const auto offset = static_cast<std::size_t>(at - begin);
        return at == end || (offset < 64 && (wordStarts >> offset & 1));
    };
    for (std::uint64_t starts = wordStarts | 1; starts != 0; starts &= starts - 1) {
        const int from = std::countr_zero(starts);
        // A run is at least one byte a character: too short from here on.
        if (static_cast<int>(text.size()) - from < size_ - (best - 1)) break;
        Columns columns(size_);
        int read = 0;
        for (const unsigned char* p = begin + from; p < end;) {
            // Any longer run is more than best - 1 edits away.
            if (++read > size_ + best - 1) break;
            columns.step(match(nextChar(p, end)));
            if (columns.score < best && startsWord(p)) {
                best = columns.score;
                if (best == 0) return 0;
            }
        }
    }
    return best;
}

} // namespace orvena
