// The generation request over the field record, the value check, and what
// the mode handlers, the list clicks and the manual code boxes do to it.

#include <gtest/gtest.h>

#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/request.h"
#include "generator/generator.h"
#include "support/recording_display.h"
#include "util/text.h"

namespace kestrel {
namespace {

// The record with the command list's item named name selected.
FieldRecord& Select(FieldRecord& fields, const std::string& name) {
    fields.selectedCommand = name;
    return fields;
}

class RequestTest : public ::testing::Test {
  protected:
    void SetUp() override {
        generator.SetupProtocol();
        reference.SetupProtocol();
        catalogue.LoadDeviceText(
            "[COMMANDS]\n"
            "Power = 1A; Enumeration; (0)Off, (1)On, (12)Twelve, (-1)Minus\n"
            "Level = 0C; Integer; 0..100\n"
            "Status = 30; Query\n"
            "[REMOTECODES]\n"
            "Menu = 5\n"
            "Blank =\n");
    }
    // What a generator of its own makes of one request.
    std::string Expected(const std::string ProtocolRecord::*form, const std::string& code,
                         const std::string& value, const std::string& kind) {
        return reference.GenerateCode(reference.Protocol().*form, code, value, kind).value_or("");
    }

    test::RecordingDisplay display;
    Generator generator;
    Generator reference;
    Catalogue catalogue;
    FieldRecord fields;
};

TEST_F(RequestTest, EmptyInputsAreReportedOnTheStatusLine) {
    fields.txtValue = "1";
    EXPECT_EQ(RequestCode(fields, generator, display), "");
    fields.txtFCdec = "0";  // a code of 0 is present
    fields.txtValue = "";
    EXPECT_EQ(RequestCode(fields, generator, display), "");
    ASSERT_EQ(display.statuses.size(), 2u);
    EXPECT_EQ(display.statuses[0].text, "There is no function code entered");
    EXPECT_EQ(display.statuses[1].text, "There is no value entered");
    EXPECT_EQ(display.statuses[1].seconds, 0);
    EXPECT_EQ(fields.valueKind, ValueKindOption::None);  // nothing chosen yet
    fields.txtValue = "1";
    EXPECT_NE(RequestCode(fields, generator, display), "");
}

struct FormCase {
    Mode mode;
    std::string code;
    ValueKindOption option;
    const std::string ProtocolRecord::*form;
    std::string kind;
};

TEST_F(RequestTest, TheFormFollowsModeCodeAndValueOption) {
    using P = ProtocolRecord;
    using K = ValueKindOption;
    const FormCase cases[] = {
        {Mode::Discrete, "8324", K::Dec, &P::FormDiscrete, "D"},
        {Mode::Manual, "8324", K::Dec, &P::FormRemote, "D"},
        {Mode::Manual, "08324", K::Dec, &P::FormDiscrete, "D"},
        {Mode::Manual, "26", K::Hex, &P::FormDiscrete, "H"},
        {Mode::Manual, "26", K::Ascii, &P::FormDiscrete, "A"},
        {Mode::Remote, "8324", K::Dec, &P::FormRemote, "D"},
        {Mode::Discrete, "26", K::Value, &P::FormValueText, "V"},
        {Mode::Manual, "8324", K::Value, &P::FormRemote, "V"},
    };
    for (const FormCase& c : cases) {
        fields.mode = c.mode;
        fields.txtFCdec = c.code;
        fields.txtValue = "12";
        fields.valueKind = c.option;
        EXPECT_EQ(RequestCode(fields, generator, display), Expected(c.form, c.code, "12", c.kind))
            << c.code << " kind " << c.kind;
    }
}

TEST_F(RequestTest, WithNoKindSelectedTheTextFormAndKindVAreUsed) {
    // A request of kind H leaves 0x7F as the generator's numeric value.
    fields.txtFCdec = "26";
    fields.txtValue = "7F";
    fields.valueKind = ValueKindOption::Hex;
    ASSERT_EQ(RequestCode(fields, generator, display),
              Expected(&ProtocolRecord::FormDiscrete, "26", "7F", "H"));
    fields.valueKind = ValueKindOption::None;
    fields.txtValue = "5";
    const std::string code = RequestCode(fields, generator, display);
    EXPECT_EQ(code, Expected(&ProtocolRecord::FormValueText, "26", "5", "V"));
    EXPECT_EQ(fields.valueKind, ValueKindOption::Value);
    // The numeric form would have sent the stale 0x7F instead of "5".
    EXPECT_NE(code, Expected(&ProtocolRecord::FormDiscrete, "26", "5", "V"));
}

TEST_F(RequestTest, GetValueKindTakesTheSelectedOption) {
    const std::pair<ValueKindOption, std::string> cases[] = {
        {ValueKindOption::Ascii, "A"}, {ValueKindOption::Dec, "D"},  {ValueKindOption::Hex, "H"},
        {ValueKindOption::Value, "V"}, {ValueKindOption::None, "V"},
    };
    for (const auto& [option, letter] : cases) {
        fields.valueKind = option;
        EXPECT_EQ(GetValueKind(fields), letter);
    }
    EXPECT_EQ(fields.valueKind, ValueKindOption::Value);
}

TEST_F(RequestTest, CheckValueFollowsTheSelectedCommand) {
    const std::pair<std::string, bool> range[] = {
        {"0", true},   {"100", true},  {"50.5", true}, {"abc", true},
        {"1 2", true}, {"101", false}, {"-1", false},  {"1e3", false},
    };
    fields.selectedCommand = "level";
    for (const auto& [text, accepted] : range) {
        EXPECT_EQ(CheckValue(catalogue, fields, text), accepted) << text;
    }
    fields.selectedCommand = "Power";
    EXPECT_TRUE(CheckValue(catalogue, fields, ""));
    fields.selectedCommand = "Status";
    EXPECT_FALSE(CheckValue(catalogue, fields, "1"));
    fields.selectedCommand = "";
    EXPECT_FALSE(CheckValue(catalogue, fields, "1"));
}

TEST_F(RequestTest, EditValueGivesCharacterCodes) {
    EXPECT_EQ(EditValue("AB"), "65,66");
    EXPECT_EQ(EditValue("5"), "53");
    EXPECT_EQ(EditValue("-1"), "45,49");
    EXPECT_EQ(EditValue("\xe9"), "233");
}

TEST_F(RequestTest, ClickingACommandAndAValue) {
    CommandClick click = ClickCommand(catalogue, Select(fields, "Power"), display);
    EXPECT_EQ(click.show, CommandClick::Show::Values);
    EXPECT_EQ(click.labels, (std::vector<std::string>{"Off", "On", "Twelve", "Minus"}));
    EXPECT_EQ(fields.txtFChex, "1A");
    EXPECT_EQ(fields.txtFCdec, "26");
    EXPECT_EQ(fields.valueKind, ValueKindOption::Value);
    ClickValue(catalogue, fields, 2, generator, display);
    EXPECT_EQ(fields.txtValue, "12");
    EXPECT_EQ(fields.txtOutput, Expected(&ProtocolRecord::FormValueText, "26", "12", "V"));
    ClickValue(catalogue, fields, 3, generator, display);
    EXPECT_EQ(fields.txtValue, "-1");
    fields.txtOutput = "kept";
    ClickValue(catalogue, fields, 4, generator, display);  // no such item
    EXPECT_EQ(fields.txtOutput, "kept");

    click = ClickCommand(catalogue, Select(fields, "Level"), display);
    EXPECT_EQ(click.show, CommandClick::Show::Range);
    EXPECT_EQ(click.rangePrompt, "Enter a value in the range 0 to 100");
    EXPECT_EQ(fields.txtFCdec, "12");
    EXPECT_EQ(fields.txtValue, "");
    EXPECT_EQ(fields.txtOutput, "");

    display.Clear();
    click = ClickCommand(catalogue, Select(fields, "Status"), display);
    EXPECT_EQ(click.show, CommandClick::Show::Query);
    ASSERT_EQ(display.statuses.size(), 1u);
    EXPECT_EQ(display.statuses[0].text, "Query Commands are not handled by IR");
    EXPECT_EQ(fields.txtFCdec, "48");
}

TEST_F(RequestTest, TheRangePanelChecksBeforeGenerating) {
    ClickCommand(catalogue, Select(fields, "Level"), display);
    fields.txtOutput = "old";
    EXPECT_FALSE(GenerateRangeValue(catalogue, fields, "101", generator, display));
    EXPECT_EQ(display.valueErrors, 1);
    EXPECT_EQ(fields.txtValue, "");
    EXPECT_EQ(fields.txtOutput, "");
    EXPECT_TRUE(GenerateRangeValue(catalogue, fields, "50", generator, display));
    EXPECT_EQ(fields.txtOutput, Expected(&ProtocolRecord::FormValueText, "12", "50", "V"));
}

TEST_F(RequestTest, RemoteButtonsUseTheRemoteFormWithDecimalValues) {
    fields.valueKind = ValueKindOption::Value;
    fields.PickMode(Mode::Remote);
    EXPECT_EQ(fields.txtFCdec, "8324");
    EXPECT_EQ(fields.txtFChex, "2084");
    EXPECT_EQ(fields.valueKind, ValueKindOption::Dec);
    ClickRemote(catalogue, fields, 0, generator, display);
    EXPECT_EQ(fields.txtOutput, Expected(&ProtocolRecord::FormRemote, "8324", "5", "D"));
    ClickRemote(catalogue, fields, 1, generator, display);  // empty code
    EXPECT_EQ(fields.txtOutput, "");
    EXPECT_EQ(display.statuses.back().text, "There is no value entered");

    fields.PickMode(Mode::Discrete);
    EXPECT_EQ(fields.txtFCdec, "");
    EXPECT_EQ(fields.txtFChex, "");
    EXPECT_EQ(fields.valueKind, ValueKindOption::None);
    fields.PickMode(Mode::Manual);
    EXPECT_EQ(fields.valueKind, ValueKindOption::Value);
    fields.PickMode(Mode::Discrete);
    EXPECT_EQ(fields.valueKind, ValueKindOption::Value);  // optVAL keeps its state
}

TEST_F(RequestTest, SelectingAModelLoadsItsFile) {
    EXPECT_TRUE(SelectModel(catalogue, "/nonexistent", "").ok());
    EXPECT_EQ(catalogue.ModelName, "");
    EXPECT_EQ(SelectModel(catalogue, "/nonexistent", "X").reason(),
              "There is no INI file named XIR.ini, one is required");
    EXPECT_EQ(catalogue.ModelName, "X");
    EXPECT_TRUE(SelectModel(catalogue, KESTREL_SOURCE_DIR "/devices", "Tessel10").ok());
    EXPECT_NE(catalogue.getETindex("Brightness"), 0);
}

TEST_F(RequestTest, ManualCodeBoxesStayInStep) {
    struct Case {
        std::string decimal, hex;
        bool warned;
    };
    const Case toHex[] = {
        {"255", "ff", false}, {"8324", "2084", false}, {"", "0", false},    {"256", "old", true},
        {"1e3", "old", true}, {"12abc", "old", true},  {"-5", "old", true},
    };
    for (const Case& c : toHex) {
        display.Clear();
        fields.txtFChex = "old";
        fields.txtFCdec = c.decimal;
        UpdateHexFromDecimal(fields, display);
        EXPECT_EQ(fields.txtFChex, c.hex) << c.decimal;
        ASSERT_EQ(display.messages.size(), c.warned ? 1u : 0u) << c.decimal;
        if (c.warned) {
            // Only a number gets the range message; other text is no code at all.
            EXPECT_EQ(display.messages[0],
                      c.decimal == "256" ? kIllegalFunctionCode : kNotAFunctionCode);
        }
    }

    const Case toDecimal[] = {{"499", "1f3", true}, {"8324", "2084", false}, {"112", "7g", false}};
    for (const Case& c : toDecimal) {
        display.Clear();
        fields.txtFChex = c.hex;
        UpdateDecimalFromHex(fields, display);
        EXPECT_EQ(fields.txtFCdec, c.decimal) << c.hex;
        EXPECT_EQ(fields.txtFChex, UpperCase(c.hex));
        EXPECT_EQ(display.messages.size(), c.warned ? 1u : 0u) << c.hex;
    }

    fields.SetText(Box::FCdec, "");
    EXPECT_EQ(fields.txtFChex, "");
    fields.SetText(Box::FCdec, "12");
    fields.SetText(Box::FChex, "C");
    fields.SetText(Box::FChex, "");
    EXPECT_EQ(fields.txtFCdec, "");
}

}  // namespace
}  // namespace kestrel
