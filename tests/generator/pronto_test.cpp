// Pronto assembly: carrier words, cycle counts, header words and request values.

#include <string>

#include "generator_fixture.h"

namespace kestrel::test {
namespace {

const char* const kWorkedExample =
    "0000 006C 001B 0000 0064 0064 0016 0015 0016 0015 0016 0015 0016 0015 0016 0015 0016 0041 "
    "0016 0015 0016 0015 0016 0041 0016 0015 0016 0015 0016 0015 0016 0015 0016 0015 0016 0015 "
    "0016 0015 0016 0041 0016 0015 0016 0015 0016 0015 0016 0015 0016 0041 0016 0015 0016 0015 "
    "0044 0044 0016 0001";

TEST_F(GeneratorTest, WorkedExampleGivesItsLine) {
    EXPECT_EQ(generator.GenerateCode(generator.Protocol().FormDiscrete, "32", "01", "H"),
              kWorkedExample);
    EXPECT_EQ(generator.Code().TotalCount, 54);
    EXPECT_EQ(generator.Code().OncePairs, 27);
    EXPECT_EQ(generator.Code().PeriodMicros, 26);
    // Lower-case kinds work alike.
    EXPECT_EQ(generator.GenerateCode(generator.Protocol().FormDiscrete, "32", "01", "h"),
              kWorkedExample);
    EXPECT_TRUE(display.messages.empty());
}

TEST(ProntoCarrier, WordsAndPeriods) {
    struct Case {
        int32_t hz;
        int16_t word;
        float carrier;
    };
    const Case cases[] = {
        {38380, 108, 38461}, {36000, 115, 35714}, {40000, 103, 40000}, {56000, 74, 55555}};
    for (const Case& c : cases) {
        EXPECT_EQ(Generator::ProntoFreqWord(c.hz), c.word) << c.hz;
        EXPECT_EQ(Generator::ProntoCarrierHz(c.hz), c.carrier) << c.hz;
    }
    EXPECT_EQ(1000000 / static_cast<int>(Generator::ProntoCarrierHz(36000)), 28);
    EXPECT_EQ(1000000 / static_cast<int>(Generator::ProntoCarrierHz(56000)), 18);
    EXPECT_EQ(Generator::ProntoFreqWord(0), 0);
}

TEST_F(GeneratorTest, CycleCountsRoundHalvesAwayFromZero) {
    // 13 us at 26 us a cycle is one cycle; 12 is none; a 0 duration is 0000.
    EXPECT_EQ(generator.GenerateCode("[13 -12 0 39]", "1", "1", "D"),
              "0000 006C 0002 0000 0001 0000 0000 0002");
    // 65536 cycles need five digits.
    EXPECT_EQ(generator.GenerateCode("[1703936]", "1", "1", "D"), "0000 006C 0000 0000 10000");
    EXPECT_EQ(generator.GenerateCode("", "1", "1", "D"), "0000 006C 0000 0000");
}

TEST_F(GeneratorTest, PairCountIsHalfTheDurationsRoundedToEven) {
    auto pairs = [&](int count) {
        std::string form = "[";
        for (int i = 0; i < count; ++i)
            form += "26 ";
        form += "]";
        generator.GenerateCode(form, "1", "1", "D");
        return generator.Code().OncePairs;
    };
    EXPECT_EQ(pairs(53), 26);
    EXPECT_EQ(pairs(55), 28);
    EXPECT_EQ(pairs(54), 27);
}

TEST_F(GeneratorTest, RequestValuesCarryOverAsDescribed) {
    const std::string form = "F:8";
    generator.GenerateCode(form, "1", "7F", "H");
    EXPECT_EQ(generator.RequestFunction(), 127);
    generator.GenerateCode(form, "1", "text", "V");
    EXPECT_EQ(generator.RequestFunction(), 127);
    EXPECT_EQ(generator.RequestValueText(), "text");
    generator.GenerateCode(form, "1", "A", "a");
    EXPECT_EQ(generator.RequestFunction(), 65);
    EXPECT_EQ(generator.RequestValueText(), "text");
    generator.GenerateCode(form, "1", "64.5", "D");
    EXPECT_EQ(generator.RequestFunction(), 64);
    generator.GenerateCode(form, "1", "&H10", "D");
    EXPECT_EQ(generator.RequestFunction(), 16);
    generator.GenerateCode(form, "1", "\xe9", "A");
    EXPECT_EQ(generator.RequestFunction(), 233);
    generator.GenerateCode(form, "1", "other", "X");  // any other kind is a text
    EXPECT_EQ(generator.RequestValueText(), "other");
    EXPECT_EQ(generator.RequestExtension(), 0);
}

TEST_F(GeneratorTest, InvalidCodeAndValueTextsAreRefusedWithoutSideEffects) {
    generator.GenerateCode("F:8", "1", "7F", "H");
    const std::string form = generator.Protocol().FormDiscrete;
    struct Case {
        std::string code, value, kind, message;
    };
    const Case cases[] = {
        {"abc", "1", "D", "The function code 'abc' is not a decimal number that fits 32 bits"},
        {"", "1", "D", "The function code '' is not a decimal number that fits 32 bits"},
        {"2147483648", "1", "D",
         "The function code '2147483648' is not a decimal number that fits 32 bits"},
        {"1", "80000000", "H",
         "The value '80000000' is not a hexadecimal number that fits 32 bits"},
        {"1", "7G", "H", "The value '7G' is not a hexadecimal number that fits 32 bits"},
        {"1", " 7F", "H", "The value ' 7F' is not a hexadecimal number that fits 32 bits"},
        {"1", "1e20", "D", "The value '1e20' is outside the 32-bit range"},
        {"1", "", "A", "An ASCII value needs a character"},
    };
    for (const Case& c : cases) {
        display.Clear();
        EXPECT_EQ(generator.GenerateCode(form, c.code, c.value, c.kind), "") << c.code << c.value;
        ASSERT_EQ(display.messages.size(), 1u);
        EXPECT_EQ(display.messages[0], c.message + "; no code was generated");
        EXPECT_EQ(generator.RequestFunction(), 127);
        EXPECT_EQ(generator.RequestDevice(), 1);
    }
    // Within the limits.
    EXPECT_NE(generator.GenerateCode(form, "-2147483648", "7FFFFFFF", "H"), "");
    EXPECT_NE(generator.GenerateCode(form, " 08324 ", "", "H"), "");
    EXPECT_EQ(generator.RequestFunction(), 0);
    EXPECT_NE(generator.GenerateCode(form, "1", "-2147483648", "D"), "");
}

}  // namespace
}  // namespace kestrel::test
