#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace orvena {

// Where needle first occurs in hay at or after from; npos when nowhere.
std::size_t findIn(std::string_view hay, std::string_view needle, std::size_t from);

// Texts kept one after the other in hay, text i ending at ends[i]: calls
// found(i, at) for each text from first to last - 1 that holds needle (not
// empty), with where it first occurs there, in order. One scan over the
// bytes; a hit counts when it lies inside one text. Whole UTF-8 texts on both
// sides only ever meet on a character's first byte.
template <class Found>
void eachHolding(std::string_view hay, const std::vector<std::uint32_t>& ends,
                 std::string_view needle, std::uint32_t first, std::uint32_t last, Found&& found) {
    if (first >= last) return;
    hay = hay.substr(0, ends[last - 1]);
    std::size_t from = first == 0 ? 0 : ends[first - 1];
    std::uint32_t i = first;
    for (std::size_t at = findIn(hay, needle, from); at != std::string_view::npos;
         at = findIn(hay, needle, from)) {
        while (ends[i] <= at)
            ++i;
        if (at + needle.size() <= ends[i]) {
            found(i, at);
            from = ends[i];
        } else {
            from = at + 1;
        }
    }
}

} // namespace orvena
