// The LIRC driver: Pronto text to what one write takes (conversions.tsv),
// the transmitter against a fake device (device_faults.tsv) and learning
// through it (learning.tsv).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/lirc.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "lirc_device.h"
#include "pronto_signal.h"
#include "support/tsv_rows.h"

namespace kestrel::lirc {
namespace {

const std::string kHere = KESTREL_SOURCE_DIR "/tests/drivers/lirc-uuirt/";

// Expands every {TEXT}xN into N blank-separated copies of TEXT.
std::string Expand(std::string text) {
    for (size_t open; (open = text.find('{')) != std::string::npos;) {
        const size_t close = text.find("}x", open);
        size_t digits = 0;
        const int count = std::stoi(text.substr(close + 2), &digits);
        std::string copies;
        for (int i = 0; i < count; ++i)
            copies += (i ? " " : "") + text.substr(open + 1, close - open - 1);
        text.replace(open, close + 2 + digits - open, copies);
    }
    return text;
}

std::string Join(const unsigned int* values, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += " " + std::to_string(values[i]);
    return text;
}

TEST(LircConversions, GiveTheHandWorkedDurationsOrTheirRefusal) {
    const std::vector<test::TsvRow> rows = test::TsvRows(kHere + "conversions.tsv");
    ASSERT_GT(rows.size(), 30u);
    for (const test::TsvRow& row : rows) {
        const std::string text = Expand(row.at(1));
        SCOPED_TRACE(row[0] + " x " + text.substr(0, 80));
        const Result<ProntoSignal> s = SignalOf(text, std::stoi(row[0]));
        EXPECT_EQ(
            s ? std::to_string(s->carrierHz) + ":" + Join(s->durations.data(), s->durations.size())
              : "! " + s.reason(),
            Expand(row.at(2)));
    }
}

// A device whose calls succeed but where the row's faults say otherwise.
class FakeDevice : public DeviceCalls {
  public:
    explicit FakeDevice(const std::string& faults) : faults_(" " + faults + " ") {}
    int Open(const char* path, int flags) override {
        const bool usual = flags == (O_RDWR | O_CLOEXEC);
        return Call(std::string("open ") + path + (usual ? " rw+cloexec" : " ?"), "open", 7);
    }
    int Fstat(int fd, struct stat* status) override {
        *status = {};
        status->st_mode = Has("mode=file") ? S_IFREG : S_IFCHR;
        return Call("fstat " + std::to_string(fd), "fstat", 0);
    }
    int Ioctl(int fd, unsigned long request, uint32_t* value) override {
        for (const auto& [set, name] : kSettings) {
            if (request == set) return Call(name + " " + std::to_string(*value), name, 0);
        }
        *value = Has("features=pulse")      ? LIRC_CAN_SEND_PULSE
                 : Has("features=receiver") ? LIRC_CAN_REC_MODE2 | LIRC_CAN_SET_SEND_CARRIER
                 : Has("features=listener") ? LIRC_CAN_SEND_PULSE | LIRC_CAN_REC_MODE2
                 : Has("features=learner")
                     ? LIRC_CAN_SEND_PULSE | LIRC_CAN_REC_MODE2 | LIRC_CAN_SET_REC_TIMEOUT |
                           LIRC_CAN_MEASURE_CARRIER | LIRC_CAN_USE_WIDEBAND_RECEIVER
                     : LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER;
        return Call("features " + std::to_string(fd), "features", 0);  // the only other request
    }
    ssize_t Write(int fd, const void* data, size_t size) override {
        const auto* values = static_cast<const unsigned int*>(data);
        const auto whole = static_cast<ssize_t>(size);
        Call("write " + std::to_string(fd) + Join(values, size / sizeof *values), "write", 0);
        return Has("write=-1") ? -1 : Has("write=0") ? 0 : Has("write=short") ? whole - 1 : whole;
    }
    int Close(int fd) override { return Call("close " + std::to_string(fd), "close", 0); }

    // What the device has to read: batches separated by "|", each a read's
    // values (p2630 a pulse, s526 a space, f36000 a carrier, t30000 a
    // timeout, o an overflow), "." a poll that times out, a batch starting
    // with "stale:" waiting before the learning starts. Once it has nothing
    // left, the user aborts.
    void Script(const std::string& script, int* abort) {
        abort_ = abort;
        std::istringstream in(script);
        for (std::string batch; std::getline(in, batch, '|');)
            batches_.push_back(batch);
    }
    int Poll(int, int milliseconds) override {
        if (batches_.empty()) *abort_ = 1;
        if (batches_.empty() || (milliseconds == 0) != (batches_.front().rfind("stale:", 0) == 0))
            return 0;
        if (batches_.front() != ".") return 1;
        batches_.erase(batches_.begin());
        return 0;
    }
    ssize_t Read(int fd, void* data, size_t size) override {
        std::istringstream in(batches_.front().substr(batches_.front().rfind(':') + 1));
        batches_.erase(batches_.begin());
        auto* values = static_cast<uint32_t*>(data);
        size_t n = 0;
        for (std::string v; in >> v && n < size / 4; ++n) {
            const uint32_t kind = v[0] == 'p'   ? LIRC_MODE2_PULSE
                                  : v[0] == 'f' ? LIRC_MODE2_FREQUENCY
                                  : v[0] == 't' ? LIRC_MODE2_TIMEOUT
                                  : v[0] == 'o' ? LIRC_MODE2_OVERFLOW
                                                : LIRC_MODE2_SPACE;
            values[n] = kind | (v.size() > 1 ? std::stoul(v.substr(1)) : 0);
        }
        Call("read " + std::to_string(fd) + " " + std::to_string(n), "read", 0);
        return Has("read=-1") ? -1 : static_cast<ssize_t>(n * 4);
    }

    std::string calls;

  private:
    bool Has(const std::string& fault) const {
        return faults_.find(" " + fault + " ") != std::string::npos;
    }
    int Call(const std::string& call, const std::string& name, int result) {
        calls += (calls.empty() ? "" : ", ") + call;
        return Has(name + "=-1") ? -1 : result;
    }
    const std::string faults_;
    const std::vector<std::pair<unsigned long, std::string>> kSettings = {
        {LIRC_SET_SEND_CARRIER, "carrier"},
        {LIRC_SET_REC_MODE, "rec-mode"},
        {LIRC_SET_REC_TIMEOUT, "rec-timeout"},
        {LIRC_SET_MEASURE_CARRIER_MODE, "measure-carrier"},
        {LIRC_SET_WIDEBAND_RECEIVER, "wideband"}};
    std::vector<std::string> batches_;
    int* abort_ = nullptr;
};

TEST(LircDevice, MakesTheCallsAndGivesTheResultsOfEachFault) {
    const std::vector<test::TsvRow> rows = test::TsvRows(kHere + "device_faults.tsv");
    ASSERT_GT(rows.size(), 10u);
    for (const test::TsvRow& row : rows) {
        SCOPED_TRACE(row.at(0) + " / " + row.at(1));
        FakeDevice fake(row[0]);
        uuirt::OpenError error{};
        std::unique_ptr<LircDevice> device = LircDevice::Open(fake, "/dev/lirc1", error);
        char opened[16] = "ok";
        if (!device) std::snprintf(opened, sizeof opened, "0x%08X", unsigned(error));
        std::string outcome = opened;
        std::istringstream steps(device ? row[1] : "-");
        for (std::string step; steps >> step && step != "-";) {
            const size_t at = step.find('@');
            const int format = at == std::string::npos ? 16 : std::stoi(step.substr(at + 1));
            const bool done =
                step == "close" ? device->Close() : device->Transmit(row[2], format, 1).ok();
            outcome += done ? " ok" : " fail";
        }
        device.reset();
        EXPECT_EQ(fake.calls, row.at(3));
        EXPECT_EQ(outcome, row.at(4));
    }
    EXPECT_EQ(LircDevice::FromHandle(nullptr), nullptr);
    EXPECT_EQ(LircDevice::FromHandle(uuirt::FailedHandle()), nullptr);
}

TEST(LircDevice, LearnsASignalAsProntoText) {
    const std::vector<test::TsvRow> rows = test::TsvRows(kHere + "learning.tsv");
    ASSERT_GT(rows.size(), 7u);
    for (const test::TsvRow& row : rows) {
        SCOPED_TRACE(row.at(0) + " / " + row.at(1));
        FakeDevice fake(row[0]);
        uuirt::OpenError openError{};
        std::unique_ptr<LircDevice> device = LircDevice::Open(fake, "/dev/lirc1", openError);
        ASSERT_TRUE(device);
        int abort = 0;
        fake.Script(row[1], &abort);
        std::vector<unsigned int> progress;
        const UUIRTLearnCallback tell = [](unsigned int percent, unsigned int, unsigned long,
                                           void* user) {
            static_cast<std::vector<unsigned int>*>(user)->push_back(percent);
        };
        int error = 0;
        const Result<std::string> learned = device->Learn(&abort, tell, &progress, error);
        device.reset();
        EXPECT_EQ(fake.calls, row.at(2));
        EXPECT_EQ(learned ? *learned : "! " + std::string(strerrorname_np(error)), row.at(3));
        if (learned) {
            EXPECT_EQ(progress.back(), 100u);
        }
    }
}

}  // namespace
}  // namespace kestrel::lirc
