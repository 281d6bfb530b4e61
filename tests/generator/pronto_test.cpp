// Pronto assembly and requests: the worked example, carrier words, cycle
// counts, and the request values that carry over from one request to the next.

#include <gtest/gtest.h>

#include "generator/generator.h"
#include "generator/pronto_format.h"
#include "support/recording_display.h"

namespace kestrel::test {
namespace {

class ProntoTest : public ::testing::Test {
  protected:
    ProntoTest() : generator(display) { generator.SetupProtocol(); }
    RecordingDisplay display;
    Generator generator;
};

TEST_F(ProntoTest, WorkedExampleGivesItsLine) {
    // Device 0x20, function 0x01, checksum 0x21; 2600 us is 100 cycles of
    // 26 us, 575 is 22, 1700 is 65, 550 is 21, 1760 is 68, 560 is 22, 25 is 1.
    const std::string line =
        "0000 006C 001B 0000 0064 0064 0016 0015 0016 0015 0016 0015 0016 0015 0016 0015 0016 0041 "
        "0016 0015 0016 0015 0016 0041 0016 0015 0016 0015 0016 0015 0016 0015 0016 0015 0016 0015 "
        "0016 0015 0016 0041 0016 0015 0016 0015 0016 0015 0016 0015 0016 0041 0016 0015 0016 0015 "
        "0044 0044 0016 0001";
    EXPECT_EQ(generator.GenerateCode(generator.Protocol().FormDiscrete, "32", "01", "H"), line);
    EXPECT_EQ(generator.GenerateCode(generator.Protocol().FormDiscrete, "32", "01", "h"), line);
    EXPECT_TRUE(display.messages.empty());
}

TEST_F(ProntoTest, CarrierWordsPeriodsAndCycles) {
    const std::tuple<int32_t, int16_t, float, int32_t> carriers[] = {{38380, 108, 38461, 26},
                                                                     {36000, 115, 35714, 28},
                                                                     {40000, 103, 40000, 25},
                                                                     {56000, 74, 55555, 18},
                                                                     {0, 0, 0, 0}};
    for (const auto& [hz, word, carrier, period] : carriers) {
        EXPECT_EQ(ProntoFreqWord(hz), word) << hz;
        EXPECT_EQ(ProntoCarrierHz(hz), carrier) << hz;
        EXPECT_EQ(ProntoAssembler(hz).PeriodMicros(), period) << hz;
    }
    const std::pair<const char*, const char*> codes[] = {
        // 13 us at 26 us a cycle is one cycle, 12 none; 65536 cycles take five digits.
        {"[13 -12 0 39]", "0000 006C 0002 0000 0001 0000 0000 0002"},
        {"[1703936 -1703935]", "0000 006C 0001 0000 10000 10000"},
        {"", "0000 006C 0000 0000"},
    };
    for (const auto& [form, code] : codes)
        EXPECT_EQ(generator.GenerateCode(form, "1", "1", "D"), code);
    EXPECT_EQ(ProntoPairCount(53), 26);  // halves to even
    EXPECT_EQ(ProntoPairCount(54), 27);
    EXPECT_EQ(ProntoPairCount(55), 28);
}

TEST_F(ProntoTest, RequestValuesCarryOver) {
    // kind, value, then the function and value text the request leaves.
    const std::tuple<const char*, const char*, int32_t, const char*> rows[] = {
        {"H", "7F", 127, ""},
        {"V", "text", 127, "text"},
        {"a", "A", 65, "text"},
        {"D", "64.5", 64, "text"},
        {"D", "&H10", 16, "text"},
        {"A", "\xe9", 233, "text"},
        {"X", "other", 233, "other"},
        {"H", "", 0, "other"},
        {"D", "-2147483648", INT32_MIN, "other"},
    };
    for (const auto& [kind, value, function, text] : rows) {
        EXPECT_NE(generator.GenerateCode("[1]", "1", value, kind), "") << value;
        EXPECT_EQ(generator.EvaluateDefine("F"), function) << value;
        EXPECT_EQ(generator.Defines()[generator.Defines().FindLabel("V")].Text, text) << value;
    }
    // Refused requests change nothing that carries over.
    const std::tuple<const char*, const char*, const char*, const char*> refused[] = {
        {"abc", "1", "D", "The function code 'abc' is not a decimal number that fits 32 bits"},
        {"", "1", "D", "The function code '' is not a decimal number that fits 32 bits"},
        {"2147483648", "1", "D",
         "The function code '2147483648' is not a decimal number that fits 32 bits"},
        {"2", "80000000", "H",
         "The value '80000000' is not a hexadecimal number that fits 32 bits"},
        {"2", "7G", "H", "The value '7G' is not a hexadecimal number that fits 32 bits"},
        {"2", " 7F", "H", "The value ' 7F' is not a hexadecimal number that fits 32 bits"},
        {"2", "1e20", "D", "The value '1e20' is outside the 32-bit range"},
        {"2", "", "A", "An ASCII value needs a character"},
    };
    EXPECT_NE(generator.GenerateCode("[1]", "-2147483648", "7FFFFFFF", "H"), "");
    for (const auto& [code, value, kind, message] : refused) {
        display.Clear();
        EXPECT_EQ(generator.GenerateCode("[1]", code, value, kind), "");
        EXPECT_EQ(display.messages,
                  std::vector<std::string>{std::string(message) + "; no code was generated"});
        EXPECT_EQ(generator.EvaluateDefine("F"), INT32_MAX);
        EXPECT_EQ(generator.EvaluateDefine("D"), INT32_MIN);
    }
    EXPECT_NE(generator.GenerateCode("[1]", " 08324 ", "1", "V"), "");
    EXPECT_EQ(generator.EvaluateDefine("D"), 8324);
}

}  // namespace
}  // namespace kestrel::test
