// A Gen ALL run for a .ccf name ends with the CCF file made by hex2ccf: the
// device named after the file, every button of the temporary Pronto hex file
// in order, labelled as the companion listing labels it, holding its code.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_tool.h"
#include "ccf_walker.h"

namespace {

namespace fs = std::filesystem;
using kestrel::hex2ccf::test::WalkCcf;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<uint16_t> Words(const std::string& code) {
    std::vector<uint16_t> words;
    std::istringstream in(code);
    for (std::string word; in >> word;)
        words.push_back(static_cast<uint16_t>(std::stoul(word, nullptr, 16)));
    return words;
}

TEST(GenAllCcf, EndsWithTheConvertersFile) {
    const fs::path folder = fs::path(::testing::TempDir()) / "genall ccf $test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path ccf = folder / "Living Room.ccf";
    const kestrel::test::ToolResult run =
        kestrel::test::RunTool(std::string(KESTREL_PROGRAM_DIR) + "/kestrel-gen",
                               {"export", "Tessel20", ccf.string(), "--dir",
                                std::string(KESTREL_SOURCE_DIR) + "/devices"});
    ASSERT_EQ(run.status, 0) << run.err;

    const std::vector<std::string> hex = Lines(ReadFile(folder / "Temp$$.hex"));
    const std::vector<std::string> listing = Lines(ReadFile(folder / "Living Room.txt"));
    ASSERT_FALSE(hex.empty());
    ASSERT_EQ(hex.size(), 2 * listing.size());

    const std::string bytes = ReadFile(ccf);
    const auto walked = WalkCcf(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    ASSERT_EQ(walked.error, "");
    EXPECT_EQ(walked.deviceName, "Living Room");
    const auto buttons = walked.AllButtons();
    ASSERT_EQ(buttons.size(), listing.size());
    for (size_t i = 0; i < buttons.size(); ++i) {
        // "Pronto Button # 000 labeled as 161   is IR Data For Command: Power = Off"
        const std::string& line = listing[i];
        const size_t at = line.find(" labeled as ") + 12;
        const std::string label = line.substr(at, line.find(' ', at) - at);
        const std::string caption = line.substr(line.find("Command: ") + 9);
        EXPECT_EQ(buttons[i].label, label) << i;
        EXPECT_EQ(buttons[i].codeName, caption) << i;
        EXPECT_EQ(buttons[i].words, Words(hex[2 * i + 1])) << i;
        EXPECT_EQ(hex[2 * i].rfind("IR Data For Command " + caption + "  Device Code: ", 0), 0u);
    }
}

}  // namespace
