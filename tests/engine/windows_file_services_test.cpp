// The platform layer's Windows side: the platform's own wildcard matching, the
// read-only attribute and the three file times, copies and replacements that
// keep a file's attributes and links, backslash paths. Each case is skipped
// elsewhere; the POSIX side has its own cases in platform_test.cpp.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include "engine/platform/file_services.h"
#include "tests/support/temp_tree.h"
#include "tests/support/windows_files.h"

namespace fs = std::filesystem;

namespace tavro::test {
namespace {

using Names = std::vector<std::string>;

#define SKIP_UNLESS_WINDOWS() \
    if (!kWindows) GTEST_SKIP() << "Windows only: the platform layer's Win32 side"

FileServices& Files() { return PlatformFileServices(); }

Names List(const TempTree& tree, std::string_view pattern) {
    CurrentDirectoryGuard guard;
    fs::current_path(tree.Root());
    Names names;
    EXPECT_TRUE(Files().ListDirectory(pattern, names)) << pattern;
    return names;
}

// FILETIME ticks to the layer's nanoseconds since 1970.
std::int64_t Nanoseconds(std::uint64_t ticks) {
    return (static_cast<std::int64_t>(ticks) - 116'444'736'000'000'000) * 100;
}

// Three distinct times, none of them now: creation, last access, last write.
const win32::FileTimes kOldTimes{125'000'000'000'000'000, 131'000'000'000'000'000,
                                 128'000'000'000'000'000};

TEST(WindowsFileServices, WildcardsMatchWithoutRegardToCaseListedInByteOrder) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    for (const char* name :
         {"index.htm", "PAGE.HTM", "Mixed.Htm", "b.htm", "notes.txt", "sub.htm/inner.txt"}) {
        tree.Write(name, "");
    }
    const Names htm = {"Mixed.Htm", "PAGE.HTM", "b.htm", "index.htm", "sub.htm"};
    EXPECT_EQ(List(tree, "*.htm"), htm);
    EXPECT_EQ(List(tree, "*.HTM"), htm);
    EXPECT_EQ(List(tree, "?age.htm"), Names{"PAGE.HTM"});
    EXPECT_EQ(List(tree, "INDEX.*"), Names{"index.htm"});
    EXPECT_EQ(List(tree, "*"),
              (Names{"Mixed.Htm", "PAGE.HTM", "b.htm", "index.htm", "notes.txt", "sub.htm"}));
    EXPECT_EQ(List(tree, "*.xyz"), Names{});
}

// A long name also matches through the 8.3 name the file system made for it,
// so *.htm takes in index.html wherever short names are kept.
TEST(WindowsFileServices, ShortNamesMatchWhereTheFileSystemKeepsThem) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("index.html", "");
    tree.Write("notes.text", "");
    std::string shortName = win32::ShortName(tree.Path("index.html"));
    bool hasShortName = shortName != "index.html";
    if (hasShortName) {
        EXPECT_EQ(fs::path(shortName).extension().string(), ".HTM") << shortName;
    }
    EXPECT_EQ(List(tree, "*.htm"), hasShortName ? Names{"index.html"} : Names{}) << shortName;
    EXPECT_EQ(List(tree, "*.html"), Names{"index.html"});
    EXPECT_EQ(List(tree, "*.txt"), Names{});
}

// The enumeration would name files of another directory as if they were here.
TEST(WindowsFileServices, PatternNamingAnotherDirectoryMatchesNothing) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("sub/a.htm", "");
    tree.Write("top.htm", "");
    for (const char* pattern : {"sub\\*.htm", "sub/*.htm", "..\\*", "C:*.htm"}) {
        EXPECT_EQ(List(tree, pattern), Names{}) << pattern;
    }
}

TEST(WindowsFileServices, ReadOnlyIsThePlatformsAttribute) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("f.txt", "12345");
    std::string path = tree.Path("f.txt").string();
    win32::SetAttributes(path, win32::kReadOnly | win32::kHidden);
    FileStatus status;
    ASSERT_TRUE(Files().GetStatus(path, status));
    // Wine marks every file for archiving; Windows leaves the bit as it was set.
    EXPECT_EQ(status.attributeByte & ~win32::kArchive, win32::kReadOnly | win32::kHidden);
    EXPECT_TRUE(status.IsReadOnly());
    EXPECT_EQ(status.size, 5u);
    EXPECT_EQ(status.fullPathName, path);

    status.attributeByte = 0;
    status.creationTime = status.accessTime = status.modificationTime = 0;
    ASSERT_TRUE(Files().SetStatus(path, status));
    EXPECT_EQ(win32::Attributes(path) & (win32::kReadOnly | win32::kHidden), 0u);

    FileStatus directory;
    ASSERT_TRUE(Files().GetStatus(tree.Root().string(), directory));
    EXPECT_TRUE(directory.IsDirectory());
    EXPECT_FALSE(directory.IsReadOnly());
}

// The engine lifts the attribute, rewrites the file and sets the saved status
// back: attributes and all three times come back as they were.
TEST(WindowsFileServices, SavedStatusRestoresAttributesAndAllThreeTimes) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("f.txt", "old");
    std::string path = tree.Path("f.txt").string();
    win32::SetTimes(path, kOldTimes);
    win32::SetAttributes(path, win32::kReadOnly | win32::kHidden | win32::kArchive);
    bool keepsCreation = win32::KeepsCreationTimes(tree.Root());
    FileStatus saved;
    ASSERT_TRUE(Files().GetStatus(path, saved));
    EXPECT_EQ(saved.accessTime, Nanoseconds(kOldTimes.access));
    EXPECT_EQ(saved.modificationTime, Nanoseconds(kOldTimes.modification));
    if (keepsCreation) {
        EXPECT_EQ(saved.creationTime, Nanoseconds(kOldTimes.creation));
    }

    FileStatus writable = saved;
    writable.attributeByte = 0;
    writable.creationTime = writable.accessTime = writable.modificationTime = 0;
    ASSERT_TRUE(Files().SetStatus(path, writable));
    tree.Write("f.txt", "new contents");
    ASSERT_NE(win32::Times(path), kOldTimes);
    ASSERT_TRUE(Files().SetStatus(path, saved));

    EXPECT_EQ(win32::Attributes(path) & 0xFF, win32::kReadOnly | win32::kHidden | win32::kArchive);
    win32::FileTimes after = win32::Times(path);
    EXPECT_EQ(after.access, kOldTimes.access);
    EXPECT_EQ(after.modification, kOldTimes.modification);
    if (keepsCreation) {
        EXPECT_EQ(after.creation, kOldTimes.creation);
    } else {
        std::cout << "This file system keeps no creation times of its own (Wine): "
                     "creation time not checked\n";
    }
}

// Windows itself refuses, but Wine running as root would let the copy through.
TEST(WindowsFileServices, CopyRefusesAReadOnlyDestination) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("a.txt", "new");
    tree.Write("a.txt.bak", "precious");
    win32::SetAttributes(tree.Path("a.txt.bak"), win32::kReadOnly);
    FileError error;
    EXPECT_FALSE(
        Files().CopyFile(tree.Path("a.txt").string(), tree.Path("a.txt.bak").string(), error));
    EXPECT_EQ(error, FileError::accessDenied);
    EXPECT_EQ(tree.Read("a.txt.bak"), "precious");
    EXPECT_EQ(win32::Attributes(tree.Path("a.txt.bak")) & win32::kReadOnly, win32::kReadOnly);
}

TEST(WindowsFileServices, CopyOverAFileKeepsItsLinksAndAttributes) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("src", "new and longer contents");
    tree.Write("dest", "old");
    fs::create_hard_link(tree.Path("dest"), tree.Path("twin"));
    win32::SetAttributes(tree.Path("dest"), win32::kHidden);
    FileError error;
    ASSERT_TRUE(Files().CopyFile(tree.Path("src").string(), tree.Path("dest").string(), error));
    EXPECT_EQ(tree.Read("twin"), "new and longer contents");
    EXPECT_EQ(win32::Attributes(tree.Path("dest")) & win32::kHidden, win32::kHidden);

    tree.Write("short", "tiny");
    ASSERT_TRUE(Files().CopyFile(tree.Path("short").string(), tree.Path("dest").string(), error));
    EXPECT_EQ(tree.Read("dest"), "tiny");
    EXPECT_EQ(tree.Read("twin"), "tiny");
    FileStatus dest;
    FileStatus twin;
    ASSERT_TRUE(Files().GetStatus(tree.Path("dest").string(), dest));
    ASSERT_TRUE(Files().GetStatus(tree.Path("twin").string(), twin));
    EXPECT_TRUE(dest.SameFileAs(twin));
    EXPECT_NE(dest.fileNumber, 0u);
}

// As CopyFileA does: a backup of a read-only file is read-only too.
TEST(WindowsFileServices, NewCopyTakesTheSourcesAttributes) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("ro.txt", "contents");
    win32::SetAttributes(tree.Path("ro.txt"), win32::kReadOnly);
    FileError error;
    ASSERT_TRUE(
        Files().CopyFile(tree.Path("ro.txt").string(), tree.Path("ro.txt.bak").string(), error));
    EXPECT_EQ(tree.Read("ro.txt.bak"), "contents");
    EXPECT_EQ(win32::Attributes(tree.Path("ro.txt.bak")) & win32::kReadOnly, win32::kReadOnly);
}

TEST(WindowsFileServices, ReplacementKeepsTheFilesAttributesCreationTimeAndLinks) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("a.txt", "old");
    tree.Write("b.txt", "old");
    fs::create_hard_link(tree.Path("b.txt"), tree.Path("b-twin.dat"));
    win32::SetTimes(tree.Path("a.txt"), kOldTimes);
    win32::SetAttributes(tree.Path("a.txt"), win32::kHidden | win32::kArchive);
    CurrentDirectoryGuard guard;
    fs::current_path(tree.Root());
    for (const char* name : {"a.txt", "b.txt"}) {
        FileError error;
        std::unique_ptr<ReplacementFile> replacement =
            Files().CreateReplacement("temp._____fil", error);
        ASSERT_TRUE(replacement != nullptr);
        ASSERT_TRUE(replacement->Write("new", 3));
        ASSERT_TRUE(replacement->ReplaceInto(name, error)) << name;
        EXPECT_EQ(tree.Read(name), "new");
        EXPECT_FALSE(tree.Exists("temp._____fil")) << name;
    }
    EXPECT_EQ(win32::Attributes(tree.Path("a.txt")) & 0xFF, win32::kHidden | win32::kArchive);
    if (win32::KeepsCreationTimes(tree.Root())) {
        EXPECT_EQ(win32::Times(tree.Path("a.txt")).creation, kOldTimes.creation);
    }
    EXPECT_EQ(tree.Read("b-twin.dat"), "new");
}

TEST(WindowsFileServices, ReplacementRefusesAReadOnlyFile) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    tree.Write("ro.txt", "old");
    win32::SetAttributes(tree.Path("ro.txt"), win32::kReadOnly);
    CurrentDirectoryGuard guard;
    fs::current_path(tree.Root());
    FileError error;
    std::unique_ptr<ReplacementFile> replacement =
        Files().CreateReplacement("temp._____fil", error);
    ASSERT_TRUE(replacement != nullptr);
    ASSERT_TRUE(replacement->Write("new", 3));
    EXPECT_FALSE(replacement->ReplaceInto("ro.txt", error));
    EXPECT_EQ(error, FileError::accessDenied);
    replacement->Discard();
    EXPECT_EQ(tree.Read("ro.txt"), "old");
    EXPECT_FALSE(tree.Exists("temp._____fil"));
}

// Readers may look at a temporary file another run is writing; writers may not.
TEST(WindowsFileServices, TemporaryFileIsLockedAgainstWritersOnly) {
    SKIP_UNLESS_WINDOWS();
    TempTree tree;
    std::string name = tree.Path("temp._____fil").string();
    FileError error;
    std::unique_ptr<ReplacementFile> held = Files().CreateReplacement(name, error);
    ASSERT_TRUE(held != nullptr);
    ASSERT_TRUE(held->Write("held", 4));
    EXPECT_EQ(Files().OpenWrite(name, error), nullptr);
    EXPECT_EQ(error, FileError::locked);
    EXPECT_EQ(tree.Read("temp._____fil"), "held");
    held->Discard();
    EXPECT_FALSE(tree.Exists("temp._____fil"));
}

TEST(WindowsFileServices, PathsUseBackslashesAndDriveLetters) {
    SKIP_UNLESS_WINDOWS();
    EXPECT_EQ(JoinPath("C:\\Web", "index.htm"), "C:\\Web\\index.htm");
    EXPECT_EQ(JoinPath("C:\\", "index.htm"), "C:\\index.htm");
    EXPECT_EQ(JoinPath("C:/Web/", "index.htm"), "C:/Web/index.htm");

    TempTree tree;
    tree.Write("sub/a.txt", "");
    CurrentDirectoryGuard guard;
    std::string root = tree.Root().string();
    ASSERT_TRUE(Files().SetCurrentDirectory(root));
    std::string current;
    ASSERT_TRUE(Files().GetCurrentDirectory(current));
    EXPECT_EQ(current, root);
    EXPECT_EQ(current[1], ':');
    ASSERT_TRUE(Files().SetCurrentDirectory("sub"));
    ASSERT_TRUE(Files().GetCurrentDirectory(current));
    EXPECT_EQ(current, JoinPath(root, "sub"));
    ASSERT_TRUE(Files().SetCurrentDirectory(".."));
    ASSERT_TRUE(Files().GetCurrentDirectory(current));
    EXPECT_EQ(current, root);
    EXPECT_FALSE(Files().SetCurrentDirectory("missing"));
}

}  // namespace
}  // namespace tavro::test
