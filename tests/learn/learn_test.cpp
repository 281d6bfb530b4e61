// Hearing a remote: captures read from files, cleaned and named. The
// captures in data/ were made once from the golden codes by
// make_captures.py (receiver model in its docstring) or written by hand;
// the names they must get come from the golden listings' captions.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "learn/capture_readers.h"
#include "learn/identifier.h"
#include "support/golden.h"
#include "support/tsv_rows.h"

namespace kestrel {
namespace {

const std::string kData = KESTREL_SOURCE_DIR "/tests/learn/data/";
const std::string kDevices = KESTREL_SOURCE_DIR "/devices";

struct LearnTest : ::testing::Test {
    // An identifier of the models named, or of all sample models.
    Identifier& Models(std::vector<std::string> models = {"Tessel10", "Tessel20", "Vorta"}) {
        for (const std::string& model : models) {
            const Result<std::vector<Notice>> added = identifier.AddModel(model, kDevices);
            EXPECT_TRUE(added) << model;
            if (added) notices.insert(notices.end(), added->begin(), added->end());
        }
        return identifier;
    }
    // What the identifier names, its notices kept.
    Identification Identify(const Capture& capture) {
        Identification found = identifier.Identify(capture);
        notices.insert(notices.end(), found.notices.begin(), found.notices.end());
        return found;
    }
    CaptureFile Read(const std::string& file) {
        return readers.Read(file, test::ReadBytes(kData + file));
    }
    static std::vector<std::string> Names(const Identification& found) {
        std::vector<std::string> names;
        for (const HeardCode& code : found.codes)
            for (const CatalogueEntry& entry : code.entries)
                names.push_back(entry.Name());
        return names;
    }
    static bool Has(const std::vector<std::string>& names, const std::string& name) {
        return name == "none" ? names.empty()
                              : std::find(names.begin(), names.end(), name) != names.end();
    }

    std::vector<Notice> notices;
    Identifier identifier;
    CaptureReaders readers;
};

TEST_F(LearnTest, ReceiverCapturesAreNamedAsTheGoldenListingsCaptionTheirCodes) {
    Models();
    std::map<std::string, CaptureFile> files;
    const std::vector<test::TsvRow> rows = test::TsvRows(kData + "receiver_names.tsv");
    ASSERT_GT(rows.size(), 100u);
    for (const test::TsvRow& row : rows) {
        if (!files.count(row[0])) {
            files[row[0]] = Read(row[0]);
            EXPECT_EQ(readers.ReaderFor(row[0], test::ReadBytes(kData + row[0]))->Name(),
                      row[0] == "receiver.irctl" ? "ir-ctl" : row[0].substr(9));
            EXPECT_TRUE(files[row[0]].problems.empty()) << files[row[0]].problems[0].Text();
        }
        const size_t n = std::stoul(row.at(1));
        ASSERT_LE(n, files[row[0]].captures.size()) << row[0];
        EXPECT_TRUE(Has(Names(Identify(files[row[0]].captures[n - 1])), row.at(2)))
            << row[0] << " capture " << n << ": " << row[2];
    }
    EXPECT_TRUE(notices.empty());
}

TEST_F(LearnTest, HandWrittenCapturesAndTheirProblems) {
    Models();
    const struct {
        const char* file;
        std::vector<std::string> names;  // one each capture read
        std::vector<std::string> problems;
    } rows[] = {
        {"hand.mode2",
         {"Tessel10: Power = On", "none"},
         {"hand.mode2:119: \"pulse 7OO\": not a whole number from 0 to 2147483647"}},
        {"hand.irctl",
         {"Tessel10: Brightness = 50", "Vorta: Power = On"},
         {"hand.irctl:9: \"+abc\" is not a pulse or a space"}},
    };
    for (const auto& row : rows) {
        const CaptureFile file = Read(row.file);
        std::vector<std::string> problems;
        for (const ReadProblem& problem : file.problems)
            problems.push_back(problem.Text());
        EXPECT_EQ(problems, row.problems);
        ASSERT_EQ(file.captures.size(), row.names.size()) << row.file;
        for (size_t i = 0; i < row.names.size(); ++i) {
            EXPECT_TRUE(Has(Names(Identify(file.captures[i])), row.names[i]))
                << row.file << " " << row.names[i];
        }
    }
    EXPECT_EQ(readers.Read("notes.txt", "hello\nworld\n").problems.at(0).Text(),
              "notes.txt:1: no captures in a format Kestrel reads (mode2, ir-ctl or pronto)");
}

// Durations chosen so the clean ones are known: references none (so
// nothing is shifted), blips of noise, jitter around one mean.
TEST_F(LearnTest, CleanerTakesOutBlipsAndPutsDurationsAtTheirClusterMeans) {
    const struct {
        const char* name;
        std::vector<int64_t> heard, clean;
        int spikes;
    } rows[] = {
        {"a blip inside a space", {600, -200, 50, -300, 600}, {600, -550, 600}, 1},
        {"a drop-out inside a mark", {300, -40, 300, -500, 600}, {620, -500, 620}, 1},
        {"two blips between a space and a mark: each its kind's time",
         {600, -200, 100, -75, 700},
         {600, -275, 800},
         2},
        {"silence and blips before and after",
         {-5000, 50, -800, 600, -500, 600, -700, 60, -9000},
         {600, -500, 600},
         2},
        {"two of a kind joined, zeros dropped",
         {300, 300, 0, -500, -100, 600},
         {600, -600, 600},
         0},
        {"jitter", {560, -560, 590, -1690, 575}, {575, -560, 575, -1690, 575}, 0},
    };
    for (const auto& row : rows) {
        const CleanSignal signal = Clean({row.heard, {}, {}, ""}, {});
        EXPECT_EQ(signal.durations, row.clean) << row.name;
        EXPECT_EQ(signal.spikes, row.spikes) << row.name;
    }
    EXPECT_EQ(
        FramesOf(std::vector<int64_t>{600, -500, 600, -3000, 600, -500, 600, -3000, 600}, 2000)
            .front()
            .count,
        2);
}

TEST_F(LearnTest, CleanerUndoesTheReceiversLongerMarksAndFindsTheRepeatedFrame) {
    const ReferenceTimings reference = ReferenceTimingsOf(identifier.GeneratorUsed().Protocol(),
                                                          identifier.GeneratorUsed().Defines());
    const Result<Capture> code =
        CaptureOfPronto(test::GoldenCode("requests.txt", "$ [code] [Tessel10] [Power] [On]"), {});
    ASSERT_TRUE(code);
    // Sent twice and a half, each mark 150 us longer, each space shorter.
    std::vector<int64_t> heard;
    for (int copy = 0; copy < 3; ++copy) {
        for (size_t i = 0; i + 1 < code->durations.size() && heard.size() < 139; ++i)
            heard.push_back(code->durations[i] + 150);
        heard.push_back(-40000);
    }
    heard.pop_back();
    const CleanSignal signal = Clean({heard, 38000, {}, ""}, reference);
    EXPECT_NEAR(signal.markExcessMicros, 150, 10);
    ASSERT_EQ(signal.frames.size(), 2u);
    EXPECT_EQ(signal.frames[0].count, 2);
    EXPECT_EQ(signal.frames[0].durations.size(), 53u);
    EXPECT_EQ(signal.frames[1].durations.size(), 139u - 2 * 54);
}

TEST_F(LearnTest, IndexNamesRangeValuesManualCodesAndButtonsWithTheCataloguesCode) {
    const std::string tessel20 = "export_Tessel20.txt";
    const struct {
        const char* model;
        std::string code;
        std::vector<std::string> names;
    } rows[] = {
        {"Tessel10",
         test::GoldenCode("requests.txt", "$ [code] [Tessel10] [Brightness] [50.5]"),
         {"Tessel10: Brightness = 50.5"}},
        {"Tessel10",
         test::GoldenCode(tessel20, "IR Data For Command Power = Standby"),
         {"Tessel10: manual code 16 (Power), value \"2\""}},
        {"Tessel10",
         test::GoldenCode("requests.txt", "$ [manual] [16] [7F] [--kind] [h]"),
         {"Tessel10: manual code 16 (Power), decimal value 127"}},
        {"Tessel10",
         test::GoldenCode("requests.txt", "$ [manual] [8324] [12] [--kind] [D]"),
         {"Tessel10: remote Power Toggle"}},
        {"Tessel20",
         test::GoldenCode(tessel20, "IR Data For Command Power = Standby"),
         {"Tessel20: Power = Standby"}},
        {"Tessel20",
         test::GoldenCode("export_Tessel10.txt", "IR Data For Command Freeze = On"),
         {}},
    };
    for (const auto& row : rows) {
        Identifier one;
        ASSERT_TRUE(one.AddModel(row.model, kDevices));
        const Identification found = one.Identify(CaptureOfPronto(row.code, {}).value());
        ASSERT_EQ(found.codes.size(), 1u);
        EXPECT_EQ(Names(found), row.names) << row.code;
        for (const CatalogueEntry& entry : found.codes[0].entries)
            EXPECT_EQ(entry.code, row.code);
        if (row.names.empty()) {
            // Freeze (0x07) is nearest Picture Mode (0x13), value "1" alike: 2 bits;
            // three nearest are named.
            ASSERT_EQ(found.codes[0].nearest.size(), 3u);
            EXPECT_EQ(found.codes[0].nearest[0].entry->Name(),
                      "Tessel20: Picture Mode = Cin\xE9ma");
            EXPECT_EQ(found.codes[0].nearest[0].bits, 2);
        }
    }
}

}  // namespace
}  // namespace kestrel
