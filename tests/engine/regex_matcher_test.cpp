#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/regex_pattern.h"

namespace tavro {
namespace {

using namespace std::string_literals;

// Replaces every match the way the engine's callers do: each search runs on
// the rest of the line behind the previous replacement, and an empty match
// lets one byte through before the next search.
std::string RewriteLine(RegexPattern& regex, std::string line, std::string_view replacement,
                        int* count = nullptr) {
    regex.StartLine(line.size());
    std::size_t pos = 0;
    int replaced = 0;
    std::string text;
    for (std::ptrdiff_t m; (m = regex.Exec(std::string_view(line).substr(pos))) >= 0;) {
        ++replaced;
        const std::size_t start = pos + static_cast<std::size_t>(m);
        const std::size_t length = regex.MatchLength();
        regex.Substitute(replacement, text);
        line.replace(start, length, text);
        pos = start + text.size();
        if (length == 0) {
            if (pos >= line.size()) break;
            ++pos;
        }
    }
    if (count != nullptr) *count = replaced;
    return line;
}

struct MatchCase {
    const char* pattern;
    std::string subject;
    std::ptrdiff_t offset;
    std::size_t length;
};

void ExpectMatches(const std::vector<MatchCase>& cases) {
    for (const MatchCase& c : cases) {
        RegexPattern regex;
        ASSERT_TRUE(regex.Compile(c.pattern)) << c.pattern;
        EXPECT_EQ(regex.Exec(c.subject), c.offset) << c.pattern << " on " << c.subject;
        EXPECT_EQ(regex.MatchLength(), c.length) << c.pattern << " on " << c.subject;
    }
}

TEST(RegexMatcher, FindsTheLeftmostMatch) {
    ExpectMatches({
        {"", "abc", 0, 0},
        {"", "", 0, 0},
        {"x*", "abc", 0, 0},
        {"x*", "xxa", 0, 2},
        {"x*", "", 0, 0},
        {"a*", "aaab", 0, 3},
        {"(a|ab)(c|bcd)(d*)", "abcd", 0, 4},
        {"(ab)+c", "xababc", 1, 5},
        {"ab*c|d", "xabbbcd", 1, 5},
        {"ab*c|d", "xd", 1, 1},
        {"a|ab", "ab", 0, 1},  // the first alternative wins, not the longest
        {"a*ab", "aaab", 0, 4},
        {".*x", "axbxc", 0, 4},
        {"x+yz", "xxyxyz", 3, 3},
        {"a?b", "ab", 0, 2},
        {"(ab)+c", "ac", -1, 0},
        {"c$", "abc", 2, 1},
        {"$", "abc", 3, 0},
        {"^b", "ab", -1, 0},
        {"a^b", "a^b", -1, 0},
        {"[^a]", "a", -1, 0},
        {"[^a]", "", -1, 0},
        {".", "", -1, 0},
        {"(foo|bar)baz", "xbarbaz", 1, 6},
        {"x*y", "aay", 2, 1},
        {"[0-9]+", "ab12c", 2, 2},
        {"ab", "aaaab", 3, 2},
        {"a*b", "aaxb", 3, 1},  // the repetition ends where its operand stops matching
        {"[^x]+b", "abxb", 0, 2},
    });
}

TEST(RegexMatcher, RecordsGroupPositions) {
    using Spans = std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>>;
    const struct {
        const char* pattern;
        const char* subject;
        Spans groups;
    } kCases[] = {
        {"(a|ab)(c|bcd)(d*)", "abcd", {{0, 1}, {1, 4}, {4, 4}}},
        {"(ab)+c", "xababc", {{3, 5}}},
        {"(a|b)*", "ab", {{1, 2}}},
        {"(a)|b", "b", {{-1, -1}}},  // the group's alternative was not taken
        {"((a)|b)*", "ab", {{1, 2}, {0, 1}}},
        {"(a(b)?)+", "aba", {{2, 3}, {1, 2}}},
        {"(a*)b", "aab", {{0, 2}}},
    };
    for (const auto& c : kCases) {
        RegexPattern regex;
        ASSERT_TRUE(regex.Compile(c.pattern));
        ASSERT_GE(regex.Exec(c.subject), 0) << c.pattern;
        for (std::size_t n = 0; n < c.groups.size(); ++n) {
            const int group = static_cast<int>(n) + 1;
            EXPECT_EQ(regex.GroupStart(group), c.groups[n].first)
                << c.pattern << " group " << group;
            EXPECT_EQ(regex.GroupEnd(group), c.groups[n].second) << c.pattern << " group " << group;
        }
    }
}

TEST(RegexMatcher, ForgetsTheMatchAfterAFailedExec) {
    RegexPattern regex;
    ASSERT_TRUE(regex.Compile("(a)"));
    ASSERT_EQ(regex.Exec("a"), 0);
    EXPECT_EQ(regex.Exec("b"), -1);
    EXPECT_EQ(regex.MatchLength(), 0u);
    EXPECT_EQ(regex.GroupStart(0), -1);
    EXPECT_EQ(regex.GroupStart(1), -1);
}

TEST(RegexMatcher, AnchorsApplyToEachRestOfTheLine) {
    RegexPattern regex;
    ASSERT_TRUE(regex.Compile("^a"));
    int count = 0;
    EXPECT_EQ(RewriteLine(regex, "aaa", "b", &count), "bbb");
    EXPECT_EQ(count, 3);
    EXPECT_EQ(regex.Exec("ba"), -1);

    ASSERT_TRUE(regex.Compile("$"));
    EXPECT_EQ(RewriteLine(regex, "abc", "X"), "abcX");
    ASSERT_TRUE(regex.Compile("a$"));
    EXPECT_EQ(RewriteLine(regex, "aaa", "X"), "aaX");
    ASSERT_TRUE(regex.Compile("x*"));
    EXPECT_EQ(RewriteLine(regex, "abc", "-"), "-a-b-c-");
    ASSERT_TRUE(regex.Compile("a[0-9]"));
    EXPECT_EQ(RewriteLine(regex, "xa1ya2", "<&>"), "x<a1>y<a2>");
}

TEST(RegexMatcher, FailedCompileNeverMatches) {
    RegexPattern neverCompiled;
    EXPECT_EQ(neverCompiled.Exec(""), -1);
    RegexPattern regex;
    ASSERT_FALSE(regex.Compile("a**"));
    for (const char* subject : {"", "a", "a**", "aaa"}) EXPECT_EQ(regex.Exec(subject), -1);
    EXPECT_EQ(RewriteLine(regex, "aaa", "b"), "aaa");
}

TEST(RegexMatcher, TreatsNulAsAnOrdinaryByte) {
    ExpectMatches({
        {"b", "a\0b"s, 2, 1},
        {"a.b", "a\0b"s, 0, 3},
        {"[^x]+", "\0\0x"s, 0, 2},
        {"[a-z]", "\0b"s, 1, 1},
        {"a$", "a\0"s, -1, 0},
        {"a$", "\0a"s, 1, 1},
        {"a*bc", "\0\0bc"s, 2, 2},
        {"x*", "\0"s, 0, 0},
    });
}

// Each subject is copied into a heap block of exactly its size, so that a
// read beyond its end is caught by the address sanitizer, and the bytes that
// follow the view in the original would make a match if they were read.
TEST(RegexMatcher, NeverReadsPastTheSubject) {
    const struct {
        const char* pattern;
        const char* text;
        std::size_t viewLength;
        std::ptrdiff_t offset;
        std::size_t length;
    } kCases[] = {
        {"ab", "aab", 2, -1, 0},  {"a$", "aab", 2, 1, 1},       {"a.*", "aab", 2, 0, 2},
        {"a*b", "aab", 2, -1, 0}, {".*b", "aab", 2, -1, 0},     {"[^x]*", "aab", 2, 0, 2},
        {"a+a", "aaa", 2, 0, 2},  {"b", "b", 0, -1, 0},         {"x*", "b", 0, 0, 0},
        {"$", "b", 0, 0, 0},      {"(a|b)*c", "abc", 2, -1, 0},
    };
    for (const auto& c : kCases) {
        RegexPattern regex;
        ASSERT_TRUE(regex.Compile(c.pattern));
        auto block = std::make_unique<char[]>(c.viewLength);
        std::memcpy(block.get(), c.text, c.viewLength);
        EXPECT_EQ(regex.Exec(std::string_view(block.get(), c.viewLength)), c.offset) << c.pattern;
        EXPECT_EQ(regex.MatchLength(), c.length) << c.pattern;
    }
    RegexPattern regex;
    ASSERT_TRUE(regex.Compile("a.*"));
    EXPECT_EQ(RewriteLine(regex, "aa", "X"), "X");
    EXPECT_EQ(regex.Exec(std::string_view()), -1);
}

std::string Repeat(std::string_view unit, std::size_t times) {
    std::string s;
    s.reserve(unit.size() * times);
    for (std::size_t i = 0; i < times; ++i) s += unit;
    return s;
}

// Lines of several megabytes: the backtracking stack is on the heap, so the
// results are exact and nothing runs out of stack.
TEST(RegexMatcherLongLines, MatchesExactlyOnMultiMegabyteLines) {
    constexpr std::size_t kPairs = 2'000'000;
    const std::string pairs = Repeat("ab", kPairs);
    const std::ptrdiff_t lastPair = static_cast<std::ptrdiff_t>(pairs.size()) - 2;
    const struct {
        const char* pattern;
        std::string subject;
        std::ptrdiff_t offset;
        std::size_t length;
        std::ptrdiff_t groupStart;
    } kCases[] = {
        {"(ab)*c", pairs + "c", 0, pairs.size() + 1, lastPair},
        {"(a|b)*c", pairs + "c", 0, pairs.size() + 1, lastPair + 1},
        {"(a|ab)*c", pairs + "c", 0, pairs.size() + 1, lastPair},
        // Every pass leaves a choice point behind: the stack grows with the line.
        {"(a|ab)*c", std::string(kPairs, 'a') + "c", 0, kPairs + 1, kPairs - 1},
        {"(ab)*c", "c" + pairs, 0, 1, -1},
        {".*x", pairs + "x" + pairs, 0, pairs.size() + 1, -1},
        {"^(a|b)*c", pairs + "xc", -1, 0, -1},
    };
    for (const auto& c : kCases) {
        RegexPattern regex;
        ASSERT_TRUE(regex.Compile(c.pattern));
        regex.StartLine(c.subject.size());
        EXPECT_EQ(regex.Exec(c.subject), c.offset) << c.pattern;
        EXPECT_EQ(regex.MatchLength(), c.length) << c.pattern;
        EXPECT_EQ(regex.GroupStart(1), c.groupStart) << c.pattern;
        EXPECT_FALSE(regex.TooComplex()) << c.pattern;
    }
}

TEST(RegexMatcherBudget, CatastrophicPatternGivesUpForTheRestOfTheLine) {
    RegexPattern regex;
    ASSERT_TRUE(regex.Compile("(a|aa)*b"));
    // Without a `b` the must-string check refuses the line before any work.
    const std::string run(200'000, 'a');
    regex.StartLine(run.size());
    EXPECT_EQ(regex.Exec(run), -1);
    EXPECT_FALSE(regex.TooComplex());

    const std::string line = run + "!b";
    regex.StartLine(line.size());
    EXPECT_EQ(regex.Exec(line), -1);
    EXPECT_TRUE(regex.TooComplex());
    EXPECT_EQ(regex.Exec("b"), -1);  // the same line: the budget stays spent
    EXPECT_TRUE(regex.TooComplex());
    regex.StartLine(1);
    EXPECT_EQ(regex.Exec("b"), 0);
    EXPECT_FALSE(regex.TooComplex());
}

TEST(RegexMatcherBudget, GrowsWithTheLineAndSaturates) {
    EXPECT_EQ(RegexPattern::StepBudget(0), RegexPattern::kStepBudgetBase);
    EXPECT_EQ(RegexPattern::StepBudget(1000),
              RegexPattern::kStepBudgetBase + 1000 * RegexPattern::kStepBudgetPerByte);
    EXPECT_EQ(RegexPattern::StepBudget(static_cast<std::size_t>(-1)), ~std::uint64_t{0});
}

// The budget must stay out of the way of ordinary work: rewriting a whole long
// line uses well under a quarter of it.
TEST(RegexMatcherBudget, OrdinarySearchesStayFarBelowIt) {
    std::string text;
    const char* const kWords[] = {"the ", "<a href=\"x\">", "1.25 ", "testing ", "dog ", "(foo) "};
    for (std::size_t i = 0; text.size() < 1'000'000; ++i) text += kWords[i % std::size(kWords)];
    for (const char* pattern : {"dog", "[0-9]+\\.[0-9]+", "<[^>]*>", "(the|a|an) [a-z]+",
                                "[a-z]+ing", "([a-z]+) ([a-z]+)", "x*", "q?u?i?c?k?", "a.*z"}) {
        RegexPattern regex;
        ASSERT_TRUE(regex.Compile(pattern));
        RewriteLine(regex, text, "&");
        const std::uint64_t budget = RegexPattern::StepBudget(text.size());
        EXPECT_FALSE(regex.TooComplex()) << pattern;
        EXPECT_LT(budget - regex.StepsLeft(), budget / 4) << pattern;
    }
}

}  // namespace
}  // namespace tavro
