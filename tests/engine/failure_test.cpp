#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/engine_fixture.h"
#include "tests/support/faulty_file_services.h"

namespace fs = std::filesystem;

namespace tavro::test {
namespace {

bool IsTemporary(const std::string& name) { return name == "temp._____fil"; }

EngineRun RunWith(const TempTree& tree, FaultyFileServices& files) {
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.files = &files;
    RunEngine(tree, run);
    return run;
}

TEST(Failures, TemporaryFileThatCannotBeOpenedLeavesTheInput) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    tree.Write("b.txt", "old\n");
    tree.Write("temp._____fil", "left from an earlier file\n");
    FaultyFileServices files;
    int opens = 0;
    files.failOpensOf = [&](const std::string& name) { return IsTemporary(name) && opens++ == 0; };
    EngineRun run = RunWith(tree, files);
    EXPECT_EQ(tree.Read("a.txt"), "old\n");
    EXPECT_EQ(tree.Read("b.txt"), "new\r\n");
    EXPECT_EQ(run.state.filesModified, 2);
    EXPECT_EQ(WithoutCr(run.runLog),
              "a.txt : \t\"old\" replaced with \"new\" 0 times\n"
              "b.txt : \t\"old\" replaced with \"new\" 1 times\n");
    EXPECT_NE(run.errorLog.find("\tCould not open file: a.txt\r\n"), std::string::npos);
}

TEST(Failures, FullDiskWhileWritingTheTemporaryFileLeavesTheInput) {
    TempTree tree;
    std::string contents;
    for (int i = 0; i < 20000; ++i) contents += "line " + std::to_string(i) + " old\n";
    tree.Write("a.txt", contents);
    FaultyFileServices files;
    files.failWritesTo = IsTemporary;
    files.bytesBeforeWriteFailure = 100'000;
    EngineRun run = RunWith(tree, files);
    EXPECT_EQ(tree.Read("a.txt"), contents);
    EXPECT_FALSE(tree.Exists("temp._____fil"));
    EXPECT_NE(run.errorLog.find("\tCould not write file: a.txt\r\n"), std::string::npos);
    EXPECT_NE(run.runLog.find("\" 0 times"), std::string::npos) << run.runLog;
}

TEST(Failures, CopyBackThatFailsIsReportedWithCountZero) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    FaultyFileServices files;
    files.failCopiesTo = [](const std::string& name) { return name == "a.txt"; };
    EngineRun run = RunWith(tree, files);
    EXPECT_EQ(tree.Read("a.txt"), "old\n");
    EXPECT_NE(run.errorLog.find("\tCould not replace file: a.txt\r\n"), std::string::npos);
    EXPECT_EQ(WithoutCr(run.runLog), "a.txt : \t\"old\" replaced with \"new\" 0 times\n");
    EXPECT_FALSE(tree.Exists("temp._____fil"));
}

TEST(Failures, FileThatCannotBeOpenedIsSkippedWithALine) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    tree.Write("b.txt", "old\n");
    FaultyFileServices files;
    files.failOpensOf = [](const std::string& name) { return name == "a.txt"; };
    EngineRun run = RunWith(tree, files);
    EXPECT_EQ(run.state.filesModified, 1);
    EXPECT_EQ(tree.Read("b.txt"), "new\r\n");
    EXPECT_NE(run.errorLog.find("\tCould not open file: a.txt\r\n"), std::string::npos);
}

TEST(Failures, BackupLoopIsBounded) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    FaultyFileServices files;
    int attempts = 0;
    files.failCopiesTo = [&](const std::string& name) {
        bool backup = name.rfind("a.txt.bak", 0) == 0;
        attempts += backup;
        return backup;
    };
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.makeBackups = true;
    run.settings.backupExtension = ".bak";
    run.files = &files;
    RunEngine(tree, run);
    EXPECT_EQ(attempts, 256);  // the plain name and 255 fallbacks
    EXPECT_EQ(tree.Read("a.txt"), "old\n");
    EXPECT_EQ(run.state.filesModified, 0);
    EXPECT_NE(run.errorLog.find("\tCould not back up a.txt. File not processed.\r\n"),
              std::string::npos);
}

// A copy whose new contents do not fit must leave the old ones whole.
TEST(CopyFile, FailureLeavesTheDestinationUnchanged) {
    TempTree tree;
    tree.Write("dest", "old contents\n");
    tree.Write("src", std::string(1 << 20, 'n'));
    FileServices& files = PlatformFileServices();
    FileError error;
    fs::permissions(tree.Path("dest"), fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(files.CopyFile(tree.Path("src").string(), tree.Path("dest").string(), error));
    EXPECT_EQ(error, FileError::accessDenied);
    EXPECT_EQ(tree.Read("dest"), "old contents\n");
}

}  // namespace
}  // namespace tavro::test
