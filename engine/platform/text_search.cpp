#include "engine/platform/text_search.h"

#include <cstring>

namespace tavro {

std::size_t FindBytes(std::string_view haystack, std::string_view needle) {
#if defined(__GLIBC__)
    if (needle.empty()) return 0;
    const void* at = ::memmem(haystack.data(), haystack.size(), needle.data(), needle.size());
    return at == nullptr ? std::string_view::npos
                         : static_cast<std::size_t>(static_cast<const char*>(at) - haystack.data());
#else
    return haystack.find(needle);
#endif
}

std::size_t Searcher::Find(std::string_view haystack) const {
    const std::size_t length = needle.size();
    if (ignoreCase) {  // interim
        auto up = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; };
        for (std::size_t i = 0; i + length <= haystack.size(); ++i) {
            std::size_t k = 0;
            while (k < length && up(haystack[i + k]) == up(needle[k])) ++k;
            if (k == length) return i;
        }
        return std::string_view::npos;
    }
    if (length == 0) return 0;
    if (haystack.size() < length) return std::string_view::npos;
    const char* begin = haystack.data();
    const char* last = begin + (haystack.size() - length);  // the last place a match can start
    const char first = needle[0];
    int misses = 0;
    for (const char* at = begin; at <= last; ++at) {
        at = static_cast<const char*>(std::memchr(at, first, static_cast<std::size_t>(last - at) + 1));
        if (at == nullptr) return std::string_view::npos;
        if (std::memcmp(at + 1, needle.data() + 1, length - 1) == 0) {
            return static_cast<std::size_t>(at - begin);
        }
        // Text full of the first byte (runs of one letter): the two-way
        // search of the C library keeps such cases linear.
        if (++misses == 16) {
            std::size_t offset = static_cast<std::size_t>(at + 1 - begin);
            std::size_t found = FindBytes(haystack.substr(offset), needle);
            return found == std::string_view::npos ? found : offset + found;
        }
    }
    return std::string_view::npos;
}

}  // namespace tavro
