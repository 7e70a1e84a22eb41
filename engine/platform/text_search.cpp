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

}  // namespace tavro
