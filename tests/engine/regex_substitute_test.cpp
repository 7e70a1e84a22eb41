#include <gtest/gtest.h>

#include <string>

#include "engine/regex_pattern.h"

namespace tavro {
namespace {

using namespace std::string_literals;

class RegexSubstituteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(regex.Compile("(a+)(b*)"));
        ASSERT_EQ(regex.Exec("xaabz"), 1);
    }
    std::string Expand(std::string_view replacement) {
        std::string out = "stale";
        EXPECT_TRUE(regex.Substitute(replacement, out)) << replacement;
        return out;
    }
    RegexPattern regex;
};

TEST_F(RegexSubstituteTest, ExpandsEveryTemplateForm) {
    const struct {
        std::string replacement;
        std::string expansion;
    } kCases[] = {
        {"[&]", "[aab]"},
        {"&&", "aabaab"},
        {"\\2\\1", "baa"},
        {"\\0", "aab"},
        {"\\\\1", "\\1"},  // an escaped backslash, then a plain digit
        {"\\&", "&"},
        {"\\q", "\\q"},        // a backslash before another byte stays
        {"\\n\\t", "\\n\\t"},  // there are no other escapes
        {"ab\\", "ab\\"},      // as does a trailing one
        {"\\\\\\\\", "\\\\"},
        {"<\\3\\9>", "<>"},  // groups the pattern does not have
        {"", ""},
        {"a\0&"s, "a\0aab"s},
    };
    for (const auto& c : kCases) EXPECT_EQ(Expand(c.replacement), c.expansion) << c.replacement;
}

TEST_F(RegexSubstituteTest, EmptyGroupGivesNothing) {
    ASSERT_EQ(regex.Exec("xaaz"), 1);
    EXPECT_EQ(Expand("<\\1|\\2>"), "<aa|>");
}

TEST_F(RegexSubstituteTest, RefusesWithoutAMatch) {
    ASSERT_EQ(regex.Exec("xyz"), -1);
    std::string out = "stale";
    EXPECT_FALSE(regex.Substitute("&", out));
    EXPECT_TRUE(out.empty());
    RegexPattern fresh;
    EXPECT_FALSE(fresh.Substitute("", out));
}

// Callers edit the line between Exec and Substitute; the group text comes
// from the object's own copy of the match.
TEST_F(RegexSubstituteTest, GroupTextSurvivesAnEditOfTheSubject) {
    std::string line = "xaabbz";
    ASSERT_EQ(regex.Exec(line), 1);
    line.assign(line.size(), '-');
    EXPECT_EQ(Expand("\\1/\\2/&"), "aa/bb/aabb");
}

TEST(RegexSubstitute, CopiesNulBytesOfTheMatch) {
    RegexPattern regex;
    ASSERT_TRUE(regex.Compile("a(.)b"));
    ASSERT_EQ(regex.Exec("xa\0b"s), 1);
    std::string out;
    ASSERT_TRUE(regex.Substitute("[&|\\1]", out));
    EXPECT_EQ(out, "[a\0b|\0]"s);
}

}  // namespace
}  // namespace tavro
