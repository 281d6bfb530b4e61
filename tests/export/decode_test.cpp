// Decoding gives back what made a code: for every sample Gen ALL takes from
// the sample models and every remote button, the request's form, device
// code and value; durations beyond the tolerance, a wrong checksum or a
// wrong complement match no form.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "export/generate_all.h"
#include "generator/decoder.h"
#include "generator/generator.h"
#include "session/request.h"
#include "support/golden.h"
#include "support/memory_files.h"
#include "support/recording_display.h"

namespace kestrel {
namespace {

// Every code a run or a click makes is checked against its fields.
struct DecodeTest : ::testing::Test, GenerateAllObserver {
    void SetUp() override { generator.SetupProtocol(); }
    std::vector<DecodedCode> Decode(const std::vector<int64_t>& durations,
                                    DecodeEnd end = DecodeEnd::Exact) {
        return DecodeDurations(durations, generator.Protocol(), generator.Defines(), end);
    }
    static std::vector<int64_t> Durations(const std::string& pronto) {
        return MicrosOf(ReadProntoCode(pronto).value());
    }
    void SampleWritten(const WindowFields& fields, const Sample&) override { Check(fields); }

    // The remote form sends the code in 16 bits and the value's low 8 bits;
    // the text form (every Gen ALL sample) the code's low 8 bits and the
    // value's characters.
    void Check(const WindowFields& f) {
        ++checked;
        const std::string pronto = f.Text(Box::Output), value = f.Text(Box::Value);
        const auto code = static_cast<uint32_t>(std::stoul(f.Text(Box::CodeDecimal)));
        DecodedCode expected{BuiltInForm::ValueText, code & 0xFF, 0, value};
        if (f.SelectedMode() == Mode::Remote) {
            expected = {BuiltInForm::Remote, code & 0xFFFF,
                        static_cast<uint32_t>(std::stoul(value)) & 0xFF, ""};
            // The complement's lowest bit swapped: no form fits.
            std::vector<int64_t> broken = Durations(pronto);
            broken[2 + 32 + 16 + 1] = broken[2 + 32 + 16 + 1] < -1000 ? -547 : -1694;
            EXPECT_TRUE(Decode(broken).empty()) << pronto;
        } else {
            ASSERT_EQ(f.SelectedKind(), ValueKindOption::Value);
        }
        const std::vector<DecodedCode> matches = Decode(Durations(pronto));
        EXPECT_NE(std::find(matches.begin(), matches.end(), expected), matches.end())
            << f.Text(Box::CodeDecimal) << " " << value << ": " << pronto;
    }

    test::RecordingDisplay display;
    Generator generator;
    int checked = 0;
};

TEST_F(DecodeTest, EverySampleOfEverySampleModelGivesBackItsRequest) {
    for (const char* model : {"Tessel10", "Tessel20", "Vorta"}) {
        Catalogue catalogue;
        ASSERT_TRUE(SelectModel(catalogue, KESTREL_SOURCE_DIR "/devices", model));
        for (const char* file : {"/out.txt", "/out.hex", "/out.ccf"}) {
            test::MemoryFiles files;
            FieldRecord fields;
            GenerateAll run(catalogue, generator, files);
            run.SetObserver(this);
            run.Run(fields, file);
        }
        FieldRecord fields;
        fields.PickMode(Mode::Remote);
        for (size_t i = 0; i < catalogue.RemoteCount(); ++i) {
            display.Play(ClickRemote(catalogue, fields, static_cast<int>(i), generator), fields);
            Check(fields);
        }
    }
    EXPECT_GT(checked, 150);
}

TEST_F(DecodeTest, ToleranceAndChecksum) {
    // The worked example of a discrete code: device 0x20, function 0x01,
    // checksum 0x21, bits least significant first.
    const std::vector<int64_t> example = Durations(
        "0000 006C 001B 0000 0064 0064 0016 0015 0016 0015 0016 0015 0016 0015 0016 0015 0016 "
        "0041 0016 0015 0016 0015 0016 0041 0016 0015 0016 0015 0016 0015 0016 0015 0016 0015 "
        "0016 0015 0016 0015 0016 0041 0016 0015 0016 0015 0016 0015 0016 0015 0016 0041 0016 "
        "0015 0016 0015 0044 0044 0016 0001");
    EXPECT_EQ(Decode(example),
              (std::vector<DecodedCode>{{BuiltInForm::Discrete, 0x20, 0x01, ""},
                                        {BuiltInForm::ValueText, 0x20, 0, "\x01"}}));
    const struct {
        const char* name;
        size_t at;
        int64_t duration;
        bool matches;
    } rows[] = {
        {"the 2600 us lead-in 30 % longer", 0, 3380, true},
        {"the lead-in more than 30 % longer", 0, 3390, false},
        {"the closing 25 us space 100 us longer", 53, -125, true},
        {"a closing gap of any length (as in a Broadlink packet)", 53, -109400, true},
        {"a space where a mark belongs", 0, -2600, false},
        {"F's lowest bit cleared: the checksum no longer fits", 19, -547, false},
        {"the checksum's lowest bit cleared", 35, -547, false},
    };
    for (const auto& row : rows) {
        std::vector<int64_t> durations = example;
        durations[row.at] = row.duration;
        EXPECT_EQ(!Decode(durations).empty(), row.matches) << row.name;
    }
    // Without its closing space (as keymaps and ir-ctl files end) it reads the same.
    EXPECT_EQ(Decode(std::vector<int64_t>(example.begin(), example.end() - 1)), Decode(example));
}

// A capture ends at its last mark: before the form's last space, or at a gap
// of the form, after which only what was read already may follow.
TEST_F(DecodeTest, CapturesMayEndAtTheLastSpaceOrAGap) {
    const std::vector<int64_t> power =
        Durations(test::GoldenCode("requests.txt", "$ [code] [Tessel10] [Power] [On]"));
    const std::vector<int64_t> menu =
        Durations(test::GoldenCode("requests.txt", "$ [remote] [Tessel10] [Menu]"));
    const auto cut = [](std::vector<int64_t> d, size_t keep) {
        d.resize(keep);
        return d;
    };
    const DecodedCode powerText{BuiltInForm::ValueText, 0x10, 0, "1"};
    const DecodedCode menuFields{BuiltInForm::Remote, 8324, 5, ""};
    const struct {
        const char* name;
        std::vector<int64_t> durations;
        std::vector<DecodedCode> exact, capture;
    } rows[] = {
        {"whole code",
         power,
         {{BuiltInForm::Discrete, 0x10, 49, ""}, powerText},
         {{BuiltInForm::Discrete, 0x10, 49, ""}, powerText}},
        {"without the 25 us space",
         cut(power, 53),
         {{BuiltInForm::Discrete, 0x10, 49, ""}, powerText},
         {{BuiltInForm::Discrete, 0x10, 49, ""}, powerText}},
        {"without the trailer's last mark", cut(power, 52), {}, {}},
        {"remote code up to its 44925 us gap", cut(menu, 67), {}, {menuFields}},
        {"remote code cut inside the complement", cut(menu, 63), {}, {}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Decode(row.durations), row.exact) << row.name;
        EXPECT_EQ(Decode(row.durations, DecodeEnd::Capture), row.capture) << row.name;
    }
}

}  // namespace
}  // namespace kestrel
