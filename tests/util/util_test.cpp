// The util routines: the tokenizer, text and number conversions, rounding,
// hexadecimal and the program's folders.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <type_traits>

#include "util/hex.h"
#include "util/numbers.h"
#include "util/program_folder.h"
#include "util/text.h"

namespace kestrel {
namespace {

// What f gives for each input, each followed by "|"; "-" for nothing.
template <typename In, typename F>
std::string Each(std::initializer_list<In> inputs, F f) {
    std::string out;
    for (const In& in : inputs) {
        const auto made = f(in);
        if constexpr (std::is_convertible_v<decltype(made), std::string_view>)
            out += std::string(made) + "|";
        else
            out += (made ? std::to_string(*made) : "-") + "|";
    }
    return out;
}

TEST(Util, TheTokenizerTextsAndFolders) {
    // The token, "/", then what is left of the text.
    const auto cut = [](std::string text, const char* delimiter, int quoteFlag = 0) {
        const std::string token = NextToken(text, delimiter, quoteFlag);
        return token + "/" + text;
    };
    EXPECT_EQ(cut("[2600 -2600],D:8,F:8", ","), "[2600 -2600]/D:8,F:8");
    EXPECT_EQ(cut("  D : 8 ", ":") + cut("no delimiter ", ",") + cut("", ","), "D/8no delimiter//");
    EXPECT_EQ(cut("\"x,y\",z", ","), "x,y/z");
    EXPECT_EQ(cut("\"a,b\",c", ",", 1), "\"a/b\",c");  // a nonzero flag: quotes are plain
    EXPECT_EQ(cut("one two", ""), "one/two");          // an empty delimiter: a blank
    EXPECT_EQ(cut("X as 12", " AS "), "X/12");
    EXPECT_EQ(cut("a\t,b", ","), "a\t/b");  // tabs are no blanks
    // Case folding touches the ASCII letters only.
    EXPECT_EQ(UpperCase("ab\xe9z1"), "AB\xe9Z1");
    EXPECT_FALSE(EqualsNoCase("\xe9", "\xc9"));
    EXPECT_EQ(FindNoCase("xx As yy", " as "), 2u);
    EXPECT_EQ(FindNoCase("abc", "abcd") & FindNoCase("abc", "a", 9), std::string::npos);
    EXPECT_EQ(SqueezeUpper(" [ commands ] "), "[COMMANDS]");
    // UTF-8 as a whole; not: overlong, surrogate, beyond U+10FFFF, Latin-1, cut off.
    for (const char* bad : {"\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "caf\xe9", "\xe2\x82"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    EXPECT_TRUE(IsValidUtf8("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\xba \xf4\x8f\xbf\xbf"));
    EXPECT_EQ(Each({"\ta ", "   "}, TrimBlanks), "\ta||");
    EXPECT_EQ(Each({"/home/user/codes.ccf", "codes.ccf"}, FolderOf), "/home/user||");
    EXPECT_EQ(std::filesystem::canonical(ProgramFolder()),
              std::filesystem::canonical(KESTREL_TEST_PROGRAM_FILE).parent_path());
    // XDG_DATA_HOME when it is absolute, else HOME/.local/share; else none.
    using Homes = std::pair<const char*, const char*>;
    EXPECT_EQ(Each<Homes>({{"/d/", "/h"}, {"d", "/h/"}, {0, "/"}, {"/", 0}, {0, 0}, {"d", "h"}},
                          [](Homes h) { return UserDevicesFolder(h.first, h.second); }),
              "/d/kestrel/devices|/h/.local/share/kestrel/devices|/.local/share/kestrel/devices|"
              "/kestrel/devices|||");
}

TEST(Util, TheLeadingNumberRule) {
    const std::pair<const char*, double> rows[] = {
        {"2.10", 2.1}, {"1.5b", 1.5},   {"abc", 0},   {"-5", -5},     {"+7", 7},
        {"1 2", 12},   {" \t\n42", 42}, {"&H10", 16}, {"&hff", 255},  {"&O17", 15},
        {"&H", 0},     {"1e3", 1000},   {"1D2", 100}, {"2E-1", 0.2},  {"1e+", 1},
        {"-.5", -0.5}, {"1.2.3", 1.2},  {"--5", 0},   {"(40000)", 0}, {"40000)", 40000},
        {"1e-999", 0}, {"", 0}};
    for (const auto& [text, value] : rows)
        EXPECT_DOUBLE_EQ(LeadingNumber(text), value) << text;
    EXPECT_TRUE(std::isinf(LeadingNumber("1e999")));
    double value = 0;
    EXPECT_TRUE(IsNumericText(" -5 ", &value));
    EXPECT_EQ(value, -5);
    const auto numeric = [](const char* text) { return IsNumericText(text) ? "y" : "n"; };
    EXPECT_EQ(
        Each({"&H10", "1e5", "5.", "3 4", "", ".", "-", "5\t", "12ab", "-5*1", "1e"}, numeric),
        "y|y|y|n|n|n|n|n|n|n|n|");
    const auto token = [](const char* text) { return IsNumberToken(text) ? "y" : "n"; };
    EXPECT_EQ(Each({"12", "-2600", "+5", "1.5", "12ab", ".5", "&H10", "-", "", "a1", "--1"}, token),
              "y|y|y|y|y|n|n|n|n|n|n|");
}

TEST(Util, NumbersAsTextAndTextAsNumbers) {
    // A word of more than four digits is never cut; a negative number gives
    // only the padding.
    EXPECT_EQ(Each({108, 65536, -17}, Hex4) + ToHex(8324, 0) + ToHex(-5, 0),
              "006c|10000|0000|2084");
    EXPECT_EQ(Each({"0A", "ff", "100", ""}, ParseHexByte), "10|255|-|-|");
    EXPECT_EQ(ParseHexByte("100").reason(), "Illegal call to Hex2Int with value 100");
    EXPECT_EQ(Each({0.5, -0.0}, ShortestDecimal), "0.5|0|");
    EXPECT_EQ(LeadingNumber(ShortestDecimal(0.1 + 0.2)), 0.1 + 0.2);  // reads back the same
    EXPECT_EQ(Each({0.1 + 0.2, -0.0, 1e20, 1.25e-7, -1234.5678901234567}, PlainDecimal15),
              "0.3|0|100000000000000000000|0.000000125|-1234.56789012346|");
    EXPECT_EQ(PlainDecimal15(5e300).size(), 301u);
    EXPECT_EQ(Each({2.5, -0.4, 5e19}, WholeDecimal), "2|0|50000000000000000000|");

    const auto round = [](double value) {
        int32_t out = 0;
        return RoundToInt32(value, out) ? std::optional(out) : std::nullopt;
    };
    EXPECT_EQ(Each({2.5, 3.5, -2.5, -0.4, 2147483647.4, 2147483647.5, 1e20, HUGE_VAL, double(NAN)},
                   round),
              "2|4|-2|0|2147483647|-|-|-|-|");
    int16_t v16 = 0;
    EXPECT_FALSE(RoundToInt16(32767.5, v16));
    EXPECT_TRUE(RoundToInt16(-32768.5, v16));
    EXPECT_EQ(v16, -32768);
    EXPECT_EQ(Each({" 08324 ", "-2147483648", "2147483648", "1.0", "1 2", "&H10", "-", ""},
                   ParseDecimalInt32),
              "8324|-2147483648|-|-|-|-|-|-|");
    // A character that is no hexadecimal digit counts as 0.
    EXPECT_EQ(Each({"7F", "7g", "", "00000000FF", "7FFFFFFF", "80000000", "FFFFFFFFFFFFFFFFFF"},
                   ParseHexInt32),
              "127|112|0|255|2147483647|-|-|");
    EXPECT_TRUE(IsHexDigits("09afAF"));
    EXPECT_FALSE(IsHexDigits("7G"));
    EXPECT_FALSE(IsHexDigits(""));
}

}  // namespace
}  // namespace kestrel
