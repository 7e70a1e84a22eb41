#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <filesystem>

#include "engine/platform/file_services.h"
#include "engine/platform/local_time.h"
#include "engine/platform/text_file.h"
#include "engine/platform/wildcard.h"
#include "tests/support/temp_tree.h"
#include "tests/support/windows_files.h"

namespace fs = std::filesystem;

namespace tavro::test {
namespace {

TEST(Wildcard, Matching) {
    if (kWindows) GTEST_SKIP() << "our matcher serves POSIX; Windows matches with its own rules";
    const struct {
        const char* pattern;
        const char* name;
        bool matches;
    } kCases[] = {
        {"*.htm", "index.htm", true},    {"*.htm", "index.html", false},
        {"*.htm", "INDEX.HTM", false},   {"*.*", "readme", true},
        {"*.*", "a.b.c", true},          {"*", ".profile", true},
        {"?.txt", "a.txt", true},        {"?.txt", "ab.txt", false},
        {"a*b*c", "aXXbYYc", true},      {"a*b*c", "aXXbYY", false},
        {"*old*", "my.old.file", true},  {"read*.*", "readme", true},
        {"*.tar.gz", "x.tar.gz", true},  {"*.txt", "txt", false},
        {"", "a", false},                {"**.c", "x.c", true},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
    }
}

TEST(LocalTimeFormat, EnglishNamesAndTwelveHourClock) {
    LocalTime time{1998, 2, 6, 5, 9, 15, 2};
    EXPECT_EQ(FormatTime(time, kLongStamp), "Friday, February 06, 1998, 09:15:02 AM");
    EXPECT_EQ(FormatTime(time, kShortStamp), "09:15:02 AM");
    EXPECT_EQ(FormatTime(time, kAbortStamp), "Friday February 06, 09:15:02 AM");
    EXPECT_EQ(FormatTime(LocalTime{2026, 12, 31, 4, 0, 5, 9}, kShortStamp), "12:05:09 AM");
    EXPECT_EQ(FormatTime(LocalTime{2026, 12, 31, 4, 12, 0, 0}, kShortStamp), "12:00:00 PM");
    EXPECT_EQ(FormatTime(LocalTime{2026, 12, 31, 4, 23, 59, 59}, "%I %p %%"), "11 PM %");
}

std::vector<std::string> Lines(const TempTree& tree, std::string_view contents) {
    tree.Write("lines", contents);
    FileError error;
    auto file = PlatformFileServices().OpenRead(tree.Path("lines").string(), error);
    ReadBuffer storage;
    LineReader reader(*file, storage);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.ReadLine(line)) lines.emplace_back(line);
    EXPECT_FALSE(reader.Failed());
    return lines;
}

TEST(LineReader, LineEnds) {
    TempTree tree;
    using V = std::vector<std::string>;
    EXPECT_EQ(Lines(tree, ""), V{});
    EXPECT_EQ(Lines(tree, "a\nb\r\nc"), (V{"a", "b", "c"}));
    EXPECT_EQ(Lines(tree, "a\n\n"), (V{"a", ""}));
    EXPECT_EQ(Lines(tree, "\r\n"), V{""});
    EXPECT_EQ(Lines(tree, "a\rb\r\r\n"), V{"a\rb\r"});
    EXPECT_EQ(Lines(tree, "end\r"), V{"end\r"});
    EXPECT_EQ(Lines(tree, std::string("\0\x1a\n", 3)), V{std::string("\0\x1a", 2)});
}

TEST(LineReader, LinesAcrossAndBeyondBlocks) {
    TempTree tree;
    std::string big(LineReader::kBlockSize * 3 + 17, 'q');
    std::string small(LineReader::kBlockSize - 1, 's');
    auto lines = Lines(tree, small + "\r\n" + big + "\n" + small);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], small);
    EXPECT_EQ(lines[1], big);
    EXPECT_EQ(lines[2], small);
}

// A reader with a limit reads lines up to it and fails on a longer one
// rather than growing its buffer past it.
TEST(LineReader, BufferLimitEndsTheReadingAtALongerLine) {
    TempTree tree;
    const std::size_t limit = std::size_t{1} << 20;
    std::string fits(limit - LineReader::kBlockSize, 'f');
    tree.Write("file", fits + "\n" + std::string(3 * limit, 'l') + "\nafter\n");
    FileError error;
    auto file = PlatformFileServices().OpenRead(tree.Path("file").string(), error);
    ReadBuffer storage;
    LineReader reader(*file, storage, limit);
    std::string_view line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, fits);
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_TRUE(reader.Failed());
    EXPECT_LE(storage.size(), limit);
}

TEST(LineWriter, EveryLineEndsWithCrLf) {
    TempTree tree;
    FileError error;
    auto file = PlatformFileServices().OpenWrite(tree.Path("out").string(), error);
    LineWriter writer(*file);
    writer.WriteLine("one");
    writer.WriteLine("");
    writer.WriteLine(std::string(LineWriter::kBlockSize + 5, 'z'));
    writer.WriteLine("last");
    EXPECT_TRUE(writer.Close());
    EXPECT_EQ(tree.Read("out"),
              "one\r\n\r\n" + std::string(LineWriter::kBlockSize + 5, 'z') + "\r\nlast\r\n");
}

TEST(FileServices, ListingIsFilteredAndInByteOrder) {
    if (kWindows) GTEST_SKIP() << "a.TXT and a.txt are one file on Windows";
    TempTree tree;
    for (const char* name : {"b.txt", "a.TXT", "C.txt", "a.txt", "sub.txt/x"}) tree.Write(name, "");
    CurrentDirectoryGuard guard;
    fs::current_path(tree.Root());
    std::vector<std::string> names;
    ASSERT_TRUE(PlatformFileServices().ListDirectory("*.txt", names));
    EXPECT_EQ(names, (std::vector<std::string>{"C.txt", "a.txt", "b.txt", "sub.txt"}));
}

TEST(FileServices, StatusAttributesAndExactRestore) {
    TempTree tree;
    tree.Write("f", "12345");
    FileServices& files = PlatformFileServices();
    FileStatus status;
    ASSERT_TRUE(files.GetStatus(tree.Path("f").string(), status));
    EXPECT_EQ(status.size, 5u);
    EXPECT_EQ(status.attributeByte, kWindows ? win32::kArchive : 0);
    FileStatus directory;
    ASSERT_TRUE(files.GetStatus(tree.Root().string(), directory));
    EXPECT_TRUE(directory.IsDirectory());

    // Whole 100 ns steps, the resolution of Windows file times.
    status.accessTime = 1'000'000'000LL * 900'000'000 + 123'456'700;
    status.modificationTime = 1'000'000'000LL * 800'000'000 + 987'654'300;
    status.attributeByte = FileStatus::kReadOnly;
    ASSERT_TRUE(files.SetStatus(tree.Path("f").string(), status));
    FileStatus after;
    ASSERT_TRUE(files.GetStatus(tree.Path("f").string(), after));
    EXPECT_TRUE(after.IsReadOnly());
    EXPECT_EQ(after.accessTime, status.accessTime);
    EXPECT_EQ(after.modificationTime, status.modificationTime);
}

TEST(FileServices, CopyKeepsTheDestinationsIdentity) {
    if (kWindows) GTEST_SKIP() << "POSIX permission bits and symbolic links";
    TempTree tree;
    tree.Write("src", "new and longer contents");
    tree.Write("dest", "old");
    fs::permissions(tree.Path("dest"), fs::perms::owner_read | fs::perms::owner_write |
                                           fs::perms::others_read);
    fs::create_hard_link(tree.Path("dest"), tree.Path("twin"));
    fs::create_symlink(tree.Path("dest"), tree.Path("link"));
    FileError error;
    FileServices& files = PlatformFileServices();
    ASSERT_TRUE(files.CopyFile(tree.Path("src").string(), tree.Path("link").string(), error));
    EXPECT_TRUE(fs::is_symlink(tree.Path("link")));
    EXPECT_EQ(tree.Read("twin"), "new and longer contents");
    EXPECT_EQ(fs::status(tree.Path("dest")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);

    tree.Write("short", "tiny");
    ASSERT_TRUE(files.CopyFile(tree.Path("short").string(), tree.Path("dest").string(), error));
    EXPECT_EQ(tree.Read("twin"), "tiny");
}

TEST(FileServices, NewDestinationGetsTheSourcesPermissions) {
    if (kWindows) GTEST_SKIP() << "POSIX permission bits";
    TempTree tree;
    tree.Write("src", "x");
    fs::permissions(tree.Path("src"), fs::perms::owner_read | fs::perms::owner_exec);
    FileError error;
    ASSERT_TRUE(PlatformFileServices().CopyFile(tree.Path("src").string(),
                                                tree.Path("copy").string(), error));
    EXPECT_EQ(fs::status(tree.Path("copy")).permissions(),
              fs::perms::owner_read | fs::perms::owner_exec);
}

// The file size limit makes the reservation fail as a full disk would: the
// destination must keep its old contents and size.
TEST(FileServices, CopyThatCannotGetItsSpaceLeavesTheOldContents) {
#ifdef _WIN32
    GTEST_SKIP() << "a POSIX file size limit stands in for the full disk";
#else
    TempTree tree;
    tree.Write("dest", "old contents\n");
    tree.Write("src", std::string(1 << 20, 'n'));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    FileError error;
    bool copied = PlatformFileServices().CopyFile(tree.Path("src").string(),
                                                  tree.Path("dest").string(), error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(copied);
    EXPECT_EQ(tree.Read("dest"), "old contents\n");
#endif
}

}  // namespace
}  // namespace tavro::test
