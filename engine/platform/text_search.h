#pragma once

#include <cstddef>
#include <string_view>

namespace tavro {

// Offset of the first occurrence of `needle` in `haystack`, or npos; an empty
// needle is found at 0. Uses the C library's tuned search where it has one.
std::size_t FindBytes(std::string_view haystack, std::string_view needle);

}  // namespace tavro
