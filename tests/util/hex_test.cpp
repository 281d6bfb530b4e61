#include "util/hex.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(Hex, WritesLowerCaseWithPadding) {
    EXPECT_EQ(Hex4(0), "0000");
    EXPECT_EQ(Hex4(108), "006c");
    EXPECT_EQ(Hex4(65536), "10000");
    EXPECT_EQ(ToHex(255, 2), "ff");
    EXPECT_EQ(ToHex(255, 0), "ff");
    EXPECT_EQ(ToHex(8324, 4), "2084");
    EXPECT_EQ(ToHex(0, 0), "0");
    // A negative number leaves only the zeros put in front.
    EXPECT_EQ(ToHex(-5, 0), "");
    EXPECT_EQ(Hex4(-17), "0000");
    EXPECT_EQ(DigitChar(16), "");
}

TEST(Hex, ReadsDigitsAndRefusesWhatDoesNotFit) {
    EXPECT_EQ(HexToLong("7F"), 127);
    EXPECT_EQ(HexToLong("7g"), 112);  // a non-digit counts as 0
    EXPECT_EQ(HexToLong(""), 0);
    EXPECT_EQ(HexToLong("7FFFFFFF"), 0x7FFFFFFF);
    EXPECT_EQ(HexToLong("00000000FF"), 255);
    EXPECT_FALSE(HexToLong("80000000").has_value());
    EXPECT_FALSE(HexToLong("FFFFFFFFFFFFFFFFFFFF").has_value());
    EXPECT_TRUE(IsHexDigits("09afAF"));
    EXPECT_FALSE(IsHexDigits("7G"));
    EXPECT_FALSE(IsHexDigits(""));
}

TEST(Hex, Hex2IntTakesOneOrTwoDigits) {
    EXPECT_EQ(*Hex2Int("A"), 10);
    EXPECT_EQ(*Hex2Int("0A"), 10);
    EXPECT_EQ(*Hex2Int("ff"), 255);
    EXPECT_EQ(Hex2Int("100").reason(), "Illegal call to Hex2Int with value 100");
    EXPECT_EQ(Hex2Int("").reason(), "Illegal call to Hex2Int with value ");
}

}  // namespace
}  // namespace kestrel
