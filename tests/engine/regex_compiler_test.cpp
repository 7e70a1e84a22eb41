#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/regex_pattern.h"
#include "engine/regex_program.h"

namespace tavro {
namespace {

std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    std::size_t i = 0;
    while (i < hex.size()) {
        if (hex[i] == ' ') {
            ++i;
            continue;
        }
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return bytes;
}

std::vector<std::uint8_t> ProgramOf(const RegexPattern& regex) {
    return {regex.Program(), regex.Program() + regex.ProgramSize()};
}

std::string Dump(const RegexPattern& regex) {
    return DumpProgram(regex.Program(), regex.ProgramSize());
}

TEST(RegexCompiler, BuildsTheAlternationExampleByteForByte) {
    RegexPattern regex;
    ASSERT_TRUE(regex.Compile("ab*c|d"));
    EXPECT_EQ(ProgramOf(regex), FromHex("06 15 00  08 05 00 61 00  0A 08 00  08 00 00 62 00  "
                                        "08 0D 00 63 00  06 08 00  08 05 00 64 00  00 00 00"));
    EXPECT_EQ(regex.ProgramSize(), 32u);
    EXPECT_EQ(Dump(regex),
              "0 BRANCH -> 21\n3 EXACTLY -> 8 \"a\"\n8 STAR -> 16\n11 EXACTLY -> - \"b\"\n"
              "16 EXACTLY -> 29 \"c\"\n21 BRANCH -> 29\n24 EXACTLY -> 29 \"d\"\n29 END -> -\n");
}

TEST(RegexCompiler, BuildsTheGroupLoopExampleByteForByte) {
    RegexPattern regex;
    ASSERT_TRUE(regex.Compile("(ab)+c"));
    EXPECT_EQ(ProgramOf(regex), FromHex("06 23 00  15 03 00  06 09 00  08 06 00 61 62 00  "
                                        "1F 03 00  06 06 00  07 12 00  06 03 00  09 03 00  "
                                        "08 05 00 63 00  00 00 00"));
    EXPECT_EQ(regex.ProgramSize(), 38u);
}

// Layouts of the other repetition forms, worked out from the construction rules.
TEST(RegexCompiler, LaysOutRepetitions) {
    const struct {
        const char* pattern;
        const char* dump;
    } kCases[] = {
        {"", "0 BRANCH -> 6\n3 NOTHING -> 6\n6 END -> -\n"},
        {"a+", "0 BRANCH -> 11\n3 PLUS -> 11\n6 EXACTLY -> - \"a\"\n11 END -> -\n"},
        {"abc*",
         "0 BRANCH -> 17\n3 EXACTLY -> 9 \"ab\"\n9 STAR -> 17\n"
         "12 EXACTLY -> - \"c\"\n17 END -> -\n"},
        {"x?",
         "0 BRANCH -> 17\n3 BRANCH -> 11\n6 EXACTLY -> 14 \"x\"\n"
         "11 BRANCH -> 14\n14 NOTHING -> 17\n17 END -> -\n"},
        {"(a)*",
         "0 BRANCH -> 29\n3 BRANCH -> 23\n6 OPEN1 -> 9\n9 BRANCH -> 17\n12 EXACTLY -> 17 \"a\"\n"
         "17 CLOSE1 -> 20\n20 BACK -> 3\n23 BRANCH -> 26\n26 NOTHING -> 29\n29 END -> -\n"},
        {"a]{}-b", "0 BRANCH -> 13\n3 EXACTLY -> 13 \"a]{}-b\"\n13 END -> -\n"},
        {"\\.\\a", "0 BRANCH -> 13\n3 EXACTLY -> 8 \".\"\n8 EXACTLY -> 13 \"a\"\n13 END -> -\n"},
    };
    for (const auto& c : kCases) {
        RegexPattern regex;
        ASSERT_TRUE(regex.Compile(c.pattern)) << c.pattern;
        EXPECT_EQ(Dump(regex), c.dump) << c.pattern;
    }
}

TEST(RegexCompiler, AnalysesFirstByteAnchorAndMustString) {
    const struct {
        const char* pattern;
        char firstChar;
        bool anchored;
        const char* mustString;
        int flags;
    } kCases[] = {
        {"ab*c|d", 0, false, "", HASWIDTH},
        {"(ab)+c", 0, false, "c", HASWIDTH | SPSTART},
        {"", 0, false, "", WORST},
        {"^abc", 0, true, "", HASWIDTH},
        {"abc", 'a', false, "", HASWIDTH},
        {"\\.x", '.', false, "", HASWIDTH},
        {"a*bc", 0, false, "bc", HASWIDTH | SPSTART},
        {"x+yz", 0, false, "yz", HASWIDTH | SPSTART},
        {"x?", 0, false, "", WORST},
        {"a*bcd.e", 0, false, "bcd", HASWIDTH | SPSTART},  // the longest literal
        {"a*bc.de", 0, false, "de", HASWIDTH | SPSTART},   // of equal ones, the last
        {"a*(bcd)e", 0, false, "e", HASWIDTH | SPSTART},   // group insides do not count
        {"a|b", 0, false, "", HASWIDTH},
        {"(a)bc", 0, false, "", HASWIDTH},
    };
    for (const auto& c : kCases) {
        RegexPattern regex;
        ASSERT_TRUE(regex.Compile(c.pattern)) << c.pattern;
        EXPECT_EQ(regex.FirstChar(), c.firstChar) << c.pattern;
        EXPECT_EQ(regex.Anchored(), c.anchored) << c.pattern;
        EXPECT_EQ(regex.MustString(), c.mustString) << c.pattern;
        EXPECT_EQ(regex.Flags(), c.flags) << c.pattern;
    }
}

TEST(RegexCompiler, AllowsNineGroupsAndRefusesATenth) {
    RegexPattern regex;
    EXPECT_TRUE(regex.Compile("(a)(b)(c)(d)(e)(f)(g)(h)(i)"));
    EXPECT_EQ(regex.GroupCount(), 9);
    EXPECT_TRUE(regex.Compile("(((((((((a)))))))))"));
    EXPECT_FALSE(regex.Compile("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)"));
    EXPECT_FALSE(regex.Compile("((((((((((a))))))))))"));
}

TEST(RegexCompiler, CollectsClassMembers) {
    const struct {
        const char* pattern;
        std::uint8_t opcode;
        const char* members;
    } kCases[] = {
        {"[]a-]", ANYOF, "]a-"},
        {"[^]x]", ANYBUT, "]x"},
        {"[-a]", ANYOF, "-a"},
        {"[a-a]", ANYOF, "a"},
        {"[a-c]", ANYOF, "abc"},
        {"[a-c-e]", ANYOF, "abcde"},  // a range end starts the next range
        {"[.*$(\\]", ANYOF, ".*$(\\"},
        {"[\x80-\x82]", ANYOF, "\x80\x81\x82"},
        // Byte 0 lies inside this signed range; it must not end the list.
        {"[\xff-\001b]", ANYOF, "\xff\001b"},
    };
    for (const auto& c : kCases) {
        RegexPattern regex;
        ASSERT_TRUE(regex.Compile(c.pattern)) << c.pattern;
        const std::uint8_t* node = regex.Program() + kNodeHeader;
        EXPECT_EQ(node[0], c.opcode) << c.pattern;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(node + kNodeHeader)), c.members)
            << c.pattern;
    }
}

TEST(RegexCompiler, RangeThroughByteZeroKeepsTheRestOfTheClass) {
    RegexPattern regex;
    ASSERT_TRUE(regex.Compile("[\xff-\001b]"));
    EXPECT_EQ(regex.Exec("b"), 0);
    EXPECT_EQ(regex.Exec("\x01"), 0);
    EXPECT_EQ(regex.Exec(std::string_view("\0", 1)), -1);
}

TEST(RegexCompiler, RefusesInvalidPatterns) {
    const char* const kInvalid[] = {
        "ab)",   "(ab",  ")",     "*a",  "+",     "?a",  "a|*b",     "(*a)", "a**",
        "a+?",   "x??",  "(a*)*", "()+", "(a|)*", "^*",  "$+",       "ab\\", "\\",
        "[z-a]", "[abc", "[",     "[]",  "[^]",   "[a-", "[a-\xe9]",
    };
    for (const char* pattern : kInvalid) {
        RegexPattern regex;
        EXPECT_FALSE(regex.Compile(pattern)) << pattern;
        EXPECT_FALSE(regex.IsCompiled()) << pattern;
        EXPECT_EQ(regex.ProgramSize(), 0u) << pattern;
    }
    RegexPattern regex;
    EXPECT_FALSE(regex.Compile(nullptr));
}

TEST(RegexCompiler, AcceptsUnusualButValidPatterns) {
    for (const char* pattern : {"a^b", "^?a", "(^)?", "(a|)", "()", "[\x80-\xff]", "]", "a{2}"}) {
        RegexPattern regex;
        EXPECT_TRUE(regex.Compile(pattern)) << pattern;
    }
}

// Links are signed 16-bit offsets: a program reaching 32,768 bytes cannot be
// linked and must be refused, while one byte less still matches correctly.
TEST(RegexCompiler, RefusesAProgramOf32768Bytes) {
    const std::size_t kOverhead = 10;  // BRANCH, EXACTLY header and NUL, END
    RegexPattern regex;
    const std::string fits(32767 - kOverhead, 'a');
    ASSERT_TRUE(regex.Compile(fits.c_str()));
    EXPECT_EQ(regex.ProgramSize(), 32767u);
    EXPECT_EQ(regex.Exec("x" + fits), 1);
    EXPECT_FALSE(regex.Compile((fits + "a").c_str()));

    // A loop spanning nearly the whole program: BACK links back across it.
    const std::size_t kLoopOverhead = 36;
    const std::string body(32767 - kLoopOverhead, 'a');
    ASSERT_TRUE(regex.Compile(("(" + body + ")*b").c_str()));
    EXPECT_EQ(regex.ProgramSize(), 32767u);
    EXPECT_EQ(regex.Exec(body + body + "b"), 0);
    EXPECT_EQ(regex.MatchLength(), 2 * body.size() + 1);
    EXPECT_FALSE(regex.Compile(("(" + body + "a)*b").c_str()));
    EXPECT_FALSE(regex.Compile(std::string(100000, 'a').c_str()));
}

TEST(RegexCompiler, FailedRecompileLeavesNothingToMatch) {
    RegexPattern regex;
    ASSERT_TRUE(regex.Compile("a"));
    ASSERT_EQ(regex.Exec("a"), 0);
    EXPECT_FALSE(regex.Compile("a**"));
    EXPECT_EQ(regex.Program(), nullptr);
    EXPECT_EQ(regex.Exec("a"), -1);
    EXPECT_TRUE(regex.Compile("b"));
    EXPECT_EQ(regex.Exec("ab"), 1);
}

TEST(RegexDump, ReportsBrokenPrograms) {
    const std::uint8_t truncated[] = {BRANCH, 3};
    EXPECT_EQ(DumpProgram(truncated, sizeof truncated), "0 <truncated node>\n");
    const std::uint8_t unterminated[] = {EXACTLY, 0, 0, 'a'};
    EXPECT_EQ(DumpProgram(unterminated, sizeof unterminated),
              "0 EXACTLY -> - \"a\" <unterminated>\n");
    const std::uint8_t unknown[] = {15, 0xFD, 0xFF};
    EXPECT_EQ(DumpProgram(unknown, sizeof unknown), "0 ?15 -> -3\n");
}

}  // namespace
}  // namespace tavro
