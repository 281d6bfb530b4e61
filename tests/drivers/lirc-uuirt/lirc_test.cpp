// The LIRC driver: Pronto text to what one write takes (conversions.tsv) and
// the transmitter against a fake device (device_faults.tsv).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/lirc.h>

#include <cstdio>
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
        if (request == LIRC_SET_SEND_CARRIER)
            return Call("carrier " + std::to_string(*value), "carrier", 0);
        *value = Has("features=pulse")      ? LIRC_CAN_SEND_PULSE
                 : Has("features=receiver") ? LIRC_CAN_REC_MODE2 | LIRC_CAN_SET_SEND_CARRIER
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
