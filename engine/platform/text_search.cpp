#include "engine/platform/text_search.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavro {

namespace {

// How common each byte is in English prose and source code: 0 is rarest. Only
// the order matters; it decides which needle bytes the scan looks for.
constexpr std::array<std::uint8_t, 256> kByteRank = [] {
    std::array<std::uint8_t, 256> rank{};
    for (int b = 0; b < 256; ++b) rank[b] = b < 0x80 ? 8 : 30;  // UTF-8 text has some high bytes
    rank[0] = 2;
    auto Ladder = [&rank](const char* rarestFirst, int from, int step) {
        for (int i = 0; rarestFirst[i] != '\0'; ++i) {
            rank[static_cast<unsigned char>(rarestFirst[i])] =
                static_cast<std::uint8_t>(from + i * step);
        }
    };
    Ladder("`~^|\\@$%&!?#[]{}<>+*'", 40, 2);
    Ladder("QZXJKVYUWGBFHLOMPNDRIAECTS", 60, 2);
    Ladder("98765432", 100, 1);
    Ladder("10\r\"-:;/=_(),.\t", 110, 3);
    Ladder("zqxjkvbpygfwmucldrhsnioate", 150, 3);
    rank['\n'] = 200;
    rank[' '] = 255;
    return rank;
}();

// Scanning for a letter ignoring case needs both its cases; a non-letter
// nearly as rare is cheaper to find, with memchr.
constexpr int kLetterPenalty = 30;

// A failed candidate costs about as much as scanning this many bytes; once
// failures cost more than the scan (beyond a small allowance), the rest of the
// haystack goes to a linear search.
constexpr std::size_t kCandidateCost = 32;
constexpr std::size_t kAllowance = 1024;

constexpr std::array<unsigned char, 256> kUpper = [] {
    std::array<unsigned char, 256> upper{};
    for (int b = 0; b < 256; ++b) {
        upper[b] = static_cast<unsigned char>(b >= 'a' && b <= 'z' ? b - 32 : b);
    }
    return upper;
}();

bool IsLetter(unsigned char c) { return static_cast<unsigned char>((c | 0x20) - 'a') < 26; }

// Branch-free, so the compiler can fold many bytes at a time.
void FoldInto(std::string_view text, std::string& out) {
    out.resize(text.size());
    const char* in = text.data();
    char* folded = out.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        folded[i] = static_cast<char>(static_cast<unsigned char>(c - 'a') < 26 ? c - 32 : c);
    }
}

// How many leading bytes of `text` equal `upper` once upper-cased.
std::size_t FoldedPrefix(const char* text, const char* upper, std::size_t length) {
    std::size_t i = 0;
    while (i < length &&
           kUpper[static_cast<unsigned char>(text[i])] == static_cast<unsigned char>(upper[i])) {
        ++i;
    }
    return i;
}

// memchr, but with the next sixteen bytes looked at first in line: where
// occurrences lie a few dozen bytes apart the call costs more than the scan.
const char* FindByte(const char* from, unsigned char target, std::size_t span) {
#if defined(__SSE2__)
    if (span >= 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(target)))));
        if (mask != 0) return from + std::countr_zero(mask);
        from += 16;
        span -= 16;
    }
#endif
    return static_cast<const char*>(std::memchr(from, target, span));
}

}  // namespace

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

Searcher::Searcher(std::string needleBytes, bool ignoreCaseFlag)
    : needle(std::move(needleBytes)), ignoreCase(ignoreCaseFlag) {
    if (needle.empty()) return;
    foldCompare = false;
    if (ignoreCase) {
        for (char c : needle) foldCompare = foldCompare || IsLetter(static_cast<unsigned char>(c));
    }
    if (foldCompare) {
        FoldInto(needle, compared);
    } else {
        compared = needle;
    }
    auto Rank = [this](std::size_t i) {
        unsigned char c = static_cast<unsigned char>(needle[i]);
        if (foldCompare && IsLetter(c)) return kByteRank[c | 0x20] + kLetterPenalty;
        return static_cast<int>(kByteRank[c]);
    };
    auto MakeProbe = [this](std::size_t i) {
        unsigned char c = static_cast<unsigned char>(needle[i]);
        Probe probe;
        probe.offset = i;
        probe.orMask = foldCompare && IsLetter(c) ? 0x20 : 0;
        probe.target = static_cast<unsigned char>(c | probe.orMask);
        return probe;
    };
    std::size_t best = 0;
    for (std::size_t i = 1; i < needle.size(); ++i) {
        if (Rank(i) < Rank(best)) best = i;
    }
    std::size_t next = best;  // a one-byte needle checks its only byte twice
    for (std::size_t i = 0; i < needle.size(); ++i) {
        if (i != best && (next == best || Rank(i) < Rank(next))) next = i;
    }
    rare = MakeProbe(best);
    second = MakeProbe(next);
}

bool Searcher::Matches(const char* at, std::size_t& work) const {
    if (foldCompare) {
        work = FoldedPrefix(at, compared.data(), compared.size());
        return work == compared.size();
    }
    work = compared.size();
    return std::memcmp(at, compared.data(), compared.size()) == 0;
}

std::size_t Searcher::Find(std::string_view haystack) const {
    if (needle.empty()) return 0;
    if (haystack.size() < needle.size()) return std::string_view::npos;
    return rare.orMask == 0 ? ScanMemchr(haystack) : ScanPairs(haystack);
}

std::size_t Searcher::ScanMemchr(std::string_view haystack) const {
    const char* begin = haystack.data();
    const std::size_t last = haystack.size() - needle.size();  // the last place a match can start
    std::size_t charge = 0;
    for (std::size_t at = 0; at <= last; ++at) {
        const char* hit = FindByte(begin + at + rare.offset, rare.target, last - at + 1);
        if (hit == nullptr) return std::string_view::npos;
        at = static_cast<std::size_t>(hit - begin) - rare.offset;
        const unsigned char check = static_cast<unsigned char>(begin[at + second.offset]);
        if ((check | second.orMask) == second.target) {
            std::size_t work = 0;
            if (Matches(begin + at, work)) return at;
            charge += work;
        }
        charge += kCandidateCost;
        if (charge > at + kAllowance) return LinearFind(haystack, at + 1);
    }
    return std::string_view::npos;
}

// Both probes are tested at once on 16 candidate starts; only starts that pass
// both are compared in full.
std::size_t Searcher::ScanPairs(std::string_view haystack) const {
    const char* begin = haystack.data();
    const std::size_t last = haystack.size() - needle.size();
    std::size_t charge = 0;
    std::size_t at = 0;
    // Returns true when the search is decided, with the answer in `result`.
    auto Candidate = [&](std::size_t start, std::size_t& result) {
        std::size_t work = 0;
        if (Matches(begin + start, work)) {
            result = start;
            return true;
        }
        charge += kCandidateCost + work;
        if (charge > start + kAllowance) {
            result = LinearFind(haystack, start + 1);
            return true;
        }
        return false;
    };
    std::size_t result = std::string_view::npos;
#if defined(__SSE2__)
    const __m128i rareMask = _mm_set1_epi8(static_cast<char>(rare.orMask));
    const __m128i rareTarget = _mm_set1_epi8(static_cast<char>(rare.target));
    const __m128i secondMask = _mm_set1_epi8(static_cast<char>(second.orMask));
    const __m128i secondTarget = _mm_set1_epi8(static_cast<char>(second.target));
    // Starts at..at+15 load bytes up to at + 15 + offset <= last + size - 1,
    // so a block never reads past the haystack.
    auto Block = [&](std::size_t start) {
        const __m128i a =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + start + rare.offset));
        const __m128i b =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + start + second.offset));
        const __m128i hits =
            _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, rareMask), rareTarget),
                          _mm_cmpeq_epi8(_mm_or_si128(b, secondMask), secondTarget));
        return static_cast<unsigned>(_mm_movemask_epi8(hits));
    };
    for (; at + 15 <= last; at += 16) {
        for (unsigned bits = Block(at); bits != 0; bits &= bits - 1) {
            if (Candidate(at + static_cast<std::size_t>(std::countr_zero(bits)), result))
                return result;
        }
    }
    if (at <= last && last >= 15) {
        // The tail, as one block ending at the last start; starts already seen are dropped.
        const std::size_t start = last - 15;
        for (unsigned bits = Block(start) & (0xFFFFu << (at - start)); bits != 0;
             bits &= bits - 1) {
            if (Candidate(start + static_cast<std::size_t>(std::countr_zero(bits)), result))
                return result;
        }
        return std::string_view::npos;
    }
#endif
    for (; at <= last; ++at) {
        const unsigned char a = static_cast<unsigned char>(begin[at + rare.offset]);
        const unsigned char b = static_cast<unsigned char>(begin[at + second.offset]);
        if ((a | rare.orMask) == rare.target && (b | second.orMask) == second.target &&
            Candidate(at, result)) {
            return result;
        }
    }
    return std::string_view::npos;
}

std::size_t Searcher::LinearFind(std::string_view haystack, std::size_t from) const {
    haystack.remove_prefix(from);
    std::size_t found;
    if (foldCompare) {
        FoldInto(haystack, foldedHaystack);
        found = FindBytes(foldedHaystack, compared);
    } else {
        found = FindBytes(haystack, compared);
    }
    return found == std::string_view::npos ? found : from + found;
}

}  // namespace tavro
