#include <gtest/gtest.h>

#include "tests/support/engine_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace tavro::test {
namespace {

ProgramResult KembrelRegex(const TempTree& tree, const std::string& pattern,
                           const std::string& replacement) {
    return RunProgram(KEMBREL_PATH,
                      {"/D:.", "/F:*.txt", "/S:" + pattern, "/R:" + replacement, "/x", "/L:run.log"},
                      tree.Root());
}

TEST(KembrelRegex, ReplacementsOnOneLine) {
    const struct {
        const char* pattern;
        const char* replacement;
        const char* line;
        const char* expected;
        int count;
    } kCases[] = {
        {"a[0-9]", "<&>", "xa1ya2", "x<a1>y<a2>", 2},
        {"^a", "b", "aaa", "bbb", 3},
        {"x*", "-", "abc", "-a-b-c-", 4},
        {"$", "X", "abc", "abcX", 1},
        {"a.*", "Z", "aa", "Z", 1},
        {"(a+)(b*)", "[\\2\\1]", "xaabz", "x[baa]z", 1},
        {"([0-9]+)-([0-9]+)", "\\2-\\1", "10-20 and 3-4", "20-10 and 4-3", 2},
        {"Old", "n\\&m\\\\", "Old old", "n&m\\ old", 1},
    };
    for (const auto& c : kCases) {
        TempTree tree;
        tree.Write("a.txt", std::string(c.line) + "\n");
        ProgramResult result = KembrelRegex(tree, c.pattern, c.replacement);
        EXPECT_EQ(result.exitStatus, 0) << c.pattern;
        EXPECT_EQ(tree.Read("a.txt"), std::string(c.expected) + "\r\n") << c.pattern;
        EXPECT_NE(WithoutCr(tree.Read("run.log")).find(" " + std::to_string(c.count) + " times\n"),
                  std::string::npos)
            << c.pattern << "\n" << tree.Read("run.log");
    }
}

TEST(KembrelRegex, InvalidPatternChangesNothing) {
    for (const char* pattern : {"(ab", "ab)", "*a", "a**", "[z-a]", "a\\"}) {
        TempTree tree;
        tree.Write("a.txt", "ab a* (ab\n");
        ProgramResult result = KembrelRegex(tree, pattern, "x");
        EXPECT_EQ(result.out, "\n\t0 files modified.\n\n") << pattern;
        EXPECT_EQ(tree.Read("a.txt"), "ab a* (ab\n");
        EXPECT_EQ(tree.Read("error.log"), "");
    }
}

TEST(KembrelRegex, RegexIgnoresTheCaseOption) {
    TempTree tree;
    tree.Write("a.txt", "Old old\n");
    KembrelRegex(tree, "old", "new");
    EXPECT_EQ(tree.Read("a.txt"), "Old new\r\n");
}

TEST(KembrelRegex, LongLinesAreExact) {
    TempTree tree;
    std::string ab;
    for (int i = 0; i < 1'000'000; ++i) ab += "ab";
    tree.Write("a.txt", ab + "c\n" + std::string(3'000'000, 'y') + "x\n");
    ProgramResult result = KembrelRegex(tree, "(ab)*c", "C");
    EXPECT_EQ(result.exitStatus, 0) << result.out;
    std::string after = tree.Read("a.txt");
    EXPECT_EQ(after.substr(0, 3), "C\r\n");
    result = KembrelRegex(tree, "y.*x", "<&>");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(tree.Read("a.txt"), "C\r\n<" + std::string(3'000'000, 'y') + "x>\r\n");
}

// A catastrophic pattern on a long line gives up instead of hanging: the file
// stays byte for byte, is not counted and gets one error line.
TEST(KembrelRegex, CatastrophicPatternGivesUpWithAnErrorLine) {
    TempTree tree;
    std::string hard = std::string(200'000, 'a') + "!b\n";
    tree.Write("filter.txt", hard);
    tree.Write("rewrite.txt", "ab\n" + hard);  // matches on its first line, gives up later
    tree.Write("fine.txt", "aab\n");
    ProgramResult result = KembrelRegex(tree, "(a|aa)*b", "X");
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.out, "\n\t1 files modified.\n\n");
    EXPECT_EQ(tree.Read("filter.txt"), hard);
    EXPECT_EQ(tree.Read("rewrite.txt"), "ab\n" + hard);
    EXPECT_EQ(tree.Read("fine.txt"), "X\r\n");
    std::string errors = tree.Read("error.log");
    for (const char* name : {"filter.txt", "rewrite.txt"}) {
        EXPECT_NE(errors.find(std::string("\tRegular expression too complex, file not processed: ") +
                              name + "\r\n"),
                  std::string::npos)
            << errors;
    }
    std::string log = WithoutCr(tree.Read("run.log"));
    EXPECT_EQ(log.find("rewrite.txt"), std::string::npos) << log;
    EXPECT_NE(log.find("\n1 files processed; "), std::string::npos);
}

}  // namespace
}  // namespace tavro::test
