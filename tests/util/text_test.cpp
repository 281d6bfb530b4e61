#include "util/text.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel {
namespace {

struct TokenCase {
    std::string text;
    std::string delimiter;
    int quoteFlag;
    std::string token;
    std::string rest;
};

TEST(NextToken, CutsTrimsAndHonoursQuotes) {
    const TokenCase cases[] = {
        {"[2600 -2600],D:8,F:8", ",", 0, "[2600 -2600]", "D:8,F:8"},
        {"D:8", ":", 0, "D", "8"},
        {"a, b", ",", 0, "a", "b"},
        {"\"x,y\",z", ",", 0, "x,y", "z"},
        {"  D : 8 ", ":", 0, "D", "8"},
        {"no delimiter here ", ",", 0, "no delimiter here", ""},
        {"one two", "", 0, "one", "two"},       // an empty delimiter cuts at blanks
        {"X as 12", " AS ", 0, "X", "12"},      // delimiters match ignoring case
        {"\"a,b\",c", ",", 1, "\"a", "b\",c"},  // a nonzero quote flag makes quotes plain
        {"", ",", 0, "", ""},
        {"a\t,b", ",", 0, "a\t", "b"},  // tabs are not blanks
    };
    for (const TokenCase& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(NextToken(text, c.delimiter, c.quoteFlag), c.token) << c.text;
        EXPECT_EQ(text, c.rest) << c.text;
    }
}

TEST(Text, CaseFoldingTouchesAsciiLettersOnly) {
    EXPECT_EQ(UpperCase("ab\xe9z1"), "AB\xe9Z1");
    EXPECT_TRUE(EqualsNoCase("Checksum", "CHECKSUM"));
    EXPECT_FALSE(EqualsNoCase("\xe9", "\xc9"));  // é and É stay different
    EXPECT_EQ(FindNoCase("xx As yy", " as "), 2u);
    EXPECT_EQ(FindNoCase("abc", "abcd"), std::string::npos);
    EXPECT_EQ(FindNoCase("abc", "", 1), 1u);
    EXPECT_EQ(FindNoCase("abc", "a", 9), std::string::npos);
}

TEST(Text, SqueezeUpperAndTrim) {
    EXPECT_EQ(SqueezeUpper(" [ commands ] "), "[COMMANDS]");
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("\ta "), "\ta");
    EXPECT_EQ(TrimBlanks("   "), "");
}

TEST(Text, FolderOf) {
    EXPECT_EQ(FolderOf("/home/user/codes.ccf"), "/home/user");
    EXPECT_EQ(FolderOf("/home/user/"), "/home/user");
    EXPECT_EQ(FolderOf("codes.ccf"), "");
}

}  // namespace
}  // namespace kestrel
