// The driver binding: the open sequences of open_sequences.tsv and the
// transmissions of transmissions.tsv, against the driver libraries built.

#include "transmitter/transmitter.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <tuple>

#include "support/tsv_rows.h"
#include "transmitter/driver_choice.h"
#include "uuirt_api.h"

namespace kestrel {
namespace {

namespace fs = std::filesystem;

class TransmitterTest : public ::testing::Test, public WaitCursor {
  protected:
    void SetUp() override {
        fs::remove_all(tmp_);
        for (const auto& [folder, driver] : {std::pair{"current", KESTREL_SIM_UUIRT_FILE},
                                             {"program", KESTREL_SIM_UUIRT_FILE},
                                             {"broken", KESTREL_PARTIAL_UUIRT_FILE}}) {
            fs::create_directories(tmp_ / folder);
            fs::copy_file(driver, tmp_ / folder / uuirt::kDriverFileName);
        }
        fs::create_directories(tmp_ / "bundle");
        for (const auto& [file, driver] :
             {std::pair{"libkestrel-usb-uirt.so", KESTREL_PLAIN_SIM_UUIRT_FILE},
              {"libkestrel-sim-uuirt.so", KESTREL_SIM_UUIRT_FILE},
              {"libkestrel-lirc-uuirt.so", KESTREL_LIRC_UUIRT_FILE}})
            fs::copy_file(driver, tmp_ / "bundle" / file);
        fs::create_directories(tmp_ / "empty");
        std::ofstream(tmp_ / "not-a-library") << "not a library\n";
        fs::current_path(tmp_ / "current");  // holds a driver never to be loaded
    }
    void TearDown() override { fs::current_path(start_); }
    void Begin() override { cursor_ += "Begin "; }
    void End() override { cursor_ += "End"; }

    // text with $SIM, $PARTIAL, $LIRC and $TMP replaced.
    std::string Expand(std::string text) const {
        const std::string names[] = {
            "$SIM",   KESTREL_SIM_UUIRT_FILE,      "$PARTIAL", KESTREL_PARTIAL_UUIRT_FILE,
            "$LIRC",  KESTREL_LIRC_UUIRT_FILE,     "$TMP",     tmp_.string(),
            "$PLAIN", KESTREL_PLAIN_SIM_UUIRT_FILE};
        for (size_t i = 0; i < std::size(names); i += 2) {
            for (size_t at; (at = text.find(names[i])) != std::string::npos;)
                text.replace(at, names[i].size(), names[i + 1]);
        }
        return text;
    }

    // Nothing in the environment but the row's settings, the log and the
    // settings file's folder (the loader took LD_LIBRARY_PATH at start);
    // the errno setting or 0.
    int Settle(const std::string& settings, DriverFlags* flags = nullptr) {
        clearenv();
        setenv("KESTREL_SIM_LOG", (tmp_ / "calls.log").c_str(), 1);
        fs::remove(tmp_ / "calls.log");
        setenv("XDG_CONFIG_HOME", (tmp_ / "config").c_str(), 1);
        fs::remove_all(tmp_ / "config");
        int error = 0;
        std::istringstream words(Expand(settings));
        for (std::string word; words >> word && word != "-";) {
            const std::string name = word.substr(0, word.find('='));
            std::string value = word.substr(name.size() + 1);
            const std::string variable = (name.rfind("LD_", 0) == 0 ? "" : "KESTREL_") + name;
            if (name == "errno") {
                error = static_cast<int>(std::stoul(value, nullptr, 0));
            } else if (name == "--driver" || name == "--device") {
                (name == "--driver" ? flags->driver : flags->device) = value;
            } else if (name == "conf") {
                fs::create_directories(tmp_ / "config/kestrel");
                std::replace(value.begin(), value.end(), '|', '\n');
                std::replace(value.begin(), value.end(), '~', ' ');
                if (value == "!") fs::create_directory(tmp_ / "config/kestrel/kestrel.conf");
                if (value != "!") std::ofstream(tmp_ / "config/kestrel/kestrel.conf") << value;
            } else {
                setenv(variable.c_str(), value.c_str(), 1);
            }
        }
        return error;
    }

    // The log's lines after the first skip ones ("|" between two), or only
    // the entry points' names; "-" for none.
    std::string Logged(size_t skip, bool names) const {
        std::ifstream in(tmp_ / "calls.log");
        std::string lines;
        for (std::string line; std::getline(in, line);) {
            const size_t device = line.find(" device=");
            if (names) {
                line = line.substr(5, line.find(' ') - 5) +  // after "UUIRT"
                       (device != std::string::npos ? ":" + line.substr(device + 8) : "");
            }
            if (skip == 0) lines += (lines.empty() ? "" : names ? " " : " | ") + line;
            skip -= skip > 0;
        }
        return lines.empty() ? "-" : lines;
    }

    const fs::path tmp_ = fs::path(::testing::TempDir()) /
                          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const fs::path start_ = fs::current_path();
    std::string cursor_;
};

TEST_F(TransmitterTest, OpenSequencesGiveTheirTextsAndCalls) {
    const auto rows = test::TsvRows(KESTREL_SOURCE_DIR "/tests/transmitter/open_sequences.tsv");
    ASSERT_GT(rows.size(), 30u);
    std::unique_ptr<Transmitter> transmitter;
    bool everOpened = false;
    for (const test::TsvRow& row : rows) {
        SCOPED_TRACE(row.at(0) + " " + row.at(1));
        DriverFlags flags;
        const int error = Settle(row[1], &flags);
        const Result<DriverChoice> choice =
            ChooseDriver(row[0] == "-" ? "" : Expand(row[0]), flags);
        std::string problems;
        for (const std::string& problem : choice ? choice->problems : std::vector<std::string>{})
            problems += (problems.empty() ? "" : " | ") + problem;
        EXPECT_EQ(problems, Expand(row.size() > 6 ? row[6] : ""));
        if (!choice) {
            EXPECT_EQ(choice.reason(), row.at(2));
            continue;
        }
        if (row[0] != "+") transmitter.reset(new Transmitter(choice->location));
        errno = error;
        const Status opened = transmitter->OpenTransmitter();
        EXPECT_EQ(opened ? "ok" : opened.reason(), row.at(2));
        EXPECT_EQ(transmitter->TransmitterHandle(), std::stoll(row.at(3), nullptr, 0));
        everOpened = (everOpened && row[0] == "+") || opened;
        EXPECT_EQ(transmitter->TransmitFormat(), everOpened ? 16 : 0);
        EXPECT_EQ(Logged(0, true), Expand(row.at(4)));
        const std::string library = Expand(row.at(5));
        EXPECT_EQ(transmitter->LibraryFile(), library[0] == '!' ? "" : library);
        EXPECT_TRUE(library[0] != '!' ||
                    transmitter->LoadProblem().find(library.substr(1)) != std::string::npos);
    }
}

TEST_F(TransmitterTest, TransmissionsReachTheLibraryOnlyFromAnOpenDevice) {
    const auto rows = test::TsvRows(KESTREL_SOURCE_DIR "/tests/transmitter/transmissions.tsv");
    ASSERT_GT(rows.size(), 6u);
    for (const test::TsvRow& row : rows) {
        SCOPED_TRACE(row.at(0) + " " + row.at(1));
        Settle(row[1]);
        cursor_.clear();
        Transmitter transmitter(DriverLocation{.libraryFile = KESTREL_SIM_UUIRT_FILE}, this);
        if (row[0] != "none") (void)transmitter.OpenTransmitter();
        for (int i = 0; row[0] == "closed" && i < 2; ++i)
            transmitter.CloseTransmitter();
        const Status sent = transmitter.SendPronto(row.at(2));
        EXPECT_EQ(sent ? "ok" : sent.reason(), row.at(3));
        const std::string calls = row.at(4) + (row[4].ends_with("code=") ? row[2] : "");
        EXPECT_EQ(Logged(row[0] == "none" ? 0 : 3, false), calls);  // after the open's three
        EXPECT_EQ(cursor_, calls.find("TransmitIR") != std::string::npos ? "Begin End" : "");
    }
}

// A learn hands back the driver's code (the sim plays a capture: carrier
// 36 kHz, 2630/526/263 us and a 20 ms end, worked by hand in
// tests/drivers/lirc-uuirt/learning.tsv), or says why there is none.
TEST_F(TransmitterTest, LearningGivesTheDriversCodeOrTheReason) {
    Settle("-");
    std::ofstream(tmp_ / "capture") << "carrier 36000\npulse 2630\nspace 526\npulse 263\n"
                                       "timeout 20000\n";
    setenv("KESTREL_SIM_LEARN", (tmp_ / "capture").c_str(), 1);
    Transmitter transmitter(DriverLocation{.libraryFile = KESTREL_SIM_UUIRT_FILE});
    LearnAbort abort;
    EXPECT_EQ(transmitter.LearnPronto(abort).reason(), kNoConnectionText);
    ASSERT_TRUE(transmitter.OpenTransmitter());
    EXPECT_TRUE(transmitter.CanLearn());
    unsigned long carrier = 0;
    const Result<std::string> learned =
        transmitter.LearnPronto(abort, [&](unsigned, unsigned, unsigned long hz) { carrier = hz; });
    ASSERT_TRUE(learned) << learned.reason();
    EXPECT_EQ(*learned, "0000 0073 0002 0000 005F 0013 0009 02D1");
    EXPECT_EQ(carrier, 36000u);  // the driver's last report reached the caller

    abort.Ask();
    setenv("KESTREL_SIM_LEARN_DELAY", "600000", 1);
    EXPECT_EQ(transmitter.LearnPronto(abort).reason(), kLearnCancelledText);
    unsetenv("KESTREL_SIM_LEARN_DELAY");
    abort.Reset();
    setenv("KESTREL_SIM_LEARN_FAIL", "1", 1);
    EXPECT_EQ(transmitter.LearnPronto(abort).reason(),
              std::string(kLearnFailedText) + std::strerror(EIO));
    // What the sim says of its device: firmware 9.5, protocol 1.1, 26.3.2004.
    const std::optional<TransceiverInfo> info = transmitter.DeviceInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(std::tuple(info->firmwareVersion, info->protocolVersion, info->day, info->month,
                         info->year),
              std::tuple(0x0905u, 0x0101u, 26, 3, 2004));

    // A library without the optional entry points tells nothing, cannot
    // learn and cannot be given a device by name.
    Transmitter plain(DriverLocation{"", KESTREL_PLAIN_SIM_UUIRT_FILE, ""});
    ASSERT_TRUE(plain.OpenTransmitter());
    EXPECT_FALSE(plain.DeviceInfo());
    EXPECT_EQ(plain.LearnPronto(abort).reason(), kCannotLearnText);
    Transmitter named(DriverLocation{"", KESTREL_PLAIN_SIM_UUIRT_FILE, "/dev/ttyUSB7"});
    EXPECT_EQ(named.OpenTransmitter().reason(), std::string(kNoNamedDeviceText) + "/dev/ttyUSB7");
    EXPECT_EQ(named.TransmitterHandle(), -1);
}

}  // namespace
}  // namespace kestrel
