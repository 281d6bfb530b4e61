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

}  // namespace
}  // namespace kestrel
