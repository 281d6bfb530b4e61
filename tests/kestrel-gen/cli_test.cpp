// kestrel-gen models, show, code, remote, manual and export end to end, on
// the sample device files, against checked-in golden outputs. Set
// KESTREL_UPDATE_GOLDEN=1 to rewrite the golden files after a deliberate
// change.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "run_tool.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;
using test::RunTool;
using test::ToolResult;

const std::string kTool = std::string(KESTREL_PROGRAM_DIR) + "/kestrel-gen";
const std::string kDevices = std::string(KESTREL_SOURCE_DIR) + "/devices";
const fs::path kGolden = fs::path(KESTREL_SOURCE_DIR) / "tests/kestrel-gen/golden";

ToolResult Gen(std::vector<std::string> args, const std::string& folder = "") {
    return RunTool(kTool, args, folder);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ExpectGolden(const std::string& name, const std::string& actual) {
    const fs::path path = kGolden / name;
    if (std::getenv("KESTREL_UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    ASSERT_TRUE(fs::exists(path)) << path;
    EXPECT_TRUE(ReadFile(path) == actual) << "differs from " << path;
}

std::vector<std::string> Lines(const std::string& text, const std::string& end = "\n") {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = text.find(end, start)) != std::string::npos; start = at + end.size()) {
        lines.push_back(text.substr(start, at - start));
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// A folder of its own for each test (CTest runs them side by side).
fs::path Scratch(const std::string& name) {
    const fs::path folder =
        fs::path(::testing::TempDir()) /
        ("kestrel-gen " +
         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + " " + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

TEST(KestrelGenCli, ModelsListsTheDeviceFiles) {
    const ToolResult r = Gen({"models", "--dir", kDevices});
    EXPECT_EQ(r.status, 0);
    std::vector<std::string> models = Lines(r.out);
    std::sort(models.begin(), models.end());
    EXPECT_EQ(models, (std::vector<std::string>{"Tessel10", "Tessel20", "Vorta"}));
    EXPECT_NE(Gen({"models", "--dir", kDevices + "/missing"}).status, 0);
}

TEST(KestrelGenCli, TheProgramFolderIsTheDefault) {
    // The build copies the sample device files beside the program.
    EXPECT_EQ(Gen({"show", "Tessel10"}).out, Gen({"show", "Tessel10", "--dir", kDevices}).out);
}

TEST(KestrelGenCli, ShowPrintsTheCatalogue) {
    for (const std::string model : {"Tessel10", "Tessel20", "Vorta"}) {
        const ToolResult r = Gen({"show", model, "--dir", kDevices});
        EXPECT_EQ(r.status, 0) << model;
        EXPECT_EQ(r.err, "") << model;
        ExpectGolden("show_" + model + ".txt", r.out);
    }
}

// One invocation per line of the transcript: what was asked, what came out
// on both streams, and the exit status.
TEST(KestrelGenCli, RequestTranscript) {
    const std::vector<std::vector<std::string>> invocations = {
        {"code", "Tessel10", "Power", "On"},
        {"code", "Tessel10", "power", "OFF"},
        {"code", "Tessel10", "Horizontal Shift", "left 2"},
        {"code", "Tessel10", "Picture Mode", "Cinema, warm"},
        {"code", "Tessel10", "Brightness", "0"},
        {"code", "Tessel10", "Brightness", "100"},
        {"code", "Tessel10", "Brightness", "50.5"},
        {"code", "Tessel10", "Brightness", "101"},
        {"code", "Tessel10", "Gamma", "1.75"},
        {"code", "Tessel10", "Noise Reduction", "High"},
        {"code", "Tessel10", "Status", "1"},
        {"code", "Tessel10", "Nothing", "1"},
        {"code", "Tessel10", "Power", "Maybe"},
        {"code", "Tessel20", "Picture Mode", "Cin\xe9ma"},
        {"code", "Tessel20", "Film Mode", "video"},
        {"code", "Vorta", "Input", "HDMI 3"},
        {"code", "Missing", "Power", "On"},
        {"remote", "Tessel10", "Menu"},
        {"remote", "Tessel10", "power toggle"},
        {"remote", "Tessel20", "Film"},
        {"remote", "Tessel10", "Zoom"},
        {"manual", "16", "1", "--kind", "V"},
        {"manual", "16", "1", "--kind", "D"},
        {"manual", "16", "7F", "--kind", "h"},
        {"manual", "16", "A", "--kind", "A"},
        {"manual", "300", "1", "--kind", "D"},
        {"manual", "8324", "12", "--kind", "D"},
        {"manual", "08324", "12", "--kind", "D"},
        {"manual", "abc", "1"},
        {"manual", "16", "", "--kind", "V"},
        {"manual", "16", "1", "--kind", "X"},
        {"code", "Tessel10"},
        {"show", "Tessel10", "--bogus"},
    };
    std::string transcript;
    for (std::vector<std::string> args : invocations) {
        std::string line = "$";
        for (const std::string& arg : args)
            line += " [" + arg + "]";
        if (args[0] != "manual") {
            args.push_back("--dir");
            args.push_back(kDevices);
        }
        const ToolResult r = Gen(args);
        transcript += line + "\n" + r.out;
        if (r.status != 2) {  // usage texts are not part of the transcript
            for (const std::string& message : Lines(r.err))
                transcript += "! " + message + "\n";
        }
        transcript += "exit " + std::to_string(r.status) + "\n";
    }
    ExpectGolden("requests.txt", transcript);
}

// The same requests made through the generator directly.
TEST(KestrelGenCli, RequestsEqualDirectGeneratorCalls) {
    const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
        {{"code", "Tessel10", "Power", "On", "--dir", kDevices},
         {"pronto", "valuetext", "16", "1", "V"}},
        {{"code", "Tessel10", "Horizontal Shift", "Left 2", "--dir", kDevices},
         {"pronto", "valuetext", "28", "-2", "V"}},
        {{"code", "Tessel10", "Brightness", "50", "--dir", kDevices},
         {"pronto", "valuetext", "32", "50", "V"}},
        {{"remote", "Tessel10", "Menu", "--dir", kDevices}, {"pronto", "remote", "8324", "5", "D"}},
        {{"manual", "8324", "12", "--kind", "D"}, {"pronto", "remote", "8324", "12", "D"}},
        {{"manual", "16", "1", "--kind", "D"}, {"pronto", "discrete", "16", "1", "D"}},
    };
    for (const auto& [request, direct] : cases) {
        const ToolResult a = Gen(request);
        EXPECT_EQ(a.status, 0) << request[0] << " " << request[1];
        EXPECT_EQ(a.out, Gen(direct).out) << request[0] << " " << request[1];
    }
}

// Every code line of a text listing equals the generator's code for the
// decimal function code and value its caption names.
void ExpectListingCodesMatch(const std::string& listing) {
    const std::vector<std::string> lines = Lines(listing, "\r\n");
    ASSERT_EQ(lines.size() % 2, 0u);
    const std::regex enumeration(R"(.*\(0x[0-9A-Fa-f]*/(\d+)  '(.*)'/[0-9,]*\)$)");
    const std::regex range(R"(.*\(0x[0-9A-Fa-f]*/(\d+)\) (Minimum|Middle|Maximum) of Range=(.*)$)");
    std::string requests;
    std::string expected;
    for (size_t i = 0; i < lines.size(); i += 2) {
        std::smatch match;
        if (std::regex_match(lines[i], match, range)) {
            requests += "valuetext\t" + match[1].str() + "\t" + match[3].str() + "\tV\n";
        } else {
            ASSERT_TRUE(std::regex_match(lines[i], match, enumeration)) << lines[i];
            requests += "valuetext\t" + match[1].str() + "\t" + match[2].str() + "\tV\n";
        }
        expected += lines[i + 1] + "\n";
    }
    const fs::path input = fs::path(::testing::TempDir()) / "kestrel-gen-requests.txt";
    std::ofstream(input, std::ios::binary) << requests;
    const ToolResult direct =
        RunTool("/bin/sh", {"-c", "exec \"$0\" pronto - < \"$1\"", kTool, input.string()});
    EXPECT_EQ(direct.out, expected);
}

TEST(KestrelGenCli, ExportWritesTheFilesOfGenAll) {
    const fs::path folder = Scratch("export");
    for (const std::string model : {"Tessel10", "Tessel20", "Vorta"}) {
        for (const std::string kind : {"txt", "hex"}) {
            const fs::path file = folder / (model + "." + kind);
            const ToolResult r = Gen({"export", model, file.string(), "--dir", kDevices});
            EXPECT_EQ(r.status, 0) << file;
            EXPECT_EQ(r.out, "");
            ExpectGolden("export_" + model + "." + kind, ReadFile(file));
            if (kind == "txt") ExpectListingCodesMatch(ReadFile(file));
        }
    }
    // Another extension is a text listing under the name given.
    const ToolResult r = Gen({"export", "Vorta", "listing.DAT", "--dir", kDevices}, folder);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFile(folder / "listing.DAT"), ReadFile(folder / "Vorta.txt"));
}

// A program folder of its own: kestrel-gen with a converter that records
// how it was started and writes the CCF file.
class CcfExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        program = Scratch("program");
        fs::copy_file(kTool, program / "kestrel-gen");
        fs::permissions(program / "kestrel-gen", fs::perms::owner_all);
        record = program / "record.txt";
        out = Scratch("out \"q\" $x; 'y' \xc3\xa9");
    }
    void MakeConverter() {
        std::ofstream(program / "hex2ccf") << "#!/bin/sh\n"
                                              "{ pwd -P; printf '%s\\n' \"$@\"; } > \"" +
                                                  record.string() +
                                                  "\"\n"
                                                  "cat \"$1\" > \"$2\"\n";
        fs::permissions(program / "hex2ccf", fs::perms::owner_all);
    }
    ToolResult Export(const std::string& file, const std::string& folder = "") {
        return RunTool((program / "kestrel-gen").string(),
                       {"export", "Tessel10", file, "--dir", kDevices}, folder);
    }
    fs::path program;
    fs::path record;
    fs::path out;
};

TEST_F(CcfExportTest, WritesTemporaryFileAndListingThenRunsTheConverter) {
    MakeConverter();
    const std::string chosen = (out / "my codes; rm -rf.ccf").string();
    const ToolResult r = Export(chosen);
    EXPECT_EQ(r.status, 0) << r.err;
    // The temporary file is what a .hex export writes.
    EXPECT_TRUE(ReadFile(out / "Temp$$.hex") == ReadFile(kGolden / "export_Tessel10.hex"));
    ExpectGolden("export_Tessel10_ccf_listing.txt", ReadFile(out / "my codes; rm -rf.txt"));
    // kestrel-gen waits for the converter, so its work is done now.
    EXPECT_EQ(Lines(ReadFile(record)),
              (std::vector<std::string>{fs::canonical(out).string(), "Temp$$.hex", chosen}));
    EXPECT_EQ(ReadFile(chosen), ReadFile(out / "Temp$$.hex"));
}

TEST_F(CcfExportTest, ARelativeNameIsTakenInTheCurrentFolder) {
    MakeConverter();
    EXPECT_EQ(Export("codes.ccf", out.string()).status, 0);
    EXPECT_EQ(Lines(ReadFile(record)),
              (std::vector<std::string>{fs::canonical(out).string(), "Temp$$.hex",
                                        (out / "codes.ccf").string()}));
    EXPECT_TRUE(fs::exists(out / "codes.txt"));
}

TEST_F(CcfExportTest, AMissingConverterIsReported) {
    const ToolResult r = Export((out / "codes.ccf").string());
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "file '" + (program / "hex2ccf").string() + "' does not exist\n");
    EXPECT_TRUE(fs::exists(out / "Temp$$.hex"));
    EXPECT_TRUE(fs::exists(out / "codes.txt"));
    EXPECT_FALSE(fs::exists(out / "codes.ccf"));
}

TEST(KestrelGenCli, ExportReportsFilesItCannotWrite) {
    ToolResult r = Gen({"export", "Tessel10", "/dev/full", "--dir", kDevices});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "Could not write the file '/dev/full': No space left on device\n");
    r = Gen({"export", "Tessel10", "/nonexistent-folder/x.txt", "--dir", kDevices});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err,
              "Could not create the file '/nonexistent-folder/x.txt': No such file or directory\n");
}

}  // namespace
}  // namespace kestrel
