// The expression evaluator, with D = 32 and F = 5 as the request sets them.

#include <string>

#include "generator_fixture.h"

namespace kestrel::test {
namespace {

class EvaluatorTest : public GeneratorTest {
  protected:
    EvaluatorTest() {
        generator.GenerateCode(generator.Protocol().FormDiscrete, "32", "5", "D");
        display.Clear();
    }

    int32_t Evaluate(const std::string& expression) {
        Define("X=" + expression);
        return generator.EvaluateDefine("x");
    }
};

TEST_F(EvaluatorTest, ComputesWithPrecedenceAndLeftAssociativity) {
    const std::pair<const char*, int32_t> cases[] = {
        {"D+F*2", 42},    {"(D+F)*2", 74},  {"D-F-1", 26},        {"2@3@2", 64}, {"~5", -5},
        {"3+~2", 1},      {"D^F", 37},      {"D|F", 37},          {"D&F", 0},    {"0X20&D", 32},
        {"4|1&2", 0},     {"D+1&7", 1},     {"7/2", 3},           {"~7/2", -3},  {"0X10", 16},
        {"0X1F", 1},      {"D[6..6]", 1},   {"D[1..5]", 0},       {"3 4", 3},    {"d + f", 37},
        {"2@~1", 0},      {"32767", 32767}, {"~32767-1", -32768}, {"((D))", 32}, {"Q", 0},
        {"40000", 40000},  // a numeric definition is not a 16-bit constant
    };
    for (const auto& [expression, expected] : cases) {
        EXPECT_EQ(Evaluate(expression), expected) << expression;
    }
    EXPECT_TRUE(display.messages.empty());
}

TEST_F(EvaluatorTest, EveryRunTimeErrorGivesZeroAndOneMessage) {
    const std::pair<const char*, const char*> cases[] = {
        {"7/0", "Division by zero"},
        {"200*200", "Overflow"},
        {"32768+0", "Overflow"},
        {"0X9000", "Overflow"},
        {"~32767-2", "Overflow"},
        {"2@15", "Overflow"},
        {"0@~1", "Overflow"},
        {"(~32767-1)/~1", "Overflow"},  // -32768 / -1
        {"D[1..16]", "Overflow"},
        {"D[0..3]", "Division by zero"},
        {"D[40..3]", "Overflow"},
        {"D[99999..1]", "Overflow"},
        {"-5*1", "Subscript out of range"},  // "-5" alone is a number
        {"-F", "Subscript out of range"},
        {"+", "Subscript out of range"},
        {")", "Subscript out of range"},
        {"(5", "Subscript out of range"},
        {"", "Subscript out of range"},
        {"  ", "Subscript out of range"},
        {"3000000000", "Overflow"},  // numeric, but beyond 32 bits
    };
    for (const auto& [expression, reason] : cases) {
        display.Clear();
        EXPECT_EQ(Evaluate(expression), 0) << expression;
        ASSERT_EQ(display.messages.size(), 1u) << expression;
        EXPECT_EQ(display.messages[0], std::string("Evaluation of define X failed: ") + reason)
            << expression;
    }
}

TEST_F(EvaluatorTest, MissingBracketIsReportedAndEvaluationGoesOn) {
    EXPECT_EQ(Evaluate("D[1..4"), 32);
    ASSERT_EQ(display.messages.size(), 1u);
    EXPECT_EQ(display.messages[0], "Error in evaluation of subspan in Defines, no ']' present");
}

TEST_F(EvaluatorTest, ExpressionDefinesDoNotStoreTheirResults) {
    Define("Y=D+F");
    EXPECT_EQ(Evaluate("Y"), 0);
    EXPECT_EQ(generator.EvaluateDefine("nothing"), 0);
    EXPECT_EQ(generator.EvaluateDefine("D"), 32);
    EXPECT_EQ(generator.EvaluateDefine("f"), 5);
}

TEST(BitSlice, SelectsBitsAndMovesThemDown) {
    EXPECT_EQ(Generator::BitSlice(0x5A, 5, 8), 5);
    EXPECT_EQ(Generator::BitSlice(0x5A, 1, 4), 10);
    EXPECT_EQ(Generator::BitSlice(-1, 1, 15), 32767);
    EXPECT_EQ(Generator::BitSlice(0x5A, 8, 5), 0);  // lo above hi: empty mask
    EXPECT_THROW(Generator::BitSlice(1, 1, 16), EvaluationError);
    EXPECT_THROW(Generator::BitSlice(1, -3, 2), EvaluationError);
    EXPECT_THROW(Generator::BitSlice(1e10, 1, 2), EvaluationError);
}

}  // namespace
}  // namespace kestrel::test
