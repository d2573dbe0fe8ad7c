#include "core/search/EditDistance.h"

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

} // namespace

inline void EditPattern::Columns::step(std::uint64_t eq, std::uint64_t last) {
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
    ++read;
}

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
    if (usable()) last_ = std::uint64_t{1} << (size_ - 1);
}

inline std::uint64_t EditPattern::match(char32_t c) const {
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
        columns.step(match(nextChar(p, end)), last_);
    return columns.score;
}

int EditPattern::nearestRun(std::string_view text, std::uint64_t wordStarts, int limit,
                            Memo* memo) const {
    int best = limit + 1;
    if (!usable() || text.empty()) return best;
    const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = begin + text.size();
    auto startsWord = [&](std::size_t offset) {
        return offset == text.size() || (offset < 64 && (wordStarts >> offset & 1));
    };
    for (std::uint64_t starts = wordStarts | 1; starts != 0; starts &= starts - 1) {
        const auto from = static_cast<std::size_t>(std::countr_zero(starts));
        // A run is at least one byte a character: too short from here on.
        if (static_cast<int>(text.size() - from) < size_ - (best - 1)) break;
        Columns columns(size_);
        const unsigned char* p = begin + from;
        Memo* kept = from == 0 ? memo : nullptr;
        // What the memo learns of this text, whichever way the run ends.
        struct Learn {
            Memo* memo;
            std::string_view text;
            const unsigned char*& read;
            const unsigned char* begin;
            ~Learn() {
                if (memo) memo->text.assign(text.substr(0, static_cast<std::size_t>(read - begin)));
            }
        } learn{kept, text, p, begin};
        if (kept) {
            // Take up the common beginning with the text before, back to
            // where a character begins.
            std::size_t common = 0;
            const std::size_t most = std::min(kept->text.size(), text.size());
            while (common < most && kept->text[common] == text[common])
                ++common;
            while (common > 0 && common < text.size() && (begin[common] & 0xc0) == 0x80)
                --common;
            if (kept->states.empty()) kept->states.assign(1, columns);
            columns = kept->states[common];
            p = begin + common;
            // The runs ending within it: where words begin, and the end.
            std::uint64_t ends =
                common >= 63 ? wordStarts : wordStarts & ((std::uint64_t{2} << common) - 1);
            for (ends &= ~std::uint64_t{1}; ends != 0; ends &= ends - 1)
                best = std::min(
                    best, kept->states[static_cast<std::size_t>(std::countr_zero(ends))].score);
            if (common == text.size()) best = std::min(best, kept->states[common].score);
            if (best == 0) return 0;
        }
        while (p < end) {
            // Any longer run is more than best - 1 edits away.
            if (columns.read + 1 > size_ + best - 1) break;
            columns.step(match(nextChar(p, end)), last_);
            const auto offset = static_cast<std::size_t>(p - begin);
            if (kept) {
                if (kept->states.size() <= offset) kept->states.resize(2 * offset + 1);
                kept->states[offset] = columns;
            }
            if (columns.score < best && startsWord(offset)) {
                best = columns.score;
                if (best == 0) return 0;
            }
        }
    }
    return best;
}

} // namespace orvena
