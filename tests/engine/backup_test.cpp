#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tests/support/engine_fixture.h"

namespace fs = std::filesystem;

namespace tavro::test {
namespace {

EngineRun BackUp(const TempTree& tree, std::string_view extension,
                 FrontEnd frontEnd = FrontEnd::console) {
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.makeBackups = true;
    run.settings.backupExtension = extension;
    run.frontEnd = frontEnd;
    RunEngine(tree, run);
    return run;
}

TEST(Backup, ExtensionWithOrWithoutDot) {
    for (std::string_view extension : {"bak", ".bak"}) {
        TempTree tree;
        tree.Write("index.txt", "old\n");
        EngineRun run = BackUp(tree, extension);
        EXPECT_EQ(tree.Read("index.txt.bak"), "old\n") << extension;
        EXPECT_NE(run.runLog.find("index.txt (backed up to index.txt.bak) : \t"), std::string::npos);
    }
}

TEST(Backup, SecondRunReplacesTheBackup) {
    TempTree tree;
    tree.Write("a.txt", "old 1\n");
    BackUp(tree, "bak");
    tree.Write("a.txt", "old 2\n");
    BackUp(tree, "bak");
    EXPECT_EQ(tree.Read("a.txt.bak"), "old 2\n");
}

TEST(Backup, ReadOnlyBackupFallsBackToDollarNames) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    tree.Write("a.txt.bak", "precious\n");
    tree.MakeReadOnly("a.txt.bak");
    EngineRun run = BackUp(tree, "bak");
    EXPECT_EQ(tree.Read("a.txt.bak"), "precious\n");
    EXPECT_EQ(tree.Read("a.txt.bak$"), "old\n");
    EXPECT_EQ(tree.Read("a.txt"), "new\r\n");
    EXPECT_NE(run.runLog.find("a.txt (backed up to a.txt.bak$) : \t"), std::string::npos);
    std::regex line(
        "[A-Z][a-z]+day, [A-Z][a-z]+ \\d\\d, \\d{4}, \\d\\d:\\d\\d:\\d\\d [AP]M\t"
        "Initial backup attempt failed for a.txt. File backed up to a\\.txt\\.bak\\$\\.\r\n");
    EXPECT_TRUE(std::regex_match(run.errorLog, line)) << run.errorLog;

    tree.Write("a.txt", "old again\n");
    tree.MakeReadOnly("a.txt.bak$");
    run = BackUp(tree, "bak");
    EXPECT_EQ(tree.Read("a.txt.bak$$"), "old again\n");
}

TEST(Backup, DialogWritesCapitalBInTheFallbackLine) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    tree.Write("a.txt.bak", "x\n");
    tree.MakeReadOnly("a.txt.bak");
    EngineRun run = BackUp(tree, "bak", FrontEnd::gui);
    EXPECT_NE(run.errorLog.find("\tInitial Backup attempt failed for " + tree.Path("a.txt").string()),
              std::string::npos)
        << run.errorLog;
}

TEST(Backup, NameTooLongEndsTheLoopAndTheFileIsLeftAlone) {
    TempTree tree;
    std::string name = std::string(251, 'n') + ".txt";  // 255 bytes: the longest name
    tree.Write(name, "old\n");
    EngineRun run = BackUp(tree, "bak");
    EXPECT_EQ(tree.Read(name), "old\n");
    EXPECT_EQ(run.state.filesModified, 0);
    EXPECT_EQ(WithoutCr(run.runLog), "");
    EXPECT_NE(run.errorLog.find("\tCould not back up " + name + ". File not processed.\r\n"),
              std::string::npos);
    for (const auto& entry : fs::directory_iterator(tree.Root())) {
        EXPECT_EQ(entry.path().filename(), name);
    }
}

TEST(Backup, WithoutBackupsNoCopyAndThePlainPrefix) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    RunEngine(tree, run);
    EXPECT_FALSE(tree.Exists("a.txt.bak"));
    EXPECT_EQ(WithoutCr(run.runLog), "a.txt : \t\"old\" replaced with \"new\" 1 times\n");
}

}  // namespace
}  // namespace tavro::test
