#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace fs = std::filesystem;

namespace tavro::test {
namespace {

constexpr int kFiles = 120;
constexpr int kKills = 40;

std::string OldContents(int file) {
    std::string text;
    for (int line = 0; line < 400; ++line) {
        text += "file " + std::to_string(file) + " line " + std::to_string(line) +
                (line % 7 == 0 ? " Old value\n" : " plain text\n");
    }
    return text;
}

std::string NewContents(int file) {
    std::string text;
    for (int line = 0; line < 400; ++line) {
        text += "file " + std::to_string(file) + " line " + std::to_string(line) +
                (line % 7 == 0 ? " New value\r\n" : " plain text\r\n");
    }
    return text;
}

std::string Name(int file) { return "dir" + std::to_string(file % 4) + "/f" + std::to_string(file) + ".txt"; }

// kembrel killed at random moments: every file must hold either its old or its
// new contents, whole, and a second run must finish the job.
TEST(KillStress, EveryFileIsOldOrNewAfterSigkill) {
    std::mt19937 random(20261207);
    int survived = 0;
    int killedMidRun = 0;
    for (int round = 0; round < kKills; ++round) {
        TempTree tree;
        for (int file = 0; file < kFiles; ++file) tree.Write(Name(file), OldContents(file));
        const std::vector<std::string> arguments = {"/D:.", "/F:*.txt", "/S:Old", "/R:New", "/c",
                                                    "/i", "/B:bak"};
        int process = StartProgram(KEMBREL_PATH, arguments, tree.Root());
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 60'000));
        ::kill(process, SIGKILL);
        int status = WaitForProgram(process);
        killedMidRun += status == 128 + SIGKILL;
        for (int file = 0; file < kFiles; ++file) {
            std::string now = tree.Read(Name(file));
            ASSERT_TRUE(now == OldContents(file) || now == NewContents(file))
                << "round " << round << ", " << Name(file) << " holds " << now.size() << " bytes";
        }
        ASSERT_EQ(WaitForProgram(StartProgram(KEMBREL_PATH, arguments, tree.Root())), 0)
            << tree.Read("error.log");
        for (int file = 0; file < kFiles; ++file) {
            ASSERT_EQ(tree.Read(Name(file)), NewContents(file)) << Name(file);
        }
        ++survived;
    }
    EXPECT_EQ(survived, kKills);
    RecordProperty("KilledMidRun", killedMidRun);
    std::printf("%d of %d runs were killed mid-run; every file stayed whole\n", killedMidRun, kKills);
}

}  // namespace
}  // namespace tavro::test
