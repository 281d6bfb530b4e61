// kestrel-gen learn and devices, and the driver choice as the command line
// meets it, through the simulated driver. The captures and the names their
// codes must get come from tests/learn/data (made by make_captures.py).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/golden.h"
#include "support/run_tool.h"

namespace kestrel {
namespace {

const std::string kTool = KESTREL_PROGRAM_DIR "/kestrel-gen";
const std::string kData = KESTREL_SOURCE_DIR "/tests/learn/data/";
const std::string kReady = "ready, firmware 9.5, protocol 1.1, 2004-03-26";

// Each test keeps its files in a folder of its own, the user's settings
// among them, and starts from an environment without driver settings.
class LearnDevices : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_ + "/config/kestrel");
        setenv("XDG_CONFIG_HOME", (folder_ + "/config").c_str(), 1);
        setenv("KESTREL_SIM_LOG", (folder_ + "/sim.log").c_str(), 1);
        for (const char* name :
             {"KESTREL_UUIRT_LIBRARY", "KESTREL_UUIRT_DEVICE", "KESTREL_SIM_LEARN_DELAY",
              "KESTREL_SIM_LEARN_FAIL", "KESTREL_SIM_LEARN_NEXT"})
            unsetenv(name);
        setenv("KESTREL_SIM_LEARN", (kData + "receiver.mode2").c_str(), 1);
    }
    test::ToolResult Run(std::vector<std::string> args) {
        if (args[0] == "learn") args.insert(args.end(), {"--dir", KESTREL_SOURCE_DIR "/devices"});
        return test::RunTool(kTool, args, folder_);
    }
    std::string Log() const { return test::ReadBytes(folder_ + "/sim.log"); }

    const std::string folder_ = ::testing::TempDir() + "kestrel-learn-devices-" +
                                ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(LearnDevices, ALearnedPressIsNamedFromTheCatalogue) {
    test::ToolResult r = Run({"learn", "--driver", "sim", "--model", "Tessel10"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");  // not a terminal: no progress
    EXPECT_TRUE(r.out.starts_with("press 1: carrier ")) << r.out;
    EXPECT_NE(r.out.find("\n  entry: Tessel10: Power = Off\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("presses:"), std::string::npos);

    // The sim plays the file's next capture on each learn: two presses that
    // decode otherwise are reported, not hidden; the same press twice agrees.
    setenv("KESTREL_SIM_LEARN_NEXT", "1", 1);
    r = Run({"learn", "--driver", "sim", "--count", "2", "--model", "Tessel10"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\n  entry: Tessel10: Input = S-Video\n"), std::string::npos);
    EXPECT_NE(r.out.find("\npress 2 differs from press 1: discrete, device 17 (0x11), function "
                         "50 (0x32); valuetext, device 17 (0x11), value \"2\" instead of discrete, "
                         "device 16 (0x10), function 48 (0x30); valuetext, device 16 (0x10), "
                         "value \"0\"\n"),
              std::string::npos)
        << r.out;
    unsetenv("KESTREL_SIM_LEARN_NEXT");
    r = Run({"learn", "--driver", "sim", "--count", "2", "--model", "Tessel10"});
    EXPECT_TRUE(r.out.ends_with("\npresses: 2 agree\n")) << r.out;
}

TEST_F(LearnDevices, NoCodeIsExitStatusOneWithTheReason) {
    const struct {
        const char* setting;
        std::vector<std::string> args;
        const char* err;
    } rows[] = {
        {"KESTREL_SIM_LEARN_FAIL", {"--driver", "sim"}, "Learning failed: Input/output error"},
        {"KESTREL_SIM_LEARN_DELAY",
         {"--driver", "sim", "--timeout", "1"},
         "no code heard within 1 second"},
        {"", {"--driver", KESTREL_PLAIN_SIM_UUIRT_FILE}, "The driver library cannot learn codes."},
        {"", {"--driver", "sim", "--model", "Nonesuch"}, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.err ? row.err : "unknown model");
        if (*row.setting) setenv(row.setting, "600000", 1);
        std::vector<std::string> args{"learn"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const test::ToolResult r = Run(args);
        if (*row.setting) unsetenv(row.setting);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        if (row.err) {
            EXPECT_EQ(r.err, "kestrel-gen: " + std::string(row.err) + "\n");
        }
    }
    EXPECT_EQ(Run({"learn", "--count", "0"}).status, 2);
}

// The settings file, the environment and the flags, as devices shows what
// they chose: the sim's line, and only the named device with --device.
TEST_F(LearnDevices, DevicesShowsWhatTheDriverChoiceOpens) {
    std::ofstream(folder_ + "/config/kestrel/kestrel.conf") << "# mine\ndriver=sim\nspeed=9\n";
    test::ToolResult r = Run({"devices"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.ends_with("\nsim\t-\t" + kReady + "\n")) << r.out;
    EXPECT_EQ(r.err, "kestrel-gen: " + folder_ +
                         "/config/kestrel/kestrel.conf:3: unknown key 'speed' (driver= and "
                         "device= are read); line left out\n");

    setenv("KESTREL_UUIRT_DEVICE", "/dev/ttyUSB9", 1);  // overridden by the flag
    r = Run({"devices", "--device", "pty/7"});
    EXPECT_EQ(r.out, "sim\t" + folder_ + "/pty/7\t" + kReady + "\n");
    EXPECT_NE(Log().find(" device=" + folder_ + "/pty/7\n"), std::string::npos);
    std::filesystem::remove(folder_ + "/config/kestrel/kestrel.conf");  // no driver: usb-uirt
    EXPECT_TRUE(Run({"devices", "--device", "pty/9"}).out.starts_with("usb-uirt\t" + folder_));

    r = Run({"devices", "--driver", KESTREL_PLAIN_SIM_UUIRT_FILE, "--device", "/dev/pts/7"});
    EXPECT_EQ(r.out, std::string(KESTREL_PLAIN_SIM_UUIRT_FILE) +
                         "\t/dev/pts/7\tThe driver library cannot open a named device: "
                         "/dev/pts/7\n");
    EXPECT_EQ(r.status, 0);

    r = Run({"send", "--manual", "16", "1", "--driver", "simulated"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(
        r.err.starts_with("kestrel-gen: --driver takes usb-uirt, lirc, sim, or the path "
                          "of a library, not 'simulated'\nusage: "))
        << r.err;
}

}  // namespace
}  // namespace kestrel
