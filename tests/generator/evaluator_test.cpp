// The expression evaluator, with D = 32 and F = 5 as a request sets them.

#include <gtest/gtest.h>

#include "generator/generator.h"
#include "support/recording_display.h"

namespace kestrel::test {
namespace {

class EvaluatorTest : public ::testing::Test {
  protected:
    EvaluatorTest() : generator(display) {
        generator.SetupProtocol();
        generator.GenerateCode("D:8,F:8", "32", "5", "D");
    }
    int32_t Evaluate(const std::string& expression) {
        std::string directive = "X=" + expression;
        generator.AddDefine(directive, true);
        return generator.EvaluateDefine("x");
    }
    RecordingDisplay display;
    Generator generator;
};

TEST_F(EvaluatorTest, ComputesWithPrecedenceFromTheLeft) {
    const std::pair<const char*, int32_t> rows[] = {
        {"D+F*2", 42},    {"(D+F)*2", 74},  {"D-F-1", 26},        {"2@3@2", 64}, {"~5", -5},
        {"3+~2", 1},      {"D^F", 37},      {"D|F", 37},          {"D&F", 0},    {"0X20&D", 32},
        {"4|1&2", 0},     {"D+1&7", 1},     {"7/2", 3},           {"~7/2", -3},  {"0X10", 16},
        {"0X1F", 1},      {"D[6..6]", 1},   {"D[1..5]", 0},       {"3 4", 3},    {"d + f", 37},
        {"2@~1", 0},      {"32767", 32767}, {"~32767-1", -32768}, {"((D))", 32}, {"Q", 0},
        {"40000", 40000}, {"-5", -5},  // numeric definitions are not 16-bit expressions
    };
    for (const auto& [expression, value] : rows)
        EXPECT_EQ(Evaluate(expression), value) << expression;
    EXPECT_TRUE(display.messages.empty());
}

TEST_F(EvaluatorTest, EveryFailureGivesZeroAndOneMessage) {
    const std::pair<const char*, const char*> rows[] = {
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
        {"3000000000", "Overflow"},  // numeric, but beyond 32 bits
        {"-5*1", "Subscript out of range"},
        {"-F", "Subscript out of range"},
        {"+", "Subscript out of range"},
        {")", "Subscript out of range"},
        {"(5", "Subscript out of range"},
        {"", "Subscript out of range"},
        {"  ", "Subscript out of range"},
    };
    for (const auto& [expression, reason] : rows) {
        display.Clear();
        EXPECT_EQ(Evaluate(expression), 0) << expression;
        EXPECT_EQ(display.messages,
                  std::vector<std::string>{std::string("Evaluation of define X failed: ") + reason})
            << expression;
    }
}

TEST_F(EvaluatorTest, MissingBracketAndStoredValues) {
    EXPECT_EQ(Evaluate("D[1..4"), 32);  // reported, and the evaluation goes on
    EXPECT_EQ(display.messages, std::vector<std::string>{
                                    "Error in evaluation of subspan in Defines, no ']' present"});
    std::string directive = "Y=D+F";
    generator.AddDefine(directive, true);
    EXPECT_EQ(Evaluate("Y"), 0);  // an expression define stores no result
    EXPECT_EQ(generator.EvaluateDefine("nothing"), 0);
    EXPECT_EQ(generator.EvaluateDefine("f"), 5);
}

TEST(BitSlice, SelectsBitsAndMovesThemDown) {
    EXPECT_EQ(Evaluator::BitSlice(0x5A, 5, 8), 5);
    EXPECT_EQ(Evaluator::BitSlice(0x5A, 1, 4), 10);
    EXPECT_EQ(Evaluator::BitSlice(-1, 1, 15), 32767);
    EXPECT_EQ(Evaluator::BitSlice(0x5A, 8, 5), 0);  // lo above hi: an empty mask
    EXPECT_THROW(Evaluator::BitSlice(1, -3, 2), EvaluationError);
    EXPECT_THROW(Evaluator::BitSlice(1e10, 1, 2), EvaluationError);
}

}  // namespace
}  // namespace kestrel::test
