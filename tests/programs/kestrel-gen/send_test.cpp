// kestrel-gen send: every request of the golden transcript of code, remote
// and manual, made through send and the simulated driver.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/golden.h"
#include "support/run_tool.h"

namespace kestrel {
namespace {

const std::string kTool = KESTREL_PROGRAM_DIR "/kestrel-gen";
const std::string kSimulator = KESTREL_PROGRAM_DIR "/libkestrel-sim-uuirt.so";
const std::string kOpened =
    "UUIRTGetDrvInfo result=1 apiVersion=256\nUUIRTGetDrvVersion result=1 driverVersion=2610\n"
    "UUIRTOpenEx handle=0x5157 flags=1 reserved0=null reserved1=null\nUUIRTTransmitIR result=1 "
    "handle=0x5157 format=16 repeatCount=1 "
    "inactivityWaitTime=0 event=null reserved0=null reserved1=null code=";

// Runs send with args; log becomes the simulated driver's log ("" when it
// was not called).
test::ToolResult Send(std::vector<std::string> args, std::string& log) {
    const std::string file =
        ::testing::TempDir() + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove(file);
    setenv("KESTREL_SIM_LOG", file.c_str(), 1);
    if (args[0] != "--manual") args.insert(args.end(), {"--dir", KESTREL_SOURCE_DIR "/devices"});
    args.insert(args.begin(), "send");
    const test::ToolResult result = test::RunTool(kTool, args);
    std::ifstream in(file);
    log.assign(std::istreambuf_iterator<char>(in), {});
    return result;
}

TEST(KestrelGenSend, SendsWhatTheGoldenRequestsPrintAndNothingElse) {
    setenv("KESTREL_UUIRT_LIBRARY", kSimulator.c_str(), 1);
    std::ifstream golden(std::string(test::kGoldenFolder) + "/requests.txt");
    std::string line;
    std::getline(golden, line);
    int sent = 0;
    while (line.rfind("$ ", 0) == 0) {
        // "$ [command] [arg] ...", then its output, "! " messages, "exit N".
        std::vector<std::string> args;
        for (size_t at = 0; (at = line.find(" [", at)) != std::string::npos; at += 2)
            args.push_back(line.substr(at + 2, line.find("] ", at + 2) - at - 2));
        args.back().pop_back();
        std::string out, err;
        while (std::getline(golden, line) && line.rfind("exit ", 0) != 0)
            (line.rfind("! ", 0) == 0 ? err += line.substr(2) + "\n" : out += line + "\n");
        const int status = std::stoi(line.substr(5));
        std::getline(golden, line);
        if (args[0] == "show") continue;
        args[0] = args[0] == "code" ? "" : "--" + args[0];  // send --remote, send --manual
        if (args[0].empty()) args.erase(args.begin());
        SCOPED_TRACE(args[0] + " " + args[1]);
        std::string log;
        const test::ToolResult r = Send(args, log);
        EXPECT_EQ(r.status, status);
        // No usage texts; every message after the program's name.
        std::string named;
        for (size_t start = 0, end; start < err.size(); start = end + 1) {
            end = err.find('\n', start);
            named += "kestrel-gen: " + err.substr(start, end - start) + "\n";
        }
        EXPECT_EQ(r.out + (status == 2 ? "" : r.err), out + named);
        // Opened, the code printed sent, closed; or no call at all.
        const std::string code = out.substr(0, out.find('\n'));
        EXPECT_EQ(log, status ? "" : kOpened + code + "\nUUIRTClose result=1 handle=0x5157\n");
        sent += status == 0;
    }
    EXPECT_GT(sent, 10);
}

TEST(KestrelGenSend, ReportsWhyNothingWasSent) {
    std::string log;
    setenv("KESTREL_UUIRT_LIBRARY", "/nonexistent/libuuirtdrv.so", 1);
    test::ToolResult r = Send({"Tessel10", "Power", "On"}, log);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kestrel-gen: Unable to find USB-UIRT Driver! IR Transmission Disabled.\n");

    setenv("KESTREL_UUIRT_LIBRARY", kSimulator.c_str(), 1);
    setenv("KESTREL_SIM_TRANSMIT_FAIL", "1", 1);
    r = Send({"Tessel10", "Power", "On"}, log);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kestrel-gen: Could not transmit data\n");
    EXPECT_NE(log.find("UUIRTClose"), std::string::npos);
}

}  // namespace
}  // namespace kestrel
