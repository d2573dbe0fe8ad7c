#pragma once

#include <array>
#include <cstdint>
#include <string>
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

    // One column after another of the table of distances between the key's
    // prefixes (one bit each) and the text read so far, kept as the
    // differences between neighbouring cells: the bit-vector method for edit
    // distance, with the step for a swapped pair.
    struct Columns {
        explicit Columns(int keySize = 0)
            : score(keySize) {}
        // last: the bit of the key's last character.
        void step(std::uint64_t eq, std::uint64_t last);

        std::uint64_t vp = ~std::uint64_t{0};
        std::uint64_t vn = 0;
        std::uint64_t d0 = 0;
        std::uint64_t eqBefore = 0;
        int score;    // distance from the whole key to the text read so far
        int read = 0; // characters read
    };

    // Work kept from one text to the next (texts read in turn, as a list's
    // names): a text that begins as the one before takes up the comparison
    // where their common beginning left it.
    struct Memo {
        std::string text;            // what was read of the text before
        std::vector<Columns> states; // states[b]: after its first b bytes
    };

    explicit EditPattern(std::string_view key);

    // Keys of 1 to kLongest characters compare; others never come close.
    bool usable() const { return size_ > 0 && size_ <= kLongest; }
    int size() const { return size_; }

    // The distance from the key to text.
    int distance(std::string_view text) const;

    // The fewest edits from the key to text or to a run of its whole words
    // (wordStarts: bit b set where a word begins at byte b, below 64), when at
    // most limit; limit + 1 otherwise. Only runs whose length is within limit
    // of the key's are compared, so a text costs about the key's length, and
    // with a memo only what it does not share with the text before.
    int nearestRun(std::string_view text, std::uint64_t wordStarts, int limit,
                   Memo* memo = nullptr) const;

private:
    std::uint64_t match(char32_t c) const;

    int size_ = 0;
    std::uint64_t last_ = 0;                                // the bit of the key's last character
    std::array<std::uint64_t, 128> ascii_{};                // per ASCII character
    std::vector<std::pair<char32_t, std::uint64_t>> other_; // the key's other characters
};

} // namespace orvena
