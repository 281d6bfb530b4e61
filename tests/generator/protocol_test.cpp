// The built-in protocol and the defines table.

#include <string>

#include "generator_fixture.h"

namespace kestrel::test {
namespace {

TEST_F(GeneratorTest, SetUpHoldsTheBuiltInProtocol) {
    const ProtocolRecord& p = generator.Protocol();
    EXPECT_EQ(p.Name, "DUDAZOR");
    EXPECT_EQ(p.CarrierHz, 38380);
    EXPECT_EQ(p.TimeUnit, 1);
    EXPECT_EQ(p.Form, p.FormDiscrete);
    EXPECT_EQ(p.FormDiscrete, "[2600 -2600],D:8,F:8,E:8,[1760 -1760 560 -25]");
    EXPECT_EQ(p.FormValueText, "[2600 -2600],D:8,V:8,E:8,[1760 -1760 560 -25]");
    EXPECT_EQ(p.FormRemote, "[8900 -4425],d:16,f:8,-f:8,[575 -44925 8900 -2200 575 -4425]");
    ASSERT_EQ(p.OneSymbol.size(), 2u);
    EXPECT_EQ(p.OneSymbol[1].mark, 575);
    EXPECT_EQ(p.OneSymbol[1].space, -1700);
    EXPECT_EQ(p.ZeroSymbol[1].space, -550);

    struct Expected {
        const char* label;
        const char* definition;
        int16_t kind;
    };
    const Expected expected[] = {{"E", "Checksum", KindChecksum},
                                 {"V", "Value", KindValueText},
                                 {"D", "DEVICE", KindCheckedField},
                                 {"F", "FUNCTION", KindField}};
    const auto& defines = generator.Defines();
    ASSERT_EQ(defines.size(), 5u);
    EXPECT_EQ(defines[0].Label, "");
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(defines[i + 1].Label, expected[i].label);
        EXPECT_EQ(defines[i + 1].Definition, expected[i].definition);
        EXPECT_EQ(defines[i + 1].Kind, expected[i].kind);
    }
    EXPECT_EQ(generator.FindLabel("d"), 3);
    EXPECT_EQ(generator.FindLabel("v"), 2);
    EXPECT_EQ(generator.FindLabel(""), 0);
    EXPECT_TRUE(display.messages.empty());
}

TEST_F(GeneratorTest, SetBitSymbolsRoundsHalvesToEven) {
    BitTimings timings;
    timings.one[1] = {575.5f, -1700};
    timings.zero[1] = {574.5f, -550.5f};
    generator.SetBitSymbols(timings);
    EXPECT_EQ(generator.Protocol().OneSymbol[1].mark, 576);
    EXPECT_EQ(generator.Protocol().ZeroSymbol[1].mark, 574);
    EXPECT_EQ(generator.Protocol().ZeroSymbol[1].space, -550);
}

TEST(RegisterFormNames, RegistersOnlyUndefinedNames) {
    RecordingDisplay display;
    Generator generator(display);
    generator.RegisterFormNames("[2600 -2600], X:8, -Y:4, ~Z:4, 12:8, R_, *, A}, Q");
    std::vector<std::string> labels;
    for (size_t i = 1; i < generator.Defines().size(); ++i) {
        const DefineRecord& d = generator.Defines()[i];
        labels.push_back(d.Label);
        EXPECT_EQ(d.Definition, d.Label);
        EXPECT_EQ(d.Kind, KindNumber);
        EXPECT_EQ(d.Value, 0);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"X", "Y", "~Z", "Q"}));
}

TEST(PrepareProtocol, EmptyFormIsReportedAndLabelsStillCompleted) {
    RecordingDisplay display;
    Generator generator(display);
    generator.PrepareProtocol();
    ASSERT_EQ(display.messages.size(), 1u);
    EXPECT_EQ(display.messages[0], "No form has beeen specified for  Protocol");
    EXPECT_EQ(generator.Defines()[generator.FindLabel("D")].Kind, KindField);  // no checksum
    EXPECT_EQ(generator.Defines()[generator.FindLabel("F")].Definition, "FUNCTION");
}

struct DirectiveCase {
    std::string directive;
    int16_t replace;
    std::string label;
    std::string definition;
    int16_t kind;
    double value;
};

TEST_F(GeneratorTest, AddDefineClassifiesDefinitions) {
    const DirectiveCase cases[] = {
        {"x = 12", 0, "X", "12", KindNumber, 12},
        {"Y AS [100 -0.5]", 0, "Y", "100 -0.5", KindRaw, 0},
        // Blanks inside the brackets are kept up to the first token, which is empty.
        {"W = [ 100    -0.25 ]", 0, "W", " 100 -0.25", KindRaw, 0},
        {"Z AS A=B", 0, "Z", "A=B", KindConstExpr, 0},
        {"P=^40000", 0, "P", "^40000", KindFrameTime, 40000},
        {"G = F+1", 0, "G", "F+1", KindFieldExpr, 0},
        {"H = D+1", 0, "H", "D+1", KindConstExpr, 0},    // the checked device label does not count
        {"I = 0X1F", 0, "I", "0X1F", KindFieldExpr, 0},  // the F after the digits is a label
        {"J = 12*4", 0, "J", "12*4", KindConstExpr, 0},
        {"K = G*2", 0, "K", "G*2", KindFieldExpr, 0},
        {"L = extension", 0, "L", "extension", KindField, 0},
        {"M = -5", 0, "M", "-5", KindNumber, -5},
        {"E=5", 1, "E", "5", KindNumber, 5},
    };
    for (const DirectiveCase& c : cases) {
        std::string directive = c.directive;
        generator.AddDefine(directive, c.replace);
        const int16_t index = generator.FindLabel(c.label);
        ASSERT_NE(index, 0) << c.directive;
        const DefineRecord& d = generator.Defines()[index];
        EXPECT_EQ(d.Definition, c.definition) << c.directive;
        EXPECT_EQ(d.Kind, c.kind) << c.directive;
        EXPECT_EQ(d.Value, c.value) << c.directive;
    }
    EXPECT_TRUE(display.messages.empty());
}

TEST_F(GeneratorTest, AddDefineConsumesTheDirective) {
    std::string directive = "Y AS [100 -0.5]";
    generator.AddDefine(directive, 0);
    EXPECT_EQ(directive, "[100 -0.5]");
}

TEST_F(GeneratorTest, AddDefineRefusesBadAndDuplicateDirectives) {
    const size_t before = generator.Defines().size();
    std::string directive = "E=5";
    generator.AddDefine(directive, 0);
    directive = "no separator";
    generator.AddDefine(directive, 0);
    ASSERT_EQ(display.messages.size(), 2u);
    EXPECT_EQ(display.messages[0], "Duplicate Definition for label E");
    EXPECT_EQ(display.messages[1], "Badly formed DEFINES directive, 'no separator'");
    EXPECT_EQ(generator.Defines().size(), before);
    EXPECT_EQ(generator.Defines()[1].Kind, KindChecksum);
}

TEST_F(GeneratorTest, NormaliseSpanCollapsesBlanksAndScalesSmallNumbers) {
    EXPECT_EQ(generator.NormaliseSpan("100   -0.5  \"a b\""), "100 -0.5 a b");
    EXPECT_EQ(generator.NormaliseSpan(""), "");
    EXPECT_EQ(generator.NormaliseSpan("0"), "0");
}

}  // namespace
}  // namespace kestrel::test
