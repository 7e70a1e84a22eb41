#include "console/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tavro {
namespace {

struct Parsed {
    ParseOutcome outcome;
    std::string out;
};

Parsed Parse(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    Parsed parsed{ParseCommandLine(arguments, PlatformFileServices(), out), ""};
    parsed.out = out.str();
    return parsed;
}

std::string Usage() {
    std::ostringstream out;
    PrintUsage(out);
    return out.str();
}

TEST(Usage, ScreenByteForByte) {
    EXPECT_EQ(Usage(),
              "Search and Replace Win32 Console Application.\n\nCommand Line Switches\n\n"
              "\t/D:<directory>\t\tStarting Directory\n"
              "\t/F:<filter pattern>\tFile Type\n"
              "\t/S:<\"search text\">\t(Use quotes if spaces present)\n"
              "\t/R:<\"replacement text\">\t(Use quotes if spaces present)\n"
              "\t/B:<.file extension>\tMake Backups with .file extension appended\n"
              "\t/L:<filename>\t\tMake Log (if exists, new info will be appended)\n"
              "\t/c\t\t\tDo case-sensitive search\n"
              "\t/r\t\t\tProcess ReadOnly Files as well\n"
              "\t/i\t\t\tInclude Subdirectories\n"
              "\t/x\t\t\tSearch String is a Regular Expression\n"
              "\t/h or /?\t\tView this help screen\n\n"
              "The first three are mandatory. If there is no /R: switch then the search text\n"
              "will be deleted whenever it is found. If you don't want to create backups or\n"
              "a log file just leave out /B: and/or /L: - Use /c, /r, /x, and /i the same\n"
              "way - don't mention them if you don't want them to apply. You can also use a\n"
              "configuration file instead of the command line switches. See the Readme or\n"
              "the online help in Tavro more information.\n");
}

TEST(Usage, NoArgumentsOrOneSwitchShowsIt) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {}, {"/?"}, {"-h"}, {"/h"}, {"/D:C:\\Web"}, {"-anything"}}) {
        Parsed parsed = Parse(arguments);
        EXPECT_FALSE(parsed.outcome.complete);
        EXPECT_EQ(parsed.outcome.exitStatus, 1);
        EXPECT_EQ(parsed.out, Usage());
    }
}

TEST(Switches, FailuresInTheirOrder) {
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } kCases[] = {
        {{"/D:C:\\Web", "/F:*.htm", "/S:old", "/h"},
         "DEBUG: error condition - /h\nPlease use double quotes around phrases\n"},
        {{"/d:C:\\Web", "/F:*.htm"},
         "DEBUG: error condition - /d:C:\\Web\nPlease use double quotes around phrases\n"},
        {{"/S:two", "words", "/D:x"},
         "DEBUG: error condition - words\nPlease use double quotes around phrases\n"},
        {{"/D:x", ""}, "DEBUG: error condition - \nPlease use double quotes around phrases\n"},
        {{"/D:x", "/"}, "DEBUG: error condition - /\nPlease use double quotes around phrases\n"},
        {{"/F:*", "/S:a"}, "ERROR: No start dir\n"},
        {{"/D:", "/F:*", "/S:a"}, "ERROR: No start dir\n"},
        {{"/D:x", "/S:a"}, "ERROR: No file type\n"},
        {{"/D:x", "/F:*", "/S:"}, "ERROR: No search string\n"},
        {{"/D:x", "/F:*", "/S:a", "/B:"}, "ERROR: Backup switch with no extension\n"},
        {{"/D:x", "/F:*", "/S:a", "/B"}, "ERROR: Backup switch with no extension\n"},
        {{"/D:x", "/F:*", "/S:a", "/L:"}, "ERROR: Logfile switch with no logfile name\n"},
        {{"/D:x", "/F:*", "/B:", "/L:"}, "ERROR: No search string\n"},
    };
    for (const auto& c : kCases) {
        Parsed parsed = Parse(c.arguments);
        EXPECT_FALSE(parsed.outcome.complete);
        EXPECT_EQ(parsed.outcome.exitStatus, 1);
        EXPECT_EQ(parsed.out, c.message);
    }
}

TEST(Switches, ValuesFlagsAndRepeats) {
    Parsed parsed = Parse({"-D:C:\\Web", "xF:*.htm", "/S:first", "/S:two words", "/R:new",
                           "/B:bak", "/L:run.log", "/cx", "/i", "/r", "/x"});
    ASSERT_TRUE(parsed.outcome.complete) << parsed.out;
    const RunSettings& s = parsed.outcome.settings;
    EXPECT_EQ(s.startDirectory, "C:\\Web");
    EXPECT_EQ(s.fileTypeFilter, "*.htm");
    EXPECT_EQ(s.searchString, "two words");
    EXPECT_EQ(s.replaceString, "new");
    EXPECT_EQ(s.backupExtension, ".bak");
    EXPECT_TRUE(s.makeBackups);
    EXPECT_EQ(s.runLogPath, "run.log");
    EXPECT_TRUE(s.writeRunLog);
    EXPECT_TRUE(s.caseSensitive && s.includeSubdirectories && s.processReadOnlyFiles &&
                s.regularExpression);
    EXPECT_EQ(parsed.out, "");
}

TEST(Switches, DefaultsAndTheThirdCharacterIsNotExamined) {
    Parsed parsed = Parse({"/D=dir", "/F:*", "/S:a", "/B:.bak"});
    ASSERT_TRUE(parsed.outcome.complete);
    const RunSettings& s = parsed.outcome.settings;
    EXPECT_EQ(s.startDirectory, "dir");
    EXPECT_EQ(s.replaceString, "");
    EXPECT_EQ(s.backupExtension, ".bak");
    EXPECT_FALSE(s.writeRunLog || s.caseSensitive || s.includeSubdirectories ||
                 s.processReadOnlyFiles || s.regularExpression);
    EXPECT_EQ(s.errorLogPath, "error.log");
}

}  // namespace
}  // namespace tavro
