// The Pronto hex file reader: code lines, entry headers, whole files.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hex_reader.h"

namespace kestrel::hex2ccf {
namespace {

TEST(ParseProntoCode, AcceptsWholeCodesAsTheyStand) {
    struct Case {
        const char* line;
        std::vector<uint16_t> words;
    };
    const Case cases[] = {
        {"0000 006C 0001 0000 0010 0020", {0x0000, 0x006C, 0x0001, 0x0000, 0x0010, 0x0020}},
        {"0000 006c 0000 0001 ffff 0001", {0x0000, 0x006C, 0x0000, 0x0001, 0xFFFF, 0x0001}},
        {"  0000\t006C  0001 0000 0010 0020  ", {0x0000, 0x006C, 0x0001, 0x0000, 0x0010, 0x0020}},
        {"0000 006C 0000 0000", {0x0000, 0x006C, 0x0000, 0x0000}},
    };
    for (const Case& c : cases) {
        const ProntoParseResult r = ParseProntoCode(c.line);
        EXPECT_TRUE(r.ok()) << c.line << ": " << r.error;
        EXPECT_EQ(r.words, c.words) << c.line;
    }
}

TEST(ParseProntoCode, RefusesWithAReason) {
    struct Case {
        const char* line;
        const char* reason;
    };
    const Case cases[] = {
        {"", "empty"},
        {"0000 006C 0000", "four header words"},
        {"0000 006C 0001 0000 0010", "odd number of words (5)"},
        {"0000 006C 0001 0000 10000 0020", "more than four digits"},
        {"0000 006C 0001 0000 0001F 0020", "more than four digits"},
        {"0000 006C 0001 0000 00G0 0020", "not a hexadecimal word"},
        {"0000 6C 0001 0000 0010 0020", "not a four-digit"},
        {"0000 006C 0002 0000 0010 0020", "announces 2 once and 0 repeat"},
        {"IR Data For Command Power = On", "not a hexadecimal word"},
    };
    for (const Case& c : cases) {
        const ProntoParseResult r = ParseProntoCode(c.line);
        EXPECT_FALSE(r.ok()) << c.line;
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.line << ": " << r.error;
        EXPECT_TRUE(r.words.empty());
    }
}

TEST(ParseEntryHeader, SplitsCaptionAndLabel) {
    struct Case {
        const char* line;
        const char* caption;
        const char* label;
    };
    const Case cases[] = {
        {"IR Data For Command Power = On  Device Code: 26 Function: 261", "Power = On", "261"},
        {"IR Data For Command Input = Previous  Device Code: 12 Function: 12-1", "Input = Previous",
         "12-1"},
        // A caption holding the mark itself: the last mark ends the caption.
        {"IR Data For Command A  Device Code: B  Device Code: 3 Function: 37", "A  Device Code: B",
         "37"},
        {"ir data for command Mute = Off  device code: 5 function: 50", "Mute = Off", "50"},
        {"IR Data For Command   Device Code: 26 Function: 261", "", "261"},
        {"IR Data For Command Caf\xe9  Device Code: 7 Function: 75", "Caf\xe9", "75"},
    };
    for (const Case& c : cases) {
        const HeaderParseResult r = ParseEntryHeader(c.line);
        EXPECT_TRUE(r.ok()) << c.line << ": " << r.error;
        EXPECT_EQ(r.caption, c.caption);
        EXPECT_EQ(r.label, c.label);
    }
    // The text listing's first line is not a Pronto hex file's.
    EXPECT_NE(ParseEntryHeader("IR Data For Command Power = On  (0x1A/26  '1'/49)")
                  .error.find("Device Code"),
              std::string::npos);
    EXPECT_NE(ParseEntryHeader("IR Data For Command X  Device Code: 26").error.find("Function"),
              std::string::npos);
    EXPECT_NE(ParseEntryHeader("0000 006C").error.find("IR Data For Command"), std::string::npos);
}

const std::string kHeader1 = "IR Data For Command Power = On  Device Code: 26 Function: 261";
const std::string kCode1 = "0000 006C 0001 0000 0010 0020";
const std::string kHeader2 = "IR Data For Command Power = Off  Device Code: 26 Function: 260";
const std::string kCode2 = "0000 006C 0000 0001 0030 0040";

TEST(ReadHexText, ReadsEveryLineEndAndSkipsBlankLinesBetweenEntries) {
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        for (const std::string& gap : {std::string(), end, end + " \t" + end}) {
            const std::string text = kHeader1 + end + kCode1 + end + gap + kHeader2 + end + kCode2;
            const HexReadResult r = ReadHexText(text + gap);
            ASSERT_TRUE(r.ok()) << r.error;
            ASSERT_EQ(r.entries.size(), 2u);
            EXPECT_EQ(r.entries[0].caption, "Power = On");
            EXPECT_EQ(r.entries[0].label, "261");
            EXPECT_EQ(r.entries[0].words.size(), 6u);
            EXPECT_EQ(r.entries[1].caption, "Power = Off");
            EXPECT_EQ(r.entries[1].words[4], 0x0030);
            EXPECT_EQ(r.entries[0].line, 1u);
        }
    }
    EXPECT_TRUE(ReadHexText("").ok());
    EXPECT_TRUE(ReadHexText("\r\n\r\n").entries.empty());
}

TEST(ReadHexText, NamesTheLineOfTheFault) {
    struct Case {
        std::string text;
        const char* message;
    };
    const std::string crlf = "\r\n";
    const Case cases[] = {
        {kCode1 + crlf, "line 1: expected a line starting with"},
        {kHeader1 + crlf, "line 1: the entry \"Power = On\" has no code line"},
        {kHeader1 + crlf + crlf + kCode1 + crlf, "line 2: the entry \"Power = On\" has an empty"},
        {kHeader1 + crlf + kCode1 + crlf + kHeader2 + crlf + "0000 006C 0001 0000 0010" + crlf,
         "line 4: odd number of words"},
        {kHeader1 + crlf + kCode1 + crlf + kCode2 + crlf, "line 3: expected a line starting"},
    };
    for (const Case& c : cases) {
        const HexReadResult r = ReadHexText(c.text);
        EXPECT_FALSE(r.ok());
        EXPECT_TRUE(r.entries.empty());
        EXPECT_EQ(r.error.rfind(c.message, 0), 0u) << r.error;
    }
}

}  // namespace
}  // namespace kestrel::hex2ccf
