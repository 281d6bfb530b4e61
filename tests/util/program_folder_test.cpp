#include "util/program_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrel {
namespace {

TEST(ProgramFolderTest, IsTheAbsoluteFolderOfTheRunningExecutable) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_NE(folder.back(), '/');
    EXPECT_EQ(std::filesystem::canonical(folder),
              std::filesystem::canonical(KESTREL_TEST_PROGRAM_FILE).parent_path());
}

TEST(ProgramFolderTest, TheUserFolderFollowsTheDataHome) {
    struct Row {
        const char* xdgDataHome;
        const char* home;
        const char* folder;
    };
    const Row rows[] = {
        {"/data", "/home/u", "/data/kestrel/devices"},
        {"/data/", "/home/u", "/data/kestrel/devices"},
        {nullptr, "/home/u", "/home/u/.local/share/kestrel/devices"},
        {"", "/home/u/", "/home/u/.local/share/kestrel/devices"},
        {"relative/data", "/home/u", "/home/u/.local/share/kestrel/devices"},
        {nullptr, "/", "/.local/share/kestrel/devices"},
        {"/", nullptr, "/kestrel/devices"},
        {nullptr, nullptr, ""},
        {"", "", ""},
        {"data", "home", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(UserDevicesFolder(row.xdgDataHome, row.home), row.folder)
            << (row.xdgDataHome ? row.xdgDataHome : "(unset)") << " "
            << (row.home ? row.home : "(unset)");
    }
}

}  // namespace
}  // namespace kestrel
