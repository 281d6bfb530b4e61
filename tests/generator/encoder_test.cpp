// The field encoder: forms, fields, checksum, raw spans and the limits of a code.

#include <string>

#include "generator_fixture.h"

namespace kestrel::test {
namespace {

TEST_F(GeneratorTest, FieldsSendTheirLowBitsLeastSignificantFirst) {
    EXPECT_EQ(Encode("90:8"), Bits(0x5A, 8));
    EXPECT_EQ(Encode("-0:3"), Bits(7, 3));  // inverted zero: all ones
    EXPECT_EQ(Encode("~F:4", "1", "5"), Bits(10, 4));
    EXPECT_EQ(Encode("1.5:2"), Bits(2, 2));            // a literal's value is rounded
    EXPECT_EQ(Encode("12ab:4"), Bits(12, 4));          // ... and is its leading number
    EXPECT_EQ(Encode("-1:31"), Bits(0x7FFFFFFE, 31));  // the inverted literal 1
    EXPECT_EQ(Encode("--1:31"), Bits(0, 31));          // the inverted literal -1
    EXPECT_EQ(Encode("5"), std::vector<int32_t>{});    // no colon: width 0
    EXPECT_EQ(Encode(""), std::vector<int32_t>{});
    EXPECT_EQ(Encode("F:0, F:-3, F:x"), std::vector<int32_t>{});
}

TEST_F(GeneratorTest, ChecksumAddsWholeValuesAndSendsTheLowByte) {
    // 300 in an 8-bit field sends 44 but adds 300: (32 + 300) & 255 = 76.
    EXPECT_EQ(Encode("D:8,F:8,E:8", "32", "300"), Concat({Bits(32, 8), Bits(44, 8), Bits(76, 8)}));
    // A field without width still counts; a literal does not.
    EXPECT_EQ(Encode("F,7:8,E:8", "0", "9"), Concat({Bits(7, 8), Bits(9, 8)}));
    // An inverted field adds its plain value.
    EXPECT_EQ(Encode("-F:8,E:8", "0", "3"), Concat({Bits(0xFC, 8), Bits(3, 8)}));
    // The checksum starts again at 0 for every code.
    EXPECT_EQ(Encode("F:8,E:8", "0", "3"), Concat({Bits(3, 8), Bits(3, 8)}));
}

TEST_F(GeneratorTest, ValueTextSendsEveryCharacter) {
    const auto durations = Encode(generator.Protocol().FormValueText, "32", "A\xe9", "V");
    const auto expected = Concat({{2600, -2600},
                                  Bits(32, 8),
                                  Bits('A', 8),
                                  Bits(0xE9, 8),
                                  Bits((32 + 'A' + 0xE9) & 255, 8),
                                  {1760, -1760, 560, -25}});
    EXPECT_EQ(durations, expected);
}

TEST_F(GeneratorTest, RemoteFormSendsTheComplement) {
    const auto durations = Encode(generator.Protocol().FormRemote, "8324", "16", "D");
    ASSERT_EQ(durations.size(), 72u);
    const auto expected = Concat({{8900, -4425},
                                  Bits(0x2084, 16),
                                  Bits(0x10, 8),
                                  Bits(0xEF, 8),
                                  {575, -44925, 8900, -2200, 575, -4425}});
    EXPECT_EQ(durations, expected);
}

TEST_F(GeneratorTest, PadsFillTheFrame) {
    // After a mark, a space that brings the frame to 5000.
    EXPECT_EQ(Encode("[1000 ^5000]"), (std::vector<int32_t>{1000, -4000}));
    // After a space, that space is lengthened.
    EXPECT_EQ(Encode("[1000 -500 ^5000]"), (std::vector<int32_t>{1000, -4000}));
    // The frame starts again after a pad.
    EXPECT_EQ(Encode("[1000 ^5000 300 ^1000]"), (std::vector<int32_t>{1000, -4000, 300, -700}));
    // "#" starts a new element after a mark, with a positive length.
    EXPECT_EQ(Encode("[1000 #-700 200]"), (std::vector<int32_t>{1000, 700, 200}));
    // A pad without a number pads to 0.
    EXPECT_EQ(Encode("[1000 ^x]"), (std::vector<int32_t>{1000, -1000}));
    // The longest space a pad can write.
    EXPECT_EQ(Encode("[100 ^2147483748]"), (std::vector<int32_t>{100, INT32_MIN}));
    // Field bits count in the frame.
    EXPECT_EQ(Encode("[100],1:1,[^3000]"), (std::vector<int32_t>{100, 575, -2325}));
}

TEST_F(GeneratorTest, FrameTimeDefinesPad) {
    Define("P=^5000");
    EXPECT_EQ(Encode("[1000 P]"), (std::vector<int32_t>{1000, -4000}));
    EXPECT_EQ(Encode("[1000 -500 P]"), (std::vector<int32_t>{1000, -4000}));
    EXPECT_EQ(Encode("[1000],P"), (std::vector<int32_t>{1000, -4000}));
}

TEST_F(GeneratorTest, RawSpanLabelsAndTheirMessages) {
    Define("N=1200");
    Define("R=[1 2]");
    Define("X=D+1");
    EXPECT_EQ(Encode("[N -N]"), (std::vector<int32_t>{1200}));  // "-N" is no label
    ASSERT_EQ(display.messages.size(), 1u);
    EXPECT_EQ(display.messages[0], "Name -N Is not defined in the Defines Tables");
    display.Clear();
    EXPECT_EQ(Encode("[F D R X 7]", "3", "9"), (std::vector<int32_t>{9, 0, 0, 0, 7}));
    EXPECT_EQ(display.messages,
              (std::vector<std::string>{"Name D type=9 has no defined meaning",
                                        "Raw data may not be embedded in raw data",
                                        "Name X type=2 has no defined meaning"}));
    display.Clear();
    EXPECT_EQ(Encode("R"), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(Encode("undefined:8, [0 -0.4 2.5]"), (std::vector<int32_t>{0, 0, 2}));
    EXPECT_TRUE(display.messages.empty());
}

TEST_F(GeneratorTest, RequestsBeyondTheLimitsAreRefused) {
    const std::string valueForm = generator.Protocol().FormValueText;
    // 38 + 16 x 60 = 998 durations fit; 61 characters would need 1014.
    EXPECT_FALSE(generator.GenerateCode(valueForm, "1", std::string(60, 'x'), "V").empty());
    EXPECT_EQ(generator.Span().Count, 998);
    const std::pair<std::string, std::string> cases[] = {
        {valueForm, "The code would hold more than 1000 durations"},
        {"[^500 100]", "The pad ^500 comes before the first duration"},
        {"[#5 100]", "The pad #5 comes before the first duration"},
        {"F:32", "The field F has the width 32; a field has 1 to 31 bits"},
        {"F:99999", "The field F has the width 99999; a field has 1 to 31 bits"},
        {"3000000000:8", "The field value 3000000000 does not fit 32 bits"},
        {"[2147483647 2]", "The frame time does not fit 32 bits"},
        {"[2 ^-2147483647]", "The pad ^-2147483647 does not fit 32 bits"},
        {"[9e99]", "The duration 9e99 does not fit 32 bits"},
    };
    for (const auto& [form, message] : cases) {
        display.Clear();
        EXPECT_EQ(generator.GenerateCode(form, "1", std::string(61, 'x'), "V"), "") << form;
        ASSERT_EQ(display.messages.size(), 1u) << form;
        EXPECT_EQ(display.messages[0], message + "; no code was generated") << form;
        EXPECT_EQ(generator.Span().Count, 0);
        EXPECT_EQ(generator.Code().TotalCount, 0);
    }
}

TEST_F(GeneratorTest, RefusedEncodingLeavesTheBufferClean) {
    std::string longSpan = "[";
    for (int i = 0; i < 1001; ++i)
        longSpan += "100 ";
    longSpan += "]";
    EXPECT_EQ(generator.GenerateCode(longSpan, "1", "1", "D"), "");
    for (int32_t d : generator.Span().Durations)
        ASSERT_EQ(d, 0);
    // The next request starts from a clean code.
    EXPECT_EQ(Encode("[7]"), (std::vector<int32_t>{7}));
}

}  // namespace
}  // namespace kestrel::test
