// The LIRC driver: Pronto text to what one write takes (conversions.tsv) and
// the transmitter against a fake device (device_faults.tsv).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/lirc.h>

#include <cstdio>
#include <map>
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
    explicit FakeDevice(const std::string& faults) {
        std::istringstream words(faults);
        for (std::string word; words >> word;)
            faults_[word.substr(0, word.find('='))] = word.substr(word.find('=') + 1);
    }
    int Open(const char* path, int flags) override {
        Call(std::string("open ") + path + (flags == (O_RDWR | O_CLOEXEC) ? " rw+cloexec" : " ?"));
        return Fails("open") ? -1 : 7;
    }
    int Fstat(int fd, struct stat* status) override {
        Call("fstat " + std::to_string(fd));
        *status = {};
        status->st_mode = faults_["mode"] == "file" ? S_IFREG : S_IFCHR;
        return Fails("fstat") ? -1 : 0;
    }
    int Ioctl(int fd, unsigned long request, uint32_t* value) override {
        if (request == LIRC_SET_SEND_CARRIER) {
            Call("carrier " + std::to_string(*value));
            return Fails("carrier") ? -1 : 0;
        }
        Call("features " + std::to_string(fd));  // the only other request made
        const std::string& kind = faults_["features"];
        *value = kind == "pulse"      ? LIRC_CAN_SEND_PULSE
                 : kind == "receiver" ? LIRC_CAN_REC_MODE2 | LIRC_CAN_SET_SEND_CARRIER
                                      : LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER;
        return Fails("features") ? -1 : 0;
    }
    ssize_t Write(int fd, const void* data, size_t size) override {
        Call("write " + std::to_string(fd) +
             Join(static_cast<const unsigned int*>(data), size / 4));
        const std::string& fault = faults_["write"];
        return fault == "short" ? ssize_t(size) - 1 : fault.empty() ? ssize_t(size) : stoi(fault);
    }
    int Close(int fd) override {
        Call("close " + std::to_string(fd));
        return Fails("close") ? -1 : 0;
    }

    std::string calls;

  private:
    void Call(const std::string& call) { calls += (calls.empty() ? "" : ", ") + call; }
    bool Fails(const std::string& name) { return faults_[name] == "-1"; }
    std::map<std::string, std::string> faults_;
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

}  // namespace
}  // namespace kestrel::lirc
