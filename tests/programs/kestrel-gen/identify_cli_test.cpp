// kestrel-gen identify end to end: what it prints for captures, what it
// reports of input it cannot read, and its exit status.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/golden.h"
#include "support/run_tool.h"

namespace kestrel::test {
namespace {

const std::string kTool = KESTREL_PROGRAM_DIR "/kestrel-gen";
const std::string kDevices = KESTREL_SOURCE_DIR "/devices";
const std::string kData = KESTREL_SOURCE_DIR "/tests/learn/data/";

TEST(KestrelGenIdentify, NamesCapturesAndReportsLinesItCannotRead) {
    const ToolResult r =
        RunTool(kTool, {"identify", "--dir", kDevices, kData + "hand.mode2", kData + "hand.irctl"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "kestrel-gen: " + kData +
                  "hand.mode2:119: \"pulse 7OO\": not a whole number from 0 to 2147483647\n" +
                  "kestrel-gen: " + kData + "hand.irctl:9: \"+abc\" is not a pulse or a space\n");
    for (const std::string& part :
         {"capture 1 (" + kData + "hand.mode2:9): carrier 38000 Hz, 107 durations\n",
          std::string("  match: discrete, device 16 (0x10), function 49 (0x31)\n"
                      "  match: valuetext, device 16 (0x10), value \"1\"\n"
                      "  entry: Vorta: Power = On\n  entry: Tessel20: Power = On\n"
                      "  entry: Tessel10: Power = On\n  code: ") +
              GoldenCode("requests.txt", "$ [code] [Tessel10] [Power] [On]") + "\ncapture 2 (",
          std::string("  match: none\n  entry: none\ncapture 3 ("),
          std::string("  entry: Tessel10: Brightness = 50\n")}) {
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
    }
}

TEST(KestrelGenIdentify, ExitStatus) {
    const std::string freeze = ::testing::TempDir() + "kestrel-identify-freeze.txt";
    std::ofstream(freeze) << "Tessel10 Freeze = On\n"
                          << GoldenCode("export_Tessel10.txt", "IR Data For Command Freeze = On")
                          << "\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;  // a part of standard output
    } rows[] = {
        {{"identify", "--model", "Tessel10", "--dir", kDevices, freeze},
         0,
         "  entry: Tessel10: Freeze = On\n"},
        // It holds codes of other makers' remotes.
        {{"identify", "--dir", kDevices, kData + "receiver.pronto"},
         3,
         "  entry: Tessel10: remote Up\n"},
        {{"identify", "--model", "Tessel20", "--dir", kDevices, freeze},
         3,
         "  name: Tessel10 Freeze = On\n  frame: 2605 -2605 573 "},
        {{"identify", "--model", "Tessel20", "--dir", kDevices, freeze},
         3,
         "  match: discrete, device 7 (0x7), function 49 (0x31)\n"
         "  match: valuetext, device 7 (0x7), value \"1\"\n"
         "  entry: none\n  nearest: Tessel20: Picture Mode = Cin\xE9ma (2 bits differ)\n"},
        {{"identify", "--model", "Nothing", "--dir", kDevices}, 1, ""},
        {{"identify", "--dir", kDevices, "-"}, 1, ""},  // nothing on standard input
        {{"identify", "--dir", kDevices, kData + "absent.mode2"}, 1, ""},
        {{"identify", "--count", "2"}, 2, ""},
    };
    for (const auto& row : rows) {
        const ToolResult r = RunTool(kTool, row.args);
        EXPECT_EQ(r.status, row.status) << row.args.back() << "\n" << r.err;
        EXPECT_NE(r.out.find(row.out), std::string::npos) << row.out << "\n" << r.out;
    }
}

// The entries of an identify report, one a line.
std::string EntryNames(const std::string& report) {
    std::string names;
    for (size_t at = 0; (at = report.find("  entry: ", at)) != std::string::npos; ++at)
        names += report.substr(at + 9, report.find('\n', at) - at - 8);
    return names;
}

// The entries the samples of Tessel20's golden Gen ALL listing are, in its
// order: "IR Data For Command Power = On  (0x10/16 ..." and "... Brightness(
// 0x20/32) Middle of Range=50" name "Power = On" and "Brightness = 50".
std::string ListedEntries() {
    std::string captions;
    std::istringstream listing(GoldenText("export_Tessel20.txt"));
    for (std::string line; std::getline(listing, line);) {
        if (line.rfind("IR Data For Command ", 0) != 0) continue;
        line = line.substr(20, line.find_last_not_of("\r") - 19);
        const size_t range = line.find(" of Range=");
        captions += "Tessel20: " +
                    (range == std::string::npos
                         ? line.substr(0, line.find("  (0x"))
                         : line.substr(0, line.find('(')) + " = " + line.substr(range + 10)) +
                    "\n";
    }
    return captions;
}

// LIRC's own irsimsend sends every code of the golden lircd.conf export,
// each twice, with the file's 3722 us gap between codes: every code is named
// as the golden listing captions it, in the order sent.
TEST(KestrelGenIdentify, NamesWhatLircsIrsimsendSends) {
    const std::string folder = ::testing::TempDir() + "kestrel-identify-irsimsend";
    std::filesystem::create_directories(folder);
    const std::string conf = std::string(test::kGoldenFolder) + "/export_Tessel20.lircd";
    const ToolResult sent =
        RunTool("/usr/bin/env", {"XDG_CACHE_HOME=" + folder, "irsimsend", "-c", "2", conf}, folder);
    ASSERT_EQ(sent.status, 0) << sent.err;
    const ToolResult r = RunTool(
        kTool, {"identify", "--model", "Tessel20", "--dir", kDevices, folder + "/simsend.out"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(EntryNames(r.out), ListedEntries());
}

// The files of other IR tools that export writes are read back as captures:
// every code is named as the listing captions it, in the file's order.
TEST(KestrelGenIdentify, NamesTheCodesOfExportedFiles) {
    for (const char* format :
         {"flipper", "esphome", "homeassistant", "broadlink", "girr", "keymap"}) {
        const std::string file =
            ::testing::TempDir() + "kestrel-identify-exported-" + format + ".txt";
        const ToolResult exported = RunTool(
            kTool, {"export", "Tessel20", file, "--format", format, "--dir", kDevices, "--force"});
        ASSERT_EQ(exported.status, 0) << exported.err;
        const ToolResult r =
            RunTool(kTool, {"identify", "--model", "Tessel20", "--dir", kDevices, file});
        EXPECT_EQ(r.status, 0) << format << "\n" << r.err;
        EXPECT_EQ(EntryNames(r.out), ListedEntries()) << format;
    }
}

}  // namespace
}  // namespace kestrel::test
