// kestrel-gen send: the code of code, remote or manual, transmitted through
// the simulated driver.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/run_tool.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

const std::string kTool = std::string(KESTREL_PROGRAM_DIR) + "/kestrel-gen";
const std::string kDevices = std::string(KESTREL_SOURCE_DIR) + "/devices";
const std::string kSimulator = std::string(KESTREL_PROGRAM_DIR) + "/libkestrel-sim-uuirt.so";

class SendTest : public ::testing::Test {
  protected:
    SendTest() {
        log_ =
            fs::path(::testing::TempDir()) /
            ("send-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".log");
        fs::remove(log_);
        setenv("KESTREL_UUIRT_LIBRARY", kSimulator.c_str(), 1);
        setenv("KESTREL_SIM_LOG", log_.c_str(), 1);
        unsetenv("KESTREL_SIM_TRANSMIT_FAIL");
    }

    test::ToolResult Gen(std::vector<std::string> args) {
        args.insert(args.end(), {"--dir", kDevices});
        return test::RunTool(kTool, args);
    }

    // The codes the simulated driver was given.
    std::vector<std::string> Sent() const {
        std::ifstream in(log_);
        std::vector<std::string> codes;
        for (std::string line; std::getline(in, line);) {
            const size_t code = line.find(" code=");
            if (line.rfind("UUIRTTransmitIR result=1 ", 0) == 0 && code != std::string::npos) {
                codes.push_back(line.substr(code + 6));
            }
        }
        return codes;
    }

    std::string Log() const {
        std::ifstream in(log_);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fs::path log_;
};

TEST_F(SendTest, TransmitsWhatCodeRemoteAndManualPrint) {
    const std::vector<std::vector<std::string>> cases = {
        {"code", "Tessel10", "Power", "On"},
        {"remote", "Tessel10", "Menu"},
        {"manual", "32", "01", "--kind", "H"},
    };
    std::vector<std::string> printed;
    for (const auto& request : cases) {
        const test::ToolResult shown = Gen(request);
        ASSERT_EQ(shown.status, 0) << shown.err;
        std::vector<std::string> send = request;
        send[0] = "send";
        if (request[0] != "code") send.insert(send.begin() + 1, "--" + request[0]);
        const test::ToolResult sent = Gen(send);
        EXPECT_EQ(sent.status, 0) << sent.err;
        EXPECT_EQ(sent.out, shown.out);
        printed.push_back(shown.out.substr(0, shown.out.size() - 1));
    }
    EXPECT_EQ(Sent(), printed);
    EXPECT_NE(Log().find("format=16 repeatCount=1 inactivityWaitTime=0"), std::string::npos);
}

TEST_F(SendTest, ReportsWhyNothingWasSent) {
    setenv("KESTREL_UUIRT_LIBRARY", "/nonexistent/libuuirtdrv.so", 1);
    test::ToolResult r = Gen({"send", "Tessel10", "Power", "On"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Unable to find USB-UIRT Driver! IR Transmission Disabled.\n");

    setenv("KESTREL_UUIRT_LIBRARY", kSimulator.c_str(), 1);
    setenv("KESTREL_SIM_TRANSMIT_FAIL", "1", 1);
    r = Gen({"send", "Tessel10", "Power", "On"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Could not transmit data\n");
    unsetenv("KESTREL_SIM_TRANSMIT_FAIL");

    // A refused request reaches no driver at all.
    fs::remove(log_);
    r = Gen({"send", "Tessel10", "Status", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Query Commands are not handled by IR\n");
    EXPECT_EQ(Log(), "");
    EXPECT_EQ(Gen({"send", "Tessel10", "Power"}).status, 2);
    EXPECT_EQ(Gen({"send", "--manual", "1", "2", "--kind", "Q"}).status, 2);
}

}  // namespace
}  // namespace kestrel
