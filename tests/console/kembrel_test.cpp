#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tests/support/engine_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace fs = std::filesystem;

namespace tavro::test {
namespace {

const std::string kStamp = "[A-Z][a-z]+day, [A-Z][a-z]+ \\d\\d, \\d{4}, \\d\\d:\\d\\d:\\d\\d [AP]M";
const std::string kShort = "\\d\\d:\\d\\d:\\d\\d [AP]M";
const std::string kSeparatorLine = std::string(44, '=');

ProgramResult Kembrel(const std::vector<std::string>& arguments, const fs::path& directory) {
    return RunProgram(KEMBREL_PATH, arguments, directory);
}

TEST(Kembrel, SetupErrorsExitWithOneAndTouchNothing) {
    const struct {
        std::vector<std::string> arguments;
        std::string firstLine;
    } kCases[] = {
        {{}, "Search and Replace Win32 Console Application."},
        {{"/?"}, "Search and Replace Win32 Console Application."},
        {{"/D:site", "/F:*.txt", "/S:old", "/?"}, "DEBUG: error condition - /?"},
        {{"/D:site", "/S:old"}, "ERROR: No file type"},
        {{"/D:site", "/F:*.txt", "/S:old", "/L:"}, "ERROR: Logfile switch with no logfile name"},
        {{"/D:missing", "/F:*.txt", "/S:old", "/L:run.log"},
         "ERROR: Could not change to start dir missing"},
        {{"nothing.cfg"}, "Could not open Auto-Config file nothing.cfg"},
    };
    for (const auto& c : kCases) {
        TempTree tree;
        tree.Write("site/a.txt", "old\n");
        ProgramResult result = Kembrel(c.arguments, tree.Root());
        EXPECT_EQ(result.exitStatus, 1) << Describe(result, tree.Root());
        EXPECT_EQ(result.out.substr(0, result.out.find('\n')), c.firstLine);
        EXPECT_EQ(tree.Read("site/a.txt"), "old\n");
        EXPECT_FALSE(tree.Exists("error.log"));
        EXPECT_FALSE(tree.Exists("run.log"));
    }
}

TEST(Kembrel, RunLogLayoutAndTwoRunsAppend) {
    TempTree tree;
    tree.Write("site/a.txt", "Old one\nold two\n");
    tree.Write("site/b.txt", "nothing here\n");
    tree.Write("site/c.txt", "OLD\n");
    std::vector<std::string> arguments = {"/D:site", "/F:*.txt", "/S:old", "/R:new \"x\"",
                                          "/L:run.log", "/B:bak"};
    ProgramResult first = Kembrel(arguments, tree.Root());
    EXPECT_EQ(first.exitStatus, 0) << Describe(first, tree.Root());
    EXPECT_EQ(first.out, "\n\t2 files modified.\n\n");
    tree.Write("site/a.txt", "Old one\nold two\n");
    tree.Write("site/c.txt", "OLD\n");
    ProgramResult second = Kembrel(arguments, tree.Root());
    EXPECT_EQ(second.out, "\n\t2 files modified.\n\n");

    std::string record =
        kStamp + "\r\n\r\n"
        "a\\.txt \\(backed up to a\\.txt\\.bak\\) : \t\"old\" replaced with \"new \"x\"\" 2 times\r\n"
        "c\\.txt \\(backed up to c\\.txt\\.bak\\) : \t\"old\" replaced with \"new \"x\"\" 1 times\r\n"
        "\r\n2 files processed; " + kShort + "\r\n\r\n" + kSeparatorLine + "\r\n\r\n";
    std::string log = tree.Read("run.log");
    EXPECT_TRUE(std::regex_match(log, std::regex(record + record))) << log;
    EXPECT_EQ(tree.Read("site/c.txt"), "new \"x\"\r\n");
    EXPECT_EQ(tree.Read("error.log"), "");
}

TEST(Kembrel, RelativeLogLandsInTheStartUpDirectory) {
    TempTree tree;
    tree.Write("work/site/a.txt", "old\n");
    ProgramResult result =
        Kembrel({"/D:site", "/F:*.txt", "/S:old", "/L:logs.txt"}, tree.Path("work"));
    EXPECT_EQ(result.exitStatus, 0) << Describe(result, tree.Root());
    EXPECT_TRUE(tree.Exists("work/logs.txt"));
    EXPECT_TRUE(tree.Exists("work/error.log"));
    EXPECT_FALSE(tree.Exists("work/site/logs.txt"));
    EXPECT_FALSE(tree.Exists("work/site/error.log"));
}

TEST(Kembrel, OwnLogsAreNeverRewritten) {
    TempTree tree;
    tree.Write("a.log", "old\n");
    tree.Write("error.log", "earlier old error\n");
    ProgramResult result = Kembrel({"/D:.", "/F:*.log", "/S:old", "/R:new", "/L:run.log"},
                                   tree.Root());
    EXPECT_EQ(result.out, "\n\t1 files modified.\n\n") << Describe(result, tree.Root());
    EXPECT_EQ(tree.Read("error.log"), "earlier old error\n");
    std::string log = WithoutCr(tree.Read("run.log"));
    EXPECT_NE(log.find("a.log : \t\"old\" replaced with \"new\" 1 times\n"), std::string::npos);
    EXPECT_NE(log.find("\n1 files processed; "), std::string::npos) << log;
}

TEST(Kembrel, FailedFilesGiveExitStatusTwo) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    tree.Write("a.txt.bak", "keep\n");
    tree.MakeReadOnly("a.txt.bak");
    ProgramResult result = Kembrel({"/D:.", "/F:a.txt", "/S:old", "/B:bak"}, tree.Root());
    EXPECT_EQ(result.exitStatus, 2) << Describe(result, tree.Root());
    EXPECT_EQ(result.out, "\n\t1 files modified.\n\n");
    EXPECT_NE(tree.Read("error.log").find("Initial backup attempt failed for a.txt."),
              std::string::npos);
}

TEST(Kembrel, LogThatCannotBeOpenedIsAWarningOnly) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    ProgramResult result =
        Kembrel({"/D:.", "/F:*.txt", "/S:old", "/R:new", "/L:no/such/dir/run.log"}, tree.Root());
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, "\n\t1 files modified.\n\n");
    EXPECT_EQ(result.err, "WARNING: Could not write log file no/such/dir/run.log\n");
    EXPECT_EQ(tree.Read("a.txt"), "new\r\n");
}

TEST(Kembrel, ReadOnlyFilesAndSubdirectories) {
    TempTree tree;
    tree.Write("top.txt", "old\n");
    tree.Write("sub/ro.txt", "old\n");
    tree.MakeReadOnly("sub/ro.txt");
    ProgramResult skip = Kembrel({"/D:.", "/F:*.txt", "/S:OLD", "/i"}, tree.Root());
    EXPECT_EQ(skip.out, "\n\t1 files modified.\n\n");
    EXPECT_EQ(tree.Read("sub/ro.txt"), "old\n");
    ProgramResult process = Kembrel({"/D:.", "/F:*.txt", "/S:old", "/i", "/r"}, tree.Root());
    EXPECT_EQ(process.out, "\n\t1 files modified.\n\n");
    EXPECT_EQ(tree.Read("sub/ro.txt"), "\r\n");
    EXPECT_EQ(fs::status(tree.Path("sub/ro.txt")).permissions() & fs::perms::owner_write,
              fs::perms::none);
}

TEST(Kembrel, CaseSensitiveSwitch) {
    TempTree tree;
    tree.Write("a.txt", "Old old OLD\n");
    Kembrel({"/D:.", "/F:*.txt", "/S:old", "/R:x", "/c"}, tree.Root());
    EXPECT_EQ(tree.Read("a.txt"), "Old x OLD\r\n");
}

}  // namespace
}  // namespace tavro::test
