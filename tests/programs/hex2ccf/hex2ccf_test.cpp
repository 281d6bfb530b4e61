// hex2ccf: the golden files, the refusals of data/refused.txt, the texts it
// shortens, and the program end to end as the window and Gen ALL start it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ccf_writer.h"
#include "convert.h"
#include "hex_reader.h"
#include "support/golden.h"
#include "support/run_tool.h"

namespace kestrel::hex2ccf {
namespace {

namespace fs = std::filesystem;

const std::string kData = HEX2CCF_TEST_DATA;
// The moment the golden files were made with: 2024-05-17 12:34:56 UTC.
constexpr CcfTimestamp kGoldenTime{2024, 5, 17, 12, 34, 56};
constexpr const char* kGoldenEpoch = "1715949296";

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
// A new folder of this test; the process id keeps builds testing at the same time apart.
fs::path Scratch(const std::string& name) {
    const fs::path folder =
        fs::path(::testing::TempDir()) / ("hex2ccf-" + std::to_string(getpid())) / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}
std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}
// The rows of a data table: fields between tabs, with \r and \n for line ends.
std::vector<std::vector<std::string>> Rows(const std::string& name) {
    std::vector<std::vector<std::string>> rows;
    std::ifstream table(kData + "/" + name);
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#') continue;
        for (size_t at = 0; (at = line.find('\\', at)) != std::string::npos;)
            line.replace(at, 2, line[at + 1] == 'r' ? "\r" : "\n");
        rows.emplace_back();
        for (size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1) {
            tab = line.find('\t', start);
            rows.back().push_back(line.substr(start, tab - start));
        }
    }
    return rows;
}
CcfOptions Options(const std::string& device) {
    CcfOptions options;
    options.deviceName = device;
    options.modified = kGoldenTime;
    return options;
}

TEST(Hex2Ccf, GoldenFile) {
    // Any line end, blank lines between entries, case and blanks: the same file.
    for (const char* input : {"small.hex", "lenient.hex"}) {
        const Result<std::vector<HexEntry>> entries =
            ReadHexText(test::ReadBytes(kData + "/" + input));
        ASSERT_TRUE(entries) << entries.reason();
        const Result<CcfFile> built = BuildCcf(*entries, Options("small"));
        ASSERT_TRUE(built) << built.reason();
        EXPECT_EQ(std::string(built->bytes.begin(), built->bytes.end()),
                  test::ReadBytes(kData + "/small.ccf"))
            << input;
    }
    const std::string check = "123456789";  // the CRC-16/XMODEM check value
    EXPECT_EQ(CcfCrc(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x31C3);
    // A caption holding the mark itself: the last mark ends the caption.
    const Result<EntryHeader> header =
        ParseEntryHeader("IR Data For Command A  Device Code: B  Device Code: 3 Function: 37");
    EXPECT_EQ(header->caption + "|" + header->label, "A  Device Code: B|37");
}

TEST(Hex2Ccf, RefusesWithTheMessagesOfTheTable) {
    const fs::path folder = Scratch("refused");
    const std::string input = (folder / "Temp$$.hex").string();
    const std::string output = (folder / "out.ccf").string();
    const auto rows = Rows("refused.txt");
    for (const std::vector<std::string>& row : rows) {
        Write(input, row.at(0));
        Write(output, "old contents");
        const Status converted = ConvertFile(input, output, kGoldenTime);
        EXPECT_EQ(converted.reason(), "'" + input + "' " + row.at(1));
        EXPECT_EQ(test::ReadBytes(output), "old contents");  // untouched
    }
    EXPECT_EQ(rows.size(), 16u);
    EXPECT_EQ(Names(folder), (std::set<std::string>{"Temp$$.hex", "out.ccf"}));

    // The format's limits: 16380 words a code, offsets below 2^31 (lowered
    // here). One button of four words makes 72 + 66 + 10 + 20 + 38 + 12 + 14
    // bytes of objects, 35 of strings, one of padding and two of CRC: 270.
    std::vector<HexEntry> entries = {{1, "X", "1", std::vector<uint16_t>(16380)}};
    EXPECT_TRUE(BuildCcf(entries, Options("d")));
    entries[0].words.resize(16382);
    EXPECT_EQ(BuildCcf(entries, Options("d")).reason(),
              "line 1: the code has 16382 words; a CCF IR code holds at most 16380");
    entries[0].words = {0x0000, 0x006C, 0x0000, 0x0000};
    CcfOptions options = Options("d");
    options.maxFileSize = 270;
    EXPECT_TRUE(BuildCcf(entries, options));
    options.maxFileSize = 269;
    EXPECT_EQ(BuildCcf(entries, options).reason(),
              "the 1 buttons would make a file of 270 bytes; a CCF file's offsets reach only 269 "
              "bytes");
}

TEST(Hex2Ccf, ShortensTextsTooLongButNeverACode) {
    const std::string full(255, 'x');
    const std::string utf8 = std::string(254, 'u') + "\xc3\xa9";  // a character across the limit
    const std::vector<uint16_t> words = {0x0000, 0x006C, 0x0001, 0x0000, 0x0010, 0x0020};
    const Result<CcfFile> built = BuildCcf({{3, full + "y", utf8, words}}, Options(full + "z"));
    ASSERT_TRUE(built);
    const std::string tail =
        " has 256 characters; a CCF text holds at most 255, so it was shortened";
    EXPECT_EQ(built->warnings,
              (std::vector<std::string>{"the device name taken from the output file's name" + tail,
                                        "line 3: the caption" + tail,
                                        "line 3: the button label" + tail}));
    const std::string bytes(built->bytes.begin(), built->bytes.end());
    EXPECT_NE(bytes.find("\xff" + full), std::string::npos);  // name and caption, stored once
    EXPECT_NE(bytes.find("\xfe" + std::string(254, 'u')), std::string::npos);
    EXPECT_EQ(bytes.find(full + "y"), std::string::npos);
    EXPECT_EQ(bytes.find("\xc3"), std::string::npos);
    EXPECT_NE(bytes.find(std::string("\0\0\0\x6C\0\x01\0\0\0\x10\0\x20", 12)), std::string::npos);
}

// The golden files test the moment that SOURCE_DATE_EPOCH gives; here its
// limit, the last second of 9999, and texts that are no plain number.
TEST(Hex2Ccf, EpochTexts) {
    const std::optional<CcfTimestamp> t = TimestampFromEpochText("253402300799");
    ASSERT_TRUE(t);
    EXPECT_EQ((std::vector<int>{t->year, t->month, t->day, t->hour, t->minute, t->second}),
              (std::vector<int>{9999, 12, 31, 23, 59, 59}));
    for (const char* text : {"253402300800", "", "-5", "12a", " 1", "9999999999999"})
        EXPECT_FALSE(TimestampFromEpochText(text)) << text;
}

TEST(Hex2CcfProgram, AsTheWindowAndGenAllStartIt) {
    setenv("SOURCE_DATE_EPOCH", kGoldenEpoch, 1);
    const fs::path folder = Scratch("My Remote");
    // Gen ALL for a .ccf name: kestrel-gen export starts the converter and waits.
    test::ToolResult r = test::RunTool(KESTREL_PROGRAM_DIR "/kestrel-gen",
                                       {"export", "Tessel20", (folder / "Living Room.ccf").string(),
                                        "--dir", KESTREL_SOURCE_DIR "/devices"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadBytes(folder / "Living Room.ccf"),
              test::ReadBytes(kData + "/tessel20.ccf"));

    // In the input's folder, with its bare name and the output's path.
    Write(folder / "small.hex", test::ReadBytes(kData + "/small.hex"));
    r = test::RunTool(KESTREL_PROGRAM_DIR "/hex2ccf",
                      {"small.hex", (folder / "small.ccf").string()}, folder.string());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    fs::create_directory(folder / "folder.hex");
    Write(folder / "empty.hex", "");
    Write(folder / "bad.hex", "0000 006C 0000 0000\r\n");
    Write(folder / "long.hex", "IR Data For Command " + std::string(300, 'C') +
                                   "  Device Code: 26 Function: 261\r\n0000 006C 0000 0000\r\n");
    for (const std::vector<std::string>& row : Rows("program.txt")) {
        std::istringstream words(row.at(1));
        const std::vector<std::string> arguments{std::istream_iterator<std::string>(words), {}};
        r = test::RunTool(KESTREL_PROGRAM_DIR "/hex2ccf", arguments, folder.string());
        EXPECT_EQ(r.status, std::stoi(row.at(0))) << row.at(1);
        EXPECT_EQ(r.err, row.at(2));
    }
    EXPECT_EQ(test::ReadBytes(folder / "small.ccf"), test::ReadBytes(kData + "/small.ccf"));
    EXPECT_GT(test::ReadBytes(folder / "empty.ccf").size(), ccf::kHeaderSize);
    // Nothing left over from the refusals.
    EXPECT_EQ(Names(folder),
              (std::set<std::string>{"Living Room.ccf", "Living Room.txt", "Temp$$.hex", "bad.hex",
                                     "empty.ccf", "empty.hex", "folder.hex", "long.ccf", "long.hex",
                                     "small.ccf", "small.hex"}));
}

}  // namespace
}  // namespace kestrel::hex2ccf
