#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavro {

// Offset of the first occurrence of `needle` in `haystack`, or npos; an empty
// needle is found at 0. Uses the C library's tuned search where it has one.
std::size_t FindBytes(std::string_view haystack, std::string_view needle);

// A search for one needle in many short haystacks (lines), set up once. It
// jumps between occurrences of the needle's first byte with memchr, which is
// what makes searching line by line cheap; a haystack where that byte keeps
// recurring without a match is handed to FindBytes instead.
class Searcher {
public:
    Searcher() = default;
    Searcher(std::string needle, bool ignoreCase) : needle(std::move(needle)), ignoreCase(ignoreCase) {}

    std::size_t Find(std::string_view haystack) const;
    const std::string& Needle() const { return needle; }
    bool IgnoresCase() const { return ignoreCase; }

private:
    std::string needle;
    bool ignoreCase = false;
};

}  // namespace tavro
