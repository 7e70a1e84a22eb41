// kembrel run as a user runs it, in the cases where the platform shows: line
// ends of the console output on both platforms; on Windows (under Wine in our
// runs) drive-letter paths, .\error.log, wildcards without regard to case, the
// read-only attribute with all three times, and the "$" backup fallback.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <regex>

#include "tests/support/engine_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"
#include "tests/support/windows_files.h"

namespace fs = std::filesystem;

namespace tavro::test {
namespace {

#define SKIP_UNLESS_WINDOWS() \
    if (!kWindows) GTEST_SKIP() << "Windows only: kembrel.exe on the Win32 platform layer"

const std::string kStamp = "[A-Z][a-z]+day, [A-Z][a-z]+ \\d\\d, \\d{4}, \\d\\d:\\d\\d:\\d\\d [AP]M";

ProgramResult Kembrel(const std::vector<std::string>& arguments, const fs::path& directory) {
    return RunProgram(KEMBREL_PATH, arguments, directory);
}

// Every "\n" of `text` as the platform's console writes it.
std::string ConsoleLines(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n' && kWindows) out += '\r';
        out += c;
    }
    return out;
}

TEST(KembrelConsole, OutputEndsItsLinesThePlatformsWay) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    ProgramResult usage = Kembrel({}, tree.Root());
    EXPECT_EQ(usage.exitStatus, 1);
    std::string head =
        ConsoleLines("Search and Replace Win32 Console Application.\n\nCommand Line Switches\n");
    EXPECT_EQ(usage.rawOut.substr(0, head.size()), head);
    EXPECT_EQ(usage.rawOut, ConsoleLines(usage.out));
    EXPECT_EQ(std::count(usage.rawOut.begin(), usage.rawOut.end(), '\n'), 22);

    ProgramResult error = Kembrel({"/D:.", "/S:old"}, tree.Root());
    EXPECT_EQ(error.rawOut, ConsoleLines("ERROR: No file type\n"));

    ProgramResult run =
        Kembrel({"/D:.", "/F:*.txt", "/S:old", "/L:no-such-dir/run.log"}, tree.Root());
    EXPECT_EQ(run.rawOut, ConsoleLines("\n\t1 files modified.\n\n")) << Describe(run, tree.Root());
    EXPECT_EQ(run.rawErr, ConsoleLines("WARNING: Could not write log file no-such-dir/run.log\n"));
}

// The error log is ".\error.log" where kembrel started, whatever /D: names.
TEST(KembrelOnWindows, ErrorLogLiesInTheStartUpDirectory) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("site/a.txt", "old\n");
    tree.Write("site/sub/b.txt", "old\n");
    tree.Write("site/a.txt.bak", "keep\n");
    win32::SetAttributes(tree.Path("site/a.txt.bak"), win32::kReadOnly);
    fs::create_directories(tree.Path("work"));
    std::string site = tree.Path("site").string();
    ASSERT_EQ(site[1], ':');
    ProgramResult result =
        Kembrel({"/D:" + site, "/F:*.txt", "/S:old", "/R:new", "/B:bak", "/i"}, tree.Path("work"));
    EXPECT_EQ(result.out, "\n\t2 files modified.\n\n") << Describe(result, tree.Root());
    EXPECT_EQ(tree.Read("site/sub/b.txt"), "new\r\n");
    EXPECT_FALSE(tree.Exists("site/error.log"));
    EXPECT_FALSE(tree.Exists("site/sub/error.log"));
    std::regex line(kStamp +
                    "\tInitial backup attempt failed for a\\.txt\\. File backed up to "
                    "a\\.txt\\.bak\\$\\.\r\n");
    EXPECT_TRUE(std::regex_match(tree.Read("work/error.log"), line)) << tree.Read("work/error.log");
}

TEST(KembrelOnWindows, RelativeLogAndStartDirectoryWithBackslashes) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("site/a.txt", "old\n");
    fs::create_directories(tree.Path("work/logs"));
    ProgramResult result = Kembrel(
        {"/D:..\\site", "/F:*.txt", "/S:old", "/R:new", "/L:logs\\run.log"}, tree.Path("work"));
    EXPECT_EQ(result.exitStatus, 0) << Describe(result, tree.Root());
    EXPECT_EQ(tree.Read("site/a.txt"), "new\r\n");
    EXPECT_NE(tree.Read("work/logs/run.log")
                  .find("\r\n\r\na.txt : \t\"old\" replaced with \"new\" 1 times\r\n"),
              std::string::npos)
        << tree.Read("work/logs/run.log");
    EXPECT_TRUE(tree.Exists("work/error.log"));
    EXPECT_FALSE(tree.Exists("site/logs"));
}

// Quoting on the Windows command line: blanks, and backslashes before the
// closing quote, reach kembrel unchanged.
TEST(KembrelOnWindows, PathsWithBlanksAndATrailingBackslash) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("web site/a.txt", "two old words\n");
    ProgramResult result = Kembrel({"/D:" + tree.Path("web site").string() + "\\", "/F:*.txt",
                                    "/S:old words", "/R:new \"words\""},
                                   tree.Root());
    EXPECT_EQ(result.out, "\n\t1 files modified.\n\n") << Describe(result, tree.Root());
    EXPECT_EQ(tree.Read("web site/a.txt"), "two new \"words\"\r\n");
}

TEST(KembrelOnWindows, WildcardsMatchWithoutRegardToCase) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    for (const char* name : {"a.htm", "B.HTM", "c.Htm", "d.txt"}) tree.Write(name, "old\n");
    ProgramResult result =
        Kembrel({"/D:.", "/F:*.HTM", "/S:old", "/R:new", "/L:run.log"}, tree.Root());
    EXPECT_EQ(result.out, "\n\t3 files modified.\n\n") << Describe(result, tree.Root());
    for (const char* name : {"a.htm", "B.HTM", "c.Htm"}) EXPECT_EQ(tree.Read(name), "new\r\n");
    EXPECT_EQ(tree.Read("d.txt"), "old\n");
    std::string log = WithoutCr(tree.Read("run.log"));
    EXPECT_NE(log.find("\nB.HTM : \t\"old\" replaced with \"new\" 1 times\na.htm : "),
              std::string::npos)
        << log;
}

// A read-only file is skipped, or with /r rewritten and given back its
// attribute and its creation, access and modification times.
TEST(KembrelOnWindows, ReadOnlyAttributeComesBackWithAllThreeTimes) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("ro.txt", "old\n");
    const win32::FileTimes kOldTimes{125'000'000'000'000'000, 131'000'000'000'000'000,
                                     128'000'000'000'000'000};
    win32::SetTimes(tree.Path("ro.txt"), kOldTimes);
    win32::SetAttributes(tree.Path("ro.txt"), win32::kReadOnly | win32::kArchive);

    ProgramResult skip = Kembrel({"/D:.", "/F:*.txt", "/S:old", "/R:new"}, tree.Root());
    EXPECT_EQ(skip.out, "\n\t0 files modified.\n\n") << Describe(skip, tree.Root());
    ProgramResult process = Kembrel({"/D:.", "/F:*.txt", "/S:old", "/R:new", "/r"}, tree.Root());
    EXPECT_EQ(process.out, "\n\t1 files modified.\n\n") << Describe(process, tree.Root());

    // Times first: reading the file may move its access time.
    win32::FileTimes after = win32::Times(tree.Path("ro.txt"));
    EXPECT_EQ(after.access, kOldTimes.access);
    EXPECT_EQ(after.modification, kOldTimes.modification);
    if (win32::KeepsCreationTimes(tree.Root())) {
        EXPECT_EQ(after.creation, kOldTimes.creation);
    } else {
        std::cout << "This file system keeps no creation times of its own (Wine): "
                     "creation time not checked\n";
    }
    EXPECT_EQ(win32::Attributes(tree.Path("ro.txt")) & 0xFF, win32::kReadOnly | win32::kArchive);
    EXPECT_EQ(tree.Read("ro.txt"), "new\r\n");
}

// Copying onto a read-only backup fails (even where Wine running as root
// would allow it), so the backup goes to the "$" names.
TEST(KembrelOnWindows, ReadOnlyBackupFallsBackToDollarNames) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("a.txt", "old\n");
    tree.Write("a.txt.bak", "precious\n");
    tree.Write("a.txt.bak$", "also precious\n");
    win32::SetAttributes(tree.Path("a.txt.bak"), win32::kReadOnly);
    win32::SetAttributes(tree.Path("a.txt.bak$"), win32::kReadOnly);
    ProgramResult result =
        Kembrel({"/D:.", "/F:a.txt", "/S:old", "/R:new", "/B:bak", "/L:run.log"}, tree.Root());
    EXPECT_EQ(result.exitStatus, 2) << Describe(result, tree.Root());
    EXPECT_EQ(tree.Read("a.txt.bak"), "precious\n");
    EXPECT_EQ(tree.Read("a.txt.bak$"), "also precious\n");
    EXPECT_EQ(tree.Read("a.txt.bak$$"), "old\n");
    EXPECT_EQ(tree.Read("a.txt"), "new\r\n");
    EXPECT_NE(tree.Read("run.log").find("a.txt (backed up to a.txt.bak$$) : \t"),
              std::string::npos);
    EXPECT_NE(
        tree.Read("error.log")
            .find("\tInitial backup attempt failed for a.txt. File backed up to a.txt.bak$$.\r\n"),
        std::string::npos)
        << tree.Read("error.log");
}

}  // namespace
}  // namespace tavro::test
