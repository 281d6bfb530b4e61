// Gen ALL: the files of each kind against the golden files, captions and
// middle values worked out by hand, the companion listing's lines, failing
// files, the converter start and a run ended by the user.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "export/generate_all.h"
#include "export/output_file.h"
#include "generator/generator.h"
#include "session/request.h"
#include "support/golden.h"
#include "support/memory_files.h"
#include "support/recording_display.h"
#include "util/text.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

static_assert(std::is_same_v<decltype(Sample::number), int64_t>,
              "button numbers must not overflow on long runs");

// Records what a window would show at each step of a run.
struct RecordingObserver : GenerateAllObserver {
    RecordingObserver(const FieldRecord& shown, test::RecordingDisplay& display)
        : fields(shown), display(display) {}
    void RunStarted(int64_t samples) override {
        events.push_back("started " + fields.functionCodeDecimal + " " + std::to_string(samples));
    }
    void ProcessEvents() override {
        events.push_back("events " + fields.valueText + (fields.output.empty() ? "" : " +code"));
    }
    void CaptionChanged(const std::string& caption) override { events.push_back(caption); }
    void SampleWritten(const WindowFields&, const Sample& s) override {
        events.push_back(std::to_string(s.number) + " " + std::to_string(s.entry) + "." +
                         std::to_string(s.item) + " " + s.command + "|" + s.label + "|" +
                         s.functionHex + "|" + s.functionDec + "|" + s.value + "|" + s.valueKind);
    }
    void RunEnded() override { events.push_back("ended"); }
    bool ShouldStop() override { return stopAfter >= 0 && int(events.size()) >= stopAfter; }
    void Show(const Notice& notice) override { kestrel::Show(notice, display); }
    const FieldRecord& fields;
    test::RecordingDisplay& display;
    std::vector<std::string> events;
    int stopAfter = -1;
};

class GenerateAllTest : public ::testing::Test {
  protected:
    void SetUp() override {
        generator.SetupProtocol();
        ASSERT_TRUE(SelectModel(catalogue, KESTREL_SOURCE_DIR "/devices", "Tessel10"));
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        program = fs::path(::testing::TempDir()) / ("kestrel-genall-" + std::string(test->name()));
        fs::create_directories(program);
        std::ofstream(program / "hex2ccf") << "#!/bin/sh\n";
    }
    GenerateAllResult Run(const std::string& chosen, OutputFiles* into = nullptr) {
        GenerateAll run(catalogue, generator, into ? *into : files);
        run.SetObserver(&observer);
        run.SetConverter(program.string(),
                         [this](const std::string& p, const std::vector<std::string>& a,
                                const std::string& f) -> Status {
                             launches.push_back(p + "|" + a.at(0) + "|" + a.at(1) + "|" + f);
                             return {};
                         });
        return run.Run(fields, chosen);
    }
    std::string Converter() const { return (program / "hex2ccf").string(); }

    test::RecordingDisplay display;
    Generator generator;
    Catalogue catalogue;
    test::MemoryFiles files;
    FieldRecord fields;
    RecordingObserver observer{fields, display};
    fs::path program;
    std::vector<std::string> launches;  // program|arguments|working folder
};

TEST_F(GenerateAllTest, EachKindWritesItsGoldenFiles) {
    const char* const rows[][3] = {
        {"/out/T.dat", "/out/T.dat", "export_Tessel10.txt"},
        {"/out/T.HEX", "/out/T.HEX", "export_Tessel10.hex"},
        {"/out/my codes.Ccf", "/out/Temp$$.hex", "export_Tessel10.hex"},
        {"/out/my codes.Ccf", "/out/my codes.txt", "export_Tessel10_ccf_listing.txt"}};
    for (const auto& [chosen, path, golden] : rows) {
        for (int run = 0; run < 2; ++run) {  // the button numbers start at 000 again
            files.files.clear();
            EXPECT_TRUE(Run(chosen).written);
            EXPECT_EQ(files.files.size(), EndsWithNoCase(chosen, ".ccf") ? 2u : 1u);
            EXPECT_EQ(files.files[path].bytes, test::GoldenText(golden)) << path;
            EXPECT_TRUE(files.files[path].closed) << path;
        }
    }
    EXPECT_TRUE(display.messages.empty());
    const char* const byFile[][2] = {{"REMOTE.HEX", "hex"}, {"a.CcF", "ccf"}, {"R.DAT", "txt"},
                                     {"hex", "txt"},        {"x.txt", "txt"}, {"codes", "txt"},
                                     {"c.json", "txt"},     {"c.csv", "txt"}};
    for (const auto& [file, kind] : byFile)
        EXPECT_EQ(OutputKindOf(file).name, kind) << file;
    EXPECT_EQ(OutputKindNamed("HEX"), &OutputKindOf("a.hex"));
    EXPECT_EQ(OutputKindNamed("ccf")->name, "ccf");
    EXPECT_EQ(OutputKindNamed("txt")->name, "txt");
    EXPECT_EQ(OutputKindNamed("JSON")->name, "json");
    EXPECT_EQ(OutputKindNamed("xml"), nullptr);
}

// The worked examples: Power (1A) with (1)On, Level (0C) from 0 to 255.
TEST_F(GenerateAllTest, CaptionsAndSamplesAsWorkedOutByHand) {
    catalogue.LoadDeviceText(
        "[COMMANDS]\nPower = 1A; Enumeration; (1)On, (-1)Auto\nLevel = 0C; Integer; 0..255\n"
        "Status = 30; Query\nEmpty = 31; Enumeration;\n"
        "Odd = 1A0; Enumeration; (1)X\nMode = 13; Enumeration; (1)Cin\xe9ma\n");
    fields.functionCodeDecimal = "8324";
    fields.mode = Mode::Remote;
    Run("/out/a.txt");
    const std::vector<std::string> events = {
        "started  7",  // Discrete mode was picked: the code boxes are empty; 7 samples
        // A choice: the value is set, events run, the code is made, the caption shown.
        "events 1", "Power = On  (0x1A/26  '1'/49)", "0 1.1 Power|On|1A|26|1|V", "events -1",
        "Power = Auto  (0x1A/26  '-1'/45,49)", "1 1.2 Power|Auto|1A|26|-1|V",
        // A range sample: the caption first; the previous code stays shown.
        "Level(0x0C/12) Minimum of Range=0", "events 0", "2 2.1 Level|Minimum of Range|0C|12|0|V",
        "Level(0x0C/12) Middle of Range=128", "events 128 +code",
        "3 2.2 Level|Middle of Range|0C|12|128|V", "Level(0x0C/12) Maximum of Range=255",
        "events 255 +code", "4 2.3 Level|Maximum of Range|0C|12|255|V", "events 1",
        "Odd = X  (0x1A0/0  '1'/49)", "5 5.1 Odd|X|1A0|0|1|V", "events 1",
        "Mode = Cin\xe9ma  (0x13/19  '1'/49)", "6 6.1 Mode|Cin\xe9ma|13|19|1|V", "ended"};
    EXPECT_EQ(observer.events, events);
    // What the window shows afterwards.
    EXPECT_EQ(fields.mode, Mode::Discrete);
    EXPECT_EQ(fields.valueKind, ValueKindOption::Value);
    EXPECT_EQ(fields.functionCodeHex + " " + fields.functionCodeDecimal + " " + fields.valueText +
                  fields.output,
              "13 19 1");
    // ParseHexByte's message each time the decimal code is needed: caption and file.
    EXPECT_EQ(display.messages,
              std::vector<std::string>(2, "Illegal call to Hex2Int with value 1A0"));

    // The short captions need no decimal code: one message, for the file.
    display.Clear();
    Run("/out/a.hex");
    EXPECT_EQ(display.messages.size(), 1u);
    for (const char* line : {"Power = Auto  Device Code: 26 Function: 26-1\r\n",
                             "Odd = X  Device Code: 0 Function: 01\r\n",
                             "Mode = Cin\xe9ma  Device Code: 19 Function: 191\r\n"}) {
        EXPECT_NE(files.files["/out/a.hex"].bytes.find(line), std::string::npos) << line;
    }
}

TEST(GenerateAll, MiddleOfRangeAndCompanionLines) {
    // Beyond 15 digits a real middle has zeros, not the double's binary
    // noise; a whole middle of any size is written whole.
    const char* const middles[][3] = {
        {"0", "255", "128"}, {"1", "4", "2"},     {"0.5", "1.5", "1"},    {"1.5", "2", "1.75"},
        {"0", "2.5", "1"},   {"-3", "0", "-2"},   {"-0.5", "0.5", "0"},   {"abc", "7", "4"},
        {"&H10", "0", "8"},  {"1e400", "0", "-"}, {"0", "65535", "32768"}};
    for (const auto& [min, max, middle] : middles)
        EXPECT_EQ(MiddleOfRange({min, max}).value_or("-"), middle) << min << ".." << max;
    EXPECT_EQ(MiddleOfRange({"0.5", "1e23"}), "50000000000000000000000");
    EXPECT_EQ(MiddleOfRange({"0.0", "123456789012345678901"}), "61728394506172800000");
    EXPECT_EQ(MiddleOfRange({"0", "99999999999999999999"}), "50000000000000000000");

    const std::string caption = " is IR Data For Command: X";
    EXPECT_EQ(CompanionLine(0, "26", "X"), "Pronto Button # 000 labeled as 26   " + caption);
    EXPECT_EQ(CompanionLine(7, "12345", "X"), "Pronto Button # 007 labeled as 12345" + caption);
    EXPECT_EQ(CompanionLine(1000, "255100", "X"),
              "Pronto Button # 1000 labeled as 255100" + caption);
    EXPECT_EQ(CompanionLine(5000000000, "1", "X"),
              "Pronto Button # 5000000000 labeled as 1    " + caption);
}

// The values a complete export takes of a range, and the note when it keeps
// the three samples instead.
TEST(GenerateAll, RangeValuesOfACompleteExport) {
    const struct {
        const char* name;
        bool integer;
        const char *min, *max;
        std::optional<double> step;
        const char* values;  // how the values start; "" for the three samples
        size_t count;
        const char* note;  // how the note ends; "" for none
    } rows[] = {
        {"whole integer range", true, "-2", "2", {}, "-2 -1 0 1 2", 5, ""},
        {"256 values", true, "1", "256", {}, "1 2 3 ", 256, ""},
        {"257 values", true, "0", "256", {}, "", 3, "(give --step to take more)"},
        {"step not reaching max", true, "0", "10", 4, "0 4 8 10", 4, ""},
        {"integer step rounded", true, "0", "3", 0.4, "0 1 2 3", 4, ""},
        {"real range", false, "0.5", "1.5", {}, "", 3, "(give --step to take values along it)"},
        {"real step", false, "1.0", "1.3", 0.1, "1 1.1 1.2 1.3", 4, ""},
        {"max below min",
         true,
         "5",
         "1",
         {},
         "",
         3,
         "gives no values; its minimum, middle and "
         "maximum are taken"},
        {"too many at a step", true, "0", "20000", 1, "", 3,
         "at that step; its minimum, middle "
         "and maximum are taken"},
    };
    for (const auto& row : rows) {
        CommandEntry entry;
        entry.Name = "Level";
        entry.Kind = row.integer ? ValueKind::Integer : ValueKind::Real;
        entry.Range = {row.min, row.max};
        ExportOptions options;
        options.everyEntry = true;
        options.step = row.step;
        std::string note, values;
        const std::vector<PlannedSample> samples = SamplesOf(entry, true, options, note);
        for (const PlannedSample& sample : samples)
            values += (sample.rule == SampleRule::Value ? *sample.value : "#") + " ";
        if (*row.values == '\0') {
            EXPECT_EQ(values, "# # # ") << row.name;
        } else {
            EXPECT_EQ(values.substr(0, std::string(row.values).size()), row.values) << row.name;
        }
        EXPECT_EQ(samples.size(), row.count) << row.name;
        EXPECT_EQ(note.empty(), *row.note == '\0') << row.name;
        EXPECT_TRUE(note.ends_with(row.note)) << row.name << ": " << note;
    }
}

TEST_F(GenerateAllTest, FailingFilesAreReportedAndEveryFileClosed) {
    struct Row {
        const char *chosen, *failing;
        int after;  // bytes before the disk is full; -1: not created; -2: the close fails
        const char* message;
    } const rows[] = {
        {"/o/c.ccf", "/o/c.txt", -1, "Could not create the file '/o/c.txt': Permission denied"},
        {"/o/c.ccf", "/o/Temp$$.hex", -1,
         "Could not create the file '/o/Temp$$.hex': Permission denied"},
        {"/o/c.ccf", "/o/Temp$$.hex", 700,
         "Could not write the file '/o/Temp$$.hex': No space left on device"},
        {"/o/c.ccf", "/o/c.txt", 75,
         "Could not write the file '/o/c.txt': No space left on device"},
        {"/o/c.txt", "/o/c.txt", 0, "Could not write the file '/o/c.txt': No space left on device"},
        {"/o/c.hex", "/o/c.hex", -2, "Could not write the file '/o/c.hex': Input/output error"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        test::MemoryFiles failing;
        if (row.after == -1) failing.failCreate.insert(row.failing);
        if (row.after == -2) failing.failClose.insert(row.failing);
        if (row.after >= 0) failing.failAfter[row.failing] = row.after;
        display.Clear();
        observer.events.clear();
        fields.mode = Mode::Manual;
        EXPECT_FALSE(Run(row.chosen, &failing).written);
        EXPECT_EQ(display.messages, std::vector<std::string>{row.message});
        for (const auto& [path, content] : failing.files)
            EXPECT_TRUE(content.closed) << path;
        // A file that cannot be created ends the run before it starts.
        EXPECT_EQ(fields.mode, row.after == -1 ? Mode::Manual : Mode::Discrete);
        EXPECT_EQ(observer.events.empty() ? "" : observer.events.back(),
                  row.after == -1 ? "" : "ended");
        if (row.after >= 0) {
            EXPECT_EQ(failing.files[row.failing].bytes.size(), size_t(row.after));
        }
    }
    EXPECT_TRUE(launches.empty());
    // Real files that fail (a full disk, a folder deleted during the run) are
    // rows of tests/hostile/output.tsv.
}

TEST_F(GenerateAllTest, TheConverterIsStartedBesideTheChosenFile) {
    const char* const rows[][4] = {
        {"/codes.ccf", "/Temp$$.hex", "/codes.txt", "/"},
        {"codes.ccf", "./Temp$$.hex", "codes.txt", "."},
        {"/a b/c.d/x.CCF", "/a b/c.d/Temp$$.hex", "/a b/c.d/x.txt", "/a b/c.d"}};
    for (const auto& [chosen, temporary, listing, folder] : rows) {
        files.files.clear();
        launches.clear();
        EXPECT_TRUE(Run(chosen).converterStarted);
        EXPECT_EQ(files.files.count(temporary) + files.files.count(listing), 2u) << chosen;
        EXPECT_EQ(launches,
                  std::vector<std::string>{Converter() + "|Temp$$.hex|" + chosen + "|" + folder});
    }
    EXPECT_TRUE(display.messages.empty());

    // A converter that cannot be started is reported: tests/window, tests/launcher.
    fs::remove(Converter());
    EXPECT_TRUE(Run("/out/c.ccf").converterMissing);
    EXPECT_EQ(display.messages,
              std::vector<std::string>{"file '" + Converter() + "' does not exist"});
    EXPECT_EQ(launches.size(), 1u);
    EXPECT_EQ(files.files["/out/Temp$$.hex"].bytes, test::GoldenText("export_Tessel10.hex"));
}

TEST_F(GenerateAllTest, ARunEndedByTheUserStopsBeforeItsNextSample) {
    observer.stopAfter = 5;  // Done is pressed while the second sample's events run
    const GenerateAllResult result = Run("/out/codes.ccf");
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.samples, 1);
    const std::string hex = test::GoldenText("export_Tessel10.hex");
    const std::string listing = test::GoldenText("export_Tessel10_ccf_listing.txt");
    EXPECT_EQ(files.files["/out/Temp$$.hex"].bytes,
              hex.substr(0, hex.find("\r\n", hex.find("\r\n") + 2) + 2));
    EXPECT_EQ(files.files["/out/codes.txt"].bytes, listing.substr(0, listing.find("\r\n") + 2));
    EXPECT_TRUE(files.files["/out/Temp$$.hex"].closed);
    EXPECT_TRUE(files.files["/out/codes.txt"].closed);
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(display.messages.empty());
    EXPECT_EQ(observer.events.back(), "events 1");  // nothing further is reported

    // A cancelled dialog changes nothing.
    fields.mode = Mode::Manual;
    observer.events.clear();
    EXPECT_FALSE(Run("").ran);
    EXPECT_EQ(fields.mode, Mode::Manual);
    EXPECT_TRUE(observer.events.empty());
}

}  // namespace
}  // namespace kestrel
