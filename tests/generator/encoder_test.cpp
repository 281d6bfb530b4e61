// The field encoder through whole requests: the durations of each code, the
// messages shown, and the Pronto words, which must give the durations back.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <sstream>

#include "generator/generator.h"
#include "support/recording_display.h"

namespace kestrel::test {
namespace {

using Durations = std::vector<int32_t>;

// What the built-in bit symbols send: 575 mark, then 1700 space for a 1 or
// 550 for a 0, least significant bit first.
Durations Bits(uint32_t value, int width) {
    Durations out;
    for (int i = 0; i < width; ++i) {
        out.push_back(575);
        out.push_back(((value >> i) & 1) ? -1700 : -550);
    }
    return out;
}

Durations Cat(std::initializer_list<Durations> parts) {
    Durations out;
    for (const Durations& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// The header of a code, then one word per duration: its magnitude in cycles
// of 26 us, to the nearest cycle.
void ExpectWordsGiveBack(const std::string& code, const Durations& durations) {
    std::istringstream in(code);
    std::vector<long> words;
    for (std::string word; in >> word;)
        words.push_back(std::stol(word, nullptr, 16));
    ASSERT_EQ(words.size(), 4 + durations.size()) << code;
    EXPECT_EQ(words[0], 0);
    EXPECT_EQ(words[1], 0x6C);
    EXPECT_EQ(words[2], std::lrint(durations.size() / 2.0));  // halves to even
    EXPECT_EQ(words[3], 0);
    for (size_t i = 0; i < durations.size(); ++i)
        EXPECT_LE(std::labs(words[4 + i] * 26 - std::labs(durations[i])), 13) << code;
}

struct Row {
    std::string form, code = "32", value = "5", kind = "D";
    Durations durations{};
    std::vector<std::string> messages{};
};

TEST(Encoder, FormsBecomeDurations) {
    RecordingDisplay display;
    Generator generator(display);
    generator.SetupProtocol();
    for (const char* text : {"N=1200", "R=[1 2]", "X=D+1", "P=^5000"}) {
        std::string directive = text;
        generator.AddDefine(directive, false);
    }
    const ProtocolRecord& protocol = generator.Protocol();
    // 38 + 16 x 60 = 998 durations fit; 61 characters would need 1014.
    Durations sixty = Cat({{2600, -2600}, Bits(1, 8)});
    for (int i = 0; i < 60; ++i)
        sixty = Cat({sixty, Bits('x', 8)});
    sixty = Cat({sixty, Bits((1 + 60 * 'x') & 255, 8), {1760, -1760, 560, -25}});
    auto refused = [](const std::string& why) {
        return std::vector<std::string>{why + "; no code was generated"};
    };
    const Row rows[] = {
        {.form = "90:8", .durations = Bits(0x5A, 8)},
        {.form = "-0:3", .durations = Bits(7, 3)},  // an inverted 0 sends ones
        {.form = "~F:4", .durations = Bits(10, 4)},
        {.form = "1.5:2", .durations = Bits(2, 2)},    // a literal is rounded ...
        {.form = "12ab:4", .durations = Bits(12, 4)},  // ... from its leading number
        {.form = "-1:31", .durations = Bits(0x7FFFFFFE, 31)},
        {.form = "--1:31", .durations = Bits(0, 31)},
        {.form = "5, F:0, F:-3, F:x"},  // no bits
        {.form = ""},
        // 300 sends 44 but adds 300 to the checksum: (32 + 300) & 255 = 76.
        {.form = "D:8,F:8,E:8",
         .value = "300",
         .durations = Cat({Bits(32, 8), Bits(44, 8), Bits(76, 8)})},
        // A field without width counts, a literal does not, an inverted field adds its value.
        {.form = "F,7:8,E:8", .value = "9", .durations = Cat({Bits(7, 8), Bits(9, 8)})},
        {.form = "-F:8,E:8", .value = "3", .durations = Cat({Bits(0xFC, 8), Bits(3, 8)})},
        {.form = "F:8,E:8", .value = "3", .durations = Cat({Bits(3, 8), Bits(3, 8)})},
        {.form = protocol.FormValueText,
         .value = "A\xe9",
         .kind = "V",
         .durations = Cat({{2600, -2600},
                           Bits(32, 8),
                           Bits('A', 8),
                           Bits(0xE9, 8),
                           Bits((32 + 'A' + 0xE9) & 255, 8),
                           {1760, -1760, 560, -25}})},
        {.form = protocol.FormRemote,
         .code = "8324",
         .value = "16",
         .durations = Cat({{8900, -4425},
                           Bits(0x2084, 16),
                           Bits(0x10, 8),
                           Bits(0xEF, 8),
                           {575, -44925, 8900, -2200, 575, -4425}})},
        {.form = protocol.FormValueText,
         .code = "1",
         .value = std::string(60, 'x'),
         .kind = "V",
         .durations = sixty},
        // Pads: after a mark a new space, a space lengthened, to the frame's length.
        {.form = "[1000 ^5000]", .durations = {1000, -4000}},
        {.form = "[1000 -500 ^5000]", .durations = {1000, -4000}},
        {.form = "[1000 ^5000 300 ^1000]", .durations = {1000, -4000, 300, -700}},
        {.form = "[1000 #-700 200]", .durations = {1000, 700, 200}},
        {.form = "[1000 ^x]", .durations = {1000, -1000}},
        {.form = "[100 ^2147483748]", .durations = {100, INT_MIN}},
        {.form = "[100],1:1,[^3000]", .durations = {100, 575, -2325}},
        {.form = "[1000 P]", .durations = {1000, -4000}},
        {.form = "[1000 -500 P]", .durations = {1000, -4000}},
        {.form = "[1000],P", .durations = {1000, -4000}},
        // Labels in raw spans.
        {.form = "R", .durations = {1, 2}},
        {.form = "undefined:8, [0 -0.4 2.5]", .durations = {0, 0, 2}},
        {.form = "[N -N]",
         .durations = {1200},
         .messages = {"Name -N Is not defined in the Defines Tables"}},
        {.form = "[F D R X 7]",
         .code = "3",
         .value = "9",
         .durations = {9, 0, 0, 0, 7},
         .messages = {"Name D type=9 has no defined meaning",
                      "Raw data may not be embedded in raw data",
                      "Name X type=2 has no defined meaning"}},
        // Requests beyond the limits of a code.
        {.form = protocol.FormValueText,
         .value = std::string(61, 'x'),
         .kind = "V",
         .messages = refused("The code would hold more than 1000 durations")},
        {.form = "[^500 100]", .messages = refused("The pad ^500 comes before the first duration")},
        {.form = "[#5 100]", .messages = refused("The pad #5 comes before the first duration")},
        {.form = "[P 100]", .messages = refused("The pad P comes before the first duration")},
        {.form = "F:32",
         .messages = refused("The field F has the width 32; a field has 1 to 31 bits")},
        {.form = "F:99999",
         .messages = refused("The field F has the width 99999; a field has 1 to 31 bits")},
        {.form = "3000000000:8",
         .messages = refused("The field value 3000000000 does not fit 32 bits")},
        {.form = "[2147483647 2]", .messages = refused("The frame time does not fit 32 bits")},
        {.form = "[2 ^-2147483647]",
         .messages = refused("The pad ^-2147483647 does not fit 32 bits")},
        {.form = "[9e99]", .messages = refused("The duration 9e99 does not fit 32 bits")},
        {.form = "[7]", .durations = {7}},  // nothing of a refused code is left
    };
    for (const Row& row : rows) {
        display.Clear();
        const std::string code = generator.GenerateCode(row.form, row.code, row.value, row.kind);
        const auto durations = generator.Durations();
        EXPECT_EQ(Durations(durations.begin(), durations.end()), row.durations) << row.form;
        EXPECT_EQ(display.messages, row.messages) << row.form;
        if (row.messages.empty() || row.messages[0].find("no code") == std::string::npos) {
            ExpectWordsGiveBack(code, row.durations);
        } else {
            EXPECT_EQ(code, "");
        }
    }
}

}  // namespace
}  // namespace kestrel::test
