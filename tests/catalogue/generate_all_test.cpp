// Gen ALL: samples, captions, the three output kinds, the converter start,
// the observer, and failing files.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <type_traits>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/generate_all.h"
#include "catalogue/output_file.h"
#include "generator/generator.h"
#include "support/memory_files.h"
#include "support/recording_display.h"

namespace kestrel {
namespace {

static_assert(std::is_same_v<decltype(GenerateAll::ProntoButtonNumber), int64_t>,
              "button numbers must not overflow on long runs");

struct Launch {
    std::string program;
    std::vector<std::string> arguments;
    std::string folder;
};

class GenerateAllTest : public ::testing::Test {
  protected:
    void SetUp() override {
        generator.SetupProtocol();
        reference.SetupProtocol();
        catalogue.LoadDeviceText(
            "[COMMANDS]\r\n"
            "Power = 1A; Enumeration; (0)Off, (1)On, (-1)Auto\r\n"
            "Level = 0C; Integer; 0..255\r\n"
            "Status = 30; Query\r\n"
            "Empty = 31; Enumeration;\r\n");
        programFolder =
            std::filesystem::path(::testing::TempDir()) /
            ("kestrel-program-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(programFolder);
        std::filesystem::create_directories(programFolder);
        run.SetConverter(programFolder.string(),
                         [this](const std::string& program, const std::vector<std::string>& args,
                                const std::string& folder, std::string&) {
                             launches.push_back({program, args, folder});
                             return true;
                         });
    }
    // The code every sample of a run carries: the text form with kind "V".
    std::string Code(const std::string& code, const std::string& value) {
        return reference.GenerateCode(reference.Protocol().FormValueText, code, value, "V")
            .value_or("");
    }
    void MakeConverter() { std::ofstream(programFolder / "hex2ccf") << "#!/bin/sh\n"; }

    test::RecordingDisplay display;
    Generator generator;
    Generator reference;
    Catalogue catalogue;
    test::MemoryFiles files;
    GenerateAll run{catalogue, generator, display, files};
    FieldRecord fields;
    std::filesystem::path programFolder;
    std::vector<Launch> launches;
};

TEST_F(GenerateAllTest, TextListingHoldsEnumerationsAndRanges) {
    const GenerateAllResult result = run.Run(fields, "/out/codes.dat");
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.samples, 6);
    const std::string expected =
        "IR Data For Command Power = Off  (0x1A/26  '0'/48)\r\n" + Code("26", "0") + "\r\n" +
        "IR Data For Command Power = On  (0x1A/26  '1'/49)\r\n" + Code("26", "1") + "\r\n" +
        "IR Data For Command Power = Auto  (0x1A/26  '-1'/45,49)\r\n" + Code("26", "-1") + "\r\n" +
        "IR Data For Command Level(0x0C/12) Minimum of Range=0\r\n" + Code("12", "0") + "\r\n" +
        "IR Data For Command Level(0x0C/12) Middle of Range=128\r\n" + Code("12", "128") + "\r\n" +
        "IR Data For Command Level(0x0C/12) Maximum of Range=255\r\n" + Code("12", "255") + "\r\n";
    ASSERT_EQ(files.files.size(), 1u);
    EXPECT_EQ(files.files["/out/codes.dat"].bytes, expected);
    EXPECT_TRUE(files.files["/out/codes.dat"].closed);
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(display.messages.empty());
}

TEST_F(GenerateAllTest, ProntoHexHoldsEnumerationsOnly) {
    EXPECT_EQ(run.Run(fields, "/out/REMOTE.HEX").samples, 3);
    EXPECT_EQ(files.files["/out/REMOTE.HEX"].bytes,
              "IR Data For Command Power = Off  Device Code: 26 Function: 260\r\n" +
                  Code("26", "0") + "\r\n" +
                  "IR Data For Command Power = On  Device Code: 26 Function: 261\r\n" +
                  Code("26", "1") + "\r\n" +
                  "IR Data For Command Power = Auto  Device Code: 26 Function: 26-1\r\n" +
                  Code("26", "-1") + "\r\n");
    EXPECT_EQ(run.ProntoButtonNumber, 3);
}

TEST_F(GenerateAllTest, CcfRunWritesTemporaryFileAndListingThenStartsTheConverter) {
    MakeConverter();
    const GenerateAllResult result = run.Run(fields, "/out/my codes.Ccf");
    EXPECT_TRUE(result.converterStarted);
    ASSERT_EQ(files.files.size(), 2u);
    const test::MemoryFiles::Content& temporary = files.files["/out/Temp$$.hex"];
    EXPECT_EQ(
        temporary.bytes.find("IR Data For Command Power = Off  Device Code: 26 Function: 260\r\n" +
                             Code("26", "0") + "\r\n"),
        0u);
    EXPECT_EQ(files.files["/out/my codes.txt"].bytes,
              "Pronto Button # 000 labeled as 260   is IR Data For Command: Power = Off\r\n"
              "Pronto Button # 001 labeled as 261   is IR Data For Command: Power = On\r\n"
              "Pronto Button # 002 labeled as 26-1  is IR Data For Command: Power = Auto\r\n");
    EXPECT_TRUE(temporary.closed);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].program, (programFolder / "hex2ccf").string());
    EXPECT_EQ(launches[0].arguments, (std::vector<std::string>{"Temp$$.hex", "/out/my codes.Ccf"}));
    EXPECT_EQ(launches[0].folder, "/out");

    // The next run numbers its buttons from 000 again.
    run.Run(fields, "/out/again.ccf");
    EXPECT_EQ(files.files["/out/again.txt"].bytes.substr(0, 20), "Pronto Button # 000 ");
}

TEST_F(GenerateAllTest, TheTemporaryFileLiesBesideTheChosenFile) {
    MakeConverter();
    struct Case {
        std::string chosen, temporary, listing, folder;
    };
    const Case cases[] = {
        {"/codes.ccf", "/Temp$$.hex", "/codes.txt", "/"},
        {"codes.ccf", "./Temp$$.hex", "codes.txt", "."},
        {"/a b/c.d/x.CCF", "/a b/c.d/Temp$$.hex", "/a b/c.d/x.txt", "/a b/c.d"},
    };
    for (const Case& c : cases) {
        files.files.clear();
        launches.clear();
        run.Run(fields, c.chosen);
        EXPECT_EQ(files.files.count(c.temporary), 1u) << c.chosen;
        EXPECT_EQ(files.files.count(c.listing), 1u) << c.chosen;
        ASSERT_EQ(launches.size(), 1u);
        EXPECT_EQ(launches[0].folder, c.folder);
    }
}

TEST_F(GenerateAllTest, AMissingConverterIsReported) {
    const GenerateAllResult result = run.Run(fields, "/out/codes.ccf");
    EXPECT_TRUE(result.written);
    EXPECT_TRUE(result.converterMissing);
    EXPECT_TRUE(launches.empty());
    ASSERT_EQ(display.messages.size(), 1u);
    EXPECT_EQ(display.messages[0],
              "file '" + (programFolder / "hex2ccf").string() + "' does not exist");
    EXPECT_EQ(files.files.count("/out/codes.txt"), 1u);
}

TEST_F(GenerateAllTest, OutputKindComesFromTheLastFourCharacters) {
    const std::pair<std::string, OutputKind> cases[] = {
        {"REMOTE.HEX", OutputKind::ProntoHex},   {"a.CcF", OutputKind::ProntoCcf},
        {"REMOTE.DAT", OutputKind::TextListing}, {"hex", OutputKind::TextListing},
        {"x.txt", OutputKind::TextListing},      {"codes", OutputKind::TextListing},
    };
    for (const auto& [name, kind] : cases)
        EXPECT_EQ(OutputKindOf(name), kind) << name;
}

TEST_F(GenerateAllTest, MiddleOfRange) {
    const std::pair<ValueRange, std::string> cases[] = {
        {{"0", "255"}, "128"},  {{"1", "4"}, "2"},      {{"0.5", "1.5"}, "1"},
        {{"1.5", "2"}, "1.75"}, {{"0", "2.5"}, "1"},    {{"0", "65535"}, "32768"},
        {{"-3", "0"}, "-2"},    {{"-0.5", "0.5"}, "0"}, {{"0", "100"}, "50"},
        {{"abc", "7"}, "4"},    {{"&H10", "0"}, "8"},
    };
    for (const auto& [range, middle] : cases) {
        EXPECT_EQ(MiddleOfRange(range).value_or("none"), middle) << range.Min << ".." << range.Max;
    }
    EXPECT_FALSE(MiddleOfRange({"1e400", "0"}));
    EXPECT_FALSE(MiddleOfRange({"1.5e400", "0"}));
    // Beyond 15 digits a real middle has zeros, not the double's binary noise.
    EXPECT_EQ(MiddleOfRange({"0.5", "1e23"}), "50000000000000000000000");
    EXPECT_EQ(MiddleOfRange({"0.0", "123456789012345678901"}), "61728394506172800000");
    // A whole middle of any size is written whole.
    EXPECT_EQ(MiddleOfRange({"0", "99999999999999999999"}), "50000000000000000000");
    EXPECT_EQ(MiddleOfRange({"1e300", "1e300"})->size(), 301u);
}

TEST_F(GenerateAllTest, CompanionLinePadsShortLabelsOnly) {
    EXPECT_EQ(CompanionLine(0, "26", "X"),
              "Pronto Button # 000 labeled as 26    is IR Data For Command: X");
    EXPECT_EQ(CompanionLine(7, "12345", "X"),
              "Pronto Button # 007 labeled as 12345 is IR Data For Command: X");
    EXPECT_EQ(CompanionLine(1000, "255100", "X"),
              "Pronto Button # 1000 labeled as 255100 is IR Data For Command: X");
    EXPECT_EQ(CompanionLine(40000, "1", "X").substr(0, 22), "Pronto Button # 40000 ");
}

TEST_F(GenerateAllTest, FunctionCodesOfOtherLengthsShowTheHex2IntMessage) {
    catalogue.LoadDeviceText("[COMMANDS]\nOdd = 1A0; Enumeration; (1)X\n");
    run.Run(fields, "/out/a.txt");
    EXPECT_EQ(files.files["/out/a.txt"].bytes,
              "IR Data For Command Odd = X  (0x1A0/0  '1'/49)\r\n" + Code("416", "1") + "\r\n");
    EXPECT_EQ(display.messages,
              std::vector<std::string>(2, "Illegal call to Hex2Int with value 1A0"));
    display.Clear();
    run.Run(fields, "/out/a.hex");
    EXPECT_EQ(display.messages.size(), 1u);
    EXPECT_EQ(files.files["/out/a.hex"].bytes.find(
                  "IR Data For Command Odd = X  Device Code: 0 Function: 01\r\n"),
              0u);
}

TEST_F(GenerateAllTest, LabelsAreWrittenAsTheirBytes) {
    catalogue.LoadDeviceText("[COMMANDS]\nMode = 13; Enumeration; (1)Cin\xe9ma\n");
    run.Run(fields, "/out/a.hex");
    EXPECT_EQ(files.files["/out/a.hex"].bytes.find(
                  "IR Data For Command Mode = Cin\xe9ma  Device Code: 19 Function: 191\r\n"),
              0u);
}

// Records what a window would show at each step of a run.
class RecordingObserver : public GenerateAllObserver {
  public:
    explicit RecordingObserver(const FieldRecord& fields) : fields_(fields) {}
    void RunStarted() override { events.push_back("started " + fields_.txtFCdec); }
    void ProcessEvents() override {
        events.push_back("events " + fields_.txtValue +
                         (fields_.txtOutput.empty() ? "" : " +code"));
    }
    void CaptionChanged(const std::string& caption) override {
        events.push_back("caption " + caption);
    }
    void SampleWritten(const WindowFields&, const Sample& sample) override {
        events.push_back("sample " + std::to_string(sample.number) + " " +
                         std::to_string(sample.entry) + "." + std::to_string(sample.item) + " " +
                         sample.df);
    }
    void RunEnded() override { events.push_back("ended"); }
    bool ShouldStop() override { return stopAfter >= 0 && int(events.size()) >= stopAfter; }
    std::vector<std::string> events;
    int stopAfter = -1;

  private:
    const FieldRecord& fields_;
};

TEST_F(GenerateAllTest, TheObserverSeesEveryStep) {
    catalogue.LoadDeviceText(
        "[COMMANDS]\nPower = 1A; Enumeration; (1)On\nLevel = 0C; Integer; 0..10\n");
    RecordingObserver observer(fields);
    run.SetObserver(&observer);
    fields.mode = Mode::Remote;
    fields.txtFCdec = "8324";
    run.Run(fields, "/out/a.txt");
    const std::vector<std::string> expected = {
        // Discrete mode was picked: the code boxes are empty.
        "started ",
        // Power = On: the value is set, events run, the request is made.
        "events 1", "caption Power = On  (0x1A/26  '1'/49)", "sample 0 1.1 26",
        // Level: caption first, then events and the request, three times;
        // the previous code stays shown until the request.
        "caption Level(0x0C/12) Minimum of Range=0", "events 0", "sample 1 2.1 12",
        "caption Level(0x0C/12) Middle of Range=5", "events 5 +code", "sample 2 2.2 12",
        "caption Level(0x0C/12) Maximum of Range=10", "events 10 +code", "sample 3 2.3 12",
        "ended"};
    EXPECT_EQ(observer.events, expected);
    // What the window shows afterwards.
    EXPECT_EQ(fields.mode, Mode::Discrete);
    EXPECT_EQ(fields.txtFChex, "0C");
    EXPECT_EQ(fields.txtFCdec, "12");
    EXPECT_EQ(fields.txtValue, "10");
    EXPECT_EQ(fields.txtOutput, "");
    EXPECT_EQ(fields.valueKind, ValueKindOption::Value);
}

TEST_F(GenerateAllTest, ARunEndedByTheUserStopsBeforeItsNextSample) {
    MakeConverter();
    RecordingObserver observer(fields);
    observer.stopAfter = 4;  // Done is pressed while the second sample's events run
    run.SetObserver(&observer);
    const GenerateAllResult result = run.Run(fields, "/out/codes.ccf");
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.samples, 1);
    EXPECT_TRUE(files.files["/out/Temp$$.hex"].closed);
    EXPECT_TRUE(files.files["/out/codes.txt"].closed);
    EXPECT_EQ(std::count(files.files["/out/Temp$$.hex"].bytes.begin(),
                         files.files["/out/Temp$$.hex"].bytes.end(), '\n'),
              2);
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(display.messages.empty());
    EXPECT_NE(observer.events.back(), "ended");  // nothing further is reported
}

TEST_F(GenerateAllTest, ACancelledDialogChangesNothing) {
    fields.txtFCdec = "5";
    fields.mode = Mode::Manual;
    EXPECT_FALSE(run.Run(fields, "").ran);
    EXPECT_EQ(fields.txtFCdec, "5");
    EXPECT_EQ(fields.mode, Mode::Manual);
    EXPECT_TRUE(files.files.empty());
}

TEST_F(GenerateAllTest, AFailingWriteEndsTheRunAndClosesEveryFile) {
    MakeConverter();
    RecordingObserver observer(fields);
    run.SetObserver(&observer);
    // Room for the first sample and a little of the second.
    files.failAfter["/out/Temp$$.hex"] = 64 + Code("26", "0").size() + 2 + 10;
    const GenerateAllResult result = run.Run(fields, "/out/codes.ccf");
    EXPECT_FALSE(result.written);
    EXPECT_EQ(result.samples, 1);
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(files.files["/out/Temp$$.hex"].closed);
    EXPECT_TRUE(files.files["/out/codes.txt"].closed);
    ASSERT_EQ(display.messages.size(), 1u);
    EXPECT_EQ(display.messages[0],
              "Could not write the file '/out/Temp$$.hex': No space left on device");
    EXPECT_EQ(observer.events.back(), "ended");
    EXPECT_EQ(fields.txtOutput, "");
}

TEST_F(GenerateAllTest, AFileThatCannotBeCreatedIsReported) {
    files.failCreate["/out/Temp$$.hex"] = 1;
    fields.mode = Mode::Manual;
    EXPECT_FALSE(run.Run(fields, "/out/codes.ccf").written);
    EXPECT_TRUE(files.files["/out/codes.txt"].closed);
    EXPECT_EQ(
        display.messages,
        std::vector<std::string>{"Could not create the file '/out/Temp$$.hex': Permission denied"});
    EXPECT_EQ(fields.mode, Mode::Manual);  // the run never started
}

TEST(GenerateAllFiles, AFullDiskIsReported) {
    test::RecordingDisplay display;
    Generator generator;
    generator.SetupProtocol();
    Catalogue catalogue;
    std::string text = "[COMMANDS]\n";
    for (int i = 0; i < 50; ++i)
        text += "C" + std::to_string(i) + " = 10; Enumeration; (1)On\n";
    catalogue.LoadDeviceText(text);
    StdioOutputFiles files;
    GenerateAll run(catalogue, generator, display, files);
    FieldRecord fields;
    EXPECT_FALSE(run.Run(fields, "/dev/full").written);
    ASSERT_EQ(display.messages.size(), 1u);
    EXPECT_EQ(display.messages[0], "Could not write the file '/dev/full': No space left on device");

    display.Clear();
    const std::string gone = ::testing::TempDir() + "kestrel-gone/codes.txt";
    EXPECT_FALSE(run.Run(fields, gone).written);
    ASSERT_EQ(display.messages.size(), 1u);
    EXPECT_EQ(display.messages[0],
              "Could not create the file '" + gone + "': No such file or directory");
}

}  // namespace
}  // namespace kestrel
