#include <gtest/gtest.h>

#include <filesystem>

#include "engine/search_run.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/windows_files.h"

namespace fs = std::filesystem;

namespace tavro::test {
namespace {

EngineRun Replace(const TempTree& tree, std::string_view search, std::string_view replacement,
                  bool caseSensitive = true) {
    EngineRun run;
    run.settings = DefaultSettings(search, replacement);
    run.settings.caseSensitive = caseSensitive;
    RunEngine(tree, run);
    return run;
}

TEST(TextTest, ControlByteInTheFirst32BytesSkipsTheFile) {
    TempTree tree;
    std::string escapeEarly = "old text \x1b[0m and more old text\n";
    std::string escapeLate = std::string(40, 'x') + "\x1b old\n";
    std::string withNul = std::string("old\0old\t\r\n", 10);
    tree.Write("early.txt", escapeEarly);
    tree.Write("late.txt", escapeLate);
    tree.Write("with-nul.txt", withNul);
    EngineRun run = Replace(tree, "old", "new");
    EXPECT_EQ(tree.Read("early.txt"), escapeEarly);
    EXPECT_EQ(tree.Read("late.txt"), std::string(40, 'x') + "\x1b new\r\n");
    EXPECT_EQ(tree.Read("with-nul.txt"), std::string("new\0new\t\r\n", 10));
    EXPECT_EQ(run.state.filesModified, 2);
}

TEST(TextTest, EveryRejectedByteAndNoOther) {
    for (int byte = 0; byte < 256; ++byte) {
        TempTree tree;
        std::string contents = std::string("old ") + static_cast<char>(byte) + "\n";
        tree.Write("a.txt", contents);
        Replace(tree, "old", "new");
        bool rejected = (byte >= 0x01 && byte <= 0x08) || byte == 0x0B || byte == 0x0C ||
                        (byte >= 0x0E && byte <= 0x1F) || byte == 0x7F;
        EXPECT_EQ(tree.Read("a.txt") == contents, rejected) << "byte " << byte;
    }
}

TEST(FilterPass, FileWithoutTheStringIsLeftByteForByte) {
    TempTree tree;
    std::string contents = "line one\nline two\r\nno end";
    tree.Write("a.txt", contents);
    auto before = fs::last_write_time(tree.Path("a.txt"));
    EngineRun run = Replace(tree, "absent", "x");
    EXPECT_EQ(tree.Read("a.txt"), contents);
    EXPECT_EQ(fs::last_write_time(tree.Path("a.txt")), before);
    EXPECT_EQ(run.state.filesModified, 0);
    EXPECT_EQ(WithoutCr(run.runLog), "");
}

TEST(Rewrite, EveryLineEndsWithCrLfIncludingTheLast) {
    TempTree tree;
    tree.Write("a.txt", "first\nold\r\nlast line");
    tree.Write("b.txt", "old\n\n\nend\n");
    tree.Write("c.txt", "bare CR\rstays old\r");
    Replace(tree, "old", "new");
    EXPECT_EQ(tree.Read("a.txt"), "first\r\nnew\r\nlast line\r\n");
    EXPECT_EQ(tree.Read("b.txt"), "new\r\n\r\n\r\nend\r\n");
    EXPECT_EQ(tree.Read("c.txt"), "bare CR\rstays new\r\r\n");
}

TEST(Rewrite, NulAndEndOfFileMarksAreCarriedThrough) {
    // 0x1A fails the text test within the first 32 bytes, so it comes later.
    TempTree tree;
    std::string head(40, '-');
    tree.Write("a.txt", head + std::string("\nold\0\x1a old\n\x1a", 12));
    Replace(tree, "old", "new");
    EXPECT_EQ(tree.Read("a.txt"), head + std::string("\r\nnew\0\x1a new\r\n\x1a\r\n", 16));
}

TEST(PlainReplacement, CaseSensitiveAndInsensitive) {
    const struct {
        const char* line;
        const char* search;
        const char* replacement;
        bool caseSensitive;
        const char* expected;
        int count;
    } kCases[] = {
        {"AbC-abc-ABC", "abc", "X", false, "X-X-X", 3},
        {"AbC-abc-ABC", "abc", "X", true, "AbC-X-ABC", 1},
        {"aaa", "a", "aa", true, "aaaaaa", 3},
        {"aaaa", "aa", "b", true, "bb", 2},
        {"one two one", "one ", "", true, "two one", 1},
        {"x-old-x-OLD", "old", "", false, "x--x-", 2},
        {"Straße STRASSE", "strasse", "road", false, "Straße road", 1},
        {"mIxEd", "MIXED", "lower", false, "lower", 1},
        {"a\"quote\"", "\"quote\"", "'q'", true, "a'q'", 1},
    };
    for (const auto& c : kCases) {
        TempTree tree;
        tree.Write("a.txt", std::string(c.line) + "\n");
        EngineRun run = Replace(tree, c.search, c.replacement, c.caseSensitive);
        EXPECT_EQ(tree.Read("a.txt"), std::string(c.expected) + "\r\n") << c.line;
        EXPECT_NE(WithoutCr(run.runLog).find(" " + std::to_string(c.count) + " times"),
                  std::string::npos)
            << c.line << "\n" << run.runLog;
    }
}

TEST(Rewrite, TemporaryFileIsGoneAfterwards) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    Replace(tree, "old", "new");
    EXPECT_FALSE(tree.Exists("temp._____fil"));
}

TEST(Rewrite, ReadOnlyFileIsRewrittenWithItsStatusRestored) {
    TempTree tree;
    tree.Write("ro.txt", "old\n");
    // Whole seconds: the C++ library on Windows sets file times no finer.
    fs::file_time_type oldTime = std::chrono::floor<std::chrono::seconds>(
        fs::file_time_type::clock::now() - std::chrono::hours(48));
    fs::last_write_time(tree.Path("ro.txt"), oldTime);
    fs::permissions(tree.Path("ro.txt"), fs::perms::owner_read | fs::perms::group_read);
    EngineRun skip;
    skip.settings = DefaultSettings("old", "new");
    RunEngine(tree, skip);
    EXPECT_EQ(tree.Read("ro.txt"), "old\n");
    EXPECT_EQ(skip.state.filesModified, 0);

    EngineRun process;
    process.settings = DefaultSettings("old", "new");
    process.settings.processReadOnlyFiles = true;
    RunEngine(tree, process);
    EXPECT_EQ(tree.Read("ro.txt"), "new\r\n");
    // Windows keeps one read-only attribute, read as no write bit for anyone.
    EXPECT_EQ(fs::status(tree.Path("ro.txt")).permissions(),
              fs::perms::owner_read | fs::perms::group_read |
                  (kWindows ? fs::perms::others_read : fs::perms::none));
    EXPECT_EQ(fs::last_write_time(tree.Path("ro.txt")), oldTime);
}

TEST(Rewrite, SymbolicLinkStaysALinkAndItsTargetChanges) {
    if (kWindows) GTEST_SKIP() << "POSIX symbolic links; the C++ library on Windows makes none";
    TempTree tree;
    tree.Write("data/target.dat", "old\n");
    fs::create_symlink(tree.Path("data/target.dat"), tree.Path("link.txt"));
    Replace(tree, "old", "new");
    EXPECT_TRUE(fs::is_symlink(tree.Path("link.txt")));
    EXPECT_EQ(tree.Read("data/target.dat"), "new\r\n");
}

TEST(Rewrite, HardLinksKeepSharingTheFile) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    fs::create_hard_link(tree.Path("a.txt"), tree.Path("other.dat"));
    Replace(tree, "old", "new");
    EXPECT_EQ(tree.Read("other.dat"), "new\r\n");
    EXPECT_EQ(tree.Read("a.txt"), "new\r\n");
    if (!kWindows) {  // the C++ library on Windows counts every file's links as 1
        EXPECT_EQ(fs::hard_link_count(tree.Path("a.txt")), 2u);
    }
}

TEST(Rewrite, LinesLongerThanTheReadBlock) {
    TempTree tree;
    std::string longLine = std::string(700'000, 'x') + "old" + std::string(300'000, 'y');
    tree.Write("a.txt", longLine + "\nold");
    Replace(tree, "old", "new");
    EXPECT_EQ(tree.Read("a.txt"),
              std::string(700'000, 'x') + "new" + std::string(300'000, 'y') + "\r\nnew\r\n");
}

TEST(StopMode, ListsFilesWithTheStringAndChangesNothing) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    tree.Write("b.txt", "old\n");
    tree.Write("c.txt", "nothing\n");
    tree.Write("d.txt", "old\n");
    RecordingSink sink;
    sink.stopAtPoll = 2;
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.frontEnd = FrontEnd::gui;
    run.sink = &sink;
    RunEngine(tree, run);
    EXPECT_EQ(tree.Read("a.txt"), "new\r\n");
    EXPECT_EQ(tree.Read("b.txt"), "old\n");
    EXPECT_EQ(tree.Read("d.txt"), "old\n");
    EXPECT_EQ(WithoutCr(run.abortLog),
              tree.Path("b.txt").string() + ": Search string found, file not processed.\n" +
                  tree.Path("d.txt").string() + ": Search string found, file not processed.\n");
    EXPECT_EQ(run.state.filesModified, 3);
    EXPECT_TRUE(run.state.stopped);
    EXPECT_EQ(sink.accepted, std::vector<std::string>{tree.Path("a.txt").string()});
}

TEST(ProgressReports, StatusTextsInOrder) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    RecordingSink sink;
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.makeBackups = true;
    run.settings.backupExtension = "bak";
    run.frontEnd = FrontEnd::gui;
    run.sink = &sink;
    RunEngine(tree, run);
    EXPECT_EQ(sink.statuses, (std::vector<std::string>{std::string(kStatusFiltering),
                                                        std::string(kStatusBackingUp),
                                                        std::string(kStatusSearching)}));
    EXPECT_EQ(sink.polls, 1);
}

}  // namespace
}  // namespace tavro::test
