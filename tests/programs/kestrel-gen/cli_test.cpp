// kestrel-gen models, show, code, remote, manual and export end to end, on
// the sample device files, against checked-in golden outputs. Set
// KESTREL_UPDATE_GOLDEN=1 to rewrite the golden files after a deliberate
// change.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_tool.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;
using test::RunTool;
using test::ToolResult;

const std::string kTool = std::string(KESTREL_PROGRAM_DIR) + "/kestrel-gen";
const std::string kDevices = std::string(KESTREL_SOURCE_DIR) + "/devices";
const fs::path kGolden = fs::path(KESTREL_SOURCE_DIR) / "tests/programs/kestrel-gen/golden";

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

// The exports as outside readers see them. Python's json and csv modules
// print each sample, TAB-separated and in Latin-1 as the device files write
// text: caption, command, value, decimal and hexadecimal function code,
// value kind, carrier, durations, Pronto text.
constexpr const char* kReadBack = R"(import csv, json, sys
path = sys.argv[1]
if path.endswith(".json"):
    rows = [[s["caption"], s["command"], s["value"], str(s["functionCode"]["decimal"]),
             s["functionCode"]["hex"], s["valueKind"], str(s["carrier"]),
             " ".join(map(str, s["durations"])), s["pronto"]]
            for s in json.load(open(path, encoding="utf-8"))["samples"]]
else:
    rows = list(csv.reader(open(path, encoding="utf-8", newline="")))[1:]
sys.stdout.buffer.write("".join("\t".join(r) + "\n" for r in rows).encode("latin-1"))
)";

ToolResult Export(const std::string& model, const fs::path& file, const std::string& format,
                  const std::string& dir = kDevices) {
    return Gen({"export", model, file.string(), "--format", format, "--dir", dir});
}

// The words of a Pronto text after its header times the carrier period.
std::vector<double> Micros(const std::string& pronto, double& period) {
    std::istringstream words(pronto);
    unsigned word[4];
    words >> std::hex >> word[0] >> word[1] >> word[2] >> word[3];
    period = word[1] * 0.241246;
    std::vector<double> micros;
    while (words >> word[0])
        micros.push_back(word[0] * period);
    return micros;
}

TEST(KestrelGenCli, ExportFormatsWriteTheirGoldenFiles) {
    const fs::path folder = Scratch("formats");
    for (const std::string format : {"lircd", "json", "csv"}) {
        const ToolResult r = Export("Tessel20", folder / format, format);
        EXPECT_EQ(r.status, 0) << format;
        EXPECT_EQ(r.out + r.err, "") << format;
        ExpectGolden("export_Tessel20." + format, ReadFile(folder / format));
    }
    // Without --format the name decides, as in Gen ALL's dialog.
    EXPECT_EQ(Gen({"export", "Tessel20", (folder / "t.json").string(), "--dir", kDevices}).status,
              0);
    EXPECT_TRUE(ReadFile(folder / "t.json") == ReadFile(kGolden / "export_Tessel20.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 4);
    EXPECT_EQ(Export("Tessel20", folder / "x", "xml").status, 2);
}

// Every sample of the golden text listing, in order: its caption with the
// function code, its Pronto text; the durations fit the Pronto words.
TEST(KestrelGenCli, JsonAndCsvReadBackAsTheTextListing) {
    const fs::path folder = Scratch("readback");
    for (const std::string model : {"Tessel10", "Tessel20", "Vorta"}) {
        std::string read[2];
        for (int i = 0; i < 2; ++i) {
            const fs::path file = folder / (model + (i == 0 ? ".json" : ".csv"));
            ASSERT_EQ(Export(model, file, i == 0 ? "json" : "csv").status, 0);
            const ToolResult r = RunTool("/usr/bin/env", {"python3", "-c", kReadBack, file});
            ASSERT_EQ(r.status, 0) << r.err;
            read[i] = r.out;
        }
        EXPECT_EQ(read[1], read[0]) << model;
        const std::string csv = ReadFile(folder / (model + ".csv"));
        EXPECT_EQ(Lines(csv, "\r\n").size(), size_t(std::count(csv.begin(), csv.end(), '\n')));
        const std::vector<std::string> samples = Lines(read[0]);

        const std::vector<std::string> listing =
            Lines(ReadFile(kGolden / ("export_" + model + ".txt")), "\r\n");
        ASSERT_EQ(listing.size(), 2 * samples.size()) << model;
        for (size_t i = 0; i < samples.size(); ++i) {
            const std::vector<std::string> f = Lines(samples[i] + "\t", "\t");
            ASSERT_EQ(f.size(), 9u) << samples[i];
            const std::string shown = listing[2 * i].substr(std::strlen("IR Data For Command "));
            const std::string code = "(0x" + f[4] + "/" + f[3];
            EXPECT_TRUE(shown == f[0] ? f[0].find(code + ") ") != std::string::npos
                                      : shown.rfind(f[0] + "  " + code + "  '", 0) == 0)
                << shown << " | " << f[0];
            EXPECT_EQ(f[8], listing[2 * i + 1]);
            double period = 0;
            const std::vector<double> micros = Micros(f[8], period);
            EXPECT_NEAR(std::stod(f[6]), 1e6 / period, 100);
            std::istringstream durations(f[7]);
            long duration = 0;
            for (size_t n = 0; n < micros.size(); ++n) {
                ASSERT_TRUE(durations >> duration) << f[0];
                EXPECT_EQ(duration > 0, n % 2 == 0) << f[0];
                EXPECT_NEAR(std::labs(duration), micros[n], period) << f[0];
            }
            EXPECT_FALSE(durations >> duration) << f[0];
        }
    }
}

// irsimreceive, LIRC's own decoder, names each code of the lircd.conf when
// it is fed the code's durations (words times period, the final space
// left out).
TEST(KestrelGenCli, LircNamesEveryCodeItReceives) {
    const fs::path folder = Scratch("lirc");
    std::ofstream(folder / "OddIR.ini", std::ios::binary)
        << "[SYSTEM]\nMODEL = Odd One\n[COMMANDS]\nSay \"it\", now = 1; Enumeration; "
           "(0)a b, (1)a#b, (2)\xe9\x01\\\n";
    for (const auto& [model, dir] :
         {std::pair<std::string, std::string>{"Tessel20", kDevices}, {"Odd", folder.string()}}) {
        const fs::path conf = folder / (model + ".conf");
        ASSERT_EQ(Export(model, conf, "lircd", dir).status, 0);
        ASSERT_EQ(Export(model, folder / "listing.txt", "txt", dir).status, 0);
        const std::vector<std::string> listing = Lines(ReadFile(folder / "listing.txt"), "\r\n");
        std::string data = "space 100000\n";
        for (size_t i = 1; i < listing.size(); i += 2) {
            double period = 0;
            const std::vector<double> micros = Micros(listing[i], period);
            for (size_t n = 0; n < micros.size() - (micros.size() + 1) % 2; ++n) {
                data += (n % 2 == 0 ? "pulse " : "space ") +
                        std::to_string(std::lround(micros[n])) + "\n";
            }
            data += "space 100000\n";
        }
        std::ofstream(folder / "codes.data") << data;
        std::vector<std::string> names;
        for (const std::string& line : Lines(ReadFile(conf))) {
            if (line.rfind("    name ", 0) == 0) names.push_back(line.substr(9));
        }
        EXPECT_EQ(names.size(), listing.size() / 2);
        if (model == "Odd") {
            EXPECT_EQ(names, (std::vector<std::string>{"SAY_IT,_NOW_=_A_B", "SAY_IT,_NOW_=_A_B_2",
                                                       "SAY_IT,_NOW_=_\\"}));
        }
        // It leaves a log in $XDG_CACHE_HOME and "dummy.out" where it runs.
        const ToolResult r = RunTool(
            "/usr/bin/env",
            {"XDG_CACHE_HOME=" + folder.string(), "irsimreceive", conf, "codes.data"}, folder);
        std::vector<std::string> received;
        for (const std::string& line : Lines(r.out)) {
            std::istringstream fields(line);
            std::string number, repeat, name, remote;
            fields >> number >> repeat >> name >> remote;
            received.push_back(name);
            EXPECT_EQ(remote, model == "Odd" ? "Odd_One" : model);
        }
        EXPECT_EQ(received, names) << r.err;
    }
}

// A write that fails (the file size limit, a full device) leaves the file
// as it was and names it; the folder holds no temporary file.
TEST(KestrelGenCli, ExportFormatsAreWrittenWholeOrNotAtAll) {
    const fs::path folder = Scratch("whole");
    for (const std::string format : {"lircd", "json", "csv"}) {
        const fs::path file = folder / ("codes." + format);
        std::ofstream(file) << "old";
        const ToolResult r =
            RunTool("/bin/sh", {"-c", "trap '' XFSZ; ulimit -f 1; exec \"$@\"", "sh", kTool,
                                "export", "Tessel20", file, "--format", format, "--dir", kDevices});
        EXPECT_EQ(r.status, 1) << format;
        EXPECT_EQ(r.err, "Could not write the file '" + file.string() + "': File too large\n");
        EXPECT_EQ(ReadFile(file), "old");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3);
    const ToolResult r = Export("Tessel20", "/dev/full", "json");
    EXPECT_EQ(r.err, "Could not write the file '/dev/full': No space left on device\n");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// A device file that breaks every limit of the format once, with every
// kind of line end; the notes are written out by hand.
TEST(KestrelGenCli, CheckNamesEveryLineTheLoaderSkips) {
    const fs::path folder = Scratch("check");
    std::string text =
        "Early = 1\r\n"                           // 1
        "[SYSTEM]\r"                              // 2
        "MODEL = Broken\n"                        // 3
        "FIRMWARE = 2\r\n"                        // 4
        "Colour = red ' a comment\r\n"            // 5
        "[COMMANDS]\r\n"                          // 6
        "Open(M:Broken = 1; Query\r\n"            // 7
        "Wide = 1FFFFFFFF\x01; Query\r"           // 8
        "Big = 2; Enumeration; (0)a, (40000)b\n"  // 9
        "Level = 3; Integer; 0-100\r\n"           // 10
        "New(F:3) = 4; Query\r\n"                 // 11
        "Old(F:1, X:y) = 5; Real; 0\r\n"          // 12
        "\r\n"                                    // 13
        "no equals\r\n"                           // 14
        "[EXTRA]\r\n"                             // 15
        "Long = 6; Enumeration; (0)v";            // 16
    for (int i = 1; i <= 32767; ++i)
        text += ", (0)v";
    text += "\r\n";
    for (int i = 1; i <= 32767; ++i)  // 17 .. 32783
        text += "C" + std::to_string(i) + " = 7; Query\r\n";
    text += "Over = 8; Query\r\n[REMOTECODES]\r\n";  // 32784, 32785
    for (int i = 1; i <= 32767; ++i)                 // 32786 .. 65552
        text += "B" + std::to_string(i) + " = 1\r\n";
    text += "Extra = 2\r\n";  // 65553
    std::ofstream(folder / "BrokenIR.ini", std::ios::binary) << text;

    const ToolResult r = Gen({"check", "BrokenIR.ini"}, folder.string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "BrokenIR.ini:1: ignored: the line comes before any section header\n"
              "BrokenIR.ini:5: ignored: unknown key \"Colour\" in [SYSTEM]\n"
              "BrokenIR.ini:7: skipped: the qualifier group is not closed before the \"=\"\n"
              "BrokenIR.ini:8: skipped: the function code \"1FFFFFFFF\\x01\" does not fit 32 "
              "bits\n"
              "BrokenIR.ini:9: skipped: the enumeration code \"40000\" is outside "
              "-32768..32767\n"
              "BrokenIR.ini:10: skipped: the range \"0-100\" has no \"..\"\n"
              "BrokenIR.ini:11: dropped: the qualifier \"F:3\" fails for firmware \"2\"\n"
              "BrokenIR.ini:12: kept: every qualifier of \"F:1, X:y\" passes\n"
              "BrokenIR.ini:12: skipped: the range \"0\" has no \"..\"\n"
              "BrokenIR.ini:14: ignored: the line has no \"=\"\n"
              "BrokenIR.ini:15: ignored: unknown header \"[EXTRA]\"; the lines after it stay "
              "in [COMMANDS]\n"
              "BrokenIR.ini:16: skipped: the enumeration has more than 32767 values\n"
              "BrokenIR.ini:32784: skipped: the command table already holds 32767 entries\n"
              "BrokenIR.ini:65553: skipped: the remote table already holds 32767 entries\n");
}

TEST(KestrelGenCli, CheckExitStatuses) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } rows[] = {
        {{"check", "Tessel10", "--dir", kDevices}, 0, ""},  // notes, but nothing skipped
        {{"check", kDevices + "/VortaIR.ini"}, 0, ""},
        {{"check", "Missing", "--dir", kDevices},
         1,
         "There is no INI file named MissingIR.ini, one is required\n"},
        {{"check", "/nonexistent/XIR.ini"},
         1,
         "There is no INI file named XIR.ini, one is required\n"},
        {{"check"}, 2, "usage: kestrel-gen check MODEL|FILE [--dir DIR]\n"},
        {{"check", "A", "B"}, 2, "usage: kestrel-gen check MODEL|FILE [--dir DIR]\n"},
    };
    for (const auto& row : rows) {
        const ToolResult r = Gen(row.args);
        EXPECT_EQ(r.status, row.status) << row.args[1];
        EXPECT_EQ(r.err, row.err) << row.args[1];
    }
    EXPECT_NE(Gen({"check", "Tessel10", "--dir", kDevices})
                  .out.find(kDevices +
                            "/Tessel10IR.ini:10: ignored: unknown key \"Vendor\" in [SYSTEM]\n"),
              std::string::npos);
}

// Without --dir the user's folder follows the program's; --dir names one
// folder alone.
TEST(KestrelGenCli, TheUserFolderAddsAndOverridesModels) {
    const fs::path data = Scratch("data");
    const fs::path user = data / "kestrel/devices";
    fs::create_directories(user);
    std::ofstream(user / "tessel10IR.ini", std::ios::binary) << "[SYSTEM]\nMODEL = Mine\n";
    std::ofstream(user / "ExtraIR.ini", std::ios::binary) << "[COMMANDS]\nX = 1; Query\n";
    const auto genAsUser = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"XDG_DATA_HOME=" + data.string(), kTool});
        return RunTool("/usr/bin/env", args);
    };
    const std::vector<std::string> models = Lines(genAsUser({"models"}).out);
    ASSERT_EQ(models.size(), 4u);
    EXPECT_EQ(std::set<std::string>(models.begin(), models.begin() + 3),
              (std::set<std::string>{"Tessel10", "Tessel20", "Vorta"}));
    EXPECT_EQ(models[3], "Extra");
    EXPECT_EQ(Lines(genAsUser({"models", "--dir", kDevices}).out).size(), 3u);

    EXPECT_EQ(Lines(genAsUser({"show", "TESSEL10"}).out).front(), "Model: Mine");
    EXPECT_EQ(Lines(genAsUser({"show", "Tessel10", "--dir", kDevices}).out).front(),
              "Model: Tessel10");
    EXPECT_EQ(genAsUser({"check", "Extra"}).status, 0);
}

// --version and --help answer at once on all three programs, the window's
// without a display.
TEST(KestrelGenCli, VersionAndHelp) {
    std::vector<std::string> programs = {"kestrel-gen", "hex2ccf"};
    if (fs::exists(std::string(KESTREL_PROGRAM_DIR) + "/kestrel")) programs.push_back("kestrel");
    for (const std::string& program : programs) {
        const std::string path = std::string(KESTREL_PROGRAM_DIR) + "/" + program;
        const auto run = [&](const std::string& option) {
            return RunTool("/usr/bin/env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                                            "QT_QPA_PLATFORM", path, option});
        };
        const ToolResult version = run("--version");
        EXPECT_EQ(version.status, 0) << program;
        EXPECT_EQ(version.out, program + " " + KESTREL_VERSION + "\n");
        const ToolResult help = run("--help");
        EXPECT_EQ(help.status, 0) << program;
        EXPECT_EQ(help.out.rfind("usage: " + program + " ", 0), 0u) << help.out;
    }
    for (const std::string command : {"pronto", "models", "show", "code", "remote", "manual",
                                      "export", "send", "check", "plot", "decode", "help"}) {
        for (const ToolResult& r : {Gen({"help", command}), Gen({command, "--help"})}) {
            EXPECT_EQ(r.status, 0) << command;
            EXPECT_EQ(r.out.rfind("usage: kestrel-gen " + command + " ", 0), 0u) << r.out;
        }
    }
    EXPECT_EQ(Gen({"help", "bogus"}).status, 2);
}

}  // namespace
}  // namespace kestrel
