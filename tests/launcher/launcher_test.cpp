// StartProgram: a start with an argument list and a working folder, for paths
// that a shell would take apart; it returns at once, and learns what the
// program said on its standard error and how it ended.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "launcher/launch_app.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

TEST(Launcher, StartsWithArgumentsAndFolderAndLearnsTheEnd) {
    const fs::path folder =
        fs::path(testing::TempDir()) / "kestrel launch 'q' \"dq\" $HOME; & \xc3\xa9";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path shell = folder / "conv 'x' $y;z \xc3\xa9";
    fs::create_symlink("/bin/sh", shell);
    // Bytes a shell would take apart, and one that is no UTF-8.
    const std::string chosen = (folder / "my \"codes\" $PATH; rm -rf x `id` \xe9.ccf").string();
    const auto launched = StartProgram(
        shell.string(),
        {"-c", "pwd -P >&2; printf '%s\\n' \"$@\" >&2; exit 3", "sh", "Temp$$.hex", chosen},
        folder.string());
    ASSERT_TRUE(launched) << launched.reason();
    const auto& started = launched.value();
    EXPECT_GT(started->ProcessId(), 0);
    const std::optional<ProgramEnd> end = started->WaitForEnd(seconds(10));
    ASSERT_TRUE(end);
    EXPECT_FALSE(end->ok());
    EXPECT_EQ(end->Describe(), "exit status 3");
    EXPECT_EQ(started->Errors(), fs::canonical(folder).string() + "\nTemp$$.hex\n" + chosen + "\n");

    const auto sleeping = StartProgram("/bin/sleep", {"30"}, folder.string());
    ASSERT_TRUE(sleeping);
    const auto& sleeper = sleeping.value();
    EXPECT_FALSE(sleeper->Ended());
    kill(static_cast<pid_t>(sleeper->ProcessId()), SIGTERM);
    EXPECT_EQ(sleeper->WaitForEnd(seconds(10)).value_or(ProgramEnd()).Describe(), "signal 15");
    EXPECT_TRUE(
        StartProgram("/bin/true", {}, folder.string()).value()->WaitForEnd(seconds(10))->ok());

    // A start that cannot happen is reported.
    const auto missing = StartProgram((folder / "no such program").string(), {}, folder.string());
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.reason(), "No such file or directory");
    EXPECT_FALSE(StartProgram("/bin/true", {}, (folder / "gone").string()));
    EXPECT_FALSE(StartProgram("", {}, folder.string()));
}

}  // namespace
}  // namespace kestrel
