#include "core/search/NameFolding.h"

#include <QChar>
#include <QList>

#include <algorithm>

namespace orvena {

namespace {

// Stands for a left-out sign in what a character folds to; never a character
// of a folded text.
constexpr char kSeparator = '\x1f';

// Blanks, apostrophes, hyphens and dots, in the forms typewriters, keyboards
// and word processors give them.
bool leftOut(char32_t c) {
    switch (c) {
    case U'\'':
    case U'`':
    case U'\u00b4': // acute accent on its own
    case U'\u02bb':
    case U'\u02bc': // modifier letter apostrophe
    case U'\u2018':
    case U'\u2019': // typographic apostrophe
    case U'\u201b':
    case U'\u2032': // prime
    case U'.':
    case U'\u00b7': // middle dot
    case U'\u2027':
    case U'\u00ad': // soft hyphen
    case U'\u2212': // minus
        return true;
    default:
        return c < 0x20 || c == 0x7f || QChar::isSpace(c) ||
               QChar::category(c) == QChar::Punctuation_Dash;
    }
}

bool isMark(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

// Decomposed (compatibility forms too: ligatures, full-width letters), with
// the combining marks the decomposition separated left out.
QString withoutMarks(const QString& text) {
    QString out;
    for (const char32_t c : text.normalized(QString::NormalizationForm_KD).toUcs4())
        if (!isMark(c)) out.append(QString::fromUcs4(&c, 1));
    return out;
}

// What each plain ASCII byte folds to.
constexpr std::array<char, 128> kAscii = [] {
    std::array<char, 128> table{};
    for (int c = 0; c < 128; ++c) {
        const bool gone =
            c < 0x20 || c == 0x7f || c == ' ' || c == '\'' || c == '`' || c == '-' || c == '.';
        table[static_cast<std::size_t>(c)] = gone                   ? kSeparator
                                             : c >= 'a' && c <= 'z' ? static_cast<char>(c - 32)
                                                                    : static_cast<char>(c);
    }
    return table;
}();

std::size_t utf8Length(unsigned char lead) {
    return lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
}

// A whole UTF-8 character of n bytes that is no overlong form, no surrogate
// and not past the last code point.
bool validCharacter(std::string_view c) {
    const auto byte = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(c[i]));
    };
    if (c.size() == 2) return true; // leads C2 to DF only
    if (c.size() == 3) {
        const char32_t point = (byte(0) & 0x0f) << 12 | (byte(1) & 0x3f) << 6 | (byte(2) & 0x3f);
        return point >= 0x800 && (point < 0xd800 || point > 0xdfff);
    }
    const char32_t point =
        (byte(0) & 0x07) << 18 | (byte(1) & 0x3f) << 12 | (byte(2) & 0x3f) << 6 | (byte(3) & 0x3f);
    return c.size() == 4 && point >= 0x10000 && point <= 0x10ffff;
}

// What one character folds to: decomposed, marks left out, upper-cased
// (which can give back a letter with an accent, or a compatibility form, so
// the marks go before and after it); a left-out sign as kSeparator.
std::string foldRule(const QString& character) {
    std::string out;
    for (const char32_t c : withoutMarks(withoutMarks(character).toUpper()).toUcs4()) {
        if (leftOut(c)) {
            out.push_back(kSeparator);
        } else {
            const QByteArray bytes = QString::fromUcs4(&c, 1).toUtf8();
            out.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        }
    }
    return out;
}

// The bytes of the character of text starting at at: its UTF-8 length when
// whole, otherwise 1 (a stray byte is a character of its own).
std::size_t sequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t n = lead >= 0xc2 && lead <= 0xdf   ? 2
                          : lead >= 0xe0 && lead <= 0xef ? 3
                          : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                         : 1;
    if (at + n > text.size()) return 1;
    for (std::size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xc0) != 0x80) return 1;
    return n;
}

} // namespace

const std::string& CharacterMemo::operator()(std::string_view utf8) {
    std::string* slot = nullptr;
    if (utf8.size() == 2) {
        const auto point = static_cast<std::size_t>(((utf8[0] & 0x1f) << 6) | (utf8[1] & 0x3f));
        slot = &twoByte_[point];
        if (twoByteKnown_[point]) return *slot;
        twoByteKnown_[point] = true;
    } else {
        std::uint32_t key = 0;
        for (std::size_t i = 0; i < 4; ++i)
            key = key << 8 | (i < utf8.size() ? static_cast<unsigned char>(utf8[i]) : 0u);
        const auto [at, added] = longer_.try_emplace(key);
        slot = &at->second;
        if (!added) return *slot;
    }
    *slot = rule_(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    return *slot;
}

std::string upperRule(const QString& character) {
    return character.toUpper().toStdString();
}

bool appendUpper(std::string_view text, QByteArray& out, CharacterMemo& memo) {
    const qsizetype before = out.size();
    // Room for the text as long as it is: written straight, grown in steps.
    auto room = [&](std::size_t more) {
        const qsizetype needed = out.size() + static_cast<qsizetype>(more);
        if (out.capacity() < needed) out.reserve(std::max(2 * out.capacity(), needed));
    };
    room(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t plain = i;
        while (plain < text.size() && static_cast<unsigned char>(text[plain]) < 0x80)
            ++plain;
        if (plain > i) {
            // The Unicode rule on plain letters is the ASCII one.
            const qsizetype at = out.size();
            out.resize(at + static_cast<qsizetype>(plain - i));
            char* to = out.data() + at;
            for (; i < plain; ++i)
                *to++ = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 'a' + 'A')
                                                         : text[i];
            continue;
        }
        const std::size_t n = sequenceLength(text, i);
        if (!validCharacter(text.substr(i, n))) {
            out.truncate(before);
            return false;
        }
        const std::string& upper = memo(text.substr(i, n));
        room(upper.size() + text.size() - i);
        out.append(upper.data(), static_cast<qsizetype>(upper.size()));
        i += n;
    }
    return true;
}

NameFolder::NameFolder()
    : folded_(foldRule) {}

FoldedShape NameFolder::fold(std::string_view name, std::string& out) {
    FoldedShape shape;
    const std::size_t start = out.size();
    bool wordStart = true;
    std::uint32_t before = 0; // the character before, its bytes packed; none yet
    auto put = [&](const char* bytes, std::size_t n) {
        const std::size_t at = out.size() - start;
        if (wordStart && at < 64) shape.wordStarts |= std::uint64_t{1} << at;
        wordStart = false;
        shape.letters |= letterBit(static_cast<unsigned char>(bytes[0]));
        std::uint32_t packed = 0;
        for (std::size_t i = 0; i < n; ++i)
            packed = packed << 8 | static_cast<unsigned char>(bytes[i]);
        if (at > 0) shape.pairs |= pairBit(before, packed);
        before = packed;
        out.append(bytes, n);
    };
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x80) {
            const char f = kAscii[c];
            if (f == kSeparator)
                wordStart = true;
            else
                put(&f, 1);
            ++i;
            continue;
        }
        const std::size_t n = sequenceLength(name, i);
        const std::string& f = folded_(name.substr(i, n));
        for (std::size_t j = 0; j < f.size();) {
            if (f[j] == kSeparator) {
                wordStart = true;
                ++j;
                continue;
            }
            const std::size_t length = utf8Length(static_cast<unsigned char>(f[j]));
            put(f.data() + j, length);
            j += length;
        }
        i += n;
    }
    return shape;
}

std::string NameFolder::fold(const QString& text, FoldedShape* shape) {
    const QByteArray utf8 = text.toUtf8();
    std::string out;
    const FoldedShape s =
        fold(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())), out);
    if (shape) *shape = s;
    return out;
}

} // namespace orvena
