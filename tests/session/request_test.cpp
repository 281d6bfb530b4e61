// The generation request over the field record, and what the window's
// handlers do to the fields; the command line's tests run the same routines
// end to end. The codes expected are those of the command line's golden file.

#include <gtest/gtest.h>

#include <string>

#include "catalogue/catalogue.h"
#include "generator/generator.h"
#include "session/request.h"
#include "support/golden.h"
#include "support/recording_display.h"

namespace kestrel {
namespace {

class RequestTest : public ::testing::Test {
  protected:
    void SetUp() override {
        generator.SetupProtocol();
        ASSERT_TRUE(SelectModel(catalogue, KESTREL_SOURCE_DIR "/devices", "Tessel10").ok());
    }
    std::string Request(Mode mode, const char* code, const char* value, ValueKindOption kind) {
        fields.mode = mode;
        fields.functionCodeDecimal = code;
        fields.valueText = value;
        fields.valueKind = kind;
        return display.Play(RequestCode(fields, generator), fields).code;
    }
    test::RecordingDisplay display;
    Generator generator;
    Catalogue catalogue;
    FieldRecord fields;
};

TEST_F(RequestTest, TheFormFollowsModeCodeAndValueOption) {
    using K = ValueKindOption;
    EXPECT_EQ(Request(Mode::Manual, "", "1", K::None), "");
    EXPECT_EQ(Request(Mode::Manual, "0", "", K::None), "");  // a code of 0 is there
    ASSERT_EQ(display.statuses.size(), 2u);
    EXPECT_EQ(display.statuses[0].text + "|" + display.statuses[1].text,
              "There is no function code entered|There is no value entered");
    EXPECT_EQ(display.statuses[1].seconds, 0);
    EXPECT_EQ(fields.valueKind, K::None);
    // Only Manual mode takes the remote form for 8324. With no kind the text
    // form is used, not the F field that holds the last request's 0x7F.
    EXPECT_EQ(Request(Mode::Discrete, "8324", "12", K::Dec),
              test::GoldenCode("requests.txt", "$ [manual] [08324] [12] [--kind] [D]"));
    EXPECT_EQ(Request(Mode::Manual, "16", "7F", K::Hex),
              test::GoldenCode("requests.txt", "$ [manual] [16] [7F] [--kind] [h]"));
    EXPECT_EQ(Request(Mode::Manual, "16", "1", K::None),
              test::GoldenCode("requests.txt", "$ [manual] [16] [1] [--kind] [V]"));
    EXPECT_EQ(fields.valueKind, K::Value);  // selected for the user to see
    std::string kinds;
    for (const K option : {K::Ascii, K::Dec, K::Hex, K::Value, K::None}) {
        fields.valueKind = option;
        kinds += GetValueKind(fields);
    }
    EXPECT_EQ(kinds, "ADHVV");
}

TEST_F(RequestTest, TheGeneratorsNotesComeBeforeItsRefusal) {
    std::string directive = "D AS 1/0";
    ASSERT_TRUE(generator.AddDefine(directive, true).ok());
    const std::string tooLong(61, 'x');  // 38 + 16 x 61 durations
    EXPECT_EQ(Request(Mode::Discrete, "16", tooLong.c_str(), ValueKindOption::Value), "");
    const std::string code = Request(Mode::Discrete, "16", "x", ValueKindOption::Value);
    EXPECT_NE(code, "");
    const std::string failed = "Evaluation of define D failed: Division by zero";
    EXPECT_EQ(display.messages,
              (std::vector<std::string>{
                  failed, "The code would hold more than 1000 durations; no code was generated",
                  failed}));
    // A request made while a note is shown no longer runs inside the one
    // that shows it, so it cannot spoil that code.
    int nested = 0;
    display.onMessage = [&](const std::string&) {
        if (nested++ == 0) Request(Mode::Discrete, "16", tooLong.c_str(), ValueKindOption::Value);
    };
    EXPECT_EQ(Request(Mode::Discrete, "16", "x", ValueKindOption::Value), code);
}

TEST_F(RequestTest, ClicksInTheListsAndTheRangePanel) {
    fields.selectedCommand = "power";
    EXPECT_EQ(ClickCommand(catalogue, fields).labels.size(), 2u);
    EXPECT_TRUE(CheckValue(catalogue, fields, ""));
    display.Play(ClickValue(catalogue, fields, 1, generator), fields);
    display.Play(ClickValue(catalogue, fields, 2, generator), fields);  // no such item: no change
    EXPECT_EQ(fields.valueText + " " + fields.output,
              "1 " + test::GoldenCode("requests.txt", "$ [code] [Tessel10] [Power] [On]"));

    fields.selectedCommand = "Brightness";
    EXPECT_EQ(ClickCommand(catalogue, fields).rangePrompt, "Enter a value in the range 0 to 100");
    std::string verdicts;  // by the leading number
    for (const char* text : {"0", "100", "50.5", "abc", "1 2", "101", "-1", "1e3"})
        verdicts += CheckValue(catalogue, fields, text) ? 'y' : 'n';
    EXPECT_EQ(verdicts, "yyyyynnn");
    fields.output = "old";
    EXPECT_TRUE(display.Play(GenerateRangeValue(catalogue, fields, "101", generator), fields)
                    .ValueRefused());
    EXPECT_EQ(fields.valueText + fields.output, "");
    EXPECT_EQ(EditValue("AB") + "|" + EditValue("-1") + "|" + EditValue("\xe9"), "65,66|45,49|233");
}

// A write that follows a notice waits for it: what a handler run during the
// flash changes is overwritten afterwards, as the window does it.
TEST_F(RequestTest, WritesAfterANoticeLandAfterWhatHappenedDuringIt) {
    fields.selectedCommand = "Brightness";
    display.Play(ClickCommand(catalogue, fields).outcome, fields);
    const Outcome refused = GenerateRangeValue(catalogue, fields, "101", generator);
    EXPECT_EQ(fields.valueText, "101");  // not yet emptied
    std::vector<std::string> seen;
    refused.Play(fields, [&](const Notice& notice) {
        seen.push_back(notice == Notice::ValueError() ? "Value Error" : notice.text);
        fields.output = "clicked meanwhile";
    });
    EXPECT_EQ(seen, std::vector<std::string>{"Value Error"});
    EXPECT_EQ(fields.valueText + fields.output, "");
    ASSERT_NE(refused.Refusal(), nullptr);
    EXPECT_TRUE(refused.ValueRefused());

    // A request's notes are played; its refusal is left to a caller that
    // reports it itself.
    fields.functionCodeDecimal = "";
    fields.valueText = "1";
    const Outcome missing = RequestCode(fields, generator);
    seen.clear();
    missing.PlayNotes(fields, [&](const Notice& notice) { seen.push_back(notice.text); });
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(missing.Refusal()->text, "There is no function code entered");
    EXPECT_FALSE(missing.ValueRefused());
}

// The window's tests and the hostile input tables cover the mode handlers
// and most text typed into the code boxes.
TEST_F(RequestTest, ModelsAndTheManualCodeBoxes) {
    EXPECT_TRUE(SelectModel(catalogue, "/nonexistent", "").ok());  // nothing changes
    EXPECT_EQ(catalogue.ModelName, "Tessel10");
    // A number that is no whole number is no code; an empty box is 0.
    for (const char* decimal : {"1e3", ""}) {
        fields.functionCodeHex = "old";
        fields.functionCodeDecimal = decimal;
        display.Play(UpdateHexFromDecimal(fields), fields);
    }
    EXPECT_EQ(display.messages, std::vector<std::string>{kNotAFunctionCode});
    EXPECT_EQ(fields.functionCodeHex, "0");
    fields.SetText(Box::CodeDecimal, "12");
    fields.SetText(Box::CodeHex, "");  // emptying one box empties the other
    EXPECT_EQ(fields.functionCodeDecimal, "");
}

}  // namespace
}  // namespace kestrel
