// kestrel-gen end to end on the sample device files, one table per command
// family: the catalogue (models, show and the folders they read), requests
// (code, remote, manual), export, check, and the help texts. Outputs are
// checked against golden/ (KESTREL_UPDATE_GOLDEN=1 rewrites it after a
// deliberate change).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void ExpectGolden(const std::string& name, const std::string& actual) {
    const fs::path path = fs::path(KESTREL_SOURCE_DIR "/tests/programs/kestrel-gen/golden") / name;
    if (std::getenv("KESTREL_UPDATE_GOLDEN")) std::ofstream(path, std::ios::binary) << actual;
    EXPECT_TRUE(GoldenText(name) == actual) << "differs from " << path;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
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
        for (const std::string& message : Lines(r.status == 2 ? "" : r.err))
            transcript += "! " + message + "\n";
        transcript += "exit " + std::to_string(r.status) + "\n";
    }
    ExpectGolden("requests.txt", transcript);
}

// export writes Gen ALL's files; for a .ccf name the temporary file and the
// listing beside it, then it runs the converter of its own folder in that
// folder and waits for it. What fails is reported and gives status 1.
TEST(KestrelGenCli, Export) {
    const fs::path program = Scratch("program"), out = Scratch("out \"q\" $x; 'y' \xc3\xa9");
    for (const std::string model : {"Tessel10", "Tessel20", "Vorta"}) {
        for (const std::string kind : {".txt", ".hex"}) {
            const fs::path file = out / (model + kind);
            const ToolResult r = Gen({"export", model, file.string(), "--dir", kDevices});
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out + r.err, "");
            ExpectGolden("export_" + model + kind, ReadFile(file));
        }
    }
    EXPECT_EQ(Gen({"export", "Vorta", "listing.DAT", "--dir", kDevices}, out.string()).status, 0);
    EXPECT_EQ(ReadFile(out / "listing.DAT"), GoldenText("export_Vorta.txt"));

    fs::copy_file(kTool, program / "kestrel-gen");
    const auto converter = [&](const std::string& script) {
        std::ofstream(program / "hex2ccf") << "#!/bin/sh\n" << script;
        fs::permissions(program / "hex2ccf", fs::perms::owner_all);
    };
    const std::string record = (program / "record").string();
    const struct {
        std::string file, converter, err;  // "" for no converter
        int status;
    } rows[] = {
        {"my codes; rm -rf.ccf",
         "{ pwd -P; printf '%s\\n' \"$@\"; } > '" + record + "'\ncat \"$1\" > \"$2\"\n", "", 0},
        {"codes.ccf", "echo 'line 3: bad' >&2\nexit 3\n",
         "The CCF file '" + (out / "codes.ccf").string() + "' was not made: line 3: bad\n", 1},
        {"codes.ccf", "", "file '" + (program / "hex2ccf").string() + "' does not exist\n", 1},
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
                    {"export", "Tessel10", row.file, "--dir", kDevices}, out.string());
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.err, row.err);
        if (row.file[0] == '/') continue;
        EXPECT_EQ(ReadFile(out / "Temp$$.hex"), GoldenText("export_Tessel10.hex"));
        EXPECT_EQ(ReadFile(fs::path(out / row.file).replace_extension(".txt")),
                  GoldenText("export_Tessel10_ccf_listing.txt"));
    }
    EXPECT_EQ(Lines(ReadFile(record)),
              (std::vector<std::string>{fs::canonical(out).string(), "Temp$$.hex",
                                        (out / rows[0].file).string()}));
    EXPECT_EQ(ReadFile(out / rows[0].file), GoldenText("export_Tessel10.hex"));
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
// without a display; every command has its help. Then exit statuses and
// messages of arguments that do not fit, and of check.
TEST(KestrelGenCli, VersionHelpStatusesAndMessages) {
    for (const std::string program : {"kestrel-gen", "hex2ccf", "kestrel"}) {
        const std::string path = KESTREL_PROGRAM_DIR "/" + program;
        if (!fs::exists(path)) continue;  // a build without the window
        for (const std::string option : {"--version", "--help"}) {
            const ToolResult r = RunTool("/usr/bin/env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                                          "-u", "QT_QPA_PLATFORM", path, option});
            const bool version = option == "--version";
            const std::string expected =
                version ? program + " " + KESTREL_VERSION + "\n" : "usage: " + program + " ";
            EXPECT_EQ(r.status, 0) << program;
            EXPECT_EQ(version ? r.out : r.out.substr(0, expected.size()), expected);
        }
    }
    for (const std::string command : {"pronto", "models", "show", "code", "remote", "manual",
                                      "export", "send", "check", "plot", "decode", "help"}) {
        for (const ToolResult& r : {Gen({"help", command}), Gen({command, "--help"})}) {
            EXPECT_EQ(r.status, 0) << command;
            EXPECT_EQ(r.out.rfind("usage: kestrel-gen " + command + " ", 0), 0u) << r.out;
        }
    }
    const std::string check = "usage: kestrel-gen check MODEL|FILE [--dir DIR]\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;  // how standard error starts
    } rows[] = {
        {{}, 2, "usage: kestrel-gen "},
        {{"bogus"}, 2, "kestrel-gen: unknown command 'bogus'\n"},
        {{"help", "bogus"}, 2, "kestrel-gen: no help for 'bogus'\n"},
        {{"models", "--dir"}, 2, "kestrel-gen: option '--dir' needs a value\n"},
        {{"models", "--dir", kDevices + "/missing"}, 1, ""},
        {{"show", ""}, 1, "kestrel-gen: the model name is empty\n"},
        {{"export", "Tessel10", ""}, 1, "The file name '' cannot be used\n"},
        {{"check", kDevices + "/VortaIR.ini"}, 0, ""},  // notes, but nothing skipped
        {{"check", "Missing", "--dir", kDevices},
         1,
         "There is no INI file named MissingIR.ini, one is required\n"},
        {{"check", "/nonexistent/XIR.ini"},
         1,
         "There is no INI file named XIR.ini, one is required\n"},
        {{"check"}, 2, check},
        {{"check", "A", "B"}, 2, check},
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

}  // namespace
}  // namespace kestrel::test
