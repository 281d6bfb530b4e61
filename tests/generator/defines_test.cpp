// The built-in protocol, the defines table and the form notation.

#include <gtest/gtest.h>

#include "generator/generator.h"
#include "support/recording_display.h"

namespace kestrel::test {
namespace {

using K = DefineKind;

TEST(Defines, SetUpFillsTheTableOfTheBuiltInProtocol) {
    RecordingDisplay display;
    Generator generator(display);
    generator.SetupProtocol();
    const std::tuple<const char*, const char*, K> expected[] = {{"E", "Checksum", K::Checksum},
                                                                {"V", "Value", K::ValueText},
                                                                {"D", "DEVICE", K::CheckedField},
                                                                {"F", "FUNCTION", K::Field}};
    const DefineTable& defines = generator.Defines();
    ASSERT_EQ(defines.size(), 4u);
    for (DefineIndex i = 0; i < 4; ++i) {
        const auto& [label, definition, kind] = expected[i];
        EXPECT_EQ(defines[i].Label, label);
        EXPECT_EQ(defines[i].Definition, definition);
        EXPECT_EQ(defines[i].Kind, kind);
        EXPECT_EQ(defines.FindLabel(std::string(1, label[0] + 32)), i);  // ignoring case
    }
    EXPECT_EQ(defines.FindLabel(""), kNoDefine);
    EXPECT_TRUE(display.messages.empty());
}

TEST(Defines, DirectivesAreClassifiedByTheirDefinition) {
    RecordingDisplay display;
    Generator generator(display);
    generator.SetupProtocol();
    const std::tuple<const char*, bool, const char*, const char*, K, double> rows[] = {
        {"x = 12", false, "X", "12", K::Number, 12},
        {"Y AS [100 -0.5]", false, "Y", "100 -0.5", K::Raw, 0},
        {"W = [ 100    -0.25 ]", false, "W", " 100 -0.25", K::Raw, 0},  // empty first token
        {"Z AS A=B", false, "Z", "A=B", K::ConstExpr, 0},
        {"P=^40000", false, "P", "^40000", K::FrameTime, 40000},
        {"G = F+1", false, "G", "F+1", K::FieldExpr, 0},
        {"H = D+1", false, "H", "D+1", K::ConstExpr, 0},    // a checked field does not count
        {"I = 0X1F", false, "I", "0X1F", K::FieldExpr, 0},  // F after the digits is a label
        {"J = 12*4", false, "J", "12*4", K::ConstExpr, 0},
        {"K = G*2", false, "K", "G*2", K::FieldExpr, 0},
        {"L = extension", false, "L", "extension", K::Field, 0},
        {"M = -5", false, "M", "-5", K::Number, -5},
        {"E=5", true, "E", "5", K::Number, 5},
    };
    for (const auto& [text, replace, label, definition, kind, value] : rows) {
        std::string directive = text;
        generator.AddDefine(directive, replace);
        const DefineIndex index = generator.Defines().FindLabel(label);
        ASSERT_NE(index, kNoDefine) << text;
        EXPECT_EQ(generator.Defines()[index].Definition, definition) << text;
        EXPECT_EQ(generator.Defines()[index].Kind, kind) << text;
        EXPECT_EQ(generator.Defines()[index].Value, value) << text;
    }
    EXPECT_TRUE(display.messages.empty());
    std::string directive = "Q AS [1]";
    generator.AddDefine(directive, false);
    EXPECT_EQ(directive, "[1]");  // the directive is consumed up to its definition
}

TEST(Defines, BadAndDuplicateDirectivesChangeNothing) {
    RecordingDisplay display;
    Generator generator(display);
    generator.SetupProtocol();
    for (const char* text : {"e=5", "no separator"}) {
        std::string directive = text;
        generator.AddDefine(directive, false);
    }
    EXPECT_EQ(display.messages,
              (std::vector<std::string>{"Duplicate Definition for label E",
                                        "Badly formed DEFINES directive, 'no separator'"}));
    EXPECT_EQ(generator.Defines().size(), 4u);
    EXPECT_EQ(generator.Defines()[0].Kind, K::Checksum);
}

TEST(Defines, SpansAreNormalisedAndFormNamesFound) {
    const std::tuple<const char*, int16_t, const char*> spans[] = {
        {"100   -0.5  \"a b\"", 1, "100 -0.5 a b"},
        {"100 -0.5", 10, "100 -5"},
        {"5 -20", 10, "50 -20"},
        {"0", 1, "0"},
        {"", 1, ""},
        {"0.5", 0, "0.5"}};
    for (const auto& [span, unit, normalised] : spans)
        EXPECT_EQ(DefineTable::NormaliseSpan(span, unit), normalised) << span;
    EXPECT_EQ(FormNames("[2600 -2600], X:8, -Y:4, ~Z:4, 12:8, R_, r*, _, *, A}, Q"),
              (std::vector<std::string>{"X", "Y", "~Z", "Q"}));
}

TEST(Protocol, BitSymbolsRoundHalvesToEven) {
    ProtocolRecord protocol;
    BitTimings timings;
    timings.one = {{575.5f, -1700}};
    timings.zero = {{574.5f, -550.5f}};
    SetBitSymbols(protocol, timings);
    EXPECT_EQ(protocol.OneSymbol[0].mark, 576);
    EXPECT_EQ(protocol.ZeroSymbol[0].mark, 574);
    EXPECT_EQ(protocol.ZeroSymbol[0].space, -550);
    EXPECT_EQ(protocol.TimeUnit, 1);
}

}  // namespace
}  // namespace kestrel::test
