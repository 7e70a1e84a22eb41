#include <gtest/gtest.h>

#include <functional>
#ifndef _WIN32
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "engine/platform/file_services.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/windows_files.h"

namespace fs = std::filesystem;

namespace tavro::test {
namespace {

EngineRun Replace(const TempTree& tree, ProgressSink* sink = nullptr) {
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.sink = sink;
    RunEngine(tree, run);
    return run;
}

TEST(Replacement, NewContentsTakeTheFilesPermissionsAndTheTemporaryNameIsGone) {
    if (kWindows) GTEST_SKIP() << "POSIX permission bits";
    TempTree tree;
    tree.Write("a.txt", "old\n");
    fs::permissions(tree.Path("a.txt"), fs::perms::owner_read | fs::perms::owner_write |
                                            fs::perms::group_read | fs::perms::others_exec);
    Replace(tree);
    EXPECT_EQ(tree.Read("a.txt"), "new\r\n");
    EXPECT_EQ(fs::status(tree.Path("a.txt")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_exec);
    EXPECT_FALSE(tree.Exists("temp._____fil"));
}

// Another live run holds the temporary file: this run leaves the file alone,
// reports it and never touches the other run's temporary file.
TEST(Replacement, TemporaryFileHeldByAnotherRunIsNotShared) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    CurrentDirectoryGuard guard;
    fs::current_path(tree.Root());
    FileError error;
    std::unique_ptr<ReplacementFile> other =
        PlatformFileServices().CreateReplacement("temp._____fil", error);
    ASSERT_TRUE(other != nullptr);
    ASSERT_TRUE(other->Write("the other run's text", 20));
    EngineRun run = Replace(tree);
    EXPECT_EQ(tree.Read("a.txt"), "old\n");
    EXPECT_EQ(tree.Read("temp._____fil"), "the other run's text");
    EXPECT_NE(run.errorLog.find("\tCould not open file: a.txt\r\n"), std::string::npos);
    EXPECT_EQ(WithoutCr(run.runLog), "a.txt : \t\"old\" replaced with \"new\" 0 times\n");
    other->Discard();
}

TEST(Replacement, StaleTemporaryFileOfADeadRunIsReused) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    tree.Write("temp._____fil", std::string(100000, 'x'));
    EngineRun run = Replace(tree);
    EXPECT_EQ(tree.Read("a.txt"), "new\r\n");
    EXPECT_FALSE(tree.Exists("temp._____fil"));
    EXPECT_EQ(run.errorLog, "");
}

TEST(Replacement, LockedCreateFailsWithLocked) {
    TempTree tree;
    std::string name = tree.Path("temp._____fil").string();
    FileError error;
    auto first = PlatformFileServices().CreateReplacement(name, error);
    ASSERT_TRUE(first != nullptr);
    EXPECT_EQ(PlatformFileServices().CreateReplacement(name, error), nullptr);
    EXPECT_EQ(error, FileError::locked);
    first->Discard();
    auto again = PlatformFileServices().CreateReplacement(name, error);
    EXPECT_TRUE(again != nullptr);
    again->Discard();
}

// A front end that deletes or replaces the file between the filter pass and
// the rewrite, as another program might.
class Meddler final : public ProgressSink {
public:
    explicit Meddler(std::function<void(const std::string&)> act) : act(std::move(act)) {}
    bool PollStop() override { return false; }
    void SetStatus(std::string_view) override {}
    void FileAccepted(std::string_view name) override { act(std::string(name)); }

private:
    std::function<void(const std::string&)> act;
};

TEST(Replacement, FileDeletedBeforeTheRewriteIsNotRecreated) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    tree.Write("b.txt", "old\n");
    Meddler meddler([&](const std::string& name) {
        if (name == "a.txt") fs::remove(tree.Path("a.txt"));
    });
    EngineRun run = Replace(tree, &meddler);
    EXPECT_FALSE(tree.Exists("a.txt"));
    EXPECT_FALSE(tree.Exists("temp._____fil"));
    EXPECT_EQ(tree.Read("b.txt"), "new\r\n");
    EXPECT_NE(run.errorLog.find("\tCould not open file: a.txt\r\n"), std::string::npos);
}

TEST(Replacement, FileReplacedBeforeTheRewriteEndsWithWholeContents) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    Meddler meddler([&](const std::string&) { tree.Write("a.txt", "other old text\n"); });
    Replace(tree, &meddler);
    EXPECT_EQ(tree.Read("a.txt"), "other new text\r\n");
}

#ifndef _WIN32
// A small file system of our own, where the machine lets us mount one.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const fs::path& where, const char* size) : where(where) {
        fs::create_directories(where);
        std::string options = std::string("size=") + size;
        mounted = ::mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallFileSystem() {
        if (mounted) ::umount2(where.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted; }
    bool MakeReadOnly() {
        return ::mount("tmpfs", where.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    fs::path where;
    bool mounted = false;
};
#endif

TEST(Replacement, FullDiskLeavesTheFileByteForByte) {
#ifdef _WIN32
    GTEST_SKIP() << "mounts a small POSIX file system";
#else
    TempTree tree;
    SmallFileSystem disk(tree.Path("disk"), "256k");
    if (!disk.Mounted()) GTEST_SKIP() << "this machine does not let tests mount a tmpfs";
    std::string contents;
    while (contents.size() < 150'000) contents += "old line " + std::to_string(contents.size()) + "\n";
    tree.Write("disk/a.txt", contents);
    // Fill what is left, so the temporary file cannot be written whole.
    std::string filler(4096, 'f');
    for (int i = 0;; ++i) {
        std::string name = "disk/fill" + std::to_string(i);
        FILE* file = std::fopen(tree.Path(name).c_str(), "wb");
        if (file == nullptr) break;
        bool full = std::fwrite(filler.data(), 1, filler.size(), file) != filler.size();
        full = std::fclose(file) != 0 || full;
        if (full) break;
    }
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.startDirectory = "disk";
    RunEngine(tree, run);
    EXPECT_EQ(tree.Read("disk/a.txt"), contents);
    EXPECT_FALSE(tree.Exists("disk/temp._____fil"));
    bool reported = run.errorLog.find("\tCould not write file: a.txt\r\n") != std::string::npos ||
                    run.errorLog.find("\tCould not open file: a.txt\r\n") != std::string::npos;
    EXPECT_TRUE(reported) << run.errorLog;
    EXPECT_NE(run.runLog.find("\" 0 times"), std::string::npos);
#endif
}

TEST(Replacement, ReadOnlyFileSystemChangesNothing) {
#ifdef _WIN32
    GTEST_SKIP() << "mounts a small POSIX file system";
#else
    TempTree tree;
    SmallFileSystem disk(tree.Path("disk"), "1m");
    if (!disk.Mounted()) GTEST_SKIP() << "this machine does not let tests mount a tmpfs";
    tree.Write("disk/a.txt", "old\n");
    ASSERT_TRUE(disk.MakeReadOnly());
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.settings.startDirectory = "disk";
    run.settings.makeBackups = true;
    run.settings.backupExtension = ".bak";
    RunEngine(tree, run);
    EXPECT_EQ(tree.Read("disk/a.txt"), "old\n");
    EXPECT_EQ(run.state.filesModified, 0);
    EXPECT_NE(run.errorLog.find("\tCould not back up a.txt. File not processed.\r\n"),
              std::string::npos);
#endif
}

}  // namespace
}  // namespace tavro::test
