#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "tests/support/engine_fixture.h"
#include "tests/support/windows_files.h"

namespace fs = std::filesystem;

namespace tavro::test {
namespace {

// Every file of the tree, by relative path, with its contents.
std::map<std::string, std::string> Contents(const TempTree& tree) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(tree.Root())) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), tree.Root()).generic_string()] = ReadFile(entry.path());
        }
    }
    return files;
}

// Error log lines without their time stamps.
std::string Messages(std::string_view log) {
    std::string out;
    for (std::size_t start = 0; start < log.size();) {
        std::size_t end = log.find('\n', start);
        if (end == std::string_view::npos) end = log.size();
        std::string_view line = log.substr(start, end - start);
        std::size_t tab = line.find('\t');
        out += std::string(tab == std::string_view::npos ? line : line.substr(tab)) + "\n";
        start = end + 1;
    }
    return out;
}

struct Outcome {
    std::map<std::string, std::string> files;
    std::string runLog;
    std::string errors;
    int filesModified = 0;
};

using TreeMaker = void (*)(const TempTree&, unsigned seed);

Outcome RunOn(TreeMaker make, unsigned seed, RunSettings settings, bool scanAhead) {
    TempTree tree;
    make(tree, seed);
    EngineRun run;
    run.settings = std::move(settings);
    run.scanAhead = scanAhead;
    RunEngine(tree, run);
    return {Contents(tree), run.runLog, Messages(run.errorLog), run.state.filesModified};
}

void ExpectSameOutcome(TreeMaker make, unsigned seed, const RunSettings& settings) {
    Outcome alone = RunOn(make, seed, settings, false);
    Outcome ahead = RunOn(make, seed, settings, true);
    EXPECT_EQ(ahead.files, alone.files) << "seed " << seed;
    EXPECT_EQ(ahead.runLog, alone.runLog) << "seed " << seed;
    EXPECT_EQ(ahead.errors, alone.errors) << "seed " << seed;
    EXPECT_EQ(ahead.filesModified, alone.filesModified) << "seed " << seed;
}

// Directories of up to a hundred files, more than the thread reads ahead,
// holding the string or not, binary or empty, with CR LF or without; names
// that sort a backup right after its file; and, where the platform has them,
// links that make one name's contents change when another's are rewritten.
void MakeMixedTree(const TempTree& tree, unsigned seed) {
    std::mt19937 random(seed);
    const char* const kContents[] = {"plain text\n", "an old word\n", "old\r\nold old\r\n",
                                     "bin\x01old\n", "", "no match here, nor there\n"};
    for (int directory = 0; directory < 4; ++directory) {
        std::string prefix = directory == 0 ? "" : "d" + std::to_string(directory) + "/";
        int count = static_cast<int>(random() % 100);
        for (int i = 0; i < count; ++i) {
            std::string name = prefix + "f" + std::to_string(i);
            tree.Write(name, kContents[random() % 6]);
            if (random() % 8 == 0) tree.Write(name + ".bak", kContents[random() % 6]);
        }
        if (kWindows || count < 2) continue;
        // "a-link" sorts before "f0", which it names; "f0-hard" after it.
        fs::create_symlink("f0", tree.Path(prefix + "a-link"));
        fs::create_hard_link(tree.Path(prefix + "f1"), tree.Path(prefix + "f1-hard"));
        if (random() % 2 == 0) tree.MakeReadOnly(prefix + "f1");
    }
}

TEST(ScanAhead, SameFilesLogsAndCountsAsTheWalkAlone) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        RunSettings settings = DefaultSettings("old", seed % 3 == 0 ? "bold" : "new");
        settings.fileTypeFilter = "*";
        settings.includeSubdirectories = true;
        settings.caseSensitive = seed % 2 == 0;
        settings.makeBackups = seed % 4 < 2;
        settings.backupExtension = "bak";
        settings.processReadOnlyFiles = seed % 5 == 0;
        settings.regularExpression = seed % 6 == 0;
        ExpectSameOutcome(MakeMixedTree, seed, settings);
    }
}

// A link read ahead of its target's rewrite holds the string then, but not
// when the walk reaches it: that early reading must not be used.
void MakeLinkAheadOfItsTarget(const TempTree& tree, unsigned) {
    tree.Write("target.txt", "old\n");
    fs::create_symlink("target.txt", tree.Path("alias.txt"));
    for (int i = 0; i < 40; ++i) tree.Write("z" + std::to_string(i) + ".txt", "old\n");
}

TEST(ScanAhead, FileChangedByAnEarlierRewriteIsReadAgain) {
    if (kWindows) GTEST_SKIP() << "symbolic links need privileges on Windows";
    RunSettings settings = DefaultSettings("old", "new");
    ExpectSameOutcome(MakeLinkAheadOfItsTarget, 0, settings);
    Outcome ahead = RunOn(MakeLinkAheadOfItsTarget, 0, settings, true);
    EXPECT_EQ(ahead.files["target.txt"], "new\r\n");
    EXPECT_EQ(ahead.filesModified, 41);  // the link once, the target not again
}

#ifndef _WIN32
// Reading a file moves its access time; a file the walk passes over must not
// be read ahead either.
TEST(ScanAhead, ReadOnlyFilesPassedOverAreNotRead) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    tree.Write("b.txt", "old\n");
    const timespec kLongAgo[2] = {{631152000, 0}, {631152000, 0}};  // 1990: any read moves it
    ASSERT_EQ(::utimensat(AT_FDCWD, tree.Path("b.txt").c_str(), kLongAgo, 0), 0);
    tree.MakeReadOnly("b.txt");
    EngineRun run;
    run.settings = DefaultSettings("old", "new");
    run.scanAhead = true;
    RunEngine(tree, run);
    struct stat info {};
    ASSERT_EQ(::stat(tree.Path("b.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_atim.tv_sec, kLongAgo[0].tv_sec);
    EXPECT_EQ(tree.Read("a.txt"), "new\r\n");
}

// Opening a pipe for reading waits for a writer; the walk must never try.
TEST(ScanAhead, PipesAreNeverOpened) {
    TempTree tree;
    tree.Write("a.txt", "old\n");
    ASSERT_EQ(::mkfifo(tree.Path("b.txt").c_str(), 0600), 0);
    tree.Write("c.txt", "old\n");
    for (bool scanAhead : {false, true}) {
        EngineRun run;
        run.settings = DefaultSettings("old", "new");
        run.scanAhead = scanAhead;
        RunEngine(tree, run);
        EXPECT_EQ(run.errorLog, "");
        EXPECT_TRUE(fs::is_fifo(tree.Path("b.txt")));
    }
    EXPECT_EQ(tree.Read("c.txt"), "new\r\n");
}
#endif

}  // namespace
}  // namespace tavro::test
