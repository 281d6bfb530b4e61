// StartProgram: a detached start with an argument list and a working folder,
// for paths that a shell would take apart.

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
    const std::string chosen = (folder / "my \"codes\" $PATH; rm -rf x `id` \xc3\xa9.ccf").string();
    int64_t pid = 0;
    ASSERT_TRUE(StartProgram(program.string(), {"Temp$$.hex", chosen}, folder.string(), &pid));
    EXPECT_GT(pid, 0);
    ASSERT_TRUE(WaitForFile(record));
    EXPECT_EQ(Lines(record),
              (std::vector<std::string>{fs::canonical(folder).string(), "Temp$$.hex", chosen}));
}

TEST_F(LauncherTest, AStartThatCannotHappenIsReported) {
    EXPECT_FALSE(StartProgram((folder / "no such program").string(), {}, folder.string()));
    EXPECT_FALSE(StartProgram("", {}, folder.string()));
    // Bytes that are not valid in the file system's encoding would arrive
    // changed: refused.
    EXPECT_FALSE(StartProgram(program.string(), {"Temp$$.hex", "bad \xe9.ccf"}, folder.string()));
    EXPECT_FALSE(fs::exists(record));
}

TEST_F(LauncherTest, DoesNotWaitForTheProgram) {
    const auto start = std::chrono::steady_clock::now();
    int64_t pid = 0;
    ASSERT_TRUE(StartProgram("/bin/sleep", {"30"}, folder.string(), &pid));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    ASSERT_GT(pid, 0);
    kill(static_cast<pid_t>(pid), SIGTERM);
}

}  // namespace
}  // namespace kestrel
