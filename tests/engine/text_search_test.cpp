#include "engine/platform/text_search.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <string_view>

namespace tavro::test {
namespace {

constexpr std::size_t kNpos = std::string_view::npos;

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// What Find must return: fold both sides when ignoring case, then find.
std::size_t Reference(std::string_view haystack, std::string_view needle, bool ignoreCase) {
    if (!ignoreCase) return haystack.find(needle);
    return std::string_view(AsciiUpper(haystack)).find(AsciiUpper(needle));
}

// A copy of `text` that ends exactly where its heap block ends, `shift` bytes
// in, so AddressSanitizer catches any read past the haystack or before it.
class ExactCopy {
public:
    ExactCopy(std::string_view text, std::size_t shift)
        : bytes(new char[shift + text.size()]), shift(shift), size(text.size()) {
        for (std::size_t i = 0; i < shift; ++i) bytes[i] = '#';
        for (std::size_t i = 0; i < size; ++i) bytes[shift + i] = text[i];
    }
    std::string_view View() const { return {bytes.get() + shift, size}; }

private:
    std::unique_ptr<char[]> bytes;
    std::size_t shift;
    std::size_t size;
};

std::string Debug(std::string_view text) {
    std::string out;
    for (char c : text) {
        unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            out += c;
        } else {
            static const char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

// Small alphabets make the probed bytes recur, so candidates fail often and
// the linear fallback is taken; the boundary bytes around the letters ('@',
// '[', '`', '{') differ from letters in bit 0x20 only.
const std::string kAlphabets[] = {
    std::string("aAbB"),
    std::string("ab"),
    std::string("aA0\0\r\n\x80\xff", 8),
    std::string("xX@`[{zZ"),
    std::string("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789.,;_\n\t\xc3\xa9"),
};

std::string RandomText(std::mt19937& random, const std::string& alphabet, std::size_t length) {
    std::string out;
    for (std::size_t i = 0; i < length; ++i) out += alphabet[random() % alphabet.size()];
    return out;
}

// The same bytes with the case of some letters swapped.
std::string FlipSomeCases(std::mt19937& random, std::string text) {
    for (char& c : text) {
        if (random() % 2 == 0) continue;
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return text;
}

std::size_t RandomNeedleLength(std::mt19937& random) {
    if (random() % 20 == 0) return 100 + random() % 600;
    return 1 + random() % 40;
}

// Every start offset of one buffer, with both the rest of the buffer and a
// shorter piece as the haystack, at every alignment.
TEST(Searcher, AgreesWithFoldAndFindAtEveryStartAndLength) {
    std::mt19937 random(11);
    constexpr std::size_t kBufferSize = 300;
    for (const std::string& alphabet : kAlphabets) {
        for (int round = 0; round < 40; ++round) {
            std::string needle = RandomText(random, alphabet, RandomNeedleLength(random));
            std::string buffer = RandomText(random, alphabet, kBufferSize);
            if (round % 2 == 0 && needle.size() <= kBufferSize) {
                std::size_t at = random() % (kBufferSize - needle.size() + 1);
                if (round % 6 == 0) at = kBufferSize - needle.size();
                buffer.replace(at, needle.size(), FlipSomeCases(random, needle));
            }
            for (bool ignoreCase : {false, true}) {
                const Searcher searcher(needle, ignoreCase);
                for (std::size_t start = 0; start <= kBufferSize; ++start) {
                    const std::size_t rest = kBufferSize - start;
                    for (std::size_t length : {rest, (start * 37 + round) % (rest + 1)}) {
                        const ExactCopy copy(std::string_view(buffer).substr(start, length),
                                             start % 16);
                        const std::string_view haystack = copy.View();
                        ASSERT_EQ(searcher.Find(haystack), Reference(haystack, needle, ignoreCase))
                            << "ignoreCase " << ignoreCase << "\nneedle   " << Debug(needle)
                            << "\nhaystack " << Debug(haystack);
                        if (!ignoreCase) {
                            ASSERT_EQ(FindBytes(haystack, needle), haystack.find(needle));
                        }
                    }
                }
            }
        }
    }
}

TEST(Searcher, FindsAMatchThatEndsTheHaystack) {
    std::mt19937 random(5);
    const std::string& alphabet = kAlphabets[4];
    for (std::size_t needleLength = 1; needleLength <= 40; ++needleLength) {
        const std::string needle = RandomText(random, alphabet, needleLength);
        for (bool ignoreCase : {false, true}) {
            const Searcher searcher(needle, ignoreCase);
            for (std::size_t length = needleLength; length <= 300; ++length) {
                std::string text = RandomText(random, alphabet, length - needleLength);
                text += ignoreCase ? FlipSomeCases(random, needle) : needle;
                const ExactCopy copy(text, length % 16);
                const std::size_t found = searcher.Find(copy.View());
                ASSERT_NE(found, kNpos) << Debug(needle) << " in " << Debug(text);
                ASSERT_EQ(found, Reference(copy.View(), needle, ignoreCase))
                    << Debug(needle) << " in " << Debug(text);
            }
        }
    }
}

TEST(Searcher, LongNeedlesAgreeWithFoldAndFind) {
    std::mt19937 random(3);
    for (std::size_t needleLength : {100u, 257u, 1000u, 4000u}) {
        for (const std::string& alphabet : {kAlphabets[0], kAlphabets[1], kAlphabets[4]}) {
            for (int round = 0; round < 6; ++round) {
                // Needles from the haystack itself, so long partial matches abound.
                std::string text = RandomText(random, alphabet, 20000);
                std::string needle =
                    text.substr(random() % (text.size() - needleLength), needleLength);
                if (round % 2 == 1) needle.back() = needle.back() == 'a' ? 'b' : 'a';
                if (round % 3 == 2) text = RandomText(random, alphabet, 20000);
                for (bool ignoreCase : {false, true}) {
                    const ExactCopy copy(text, 0);
                    ASSERT_EQ(Searcher(needle, ignoreCase).Find(copy.View()),
                              Reference(copy.View(), needle, ignoreCase))
                        << "needle length " << needleLength << " ignoreCase " << ignoreCase;
                }
            }
        }
    }
}

// Text made of the needle's probed bytes: every position is a candidate, and
// the search hands over to the linear one, which must still report the true
// offset of a later match.
TEST(Searcher, RunsOfTheRareByteFallBackAndStillFindLaterMatches) {
    const std::string run(100000, 'a');
    const std::string mixedRun = FlipSomeCases(*std::make_unique<std::mt19937>(1), run);
    const std::string longNeedle = std::string(999, 'x') + "y";
    const std::string xs(100000, 'x');
    const struct {
        std::string needle;
        std::string haystack;
    } kCases[] = {
        {"aaab", run},
        {"aaab", run + "aaab"},
        {"aaab", run + "AAAB" + run},
        {"aaab", mixedRun + "aAaB" + run + "aaab"},
        {"AAAA", mixedRun},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", run + "b"},
        {longNeedle, xs},
        {longNeedle, xs + longNeedle},
        {longNeedle, AsciiUpper(xs) + longNeedle + xs},
        {"x.x.x.x.x.x.x.y", std::string(50000, 'x') + "x.x.x.x.x.x.x.y"},
        {"ab.ab.ab.ab.c",
         [] {
             std::string s;
             for (int i = 0; i < 20000; ++i) s += "ab.";
             return s + "AB.AB.ab.ab.c";
         }()},
    };
    for (const auto& c : kCases) {
        for (bool ignoreCase : {false, true}) {
            const ExactCopy copy(c.haystack, 3);
            const Searcher searcher(c.needle, ignoreCase);
            const std::size_t expected = Reference(copy.View(), c.needle, ignoreCase);
            EXPECT_EQ(searcher.Find(copy.View()), expected)
                << "needle " << c.needle.substr(0, 40) << " ignoreCase " << ignoreCase;
            // Once more, with the scratch of the first call left behind.
            EXPECT_EQ(searcher.Find(copy.View().substr(0, 5000)),
                      Reference(copy.View().substr(0, 5000), c.needle, ignoreCase));
        }
    }
}

TEST(Searcher, IgnoringCaseFoldsOnlyAsciiLetters) {
    const struct {
        std::string needle;
        std::string haystack;
        bool ignoreCase;
        std::size_t found;
    } kCases[] = {
        {"a", "A", true, 0},
        {"A", "a", true, 0},
        {"a", "A", false, kNpos},
        {"z", "Z", true, 0},
        {"Z", "z", true, 0},
        {"@", "`", true, kNpos},
        {"`", "@", true, kNpos},
        {"[", "{", true, kNpos},
        {"{", "[", true, kNpos},
        {"^", "~", true, kNpos},
        {"\xe9", "\xc9", true, kNpos},
        {"\xc9", "\xe9", true, kNpos},
        {"\xc3\xa9t\xc3\xa9", "\xc3\x89T\xc3\x89 \xc3\xa9T\xc3\xa9", true, 6},
        {"oldcompanyname", "x OLDCompanyNAME y", true, 2},
        {"OldCompanyName", "x OLDCompanyNAME y OldCompanyName", false, 19},
        {"a@b", "A`B a@b", true, 4},
        {std::string("b\0c", 3), std::string("a\0B\0c\0b\0c", 9), false, 6},
        {std::string("b\0c", 3), std::string("a\0B\0c\0b\0c", 9), true, 2},
        {"abc", "ab", true, kNpos},
        {"abc", "", false, kNpos},
        {"", "", true, 0},
        {"", "abc", false, 0},
    };
    for (const auto& c : kCases) {
        const ExactCopy copy(c.haystack, 0);
        EXPECT_EQ(Searcher(c.needle, c.ignoreCase).Find(copy.View()), c.found)
            << Debug(c.needle) << " in " << Debug(c.haystack) << " ignoreCase " << c.ignoreCase;
    }
}

TEST(Searcher, KeepsTheNeedleAsGiven) {
    const Searcher searcher("OldName", true);
    EXPECT_EQ(searcher.Needle(), "OldName");
    EXPECT_TRUE(searcher.IgnoresCase());
    EXPECT_FALSE(Searcher("x", false).IgnoresCase());
    const Searcher empty;
    EXPECT_EQ(empty.Needle(), "");
    EXPECT_EQ(empty.Find(""), 0u);
    EXPECT_EQ(empty.Find("abc"), 0u);
}

}  // namespace
}  // namespace tavro::test
