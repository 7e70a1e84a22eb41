#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavro {

// Offset of the first occurrence of `needle` in `haystack`, or npos; an empty
// needle is found at 0. Uses the C library's tuned search where it has one.
std::size_t FindBytes(std::string_view haystack, std::string_view needle);

// A search for one needle in many haystacks (256 KiB blocks or single lines),
// set up once so that a call costs next to nothing beyond the scan itself.
//
// It scans for the needle's byte that is rarest in ordinary text and checks a
// second byte before comparing the whole needle. Ignoring case, only the ASCII
// letters a-z and A-Z match their other case; every other byte, including
// those from 0x80 up, matches only itself.
//
// Text where the rare bytes keep recurring without a match is handed, for the
// rest of that call, to a linear search; ignoring case, that search works on a
// folded copy kept in the Searcher, so one Searcher serves one thread at a time.
class Searcher {
public:
    Searcher() = default;  // the empty needle, found at 0 in any haystack
    Searcher(std::string needle, bool ignoreCase);

    // Offset of the first occurrence of the needle in `haystack`, or npos.
    std::size_t Find(std::string_view haystack) const;
    const std::string& Needle() const { return needle; }  // as given
    bool IgnoresCase() const { return ignoreCase; }

private:
    // One needle byte that candidates must have: (byte | orMask) == target.
    // orMask is 0x20 for a letter whose case is ignored, which folds exactly
    // its two cases together; otherwise 0.
    struct Probe {
        std::size_t offset = 0;
        unsigned char orMask = 0;
        unsigned char target = 0;
    };

    bool Matches(const char* at, std::size_t& compared) const;
    std::size_t ScanMemchr(std::string_view haystack) const;
    std::size_t ScanPairs(std::string_view haystack) const;
    std::size_t LinearFind(std::string_view haystack, std::size_t from) const;

    std::string needle;
    std::string compared;  // the needle as candidates are compared: upper-cased when folding
    bool ignoreCase = false;
    bool foldCompare = false;            // ignoring case and the needle has a letter
    Probe rare;                          // the rarest byte
    Probe second;                        // the next rarest, at another offset when there is one
    mutable std::string foldedHaystack;  // scratch for the linear search ignoring case
};

}  // namespace tavro
