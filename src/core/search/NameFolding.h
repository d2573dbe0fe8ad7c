#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orvena {

// A name as the forgiving search compares it: upper case, accents dropped
// (each character decomposed, its combining marks left out), and blanks,
// apostrophes, hyphens and dots left out, so "Cà del Poggio", "CA DEL POGGIO"
// and "cadelpoggio" read alike, and so do "Sant'Angelo" and "SANT ANGELO".
// The folded text is UTF-8; where the left-out signs stood, the name's words
// begin, and the search still ranks by them.
struct FoldedShape {
    // Bit b set: a word begins at byte b of the folded text (b < 64; bit 0
    // whenever the text is not empty).
    std::uint64_t wordStarts = 0;
    // One bit per kind of character the folded text holds: A to Z each their
    // own, the rest shared among six (see letterBit).
    std::uint32_t letters = 0;
    // One bit per pair of neighbouring characters it holds, the pairs spread
    // over the 64 bits (see pairBit).
    std::uint64_t pairs = 0;

    // A cheap test before the edit distance: false when no text of shape
    // text, and no run of its words, can be within edits of a key of this
    // shape. Each edit leaves out at most one of the key's characters and
    // breaks at most three of its pairs (a swap of two), and a run holds no
    // character or pair its text does not.
    bool mayReach(const FoldedShape& text, int edits) const {
        std::uint32_t lacking = letters & ~text.letters;
        for (int edit = 0; edit < edits && lacking != 0; ++edit)
            lacking &= lacking - 1;
        return lacking == 0 &&
               std::popcount(pairs & text.pairs) >= std::popcount(pairs) - 3 * edits;
    }
};

// The bit of letters a character of a folded text stands for, from the first
// byte of its UTF-8 form.
constexpr std::uint32_t letterBit(unsigned char lead) {
    return lead >= 'A' && lead <= 'Z' ? 1u << (lead - 'A') : 1u << (26 + lead % 6);
}

// The bit of pairs two neighbouring characters stand for, each given by its
// UTF-8 bytes packed in a number.
constexpr std::uint64_t pairBit(std::uint32_t before, std::uint32_t after) {
    return std::uint64_t{1} << (((before * 0x9e3779b1u) ^ after) * 0x85ebca6bu >> 26);
}

// What the characters outside plain ASCII become under a rule applied one
// character at a time (upper-casing, folding), each worked out once.
class CharacterMemo {
public:
    // The UTF-8 text one character (a QString of one code point) becomes.
    using Rule = std::string (*)(const QString& character);
    explicit CharacterMemo(Rule rule)
        : rule_(rule) {}

    // utf8: one character's bytes, or one stray byte of text that is not UTF-8.
    const std::string& operator()(std::string_view utf8);

private:
    Rule rule_;
    std::array<std::string, 2048> twoByte_; // U+0080 to U+07FF, filled on first use
    std::array<bool, 2048> twoByteKnown_{};
    std::unordered_map<std::uint32_t, std::string> longer_; // the rest, by their bytes
};

// The rule of QString::toUpper for one character, for a CharacterMemo.
std::string upperRule(const QString& character);
// Appends text (UTF-8) upper-cased by the rule of QString::toUpper, one
// character at a time through memo (made with upperRule), to out. False,
// with nothing appended, when text is not valid UTF-8.
bool appendUpper(std::string_view text, QByteArray& out, CharacterMemo& memo);

class NameFolder {
public:
    NameFolder();

    // Appends the folded form of name (UTF-8, possibly not valid) to out and
    // tells where its words begin (counted from where it was appended). The
    // folded text is always valid UTF-8.
    FoldedShape fold(std::string_view name, std::string& out);
    // The same for a text typed by the user.
    std::string fold(const QString& text, FoldedShape* shape = nullptr);

private:
    // What each character outside plain ASCII folds to, where a byte
    // kSeparator stands for a left-out sign.
    CharacterMemo folded_;
};

} // namespace orvena
