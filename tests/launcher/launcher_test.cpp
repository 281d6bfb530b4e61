// StartProgram: a start with an argument list and a working folder, for paths
// that a shell would take apart, and what the program said and how it ended.

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "launcher/launch_app.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

// Waits for a file the started program writes; false after ten seconds.
bool WaitForFile(const fs::path& path) {
    for (int i = 0; i < 1000; ++i) {
        if (fs::exists(path)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

std::vector<std::string> Lines(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class LauncherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Each test has folders of its own: CTest runs them side by side.
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        folder = fs::path(::testing::TempDir()) /
                 ("kestrel launch 'q' \"dq\" $HOME; & \xc3\xa9 " + test);
        fs::remove_all(folder);
        fs::create_directories(folder);
        record = fs::path(::testing::TempDir()) / ("kestrel-launch-record-" + test + ".txt");
        fs::remove(record);
        setenv("KESTREL_LAUNCH_RECORD", record.c_str(), 1);
        // Records its working folder and arguments, one a line.
        program = folder / "conv 'x' $y;z \xc3\xa9";
        std::ofstream(program)
            << "#!/bin/sh\n"
               "out=\"$KESTREL_LAUNCH_RECORD\"\n"
               "pwd -P > \"$out.part\"\n"
               "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$out.part\"; done\n"
               "mv \"$out.part\" \"$out\"\n";
        fs::permissions(program, fs::perms::owner_all);
    }
    fs::path folder;
    fs::path record;
    fs::path program;
};

TEST_F(LauncherTest, ArgumentsAndWorkingFolderArriveUnchanged) {
    // Bytes a shell would take apart, and one that is no UTF-8.
    const std::string chosen = (folder / "my \"codes\" $PATH; rm -rf x `id` \xe9.ccf").string();
    std::string error;
    auto started = StartProgram(program.string(), {"Temp$$.hex", chosen}, folder.string(), error);
    ASSERT_TRUE(started) << error;
    EXPECT_GT(started->ProcessId(), 0);
    const std::optional<ProgramEnd> end = started->WaitForEnd(std::chrono::seconds(10));
    ASSERT_TRUE(end);
    EXPECT_TRUE(end->ok());
    ASSERT_TRUE(WaitForFile(record));
    EXPECT_EQ(Lines(record),
              (std::vector<std::string>{fs::canonical(folder).string(), "Temp$$.hex", chosen}));
}

TEST_F(LauncherTest, AStartThatCannotHappenIsReported) {
    std::string error;
    EXPECT_FALSE(StartProgram((folder / "no such program").string(), {}, folder.string(), error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(StartProgram(program.string(), {}, (folder / "gone").string(), error));
    EXPECT_FALSE(StartProgram("", {}, folder.string(), error));
    EXPECT_FALSE(fs::exists(record));
}

TEST_F(LauncherTest, ReturnsAtOnceAndLearnsHowTheProgramEnded) {
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    auto sleeper = StartProgram("/bin/sleep", {"30"}, folder.string(), error);
    ASSERT_TRUE(sleeper);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_FALSE(sleeper->Ended());
    kill(static_cast<pid_t>(sleeper->ProcessId()), SIGTERM);
    const std::optional<ProgramEnd> killed = sleeper->WaitForEnd(std::chrono::seconds(10));
    ASSERT_TRUE(killed);
    EXPECT_EQ(killed->Describe(), "signal 15");

    auto failing =
        StartProgram("/bin/sh", {"-c", "echo 'line 3: bad' >&2; exit 3"}, folder.string(), error);
    ASSERT_TRUE(failing);
    const std::optional<ProgramEnd> end = failing->WaitForEnd(std::chrono::seconds(10));
    ASSERT_TRUE(end);
    EXPECT_FALSE(end->ok());
    EXPECT_EQ(end->Describe(), "exit status 3");
    EXPECT_EQ(failing->Errors(), "line 3: bad\n");
}

}  // namespace
}  // namespace kestrel
