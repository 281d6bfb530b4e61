// The USB-UIRT driver library against a device emulator on a
// pseudo-terminal (uirt_emulator.h): the frames it writes, the device's
// error answers and silence, unsolicited codes, holding and finding the
// device, learning, and kestrel-gen sending through it.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <set>
#include <sstream>
#include <thread>

#include "support/golden.h"
#include "support/run_tool.h"
#include "uirt_emulator.h"
#include "uuirt_api.h"

namespace kestrel {
namespace {

using test::Bytes;
using test::UirtEmulator;

constexpr int kPronto = uuirt::kProntoFormat;
const std::string kLibrary = KESTREL_PROGRAM_DIR "/libkestrel-usb-uirt.so";

std::vector<uint32_t> WordsOf(const std::string& pronto) {
    std::istringstream in(pronto);
    std::vector<uint32_t> words;
    for (std::string word; in >> word;)
        words.push_back(static_cast<uint32_t>(std::stoul(word, nullptr, 16)));
    return words;
}

// The carrier byte and the durations of a recorded DOTXRAW frame or
// streamed signal, read by the layout the device documents.
std::pair<uint8_t, std::vector<uint32_t>> Decoded(const Bytes& frame) {
    const bool raw = frame.at(0) == 0x36;
    std::vector<uint32_t> cycles;
    for (size_t i = raw ? 7 : 3; i < frame.size() - (raw ? 1 : 0); ++i) {
        const uint32_t first = frame[i];
        cycles.push_back(first & 0x80 ? (first & 0x7F) << 8 | frame.at(++i) : first);
    }
    return {frame[2], cycles};
}

// A frame sends the code's words as they stand, at its carrier: every word
// of the code, and round(2,500,000 / Hz).
void ExpectSendsTheWords(const Bytes& frame, const std::string& pronto) {
    SCOPED_TRACE(pronto.substr(0, 60));
    const std::vector<uint32_t> words = WordsOf(pronto);
    const std::vector<uint32_t> sent(words.begin() + 4, words.end());
    const auto [carrier, cycles] = Decoded(frame);
    EXPECT_EQ(cycles, sent);
    EXPECT_EQ(carrier, std::lround(2500000 / (1e6 / (words[1] * 0.241246))));
    unsigned sum = 0;
    for (size_t i = 0; i < (frame[0] == 0x36 ? frame.size() : 2); ++i)
        sum += frame[i];
    EXPECT_EQ(sum % 256, 0u);
    if (frame[0] == 0x36) {
        EXPECT_EQ(frame[1], frame.size() - 2);  // what follows the length byte
        EXPECT_EQ(frame[3], 1);                 // sent once
        EXPECT_EQ(frame[6], frame.size() - 8);  // the duration bytes
    } else {
        EXPECT_EQ(frame[1], 0xDB);
    }
}

struct UsbUirt : ::testing::Test {
    void SetUp() override {
        for (const char* name : {"KESTREL_USB_UIRT_DEVICE", "KESTREL_USB_UIRT_SYSFS",
                                 "KESTREL_USB_UIRT_LEARN", "KESTREL_USB_UIRT_TRACE"})
            unsetenv(name);
        files = std::filesystem::path(::testing::TempDir()) /
                ("usb-uirt-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(files);
        std::filesystem::create_directories(files);
        library = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        open = Entry<uuirt::OpenFunction>(uuirt::kOpenName);
        openEx = Entry<uuirt::OpenExFunction>(uuirt::kOpenExName);
        transmit = Entry<uuirt::TransmitIRFunction>(uuirt::kTransmitIRName);
        close = Entry<uuirt::CloseFunction>(uuirt::kCloseName);
        info = Entry<uuirt::GetUUIRTInfoFunction>(uuirt::kGetUUIRTInfoName);
        learn = Entry<uuirt::LearnIRFunction>(uuirt::kLearnIRName);
    }
    void TearDown() override {
        if (handle != uuirt::FailedHandle()) close(handle);
        if (library) dlclose(library);
    }
    template <typename F>
    F Entry(const char* name) {
        return reinterpret_cast<F>(dlsym(library, name));
    }
    void* Open() {
        handle = openEx(const_cast<char*>(device.Path().c_str()), 0, nullptr, nullptr);
        return handle;
    }
    bool Send(const std::string& code, int repeatCount = 1, int format = kPronto) {
        return transmit(handle, const_cast<char*>(code.c_str()), format, repeatCount, 0, nullptr,
                        nullptr, nullptr) != 0;
    }
    // The code learned, or "! " and the errno name.
    std::string Learn(int* abort, int format = kPronto) {
        char code[uuirt::kLearnBufferSize];
        const auto progress = [](unsigned percent, unsigned, unsigned long hz, void* user) {
            if (percent == 100) *static_cast<unsigned long*>(user) = hz;
        };
        if (!learn(handle, format, code, progress, &carrierHz, abort, 0, nullptr, nullptr)) {
            return "! " + std::string(strerrorname_np(errno));
        }
        return code;
    }

    UirtEmulator device;
    std::filesystem::path files;
    void* library = nullptr;
    void* handle = uuirt::FailedHandle();
    unsigned long carrierHz = 0;
    uuirt::OpenFunction open = nullptr;
    uuirt::OpenExFunction openEx = nullptr;
    uuirt::TransmitIRFunction transmit = nullptr;
    uuirt::CloseFunction close = nullptr;
    uuirt::GetUUIRTInfoFunction info = nullptr;
    uuirt::LearnIRFunction learn = nullptr;
};

// The codes kestrel-gen prints in its golden transcript, and each cut to
// its first ten pairs, so that both DOTXRAW frames and streams are made.
std::vector<std::string> GoldenCodes() {
    std::istringstream in(test::GoldenText("requests.txt"));
    std::set<std::string> codes;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("0000 ", 0) != 0) continue;
        codes.insert(line);
        codes.insert(line.substr(0, 5) + line.substr(5, 5) + "000A 0000" + line.substr(19, 100));
    }
    return {codes.begin(), codes.end()};
}

TEST_F(UsbUirt, WritesTheHandWorkedFrameAndTellsTheVersion) {
    setenv("KESTREL_USB_UIRT_TRACE", (files / "trace").c_str(), 1);
    ASSERT_NE(Open(), uuirt::FailedHandle());
    UUIRTInfo version{};
    ASSERT_TRUE(info(handle, &version));
    EXPECT_EQ(version.firmwareVersion, 0x0905u);
    EXPECT_EQ(version.protocolVersion, 0x0101u);
    EXPECT_EQ(version.firmwareDay + 100 * version.firmwareMonth + 10000 * version.firmwareYear,
              26 + 100 * 3 + 10000 * 4);
    // Word 006D is a period of 109 x 0.241246 us, 38029.5 Hz; 2,500,000 /
    // 38029.5 = 65.74, so the carrier byte is 66 (42). The words go as they
    // stand: 10, 20, and A0 (160 > 127) as 80 A0, 0100 as 81 00. NN = 6
    // duration bytes, LL = 6 + FF RR IH IL NN CS = 12 (0C). The bytes before
    // the checksum sum to 604 = 2 x 256 + 5C, so CS = 100 - 5C = A4.
    ASSERT_TRUE(Send("0000 006D 0002 0000 0010 0020 00A0 0100"));
    // The once part, then the repeat part twice.
    ASSERT_TRUE(Send("0000 006D 0001 0001 0010 0020 0030 0040", 2));
    const std::vector<Bytes> frames = device.Frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], (Bytes{0x23, 0xDD}));
    EXPECT_EQ(frames[1], (Bytes{0x36, 0x0C, 0x42, 0x01, 0x00, 0x00, 0x06, 0x10, 0x20, 0x80, 0xA0,
                                0x81, 0x00, 0xA4}));
    EXPECT_EQ(Decoded(frames[2]).second,
              (std::vector<uint32_t>{0x10, 0x20, 0x30, 0x40, 0x30, 0x40}));
    close(std::exchange(handle, uuirt::FailedHandle()));
    std::ifstream in(files / "trace");
    const std::string trace{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(trace.find("< 09 05 01 01 1A 03 04 CF\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("> 36 0C 42 01 00 00 06 10 20 80 A0 81 00 A4\n"), std::string::npos);
}

TEST_F(UsbUirt, SendsEveryCodeAsItsWordsWhateverTheDeviceSaysUnasked) {
    ASSERT_NE(Open(), uuirt::FailedHandle());
    const std::vector<std::string> codes = GoldenCodes();
    ASSERT_GT(codes.size(), 10u);
    for (const std::string& code : codes)
        EXPECT_TRUE(Send(code)) << code;
    const std::vector<Bytes> quiet = device.Frames();
    device.SlipUirCodes(true);
    for (const std::string& code : codes)
        EXPECT_TRUE(Send(code)) << code;
    const std::vector<Bytes> noisy = device.Frames();
    const auto arrivals = device.Arrivals();
    ASSERT_EQ(noisy.size(), 1 + 2 * codes.size());
    for (size_t i = 0; i < codes.size(); ++i) {
        ExpectSendsTheWords(quiet.at(1 + i), codes[i]);
        EXPECT_EQ(noisy.at(1 + codes.size() + i), quiet[1 + i]);
        // No code starts before the one before it, final space and all,
        // has been sent: its cycles of 0.4 us times the carrier byte.
        const std::vector<uint32_t> words = WordsOf(codes[i]);
        const double micros = std::accumulate(words.begin() + 4, words.end(), 0.0) *
                              Decoded(quiet[1 + i]).first * 0.4;
        EXPECT_GE(arrivals[2 + i] - arrivals[1 + i],
                  std::chrono::microseconds(std::lround(micros)));
    }
    // Codes at the edges of what the device takes.
    for (const std::string code :
         {"0000 00CF 0001 0000 7FFF 0010", "0000 0009 0001 0000 0001 0010"}) {
        ASSERT_TRUE(Send(code));
        ExpectSendsTheWords(device.Frames().back(), code);
    }
}

TEST_F(UsbUirt, RefusesWhatTheDeviceCannotSendAndWritesNothing) {
    ASSERT_NE(Open(), uuirt::FailedHandle());
    std::string tooMany = "0000 006D 0201 0000";
    for (int i = 0; i < 513; ++i)
        tooMany += " 0010 0010";
    const struct {
        const char* why;
        std::string code;
        int format;
    } rows[] = {
        {"another format", "0000 006D 0001 0000 0010 0010", 0},
        {"malformed", "0000 006D 0001 0000 00G0 0010", kPronto},
        {"19.93 kHz", "0000 00D0 0001 0000 0010 0010", kPronto},
        {"518 kHz", "0000 0008 0001 0000 0010 0010", kPronto},
        {"a zero duration", "0000 006D 0002 0000 0010 0000 0010 0010", kPronto},
        {"32768 cycles", "0000 006D 0001 0000 8000 0010", kPronto},
        {"1025 durations", tooMany, kPronto},
        {"8 x 1.64 s", "0000 00CF 0004 0000 7FFF 7FFF 7FFF 7FFF 7FFF 7FFF 7FFF 7FFF", kPronto},
    };
    for (const auto& row : rows) {
        errno = 0;
        EXPECT_FALSE(Send(row.code, 1, row.format)) << row.why;
        EXPECT_EQ(errno, EINVAL) << row.why;
    }
    EXPECT_EQ(device.Frames().size(), 1u);  // GETVERSION alone
}

TEST_F(UsbUirt, FailsASendTheDeviceRefusesOrLeavesUnanswered) {
    device.SlipUirCodes(true);  // codes holding 0x21 and 0x20 around each answer
    ASSERT_NE(Open(), uuirt::FailedHandle());
    for (const uint8_t status : {0x80, 0x81, 0x82}) {
        device.AnswerWith(status);
        errno = 0;
        // 10 s, the longest taken: 200,000 cycles of 50 us (carrier byte 125).
        EXPECT_FALSE(Send("0000 00CF 0004 0000 7FFF 7FFF 7FFF 7FFF 7FFF 7FFF 06A3 06A3"))
            << int{status};
        EXPECT_EQ(errno, EIO);
    }
    device.AnswerWith(0x21);  // done rather than under way: taken too
    EXPECT_TRUE(Send("0000 006D 0001 0000 0010 0010"));
    device.AnswerWith(0);
    device.StaySilent(true);
    EXPECT_FALSE(Send("0000 006D 0001 0000 0010 0010"));
}

TEST_F(UsbUirt, OpensOnlyADeviceThatAnswersAndNobodyElseHolds) {
    device.StaySilent(true);
    EXPECT_EQ(Open(), uuirt::FailedHandle());
    EXPECT_EQ(static_cast<uint32_t>(errno), 0x20000002u);
    device.StaySilent(false);
    ASSERT_NE(Open(), uuirt::FailedHandle());
    void* second = openEx(const_cast<char*>(device.Path().c_str()), 1, nullptr, nullptr);
    EXPECT_EQ(second, uuirt::FailedHandle());
    EXPECT_EQ(static_cast<uint32_t>(errno), 0x20000005u);
    EXPECT_TRUE(close(std::exchange(handle, uuirt::FailedHandle())));
    ASSERT_NE(Open(), uuirt::FailedHandle());
    char absent[] = "/nonexistent/ttyUSB9";
    EXPECT_EQ(openEx(absent, 0, nullptr, nullptr), uuirt::FailedHandle());
    EXPECT_EQ(static_cast<uint32_t>(errno), 0x20000001u);
}

TEST_F(UsbUirt, FindsTheDeviceByItsUsbIds) {
    // A sysfs of three ttys: a plain FTDI port, a built-in port and the
    // USB-UIRT, whose node is the emulator's.
    namespace fs = std::filesystem;
    const fs::path sys = files / "sys";
    const auto tty = [&](const std::string& name, const std::string& device, const char* ids) {
        fs::create_directories(sys / "class/tty" / name);
        fs::create_directories(sys / device);
        fs::create_directory_symlink(sys / device, sys / "class/tty" / name / "device");
        if (ids == nullptr) return;
        const fs::path usb = (sys / device).parent_path().parent_path();
        std::ofstream(usb / "idVendor") << "0403\n";
        std::ofstream(usb / "idProduct") << ids << "\n";
    };
    tty("ttyS0", "devices/platform/serial8250/tty/ttyS0", nullptr);
    tty("ttyUSB0", "devices/usb1/1-1/1-1:1.0/ttyUSB0", "6001");
    tty("ttyUSB1", "devices/usb1/1-2/1-2:1.0/ttyUSB1", "F850");
    std::ofstream(sys / "class/tty/ttyUSB1/uevent")
        << "MAJOR=188\nMINOR=1\nDEVNAME=" << device.Path().substr(5) << "\n";
    fs::create_directories(files / "empty");
    setenv("KESTREL_USB_UIRT_SYSFS", (files / "empty").c_str(), 1);
    EXPECT_EQ(open(), uuirt::FailedHandle());
    EXPECT_EQ(static_cast<uint32_t>(errno), 0x20000001u);
    EXPECT_TRUE(device.Frames().empty());
    setenv("KESTREL_USB_UIRT_SYSFS", sys.c_str(), 1);
    handle = open();
    ASSERT_NE(handle, uuirt::FailedHandle());
    EXPECT_EQ(device.Frames().size(), 1u);
}

// A signal as a remote sends it, and what a learned code of it must be:
// the same durations within a receiver's tolerance (30 % or 100 us).
const test::PlayedSignal kPress = {{9000, 4500, 560, 560, 560, 1690, 560, 560, 560, 1690, 560},
                                   38000};

void ExpectLearned(const std::string& code, double carrierTolerance) {
    const std::vector<uint32_t> words = WordsOf(code);
    ASSERT_EQ(words.size(), 4 + kPress.micros.size() + 1) << code;
    const double period = words[1] * 0.241246;
    EXPECT_NEAR(1e6 / period, kPress.carrierHz, kPress.carrierHz * carrierTolerance);
    for (size_t i = 0; i < kPress.micros.size(); ++i) {
        const double heard = words[4 + i] * period;
        EXPECT_NEAR(heard, kPress.micros[i], std::max(100.0, 0.3 * kPress.micros[i])) << i;
    }
}

TEST_F(UsbUirt, LearnsAPlayedSignalInWidebandAndRawFormAndPutsTheModeBack) {
    device.SlipUirCodes(true);
    ASSERT_NE(Open(), uuirt::FailedHandle());
    int abort = 0;
    device.Play(kPress);
    ExpectLearned(Learn(&abort), 0.02);
    EXPECT_NEAR(carrierHz, 38000, 38000 * 0.02);
    EXPECT_EQ(device.Mode(), 0x20);
    device.Play(kPress);
    ExpectLearned(Learn(&abort, kPronto | uuirt::kLearnForceRaw), 0.02);  // 38 kHz assumed
    EXPECT_EQ(device.Mode(), 0x20);
    setenv("KESTREL_USB_UIRT_LEARN", "raw", 1);
    device.Play(kPress);
    ExpectLearned(Learn(&abort), 0.02);
    std::vector<Bytes> modes;
    for (const Bytes& frame : device.Frames())
        if (frame.size() == 2 && frame[0] != 0x23) modes.push_back(frame);
    EXPECT_EQ(
        modes,
        (std::vector<Bytes>{
            {0x24, 0xDC}, {0x20, 0xE0}, {0x21, 0xDF}, {0x20, 0xE0}, {0x21, 0xDF}, {0x20, 0xE0}}));
}

TEST_F(UsbUirt, StopsLearningWhenAbortedOrUnanswered) {
    ASSERT_NE(Open(), uuirt::FailedHandle());
    int abort = 0;
    std::thread stop([&abort] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        __atomic_store_n(&abort, 1, __ATOMIC_RELEASE);
    });
    EXPECT_EQ(Learn(&abort), "! ECANCELED");
    stop.join();
    EXPECT_EQ(device.Mode(), 0x20);
    device.StaySilent(true);  // the mode command unanswered: no learning at all
    EXPECT_EQ(Learn(&abort), "! EIO");
}

// kestrel-gen sends through the device named in the environment or on its
// command line, and a device that fails gives the user's texts and status 1.
TEST_F(UsbUirt, KestrelGenSendsThroughTheDevice) {
    const std::vector<std::string> send = {"send", "Tessel10", "Power",
                                           "On",   "--dir",    KESTREL_SOURCE_DIR "/devices"};
    const auto run = [&](std::vector<std::string> more) {
        std::vector<std::string> args = send;
        args.insert(args.end(), more.begin(), more.end());
        return test::RunTool(KESTREL_PROGRAM_DIR "/kestrel-gen", args);
    };
    device.SlipUirCodes(true);
    setenv("KESTREL_UUIRT_LIBRARY", kLibrary.c_str(), 1);
    setenv("KESTREL_USB_UIRT_DEVICE", device.Path().c_str(), 1);
    const test::ToolResult byEnvironment = run({});
    ASSERT_EQ(byEnvironment.status, 0) << byEnvironment.err;
    unsetenv("KESTREL_UUIRT_LIBRARY");
    unsetenv("KESTREL_USB_UIRT_DEVICE");
    const test::ToolResult byFlags = run({"--driver", "usb-uirt", "--device", device.Path()});
    ASSERT_EQ(byFlags.status, 0) << byFlags.err;
    const std::vector<Bytes> frames = device.Frames();
    ASSERT_EQ(frames.size(), 4u);  // GETVERSION and the code, twice
    ExpectSendsTheWords(frames[1], byEnvironment.out.substr(0, byEnvironment.out.find('\n')));
    EXPECT_EQ(frames[3], frames[1]);

    device.AnswerWith(0x82);  // a command error
    const test::ToolResult refused = run({"--driver", "usb-uirt", "--device", device.Path()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "kestrel-gen: Could not transmit data\n");
    device.StaySilent(true);
    const test::ToolResult silent = run({"--driver", "usb-uirt", "--device", device.Path()});
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.err,
              "kestrel-gen: Unable to communicate with USB-UIRT device! IR Transmission "
              "Disabled.\n");
}

}  // namespace
}  // namespace kestrel
