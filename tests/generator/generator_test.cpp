// The generator: the defines table, the evaluator, the requests of
// requests.tsv through the encoder and the Pronto assembly, and the worked
// example and carrier figures.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "generator/generator.h"
#include "generator/pronto_format.h"
#include "support/tsv_rows.h"

namespace kestrel::test {
namespace {

class GeneratorTest : public ::testing::Test {
  protected:
    GeneratorTest() { generator.SetupProtocol(); }
    void Define(const std::string& text, bool replace = false) {
        std::string directive = text;
        const Status added = generator.AddDefine(directive, replace);
        if (!added) refusals.push_back(added.reason());
    }
    // The code of a request; "" when refused.
    std::string Code(const std::string& form, const std::string& code, const std::string& value,
                     const std::string& kind) {
        Noted<std::string> made = generator.GenerateCode(form, code, value, kind);
        notes = std::move(made.notes);
        return made.result.value_or("");
    }
    // The define with that label as "LABEL=definition/kind/value".
    std::string Describe(std::string_view label) {
        const DefineIndex i = generator.Defines().FindLabel(label);
        if (i == kNoDefine) return "none";
        const DefineRecord& d = generator.Defines()[i];
        return d.Label + "=" + d.Definition + "/" + std::to_string(static_cast<int>(d.Kind)) + "/" +
               std::to_string(static_cast<long long>(d.Value));
    }
    Result<int32_t> Evaluate(const std::string& expression) {
        Define("X=" + expression, true);
        Noted<int32_t> evaluated = generator.EvaluateDefine("x");
        notes = std::move(evaluated.notes);
        return std::move(evaluated.result);
    }
    std::vector<std::string> notes;     // of the last Code or Evaluate
    std::vector<std::string> refusals;  // of AddDefine
    Generator generator;
};

TEST_F(GeneratorTest, SetUpAndDirectivesGiveTheirKinds) {
    EXPECT_EQ(generator.Defines().size(), 4u);
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"", "e", "E=Checksum/8/0"},  // after set-up; labels ignore case
        {"", "v", "V=Value/7/0"},
        {"", "d", "D=DEVICE/9/0"},
        {"", "f", "F=FUNCTION/4/0"},
        {"", "", "none"},
        {"x = F+12", "X", "X=F+12/3/0"},
        {"Y AS [100 -0.5]", "Y", "Y=100 -0.5/5/0"},
        {"W = [ 100    -0.25 ]", "W", "W= 100 -0.25/5/0"},  // an empty first token
        {"Z AS A=B", "Z", "Z=A=B/2/0"},
        {"P=^40000", "P", "P=^40000/6/40000"},
        {"G = F+1", "G", "G=F+1/3/0"},
        {"H = D+1", "H", "H=D+1/2/0"},    // a checked field does not count
        {"I = 0X1F", "I", "I=0X1F/3/0"},  // the F after the digits is a label
        {"J = 0x10", "J", "J=0x10/2/0"},  // not the field X
        {"K = G*2", "K", "K=G*2/3/0"},
        {"L = extension", "L", "L=extension/4/0"},
        {"M = -5", "M", "M=-5/1/-5"},
        {"e=5", "E", "E=Checksum/8/0"},  // refused, nothing changes
        {"no separator", "no separator", "none"},
    };
    for (const auto& [directive, label, expected] : rows) {
        if (*directive != '\0') Define(directive);
        EXPECT_EQ(Describe(label), expected) << directive;
    }
    EXPECT_EQ(refusals,
              (std::vector<std::string>{"Duplicate Definition for label E",
                                        "Badly formed DEFINES directive, 'no separator'"}));
    std::string directive = "E AS 5";
    ASSERT_TRUE(generator.AddDefine(directive, true).ok());
    EXPECT_EQ(directive, "5");  // consumed up to its definition
    EXPECT_EQ(Describe("E"), "E=5/1/5");
    EXPECT_EQ(DefineTable::NormaliseSpan("5  -20 \"a b\" -0.5", 10), "50 -20 a b -5");
    EXPECT_EQ(DefineTable::NormaliseSpan("", 1), "");
    EXPECT_EQ(FormNames("[2600 -2600], X:8, -Y:4, ~Z:4, 12:8, R_, r*, _, *, A}, Q"),
              (std::vector<std::string>{"X", "Y", "~Z", "Q"}));
}

TEST_F(GeneratorTest, EvaluatorValuesAndFailures) {
    Define("Y=D+F");
    Define("N=3000000000");
    ASSERT_NE(Code("D:8,F:8", "32", "5", "D"), "");
    const std::pair<const char*, int32_t> values[] = {
        {"D+F*2", 42},  {"(D+F)*2", 74}, {"D-F-1", 26},        {"2@3@2", 64},
        {"~5", -5},     {"3+~2", 1},     {"D^F", 37},          {"D|F", 37},
        {"D&F", 0},     {"0X20&D", 32},  {"4|1&2", 0},         {"D+1&7", 1},
        {"7/2", 3},     {"~7/2", -3},    {"0X10", 16},         {"0X1F", 1},
        {"D[6..6]", 1}, {"D[1..5]", 0},  {"D[5..8]", 2},       {"D[8..5]", 0},
        {"3 4", 3},     {"d + f", 37},   {"2@~1", 0},          {"32767", 32767},
        {"((D))", 32},  {"Q", 0},        {"~32767-1", -32768}, {"40000", 40000},
        {"-5", -5},     {"Y", 0},  // an expression define stores no result
    };
    for (const auto& [expression, value] : values) {
        EXPECT_EQ(Evaluate(expression).value_or(-99999), value) << expression;
        EXPECT_TRUE(notes.empty()) << expression;
    }
    const std::pair<const char*, std::vector<const char*>> failures[] = {
        {"Division by zero", {"7/0", "D[0..3]"}},
        {"Overflow",
         {"200*200", "32768+0", "0X9000", "~32767-2", "2@15", "0@~1", "D[1..16]", "D[40..3]",
          "N[1..2]", "3000000000", "(~32767-1)/~1"}},
        {"Subscript out of range", {"-5*1", "-F", "+", ")", "(5", "  "}},
    };
    for (const auto& [reason, expressions] : failures) {
        for (const char* expression : expressions) {
            const Result<int32_t> failed = Evaluate(expression);
            ASSERT_FALSE(failed.ok()) << expression;
            EXPECT_EQ(failed.reason(), std::string("Evaluation of define X failed: ") + reason);
        }
    }
    EXPECT_EQ(Evaluate("D[1..4").value_or(0), 32);  // noted, and the evaluation goes on
    EXPECT_EQ(notes, std::vector<std::string>{
                         "Error in evaluation of subspan in Defines, no ']' present"});
}

// "bV:W" are the W low bits of V in the built-in symbols; \xHH is a byte.
std::vector<int32_t> Durations(const std::string& text) {
    std::vector<int32_t> out;
    std::istringstream in(text);
    for (std::string token; in >> token;) {
        if (token[0] != 'b') out.push_back(static_cast<int32_t>(std::stoll(token)));
        const int width = token[0] == 'b' ? std::stoi(token.substr(token.find(':') + 1)) : 0;
        for (int i = 0; i < width; ++i) {
            out.push_back(575);
            out.push_back(((std::stoul(token.substr(1)) >> i) & 1) ? -1700 : -550);
        }
    }
    return out;
}
TEST_F(GeneratorTest, RequestsGiveTheirDurationsAndMessages) {
    int rows = 0;
    for (test::TsvRow f : test::TsvRows(KESTREL_SOURCE_DIR "/tests/generator/requests.tsv")) {
        if (f[0][0] == '!') {
            Define(f[0].substr(1));
            continue;
        }
        const std::string line = f[0] + " " + f.at(1) + " " + f.at(2) + " " + f.at(3);
        f.resize(6);
        Noted<std::string> noted = generator.GenerateCode(f[0], f[1], f[2], f[3]);
        const Result<std::string>& made = noted.result;
        const std::string code = made.value_or("");
        const std::vector<int32_t> durations = Durations(f[4]);
        const auto sent = generator.Durations();
        EXPECT_EQ(std::vector<int32_t>(sent.begin(), sent.end()), durations) << line;
        // The notes in order, then the reason of a refusal.
        std::vector<std::string> messages = noted.notes;
        if (!made) messages.push_back(made.reason());
        std::string shown;
        for (const std::string& message : messages)
            shown += (shown.empty() ? "" : "|") + message;
        EXPECT_EQ(shown, f[5]) << line;
        EXPECT_EQ(code.empty(), f[5].find("no code") != std::string::npos) << line;
        // The header, then each duration in cycles of 26 us to the nearest.
        std::istringstream in(code);
        std::vector<long> words;
        for (std::string word; in >> word;)
            words.push_back(std::stol(word, nullptr, 16));
        if (code.empty()) continue;
        ASSERT_EQ(words.size(), 4 + durations.size()) << line;
        EXPECT_EQ(words[0] + words[3], 0);
        EXPECT_EQ(words[1], 0x6C);
        EXPECT_EQ(words[2], std::lrint(durations.size() / 2.0));  // halves to even
        for (size_t i = 0; i < durations.size(); ++i)
            EXPECT_LE(std::labs(words[4 + i] * 26 - std::labs(durations[i])), 13) << line;
        ++rows;
    }
    EXPECT_GT(rows, 30);
    std::string ones;  // the most durations a code holds, then one more
    for (int i = 0; i < 1000; ++i)
        ones += " 1";
    EXPECT_EQ(Code("[" + ones + "]", "1", "1", "D").size(), 19u + 5 * 1000);
    EXPECT_EQ(Code("[" + ones + " 1]", "1", "1", "D"), "");
}

TEST_F(GeneratorTest, WorkedExampleCarriersAndCycles) {
    // Device 0x20, function 0x01, checksum 0x21; 2600 us is 100 cycles of
    // 26 us, 575 is 22, 1700 is 65, 550 is 21, 1760 is 68, 560 is 22, 25 is 1.
    const std::string line =
        "0000 006C 001B 0000 0064 0064 0016 0015 0016 0015 0016 0015 0016 0015 0016 0015 0016 0041 "
        "0016 0015 0016 0015 0016 0041 0016 0015 0016 0015 0016 0015 0016 0015 0016 0015 0016 0015 "
        "0016 0015 0016 0041 0016 0015 0016 0015 0016 0015 0016 0015 0016 0041 0016 0015 0016 0015 "
        "0044 0044 0016 0001";
    EXPECT_EQ(Code(generator.Protocol().FormDiscrete, "32", "01", "H"), line);
    const std::tuple<int32_t, int16_t, float, int32_t> carriers[] = {{38380, 108, 38461, 26},
                                                                     {36000, 115, 35714, 28},
                                                                     {40000, 103, 40000, 25},
                                                                     {56000, 74, 55555, 18},
                                                                     {0, 0, 0, 0}};
    for (const auto& [hz, word, carrier, period] : carriers) {
        EXPECT_EQ(ProntoFreqWord(hz), word) << hz;
        EXPECT_EQ(ProntoCarrierHz(hz), carrier) << hz;
        EXPECT_EQ(ProntoAssembler(hz).PeriodMicros().value_or(0), period) << hz;
    }
    // 13 us at 26 us a cycle is one cycle, 12 none; 65536 cycles take five digits.
    EXPECT_EQ(Code("[13 -12 0 39]", "1", "1", "D"), "0000 006C 0002 0000 0001 0000 0000 0002");
    EXPECT_EQ(Code("[1703936 -1703935 1]", "1", "1", "D"), "0000 006C 0002 0000 10000 10000 0000");
    EXPECT_EQ(Code("", "1", "1", "D"), "0000 006C 0000 0000");
    EXPECT_TRUE(notes.empty());
}

// Bit symbols of several pairs: each bit sends its whole symbol, in the
// protocol's bit order; 6 is the bits 0, 1, 1 from the lowest.
TEST(Encoder, SymbolsOfSeveralPairs) {
    const std::tuple<const char*, bool, std::vector<int32_t>> rows[] = {
        {"lowest bit first", false, {9, -9, 1, -2, 3, -4, 1, -2, 3, -4}},
        {"highest bit first", true, {1, -2, 3, -4, 1, -2, 3, -4, 9, -9}}};
    for (const auto& [name, msbFirst, durations] : rows) {
        ProtocolRecord protocol;
        protocol.MsbFirst = msbFirst;
        SetBitSymbols(protocol, {.one = {{1, -2}, {3, -4}}, .zero = {{9, -9}}});
        DefineTable defines;
        const RequestValues request;
        std::vector<std::string> notes;
        Evaluator evaluator(defines, request, notes);
        DurationBuffer out;
        ASSERT_TRUE(Encoder(protocol, defines, request, evaluator, notes).EncodeForm("6:3", out));
        EXPECT_EQ(std::vector<int32_t>(out.Durations().begin(), out.Durations().end()), durations)
            << name;
    }
}

}  // namespace
}  // namespace kestrel::test
