// The CCF writer: the golden file, the structure of larger files, the
// format's limits, and the small helpers around the conversion.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ccf_walker.h"
#include "ccf_writer.h"
#include "convert.h"

namespace kestrel::hex2ccf {
namespace {

std::string ReadData(const std::string& name) {
    std::ifstream in(std::string(HEX2CCF_TEST_DATA) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The moment the golden file was made with: 2024-05-17 12:34:56 UTC.
constexpr CcfTimestamp kGoldenTime{2024, 5, 17, 12, 34, 56};

HexEntry Entry(size_t index, size_t pairs) {
    HexEntry entry;
    entry.line = 2 * index + 1;
    entry.caption = "Command " + std::to_string(index) + " = Value";
    entry.label = std::to_string(index % 7 == 0 ? 26 : index) + std::to_string(index % 3);
    entry.words = {0x0000, 0x006C, static_cast<uint16_t>(pairs), 0x0000};
    for (size_t i = 0; i < 2 * pairs; ++i)
        entry.words.push_back(static_cast<uint16_t>(index * 31 + i));
    return entry;
}

std::vector<HexEntry> Entries(size_t count) {
    std::vector<HexEntry> entries;
    for (size_t i = 0; i < count; ++i)
        entries.push_back(Entry(i, 1 + (i * 5) % 40));
    return entries;
}

CcfOptions Options(const std::string& device = "codes") {
    CcfOptions options;
    options.deviceName = device;
    options.modified = kGoldenTime;
    return options;
}

TEST(BuildCcf, SmallFileMatchesTheGoldenBytes) {
    const HexReadResult read = ReadHexText(ReadData("small.hex"));
    ASSERT_TRUE(read.ok()) << read.error;
    ASSERT_EQ(read.entries.size(), 4u);
    const CcfBuildResult built = BuildCcf(read.entries, Options("small"));
    ASSERT_TRUE(built.ok()) << built.error;
    const std::string golden = ReadData("small.ccf");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(std::string(built.bytes.begin(), built.bytes.end()), golden);
}

TEST(BuildCcf, LargerFilesAreSoundAndHoldEveryEntryInOrder) {
    for (size_t count : {0u, 1u, 14u, 15u, 16u, 31u, 100u}) {
        const std::vector<HexEntry> entries = Entries(count);
        const CcfBuildResult built = BuildCcf(entries, Options("My Codes"));
        ASSERT_TRUE(built.ok()) << built.error;
        const test::WalkedCcf walked = test::WalkCcf(built.bytes);
        ASSERT_EQ(walked.error, "") << count << " entries";
        EXPECT_EQ(walked.deviceName, "My Codes");
        EXPECT_EQ(walked.version, ccf::kVersionText);
        EXPECT_EQ(walked.year, 2024);
        EXPECT_EQ(walked.second, 56);

        const size_t panels = (count + 14) / 15;
        ASSERT_EQ(walked.panels.size(), panels);
        for (size_t p = 0; p < panels; ++p) {
            EXPECT_EQ(walked.panels[p].name, "Page " + std::to_string(p + 1));
            EXPECT_EQ(walked.panels[p].buttons.size(), p + 1 < panels ? 15u : count - 15 * p);
        }
        const std::vector<test::WalkedButton> buttons = walked.AllButtons();
        ASSERT_EQ(buttons.size(), count);
        for (size_t i = 0; i < count; ++i) {
            EXPECT_EQ(buttons[i].label, entries[i].label);
            EXPECT_EQ(buttons[i].codeName, entries[i].caption);
            EXPECT_EQ(buttons[i].words, entries[i].words);
        }
        if (count >= 4) {  // three columns: the fourth button starts the second row
            EXPECT_EQ(buttons[3].x, buttons[0].x);
            EXPECT_GT(buttons[3].y, buttons[0].y);
        }
    }
}

TEST(BuildCcf, ACorruptedByteFailsTheCrc) {
    std::vector<uint8_t> bytes = BuildCcf(Entries(3), Options()).bytes;
    ASSERT_TRUE(test::WalkCcf(bytes).error.empty());
    bytes[bytes.size() / 2] ^= 0x01;
    EXPECT_EQ(test::WalkCcf(bytes).error, "the CRC does not verify");
}

TEST(BuildCcf, ShortensLongTextsButNeverACode) {
    const std::string fullText(ccf::kMaxStringLength, 'x');
    const std::string longText = fullText + "y";
    // 254 ASCII bytes, then a two-byte character across the limit.
    const std::string utf8 = std::string(254, 'u') + "\xc3\xa9";
    std::vector<HexEntry> entries = Entries(3);
    entries[0].caption = fullText;
    entries[1].caption = longText;
    entries[1].label = utf8;
    const CcfBuildResult built = BuildCcf(entries, Options(longText));
    ASSERT_TRUE(built.ok()) << built.error;
    EXPECT_EQ(built.warnings,
              (std::vector<std::string>{
                  "the device name taken from the output file's name has 256 characters; a CCF "
                  "text holds at most 255, so it was shortened",
                  "line 3: the caption has 256 characters; a CCF text holds at most 255, so it "
                  "was shortened",
                  "line 3: the button label has 256 characters; a CCF text holds at most 255, so "
                  "it was shortened"}));
    const test::WalkedCcf ccf = test::WalkCcf(built.bytes);
    ASSERT_EQ(ccf.error, "");
    EXPECT_EQ(ccf.deviceName, fullText);
    const std::vector<test::WalkedButton> buttons = ccf.AllButtons();
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0].codeName, fullText);
    EXPECT_EQ(buttons[1].codeName, fullText);
    EXPECT_EQ(buttons[1].label, std::string(254, 'u'));
    for (size_t i = 0; i < buttons.size(); ++i)
        EXPECT_EQ(buttons[i].words, entries[i].words);
}

TEST(BuildCcf, RefusesACodeLongerThanTheFormatHolds) {
    std::vector<HexEntry> entries = {Entry(0, (ccf::kMaxIrCodeWords - 4) / 2)};
    ASSERT_EQ(entries[0].words.size(), ccf::kMaxIrCodeWords);
    EXPECT_TRUE(BuildCcf(entries, Options()).ok());
    entries[0].words.push_back(0);
    entries[0].words.push_back(0);
    EXPECT_NE(BuildCcf(entries, Options()).error.find("a CCF IR code holds at most 16380"),
              std::string::npos);
}

TEST(BuildCcf, RefusesMoreButtonsThanTheOffsetsReach) {
    const std::vector<HexEntry> entries = Entries(40);
    CcfOptions options = Options();
    const size_t size = BuildCcf(entries, options).bytes.size();
    options.maxFileSize = size;
    EXPECT_TRUE(BuildCcf(entries, options).ok());
    options.maxFileSize = size - 1;
    const CcfBuildResult refused = BuildCcf(entries, options);
    EXPECT_TRUE(refused.bytes.empty());
    EXPECT_NE(refused.error.find("the 40 buttons would make a file of"), std::string::npos);
}

TEST(CcfCrc, IsTheXmodemCrc) {
    const std::string check = "123456789";
    EXPECT_EQ(CcfCrc(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x31C3);
    EXPECT_EQ(CcfCrc(nullptr, 0), 0);
}

TEST(Conversion, DeviceNameIsTheOutputFilesBaseName) {
    EXPECT_EQ(DeviceNameFor("/home/me/My Remote/codes.ccf"), "codes");
    EXPECT_EQ(DeviceNameFor("codes.CCF"), "codes");
    EXPECT_EQ(DeviceNameFor("/a/b.c/name"), "name");
    EXPECT_EQ(DeviceNameFor("two.dots.ccf"), "two.dots");
}

TEST(Conversion, EpochTextGivesAUtcTimestamp) {
    struct Case {
        const char* text;
        CcfTimestamp time;
    };
    const Case good[] = {{"0", {1970, 1, 1, 0, 0, 0}},
                         {"1715949296", kGoldenTime},
                         {"951825600", {2000, 2, 29, 12, 0, 0}},
                         {"253402300799", {9999, 12, 31, 23, 59, 59}}};
    for (const Case& c : good) {
        const std::optional<CcfTimestamp> t = TimestampFromEpochText(c.text);
        ASSERT_TRUE(t.has_value()) << c.text;
        EXPECT_EQ((std::vector<int>{t->year, t->month, t->day, t->hour, t->minute, t->second}),
                  (std::vector<int>{c.time.year, c.time.month, c.time.day, c.time.hour,
                                    c.time.minute, c.time.second}))
            << c.text;
    }
    for (const char* bad : {"", "-5", "12a", " 1", "253402300800", "9999999999999"}) {
        EXPECT_FALSE(TimestampFromEpochText(bad).has_value()) << bad;
    }
}

}  // namespace
}  // namespace kestrel::hex2ccf
