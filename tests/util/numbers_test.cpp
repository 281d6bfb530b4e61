#include "util/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace kestrel {
namespace {

TEST(LeadingNumber, ReadsTheNumberAtTheFront) {
    const std::pair<std::string, double> cases[] = {
        {"2.10", 2.1}, {"1.5b", 1.5}, {"abc", 0},      {"", 0},           {"-5", -5},
        {"+7", 7},     {"1 2", 12},   {" \t\n42", 42}, {"&H10", 16},      {"&hff", 255},
        {"&O17", 15},  {"&H", 0},     {"1e3", 1000},   {"1D2", 100},      {"2E-1", 0.2},
        {"1e", 1},     {"1e+", 1},    {".5", 0.5},     {"-.5", -0.5},     {"1.2.3", 1.2},
        {"--5", 0},    {"5-", 5},     {"(40000)", 0},  {"40000)", 40000},
    };
    for (const auto& [text, value] : cases)
        EXPECT_DOUBLE_EQ(LeadingNumber(text), value) << text;
    EXPECT_TRUE(std::isinf(LeadingNumber("1e999")));
    EXPECT_EQ(LeadingNumber("1e-999"), 0);
}

TEST(IsNumericText, OneNumberAndOnlyBlanksAroundIt) {
    double value = 0;
    EXPECT_TRUE(IsNumericText(" -5 ", &value));
    EXPECT_EQ(value, -5);
    EXPECT_TRUE(IsNumericText("&H10", &value));
    EXPECT_EQ(value, 16);
    EXPECT_TRUE(IsNumericText("1e5"));
    EXPECT_TRUE(IsNumericText("5."));
    for (const char* text : {"3 4", "", " ", ".", "-", "5\t", "12ab", "-5*1", "1e", "x"}) {
        EXPECT_FALSE(IsNumericText(text)) << text;
    }
}

TEST(IsNumberToken, SignThenDigit) {
    for (const char* text : {"12", "-2600", "+5", "1.5", "12ab"})
        EXPECT_TRUE(IsNumberToken(text));
    for (const char* text : {".5", "&H10", "-", "", "a1", "--1"})
        EXPECT_FALSE(IsNumberToken(text));
}

TEST(Rounding, HalvesToEvenWithinRange) {
    int32_t v32 = 0;
    int16_t v16 = 0;
    const std::pair<double, int32_t> cases[] = {{2.5, 2}, {3.5, 4},     {-2.5, -2}, {0.5, 0},
                                                {1.5, 2}, {127.5, 128}, {-0.4, 0}};
    for (const auto& [in, out] : cases) {
        ASSERT_TRUE(RoundToInt32(in, v32)) << in;
        EXPECT_EQ(v32, out) << in;
    }
    EXPECT_TRUE(RoundToInt16(32767.4, v16));
    EXPECT_FALSE(RoundToInt16(32767.5, v16));  // rounds to 32768
    EXPECT_TRUE(RoundToInt16(-32768.5, v16));  // rounds to -32768
    EXPECT_EQ(v16, -32768);
    EXPECT_FALSE(RoundToInt32(1e20, v32));
    EXPECT_FALSE(RoundToInt32(NAN, v32));
    EXPECT_FALSE(RoundToInt32(INFINITY, v32));
    EXPECT_TRUE(RoundToInt32(2147483647.4, v32));
    EXPECT_FALSE(RoundToInt32(2147483647.5, v32));
}

TEST(ParseDecimalInt32, AcceptsOnlyWholeDecimalNumbers) {
    EXPECT_EQ(ParseDecimalInt32("8324"), 8324);
    EXPECT_EQ(ParseDecimalInt32(" 08324 "), 8324);
    EXPECT_EQ(ParseDecimalInt32("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseDecimalInt32("2147483647"), INT32_MAX);
    for (const char* text : {"", "-", "2147483648", "-2147483649", "12a", "1 2", "1.0", "&H10",
                             "99999999999999999999"}) {
        EXPECT_FALSE(ParseDecimalInt32(text).has_value()) << text;
    }
}

TEST(DecimalText, ShortestAndPlain) {
    EXPECT_EQ(ShortestDecimal(0.5), "0.5");
    EXPECT_EQ(ShortestDecimal(5), "5");
    EXPECT_EQ(ShortestDecimal(-0.0), "0");
    EXPECT_EQ(LeadingNumber(ShortestDecimal(0.1 + 0.2)), 0.1 + 0.2);
    EXPECT_EQ(PlainDecimal15(1.75), "1.75");
    EXPECT_EQ(PlainDecimal15(50), "50");
    EXPECT_EQ(PlainDecimal15(-0.0), "0");
    EXPECT_EQ(PlainDecimal15(0.1 + 0.2), "0.3");
    EXPECT_EQ(PlainDecimal15(1e20), "100000000000000000000");
    EXPECT_EQ(PlainDecimal15(1.25e-7), "0.000000125");
    EXPECT_EQ(PlainDecimal15(5e22), "50000000000000000000000");
    EXPECT_EQ(PlainDecimal15(-1234.5678901234567), "-1234.56789012346");
    EXPECT_EQ(PlainDecimal15(5e300).size(), 301u);
    EXPECT_EQ(WholeDecimal(2.5), "2");
    EXPECT_EQ(WholeDecimal(-0.4), "0");
    EXPECT_EQ(WholeDecimal(5e19), "50000000000000000000");
}

}  // namespace
}  // namespace kestrel
