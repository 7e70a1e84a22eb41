#include "engine/text_buffer.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

TEST(TextBuffer, InsertAppendsAtTheEndAndIgnoresEmptyText) {
    TextBuffer buffer("abc");
    EXPECT_EQ(buffer.Insert(3, "de").View(), "abcde");
    EXPECT_EQ(buffer.Insert(0, "").View(), "abcde");
    EXPECT_EQ(buffer.Insert(1, "X").View(), "aXbcde");
}

TEST(TextBuffer, DeleteClampsItsCount) {
    const struct {
        std::size_t pos;
        std::ptrdiff_t count;
        const char* expected;
    } kCases[] = {
        {2, -1, "ab"}, {2, 100, "ab"}, {6, 1, "abcdef"}, {0, 0, "abcdef"}, {1, 2, "adef"},
    };
    for (const auto& c : kCases) {
        TextBuffer buffer("abcdef");
        EXPECT_EQ(buffer.Delete(c.pos, c.count).View(), c.expected) << c.pos << " " << c.count;
    }
}

TEST(TextBuffer, ReplaceIsDeleteThenInsert) {
    const struct {
        std::size_t pos;
        std::ptrdiff_t count;
        const char* text;
        const char* expected;
    } kCases[] = {
        {1, 3, "Z", "aZef"},     {1, 0, "Z", "aZbcdef"}, {1, 3, "", "aef"},
        {6, 0, "!", "abcdef!"},  {4, -1, "XY", "abcdXY"}, {5, 9, "", "abcde"},
    };
    for (const auto& c : kCases) {
        TextBuffer buffer("abcdef");
        EXPECT_EQ(buffer.Replace(c.pos, c.count, c.text).View(), c.expected) << c.pos;
    }
}

TEST(TextBuffer, FindFromSearchesAtOrAfterStart) {
    TextBuffer buffer("abcdabcd");
    EXPECT_EQ(buffer.FindFrom("cd", 3), 6);
    EXPECT_EQ(buffer.FindFrom("cd", 0), 2);
    EXPECT_EQ(buffer.FindFrom("x", 0), -1);
    EXPECT_EQ(buffer.FindFrom("", 5), 5);
}

TEST(TextBuffer, FindFromTreatsNulAsAnOrdinaryByte) {
    TextBuffer buffer(std::string_view("a\0b\0c", 5));
    EXPECT_EQ(buffer.FindFrom(std::string_view("\0c", 2), 0), 3);
}

TEST(TextBuffer, ReverseFindNeverFindsOffsetZero) {
    EXPECT_EQ(TextBuffer("page.old.htm").ReverseFind(".", -1), 8);
    EXPECT_EQ(TextBuffer("x.htm").ReverseFind(".", -1), 1);
    EXPECT_EQ(TextBuffer(".htm").ReverseFind(".", -1), -1);
    EXPECT_EQ(TextBuffer("htm").ReverseFind(".", -1), -1);
    EXPECT_EQ(TextBuffer("abab").ReverseFind("ab", 3), 2);
    EXPECT_EQ(TextBuffer("abab").ReverseFind("ab", 1), -1);
    EXPECT_EQ(TextBuffer("").ReverseFind(".", -1), -1);
    EXPECT_EQ(TextBuffer("abc").ReverseFind("", -1), -1);
}

}  // namespace
}  // namespace tavro
