#include "autoconfig/auto_config.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "tests/support/engine_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace tavro::test {
namespace {

// Records what the reader applied, last value per key.
struct RecordingTarget final : AutoConfigTarget {
    void SetText(AutoConfigKey key, std::string_view value) override { texts[key] = value; }
    void SetSwitch(AutoConfigKey key, bool on) override { switches[key] = on; }
    std::map<AutoConfigKey, std::string> texts;
    std::map<AutoConfigKey, bool> switches;
};

struct Read {
    AutoConfigReadResult result;
    RecordingTarget target;
};

Read ReadText(std::string_view contents, OnOffReading reading = OnOffReading::console) {
    TempTree tree;
    tree.Write("a.cfg", contents);
    Read read;
    read.result = ReadAutoConfig(PlatformFileServices(), tree.Path("a.cfg").string(), reading,
                                 read.target);
    return read;
}

TEST(AutoConfigReader, IdentifyingLineMustBeExact) {
    for (std::string_view contents :
         {"", "#tavro autoconfig file \nStartDir=x\n", "#Tavro autoconfig file\n",
          " #tavro autoconfig file\n", "StartDir=x\n#tavro autoconfig file\n"}) {
        Read read = ReadText(contents);
        EXPECT_EQ(read.result, AutoConfigReadResult::notAutoConfig) << contents;
        EXPECT_TRUE(read.target.texts.empty());
    }
    EXPECT_EQ(ReadText("#tavro autoconfig file").result, AutoConfigReadResult::ok);
    EXPECT_EQ(ReadText("#tavro autoconfig file\r\n").result, AutoConfigReadResult::ok);
}

TEST(AutoConfigReader, KeysByTheirFirstFourCharactersWithFixedSkips) {
    Read read = ReadText(
        "#tavro autoconfig file\r\n"
        "#StartDir=comment\n"
        "StarXXXXXC:\\Web\n"
        "FileType=*.htm\n"
        "SearchString= old text \n"
        "ReplaceString=\"quoted\"\n"
        "BackupExt=.bak\n"
        "LogFileName=run.log\n"
        "startDir=ignored\n"
        "Unknown=line\n"
        "Sta\n"
        "\n"
        "FileType=*.txt\n");
    ASSERT_EQ(read.result, AutoConfigReadResult::ok);
    auto& t = read.target.texts;
    EXPECT_EQ(t[AutoConfigKey::startDir], "C:\\Web");
    EXPECT_EQ(t[AutoConfigKey::fileType], "*.txt");
    EXPECT_EQ(t[AutoConfigKey::searchString], " old text ");
    EXPECT_EQ(t[AutoConfigKey::replaceString], "\"quoted\"");
    EXPECT_EQ(t[AutoConfigKey::backupExt], ".bak");
    EXPECT_EQ(t[AutoConfigKey::logFileName], "run.log");
    EXPECT_EQ(t.size(), 6u);
}

TEST(AutoConfigReader, LinesTooShortForTheirSkipGiveAnEmptyValue) {
    Read read = ReadText("#tavro autoconfig file\nSearchStr\nRepl\n");
    EXPECT_EQ(read.target.texts[AutoConfigKey::searchString], "");
    EXPECT_EQ(read.target.texts[AutoConfigKey::replaceString], "");
}

TEST(AutoConfigReader, OnOffKeysByEachProgramsReading) {
    const struct {
        const char* line;
        AutoConfigKey key;
        bool console;
        bool gui;
    } kCases[] = {
        {"Regex=yes", AutoConfigKey::regex, false, true},
        {"Regex=1", AutoConfigKey::regex, true, true},
        {"Regex=10", AutoConfigKey::regex, false, false},
        {"ProcessROFiles=yes", AutoConfigKey::processROFiles, true, false},
        {"ProcessROFiles=1", AutoConfigKey::processROFiles, true, true},
        {"ProcessROFiles=0", AutoConfigKey::processROFiles, false, false},
        {"CaseSensitiveSearch=x", AutoConfigKey::caseSensitiveSearch, true, true},
        {"CaseSensitiveSearch=0", AutoConfigKey::caseSensitiveSearch, false, false},
        {"IncludeSubDirs=2", AutoConfigKey::includeSubDirs, true, true},
        {"IncludeSubDirs=0", AutoConfigKey::includeSubDirs, false, false},
    };
    for (const auto& c : kCases) {
        std::string contents = std::string("#tavro autoconfig file\n") + c.line + "\n";
        EXPECT_EQ(ReadText(contents, OnOffReading::console).target.switches[c.key], c.console)
            << c.line;
        EXPECT_EQ(ReadText(contents, OnOffReading::gui).target.switches[c.key], c.gui) << c.line;
    }
}

TEST(AutoConfigReader, MissingFileCannotBeOpened) {
    RecordingTarget target;
    EXPECT_EQ(ReadAutoConfig(PlatformFileServices(), "/no/such/file.cfg", OnOffReading::gui, target),
              AutoConfigReadResult::couldNotOpen);
}

// A directory opens for reading on POSIX but fails on the first read.
TEST(AutoConfigReader, FileThatCannotBeReadIsLikeOneThatCannotBeOpened) {
    TempTree tree;
    tree.Write("folder.cfg/inside", "");
    RecordingTarget target;
    EXPECT_EQ(ReadAutoConfig(PlatformFileServices(), tree.Path("folder.cfg").string(),
                             OnOffReading::console, target),
              AutoConfigReadResult::couldNotOpen);
    ProgramResult result = RunProgram(KEMBREL_PATH, {"folder.cfg"}, tree.Root());
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out, "Could not open Auto-Config file folder.cfg\n");
}

TEST(AutoConfigWriter, ExactLinesAndARoundTrip) {
    TempTree tree;
    AutoConfigValues values;
    values.startDirectory = "/srv/web site";
    values.fileType = "*.htm";
    values.searchString = "old \"text\"";
    values.replaceString = "";
    values.processReadOnlyFiles = true;
    values.regularExpression = false;
    values.caseSensitive = true;
    values.includeSubdirectories = false;
    values.makeBackups = true;
    values.backupExtension = ".bak";
    values.writeRunLog = false;
    values.logFileName = "ignored.log";
    std::string path = tree.Path("saved.cfg").string();
    ASSERT_EQ(WriteAutoConfig(PlatformFileServices(), path, values), FileError::none);
    std::regex expected(
        "#tavro autoconfig file\r\n#this file was automatically generated by tavro\r\n"
        "#[A-Z][a-z]+day, [A-Z][a-z]+ \\d\\d, \\d{4}, \\d\\d:\\d\\d:\\d\\d [AP]M\r\n"
        "StartDir=/srv/web site\r\nFileType=\\*\\.htm\r\nSearchString=old \"text\"\r\n"
        "ReplaceString=\r\nProcessROFiles=1\r\nRegex=0\r\nCaseSensitiveSearch=1\r\n"
        "IncludeSubDirs=0\r\nBackupExt=\\.bak\r\nLogFileName=0\r\n");
    EXPECT_TRUE(std::regex_match(tree.Read("saved.cfg"), expected)) << tree.Read("saved.cfg");

    for (OnOffReading reading : {OnOffReading::console, OnOffReading::gui}) {
        RecordingTarget target;
        ASSERT_EQ(ReadAutoConfig(PlatformFileServices(), path, reading, target),
                  AutoConfigReadResult::ok);
        EXPECT_EQ(target.texts[AutoConfigKey::startDir], values.startDirectory);
        EXPECT_EQ(target.texts[AutoConfigKey::searchString], values.searchString);
        EXPECT_EQ(target.texts[AutoConfigKey::replaceString], "");
        EXPECT_EQ(target.texts[AutoConfigKey::backupExt], ".bak");
        EXPECT_EQ(target.texts[AutoConfigKey::logFileName], "0");
        EXPECT_TRUE(target.switches[AutoConfigKey::processROFiles]);
        EXPECT_FALSE(target.switches[AutoConfigKey::regex]);
        EXPECT_TRUE(target.switches[AutoConfigKey::caseSensitiveSearch]);
        EXPECT_FALSE(target.switches[AutoConfigKey::includeSubDirs]);
    }
}

TEST(AutoConfigWriter, UnwritablePathSaysWhy) {
    AutoConfigValues values;
    EXPECT_EQ(WriteAutoConfig(PlatformFileServices(), "/no/such/dir/a.cfg", values),
              FileError::notFound);
}

// kembrel started with one auto-config file.
ProgramResult Kembrel(const TempTree& tree, std::string_view contents) {
    tree.Write("run.cfg", contents);
    return RunProgram(KEMBREL_PATH, {"run.cfg"}, tree.Root());
}

TEST(KembrelAutoConfig, RunsTheSearchTheFileDescribes) {
    TempTree tree;
    tree.Write("site/a.htm", "old Old\n");
    tree.Write("site/sub/b.htm", "old\n");
    tree.Write("site/ro.htm", "old\n");
    tree.MakeReadOnly("site/ro.htm");
    ProgramResult result = Kembrel(tree,
                                   "#tavro autoconfig file\n"
                                   "StartDir=site\nFileType=*.htm\nSearchString=old\n"
                                   "ReplaceString=new\nProcessROFiles=yes\nRegex=yes\n"
                                   "CaseSensitiveSearch=1\nIncludeSubDirs=1\n"
                                   "BackupExt=bak\nLogFileName=run.log\n");
    EXPECT_EQ(result.exitStatus, 0) << result.out;
    EXPECT_EQ(result.out, "\n\t3 files modified.\n\n");
    EXPECT_EQ(tree.Read("site/a.htm"), "new Old\r\n");
    EXPECT_EQ(tree.Read("site/a.htm.bak"), "old Old\n");
    EXPECT_EQ(tree.Read("site/ro.htm"), "new\r\n");
    EXPECT_EQ(tree.Read("site/sub/b.htm"), "new\r\n");
    EXPECT_NE(tree.Read("run.log").find("a.htm (backed up to a.htm.bak) : \t"), std::string::npos);
    EXPECT_TRUE(tree.Exists("error.log"));
}

TEST(KembrelAutoConfig, ZeroMeansNoBackupsAndNoLog) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    ProgramResult result = Kembrel(tree,
                                   "#tavro autoconfig file\nStartDir=.\nFileType=*.txt\n"
                                   "SearchString=old\nBackupExt=0\nLogFileName=0\n");
    EXPECT_EQ(result.out, "\n\t1 files modified.\n\n");
    EXPECT_EQ(tree.Read("a.txt"), "\r\n");
    EXPECT_FALSE(tree.Exists("a.txt.0"));
    EXPECT_FALSE(tree.Exists("0"));
}

TEST(KembrelAutoConfig, FailuresExitWithOne) {
    const struct {
        const char* contents;
        const char* out;
    } kCases[] = {
        {"", "ERROR: the file is not an Tavro or Kembrel autoconfig file.\n"},
        {"#tavro autoconfig file \n", "ERROR: the file is not an Tavro or Kembrel autoconfig file.\n"},
        {"#tavro autoconfig file\n", "ERROR: No start dir\n"},
        {"#tavro autoconfig file\nStartDir=.\nSearchString=x\n", "ERROR: No file type\n"},
        {"#tavro autoconfig file\nStartDir=.\nFileType=*\nSearchString=\n",
         "ERROR: No search string\n"},
    };
    for (const auto& c : kCases) {
        TempTree tree;
        ProgramResult result = Kembrel(tree, c.contents);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.out, c.out);
        EXPECT_FALSE(tree.Exists("error.log"));
    }
}

}  // namespace
}  // namespace tavro::test
