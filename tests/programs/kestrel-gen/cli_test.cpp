// kestrel-gen end to end on the sample device files, one table per command
// family: the catalogue (models, show and the folders they read), requests
// (code, remote, manual), export, check, and the help texts. Outputs are
// checked against tests/golden/ (KESTREL_UPDATE_GOLDEN=1 rewrites it after a
// deliberate change).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/golden.h"
#include "support/run_tool.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

const std::string kTool = KESTREL_PROGRAM_DIR "/kestrel-gen";
const std::string kDevices = KESTREL_SOURCE_DIR "/devices";

ToolResult Gen(const std::vector<std::string>& args, const std::string& folder = "") {
    return RunTool(kTool, args, folder);
}

const fs::path kGolden = test::kGoldenFolder;

void ExpectGolden(const std::string& name, const std::string& actual) {
    const fs::path path = kGolden / name;
    if (std::getenv("KESTREL_UPDATE_GOLDEN")) std::ofstream(path, std::ios::binary) << actual;
    EXPECT_TRUE(GoldenText(name) == actual) << "differs from " << path;
}

// text cut at every separator; a last piece without one is a piece too.
std::vector<std::string> Lines(const std::string& text, const std::string& separator = "\n") {
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < text.size(); start = end + separator.size()) {
        end = std::min(text.find(separator, start), text.size());
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// Standard error without the program's name that starts each of its lines
// (and must).
std::string Unnamed(const std::string& err) {
    std::string text;
    for (const std::string& line : Lines(err)) {
        const bool named = line.rfind("kestrel-gen: ", 0) == 0;
        EXPECT_TRUE(named) << line;
        text += line.substr(named ? 13 : 0) + "\n";
    }
    return text;
}

// A folder of its own for each test (CTest runs them side by side).
fs::path Scratch(const std::string& name) {
    const fs::path folder =
        fs::path(::testing::TempDir()) /
        ("kestrel-gen " +
         std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + " " + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// Without --dir the program's folder (where the build copies the samples)
// and then the user's: a model there overrides the program's by name.
TEST(KestrelGenCli, ModelsAndShowAndTheFoldersTheyRead) {
    for (const std::string model : {"Tessel10", "Tessel20", "Vorta"}) {
        const ToolResult r = Gen({"show", model, "--dir", kDevices});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        ExpectGolden("show_" + model + ".txt", r.out);
    }
    const fs::path data = Scratch("data"), user = data / "kestrel/devices";
    fs::create_directories(user);
    std::ofstream(user / "tessel10IR.ini", std::ios::binary) << "[SYSTEM]\nMODEL = Mine\n";
    std::ofstream(user / "ExtraIR.ini", std::ios::binary) << "[COMMANDS]\nX = 1; Query\n";
    const auto genAsUser = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"XDG_DATA_HOME=" + data.string(), kTool});
        return RunTool("/usr/bin/env", args);
    };
    const std::string models = genAsUser({"models"}).out;
    EXPECT_EQ(models.substr(models.size() - 7), "\nExtra\n");  // after the program's
    EXPECT_EQ(genAsUser({"models", "--dir", kDevices}).out.find("Extra"), std::string::npos);
    EXPECT_EQ(Lines(genAsUser({"show", "TESSEL10"}).out).at(0), "Model: Mine");
    EXPECT_EQ(genAsUser({"show", "Tessel20"}).out, GoldenText("show_Tessel20.txt"));
    EXPECT_EQ(genAsUser({"check", "Extra"}).status, 0);
}

// The invocations of golden/requests.txt (its "$ [code] [Tessel10] ..."
// lines) again: each line, what came out on both streams and the exit
// status (usage texts left out) make the transcript.
TEST(KestrelGenCli, RequestTranscript) {
    std::string transcript;
    for (const std::string& line : Lines(GoldenText("requests.txt"))) {
        if (line.rfind("$ [", 0) != 0) continue;
        std::vector<std::string> args;
        for (size_t at = 0; (at = line.find(" [", at)) != std::string::npos; at += 2)
            args.push_back(line.substr(at + 2, line.find("] ", at + 2) - at - 2));
        args.back().pop_back();  // its "]"
        if (args[0] != "manual") args.insert(args.end(), {"--dir", kDevices});
        const ToolResult r = Gen(args);
        transcript += line + "\n" + r.out;
        for (const std::string& message : Lines(Unnamed(r.status == 2 ? "" : r.err)))
            transcript += "! " + message + "\n";
        transcript += "exit " + std::to_string(r.status) + "\n";
    }
    ExpectGolden("requests.txt", transcript);
}

// export writes Gen ALL's files; for a .ccf name the temporary file and the
// listing beside it (named on standard error; a listing is replaced only
// with --force), then it runs the converter of its own folder in that
// folder and waits for it. What fails is reported and gives status 1.
TEST(KestrelGenCli, Export) {
    const fs::path program = Scratch("program"), out = Scratch("out \"q\" $x; 'y' \xc3\xa9");
    for (const std::string model : {"Tessel10", "Tessel20", "Vorta"}) {
        for (const std::string kind : {".txt", ".hex"}) {
            const fs::path file = out / (model + kind);
            const ToolResult r = Gen({"export", model, file.string(), "--dir", kDevices});
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out + r.err, "");
            ExpectGolden("export_" + model + kind, ReadBytes(file));
        }
    }
    EXPECT_EQ(Gen({"export", "Vorta", "listing.DAT", "--dir", kDevices}, out.string()).status, 0);
    EXPECT_EQ(ReadBytes(out / "listing.DAT"), GoldenText("export_Vorta.txt"));

    fs::copy_file(kTool, program / "kestrel-gen");
    const auto converter = [&](const std::string& script) {
        std::ofstream(program / "hex2ccf") << "#!/bin/sh\n" << script;
        fs::permissions(program / "hex2ccf", fs::perms::owner_all);
    };
    const std::string record = (program / "record").string();
    const auto wrote = [&](const std::string& ccf) {
        return "wrote '" + (out / fs::path(ccf).replace_extension(".txt")).string() +
               "' (the button listing)\nwrote '" + (out / "Temp$$.hex").string() +
               "' (the Pronto hex file for the converter)\n";
    };
    const struct {
        std::string file, converter, err;  // "" for no converter
        int status;
    } rows[] = {
        {"my codes; rm -rf.ccf",
         "{ pwd -P; printf '%s\\n' \"$@\"; } > '" + record + "'\ncat \"$1\" > \"$2\"\n",
         wrote("my codes; rm -rf.ccf") + "hex2ccf wrote '" +
             (out / "my codes; rm -rf.ccf").string() + "'\n",
         0},
        {"codes.ccf", "echo 'line 3: bad' >&2\nexit 3\n",
         wrote("codes.ccf") + "The CCF file '" + (out / "codes.ccf").string() +
             "' was not made: line 3: bad\n",
         1},
        {"codes.ccf", "",
         wrote("codes.ccf") + "file '" + (program / "hex2ccf").string() + "' does not exist\n", 1},
        {"/nonexistent-folder/x.txt", "",
         "Could not create the file '/nonexistent-folder/x.txt': No such file or directory\n", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        fs::remove(program / "hex2ccf");
        if (!row.converter.empty()) converter(row.converter);
        // A relative name is taken in the current folder.
        const ToolResult r =
            RunTool((program / "kestrel-gen").string(),
                    {"export", "Tessel10", row.file, "--dir", kDevices, "--force"}, out.string());
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(Unnamed(r.err), row.err);
        if (row.file[0] == '/') continue;
        EXPECT_EQ(ReadBytes(out / "Temp$$.hex"), GoldenText("export_Tessel10.hex"));
        EXPECT_EQ(ReadBytes(fs::path(out / row.file).replace_extension(".txt")),
                  GoldenText("export_Tessel10_ccf_listing.txt"));
    }
    EXPECT_EQ(Lines(ReadBytes(record)),
              (std::vector<std::string>{fs::canonical(out).string(), "Temp$$.hex",
                                        (out / rows[0].file).string()}));
    EXPECT_EQ(ReadBytes(out / rows[0].file), GoldenText("export_Tessel10.hex"));
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
        ExpectGolden("export_Tessel20." + format, ReadBytes(folder / format));
    }
    // Without --format the name decides, as in Gen ALL's dialog.
    EXPECT_EQ(Gen({"export", "Tessel20", (folder / "t.json").string(), "--dir", kDevices}).status,
              0);
    EXPECT_TRUE(ReadBytes(folder / "t.json") == ReadBytes(kGolden / "export_Tessel20.txt"));
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
        const std::string csv = ReadBytes(folder / (model + ".csv"));
        EXPECT_EQ(Lines(csv, "\r\n").size(), size_t(std::count(csv.begin(), csv.end(), '\n')));
        const std::vector<std::string> samples = Lines(read[0]);

        const std::vector<std::string> listing =
            Lines(ReadBytes(kGolden / ("export_" + model + ".txt")), "\r\n");
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
        const std::vector<std::string> listing = Lines(ReadBytes(folder / "listing.txt"), "\r\n");
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
        for (const std::string& line : Lines(ReadBytes(conf))) {
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
    const std::vector<std::string> formats = {"lircd",   "json",      "csv",
                                              "flipper", "esphome",   "homeassistant",
                                              "girr",    "broadlink", "keymap"};
    for (const std::string& format : formats) {
        const fs::path file = folder / ("codes." + format);
        std::ofstream(file) << "old";
        // A coverage build's counters stay out of the limit (GCOV_*).
        const ToolResult r =
            RunTool("/usr/bin/env",
                    {"GCOV_PREFIX=" + (folder / "gcov").string(), "GCOV_ERROR_FILE=/dev/null",
                     "/bin/sh", "-c", "trap '' XFSZ; ulimit -f 1; exec \"$@\"", "sh", kTool,
                     "export", "Tessel20", file, "--format", format, "--dir", kDevices});
        EXPECT_EQ(r.status, 1) << format;
        EXPECT_EQ(r.err, "kestrel-gen: Could not write the file '" + file.string() +
                             "': File too large\n");
        EXPECT_EQ(ReadBytes(file), "old");
    }
    fs::remove_all(folder / "gcov");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()),
              static_cast<long>(formats.size()));
    const ToolResult r = Export("Tessel20", "/dev/full", "json");
    EXPECT_EQ(r.err,
              "kestrel-gen: Could not write the file '/dev/full': No space left on device\n");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// A device file that breaks every limit of the format once, with every
// kind of line end; golden/check_BrokenIR.txt holds the notes, written by
// hand.
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
    ExpectGolden("check_BrokenIR.txt", r.out);
}

// --version and --help answer at once on all three programs, the window's
// without a display, as do its refusals of an argument that is no Qt option
// (a valued one takes the next along) and of no display; every command has
// its help. Then exit statuses and messages of arguments that do not fit,
// and of check.
TEST(KestrelGenCli, VersionHelpStatusesAndMessages) {
    const auto noDisplay = [](const std::string& path, std::vector<std::string> args) {
        args.insert(args.begin(),
                    {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", path});
        return RunTool("/usr/bin/env", args);
    };
    for (const std::string program : {"kestrel-gen", "hex2ccf", "kestrel"}) {
        const std::string path = KESTREL_PROGRAM_DIR "/" + program;
        if (!fs::exists(path)) continue;  // a build without the window
        for (const std::string option : {"--version", "--help"}) {
            const ToolResult r = noDisplay(path, {option});
            const bool version = option == "--version";
            const std::string expected =
                version ? program + " " + KESTREL_VERSION + "\n" : "usage: " + program + " ";
            EXPECT_EQ(r.status, 0) << program;
            EXPECT_EQ(version ? r.out : r.out.substr(0, expected.size()), expected);
        }
    }
    const std::string window = KESTREL_PROGRAM_DIR "/kestrel";
    const ToolResult plain = noDisplay(window, {"-reverse", "--style=Fusion", "-title", "-x", "f"});
    const ToolResult bare = noDisplay(window, {"-style"});
    if (fs::exists(window)) {
        EXPECT_EQ(plain.err,
                  "kestrel: unknown argument 'f'\nusage: kestrel [--help | --version] "
                  "[Qt options]\n");
        EXPECT_EQ(bare.err,
                  "kestrel: no display to show the window on (DISPLAY and "
                  "WAYLAND_DISPLAY are not set); kestrel-gen works without one\n");
        EXPECT_EQ(plain.status, 2);
        EXPECT_EQ(bare.status, 1);
    }
    for (const std::string command : {"pronto", "models", "show", "code", "remote", "manual",
                                      "export", "send", "check", "plot", "decode", "help"}) {
        for (const ToolResult& r : {Gen({"help", command}), Gen({command, "--help"})}) {
            EXPECT_EQ(r.status, 0) << command;
            EXPECT_EQ(r.out.rfind("usage: kestrel-gen " + command + " ", 0), 0u) << r.out;
            // Where the device files come from, for the commands that read models.
            EXPECT_EQ(r.out.find("Without --dir") == std::string::npos,
                      command == "pronto" || command == "manual" || command == "help")
                << command;
        }
    }
    const std::string check = "usage: kestrel-gen check MODEL|FILE [--dir DIR] [--strict]\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;  // how standard error starts
    } rows[] = {
        {{}, 2, "kestrel-gen: no command given\nusage: kestrel-gen "},
        {{"bogus"}, 2, "kestrel-gen: 'bogus' is not a command. See 'kestrel-gen --help'.\n"},
        {{"chek"}, 2, "kestrel-gen: 'chek' is not a command; did you mean 'check'? See"},
        {{"-v"}, 2, "kestrel-gen: unknown option '-v'; see 'kestrel-gen --help'\n"},
        {{"help"}, 0, ""},
        {{"help", "bogus"}, 2, "kestrel-gen: no help for 'bogus': there is no such command\n"},
        {{"models", "--dir"}, 2, "kestrel-gen: option '--dir' needs a value (DIR)\n"},
        {{"models", "-x"}, 2, "kestrel-gen: models has no option '-x'; see"},
        {{"models", "-d", kDevices + "/missing"}, 1, ""},
        {{"show", ""}, 1, "kestrel-gen: the model name is empty\n"},
        {{"export", "Tessel10", ""}, 1, "kestrel-gen: The file name '' cannot be used\n"},
        {{"export", "T", "x", "--entries", "a"}, 2, "kestrel-gen: --entries does not take 'a'\n"},
        {{"export", "T", "x", "--names", "id"}, 2, "kestrel-gen: --names does not take 'id'\n"},
        {{"export", "T", "x", "--step", "0"}, 2, "kestrel-gen: --step does not take '0'\n"},
        {{"export", "Tessel10", "-", "--format", "ccf"},
         1,
         "kestrel-gen: A ccf export writes files beside FILE; '-' is no regular file\n"},
        {{"check", kDevices + "/VortaIR.ini"}, 0, ""},  // notes, but nothing skipped
        {{"check", "Missing", "--dir", kDevices},
         1,
         "kestrel-gen: There is no INI file named MissingIR.ini, one is required\n"},
        {{"check", "/nonexistent/XIR.ini"},
         1,
         "kestrel-gen: There is no INI file named XIR.ini, one is required\n"},
        {{"check"}, 2, "kestrel-gen: check expects MODEL or FILE, got no argument\n" + check},
        {{"check", "A", "B"},
         2,
         "kestrel-gen: check expects MODEL or FILE, got 2 arguments\n" + check},
        {{"code", "Tessel10"},
         2,
         "kestrel-gen: code expects MODEL COMMAND VALUE, got 1 argument\n"},
        {{"manual", "1", "2", "--kind", "Z"},
         2,
         "kestrel-gen: --kind takes A, D, H or V, not 'Z'\n"},
        {{"pronto", "discrete", "1", "1", "Z"},
         2,
         "kestrel-gen: KIND takes A, D, H or V, not 'Z'\n"},
        {{"pronto", "bogus", "1", "1", "V"}, 1, "kestrel-gen: The form 'bogus' makes no duration"},
    };
    for (const auto& row : rows) {
        const ToolResult r = Gen(row.args);
        EXPECT_EQ(r.status, row.status) << row.args.size() << " " << row.err;
        EXPECT_EQ(r.err.substr(0, row.err.size()), row.err);
    }
    const ToolResult notes = Gen({"check", "Tessel10", "--dir", kDevices});  // a model's file
    EXPECT_EQ(notes.status, 0);
    EXPECT_NE(notes.out.find(kDevices + "/Tessel10IR.ini:10: ignored: unknown key \"Vendor\""),
              std::string::npos);
}

const fs::path kTests = KESTREL_SOURCE_DIR "/tests/programs/kestrel-gen";
const std::vector<std::string> kToolFormats = {"flipper", "esphome", "homeassistant", "broadlink",
                                               "girr",    "keymap",  "irctl"};

// An irctl export's files, each after a "# NAME" line, in name order.
std::string FolderText(const fs::path& folder) {
    std::vector<fs::path> files(fs::directory_iterator(folder), fs::directory_iterator{});
    std::sort(files.begin(), files.end());
    std::string text;
    for (const fs::path& file : files)
        text += "# " + file.filename().string() + "\n" + ReadBytes(file);
    return text;
}

TEST(KestrelGenCli, ToolFormatsWriteTheirGoldenFiles) {
    const fs::path folder = Scratch("tools");
    for (const std::string& format : kToolFormats) {
        const fs::path file = folder / ("Vorta." + format);
        const ToolResult r = Export("Vorta", file, format);
        EXPECT_EQ(r.status, 0) << format;
        EXPECT_EQ(r.out + r.err, "") << format;
        ExpectGolden("export_Vorta." + format,
                     format == "irctl" ? FolderText(file) : ReadBytes(file));
    }
}

// A device file no sample shares: a Latin-1 model and label, labels whose
// identifiers collide, a whole range with negative values, a real range and
// one too large to take whole, remote buttons with obvious keys.
constexpr const char* kOddland =
    "[SYSTEM]\r\nMODEL = \xd6"
    "dland 7\r\n[COMMANDS]\r\nPower = 10; Enumeration; (0)Off, (1)On\r\n"
    "Mode = 13; Enumeration; (0)Cin\xe9ma, (1)Cinema, (2)HDMI, (3)HDMI\r\n"
    "Level = 20; Integer; -2..2\r\nGain = 21; Real; 0.5..1.5\r\nWide = 22; Integer; 0..1000\r\n"
    "Ask = 40; Query\r\n[REMOTECODES]\r\nMenu = 5\r\n1 = 6\r\nPower Toggle = 12\r\n";

// Its names, worked out by hand: captions, then keys.
const std::vector<std::string> kCaptionNames = {"Power = Off",
                                                "Power = On",
                                                "Mode = Cin\xe9ma",
                                                "Mode = Cinema (2)",
                                                "Mode = HDMI",
                                                "Mode = HDMI (2)",
                                                "Level = -2",
                                                "Level = -1",
                                                "Level = 0",
                                                "Level = 1",
                                                "Level = 2",
                                                "Gain(0x21/33) Minimum of Range=0.5",
                                                "Gain(0x21/33) Middle of Range=1",
                                                "Gain(0x21/33) Maximum of Range=1.5",
                                                "Wide(0x22/34) Minimum of Range=0",
                                                "Wide(0x22/34) Middle of Range=500",
                                                "Wide(0x22/34) Maximum of Range=1000",
                                                "Menu",
                                                "1",
                                                "Power Toggle"};
const std::vector<std::string> kKeyNames = {
    "POWER_OFF",   "POWER_ON",      "MODE_CINEMA",   "MODE_CINEMA_2", "MODE_HDMI",
    "MODE_HDMI_2", "LEVEL_MINUS_2", "LEVEL_MINUS_1", "LEVEL_0",       "LEVEL_1",
    "LEVEL_2",     "GAIN_0_5",      "GAIN_1",        "GAIN_1_5",      "WIDE_0",
    "WIDE_500",    "WIDE_1000",     "KEY_MENU",      "KEY_NUMERIC_1", "KEY_POWER"};

// Every format of a complete export reads back, through readers written
// from the published formats (read_exports.py), to the names and to the
// durations of the Pronto codes of the JSON export, within the format's
// unit; keymaps and ir-ctl files leave the final space out, a Broadlink
// packet ends with its 109 ms gap. Then each tool of Debian that reads a
// format checks it, and decode names every code of every format.
TEST(KestrelGenCli, CompleteExportsReadBackThroughOutsideReaders) {
    const fs::path folder = Scratch("oddland");
    std::ofstream(folder / "OddlandIR.ini", std::ios::binary) << kOddland;
    const auto exportAll = [&](const std::string& format, const std::string& names,
                               const fs::path& file, std::vector<std::string> more = {}) {
        std::vector<std::string> args = {"export", "Oddland",   file.string(),  "--format",
                                         format,   "--entries", "all",          "--names",
                                         names,    "--dir",     folder.string()};
        args.insert(args.end(), more.begin(), more.end());
        return Gen(args);
    };
    const ToolResult json = exportAll("json", "caption", folder / "all.json");
    EXPECT_EQ(json.err,
              "kestrel-gen: Gain: a range of real numbers; its minimum, middle and maximum are "
              "taken (give --step to take values along it)\nkestrel-gen: Wide: the range holds "
              "more than 256 values; its minimum, middle and maximum are taken (give --step to "
              "take more)\n");
    const std::vector<std::string> prontos =
        Lines(RunTool("/usr/bin/env", {"python3", "-c",
                                       "import json, sys\nfor s in json.load(open(sys.argv[1]))"
                                       "['samples']: print(s['pronto'])",
                                       folder / "all.json"})
                  .out);
    ASSERT_EQ(prontos.size(), kKeyNames.size());

    struct Run {
        std::string format, names;
        std::vector<std::string> more;
    };
    std::vector<Run> runs = {{"esphome", "key", {"--raw"}}};
    for (const std::string& format : kToolFormats) {
        runs.push_back({format, "key", {}});
        if (format != "keymap" && format != "irctl") runs.push_back({format, "caption", {}});
    }
    for (const Run& run : runs) {
        SCOPED_TRACE(run.format + " " + run.names + (run.more.empty() ? "" : " raw"));
        const fs::path file =
            folder / (run.format + "-" + run.names + (run.more.empty() ? "" : "-raw"));
        ASSERT_EQ(exportAll(run.format, run.names, file, run.more).status, 0);
        const ToolResult read = RunTool(
            "/usr/bin/env", {"python3", (kTests / "read_exports.py").string(), run.format, file});
        ASSERT_EQ(read.status, 0) << read.err;
        const std::vector<std::string> lines = Lines(read.out);
        ASSERT_EQ(lines.size(), prontos.size());
        const bool broadlink = run.format == "broadlink" || run.format == "homeassistant";
        const bool pulseLast = run.format == "keymap" || run.format == "irctl";
        const double unit = broadlink ? 269 * 1000.0 / 8192 : 1;
        std::vector<std::string> names = run.names == "key" ? kKeyNames : kCaptionNames;
        if (run.format == "flipper" && run.names == "caption") names[2] = "Mode = Cinema";
        // The files of a folder come in the order of their names.
        std::vector<size_t> order(names.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        if (run.format == "irctl") {
            std::sort(order.begin(), order.end(),
                      [&](size_t a, size_t b) { return names[a] < names[b]; });
        }
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::vector<std::string> f = Lines(lines[i] + "\t", "\t");
            ASSERT_EQ(f.size(), 3u) << lines[i];
            const size_t code = order[i];
            EXPECT_EQ(f[0], names[code]);
            double period = 0;
            const std::vector<double> micros = Micros(prontos[code], period);
            EXPECT_NEAR(std::stod(f[1]), broadlink || run.format == "keymap" ? 0 : 1e6 / period, 1);
            std::istringstream durations(f[2]);
            std::vector<long> values;
            for (long d; durations >> d;)
                values.push_back(d);
            ASSERT_EQ(values.size(), micros.size() - (pulseLast ? 1 : 0)) << f[0];
            for (size_t n = 0; n < values.size(); ++n) {
                const bool gap = broadlink && n + 1 == micros.size();
                EXPECT_EQ(values[n] > 0, n % 2 == 0);
                EXPECT_NEAR(std::labs(values[n]), gap ? 0x0D05 * unit : micros[n], unit)
                    << f[0] << n;
            }
        }
        // decode reads every format back and names each code's entry.
        const ToolResult decoded = Gen(
            {"decode", "--file", file.string(), "--model", "Oddland", "--dir", folder.string()});
        EXPECT_EQ(decoded.status, 0) << decoded.err;
        const std::vector<std::string> out = Lines(decoded.out);
        EXPECT_EQ(
            std::count_if(out.begin(), out.end(),
                          [](const std::string& line) { return line.rfind("code ", 0) == 0; }),
            static_cast<long>(names.size()));
        EXPECT_EQ(decoded.out.find("entry: none"), std::string::npos);
        EXPECT_EQ(decoded.out.find("match: none"), std::string::npos);
    }

    // The tools of Debian that read the formats.
    const ToolResult girr =
        RunTool("/usr/bin/env",
                {"XML_CATALOG_FILES=" + (kTests / "girr/catalog.xml").string(), "xmllint",
                 "--nonet", "--noout", "--schema", (kTests / "girr/girr_ns-1.3.xsd").string(),
                 folder / "girr-caption", folder / "girr-key"});
    EXPECT_EQ(girr.status, 0) << girr.err;
    fs::copy_file(folder / "keymap-key",
                  folder / "keymap.toml");  // ir-keytable reads .toml as TOML
    const ToolResult keymap =
        RunTool("/usr/bin/env", {"ir-keytable", "--test-keymap", folder / "keymap.toml"});
    EXPECT_EQ(keymap.status, 0);
    EXPECT_EQ(keymap.err.find("`KEY_"), std::string::npos)
        << keymap.err;  // every KEY_ a kernel key
    EXPECT_NE(keymap.err.find("`POWER_OFF' not recognised"), std::string::npos) << keymap.err;
    std::ofstream(folder / "not-a-device");  // ir-ctl parses the file before it opens the device
    for (const fs::directory_entry& send : fs::directory_iterator(folder / "irctl-key")) {
        const ToolResult r = RunTool(
            "/usr/bin/env", {"ir-ctl", "--device", folder / "not-a-device", "--send", send.path()});
        EXPECT_EQ(r.err, (folder / "not-a-device").string() + ": not character device\n");
    }
}

}  // namespace
}  // namespace kestrel::test
