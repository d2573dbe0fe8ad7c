#include "core/search/TextScan.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace orvena {

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

} // namespace orvena
