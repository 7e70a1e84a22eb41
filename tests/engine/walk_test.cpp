#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>

#include "tests/support/engine_fixture.h"
#include "tests/support/windows_files.h"

namespace fs = std::filesystem;

namespace tavro::test {
namespace {

// The files a GUI-style run accepted, relative to the tree's root.
std::vector<std::string> AcceptedOrder(const TempTree& tree, EngineRun& run) {
    RecordingSink sink;
    run.sink = &sink;
    run.frontEnd = FrontEnd::gui;
    RunEngine(tree, run);
    std::vector<std::string> relative;
    for (const std::string& name : sink.accepted) {
        relative.push_back(fs::path(name).lexically_relative(tree.Root()).generic_string());
    }
    return relative;
}

TEST(Walk, FilesOfADirectoryComeBeforeItsSubtreesInByteOrder) {
    TempTree tree;
    for (const char* name : {"b.txt", "a.txt", "C.txt", "sub2/x.txt", "sub1/z.txt", "sub1/deep/y.txt",
                             "sub1/a.txt", "Sub0/q.txt"}) {
        tree.Write(name, "old\n");
    }
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.includeSubdirectories = true;
    EXPECT_EQ(AcceptedOrder(tree, run),
              (std::vector<std::string>{"C.txt", "a.txt", "b.txt", "Sub0/q.txt", "sub1/a.txt",
                                        "sub1/z.txt", "sub1/deep/y.txt", "sub2/x.txt"}));
}

TEST(Walk, WithoutSubdirectoriesOnlyTheStartDirectory) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    tree.Write("sub/b.txt", "old\n");
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    EXPECT_EQ(AcceptedOrder(tree, run), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(tree.Read("sub/b.txt"), "old\n");
}

TEST(Walk, DotDirectoriesAreNotDescendedButDotFilesAreProcessed) {
    TempTree tree;
    tree.Write(".hidden.txt", "old\n");
    tree.Write(".git/config.txt", "old\n");
    std::vector<std::string> expected = {".hidden.txt"};
    if (!kWindows) {  // Windows drops a trailing dot from every name
        tree.Write("notes.", "old\n");
        expected.push_back("notes.");
    }
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.fileTypeFilter = "*";
    run.settings.includeSubdirectories = true;
    EXPECT_EQ(AcceptedOrder(tree, run), expected);
    EXPECT_EQ(tree.Read(".git/config.txt"), "old\n");
}

TEST(Walk, DirectoryNamedLikeTheFilterIsDescendedNotProcessed) {
    TempTree tree;
    tree.Write("old.txt/inner.txt", "old\n");
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.includeSubdirectories = true;
    EXPECT_EQ(AcceptedOrder(tree, run), std::vector<std::string>{"old.txt/inner.txt"});
    EXPECT_TRUE(run.errorLog.empty());
}

TEST(Walk, FilterMatchingNothingIsNoError) {
    TempTree tree;
    tree.Write("a.htm", "old\n");
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.includeSubdirectories = true;
    RunEngine(tree, run);
    EXPECT_EQ(run.state.filesModified, 0);
    EXPECT_EQ(run.errorLog, "");
}

TEST(Walk, CurrentDirectoryIsRestoredAfterTheWalk) {
    TempTree tree;
    tree.Write("a/b/c.txt", "old\n");
    CurrentDirectoryGuard guard;
    fs::current_path(tree.Root());
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.includeSubdirectories = true;
    RunEngine(tree, run);
    EXPECT_EQ(fs::current_path(), tree.Root());
    EXPECT_EQ(tree.Read("a/b/c.txt"), "new\r\n");
}

TEST(Walk, LinksToDirectoriesAreNotFollowed) {
    if (kWindows) GTEST_SKIP() << "POSIX symbolic links; the C++ library on Windows makes none";
    TempTree tree;
    TempTree outside;
    outside.Write("victim.txt", "old\n");
    tree.Write("sub/a.txt", "old\n");
    fs::create_directory_symlink(outside.Root(), tree.Path("escape"));
    fs::create_directory_symlink(tree.Root(), tree.Path("sub/loop"));
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.includeSubdirectories = true;
    EXPECT_EQ(AcceptedOrder(tree, run), std::vector<std::string>{"sub/a.txt"});
    EXPECT_EQ(outside.Read("victim.txt"), "old\n");
}

TEST(Walk, TemporaryFileNameIsNeverProcessed) {
    TempTree tree;
    tree.Write("temp._____fil", "old\n");
    tree.Write("a.txt", "old\n");
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.fileTypeFilter = "*";
    EXPECT_EQ(AcceptedOrder(tree, run), std::vector<std::string>{"a.txt"});
}

// A run that was killed leaves its temporary file; the next run reuses it
// and its disappearance during the walk is no error.
TEST(Walk, StaleTemporaryFileInASubdirectoryIsNoError) {
    TempTree tree;
    tree.Write("sub/temp._____fil", "left by a killed run");
    tree.Write("sub/a.txt", "old\n");
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.includeSubdirectories = true;
    RunEngine(tree, run);
    EXPECT_EQ(run.errorLog, "");
    EXPECT_EQ(tree.Read("sub/a.txt"), "new\r\n");
    EXPECT_FALSE(tree.Exists("sub/temp._____fil"));
}

TEST(Walk, BackupsMadeDuringTheRunAreNotPickedUp) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    EngineRun run;
    run.settings = DefaultSettings("old", "old old");
    run.settings.fileTypeFilter = "*";
    run.settings.makeBackups = true;
    run.settings.backupExtension = ".txt";
    EXPECT_EQ(AcceptedOrder(tree, run), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(tree.Read("a.txt.txt"), "old\n");
}

TEST(Walk, UnenterableDirectoryIsLoggedAndSkipped) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX permission bits; a Windows directory has no such bit";
#else
    if (geteuid() == 0) GTEST_SKIP() << "root enters every directory";
#endif
    TempTree tree;
    tree.Write("locked/a.txt", "old\n");
    tree.Write("open/b.txt", "old\n");
    fs::permissions(tree.Path("locked"), fs::perms::owner_read | fs::perms::owner_write);
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.includeSubdirectories = true;
    EXPECT_EQ(AcceptedOrder(tree, run), std::vector<std::string>{"open/b.txt"});
    EXPECT_NE(run.errorLog.find("\tCould not enter directory: " + tree.Path("locked").string() +
                                "\r\n"),
              std::string::npos)
        << run.errorLog;
}

TEST(Walk, DanglingLinkIsLoggedAndTheWalkGoesOn) {
    if (kWindows) GTEST_SKIP() << "POSIX symbolic links; the C++ library on Windows makes none";
    TempTree tree;
    fs::create_symlink(tree.Path("missing"), tree.Path("broken.txt"));
    tree.Write("good.txt", "old\n");
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    EXPECT_EQ(AcceptedOrder(tree, run), std::vector<std::string>{"good.txt"});
    EXPECT_NE(run.errorLog.find("Could not enter directory: " + tree.Path("broken.txt").string()),
              std::string::npos);
}

}  // namespace
}  // namespace tavro::test
