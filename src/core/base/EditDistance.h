#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace orvena {

// How many edits turn a key into a text, where inserting, deleting or
// replacing a character, or swapping two neighbouring ones, is one edit each
// (a swapped pair is not edited again). The key is compiled once; each text
// then costs a handful of machine operations per character, one bit of a
// 64-bit word per key character. Texts are valid UTF-8, compared by
// character.
class EditPattern {
public:
    static constexpr int kLongest = 64; // characters of a key

    explicit EditPattern(std::string_view key);

    // Keys of 1 to kLongest characters compare; others never come close.
    bool usable() const { return size_ > 0 && size_ <= kLongest; }
    int size() const { return size_; }

    // The distance from the key to text.
    int distance(std::string_view text) const;

    // The fewest edits from the key to text or to a run of its whole words
    // (wordStarts: bit b set where a word begins at byte b, below 64), when at
    // most limit; limit + 1 otherwise. Only runs whose length is within limit
    // of the key's are compared, so a text costs about the key's length.
    int nearestRun(std::string_view text, std::uint64_t wordStarts, int limit) const;

private:
    std::uint64_t match(char32_t c) const;

    int size_ = 0;
    std::array<std::uint64_t, 128> ascii_{};                // per ASCII character
    std::vector<std::pair<char32_t, std::uint64_t>> other_; // the key's other characters
};

} // namespace orvena
