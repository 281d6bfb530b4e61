// The LIRC transmitter's calls, against a fake device.

#include "lirc_device.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/lirc.h>

#include <cstring>
#include <string>
#include <vector>

#include "generator/generator.h"
#include "pronto_signal.h"

namespace kestrel::lirc {
namespace {

constexpr int kFd = 7;
constexpr uint32_t kTransmitter = LIRC_CAN_SEND_PULSE | LIRC_CAN_SET_SEND_CARRIER;
const std::string kCode = "0000 006C 0002 0000 0064 0064 0016 0041";

class FakeDevice : public DeviceCalls {
  public:
    int Open(const char* path, int flags) override {
        calls.push_back(std::string("open ") + path);
        openFlags = flags;
        return openResult;
    }
    int Fstat(int fd, struct stat* status) override {
        calls.push_back("fstat " + std::to_string(fd));
        std::memset(status, 0, sizeof *status);
        status->st_mode = mode;
        return fstatResult;
    }
    int Ioctl(int fd, unsigned long request, uint32_t* value) override {
        if (request == LIRC_GET_FEATURES) {
            calls.push_back("features " + std::to_string(fd));
            *value = features;
            return featuresResult;
        }
        if (request == LIRC_SET_SEND_CARRIER) {
            calls.push_back("carrier " + std::to_string(*value));
            return carrierResult;
        }
        calls.push_back("ioctl " + std::to_string(request));
        return -1;
    }
    ssize_t Write(int fd, const void* data, size_t size) override {
        calls.push_back("write " + std::to_string(fd) + " " + std::to_string(size));
        const auto* values = static_cast<const unsigned int*>(data);
        written.assign(values, values + size / sizeof(unsigned int));
        switch (writes) {
            case Writes::All:
                return static_cast<ssize_t>(size);
            case Writes::OneByteShort:
                return static_cast<ssize_t>(size) - 1;
            case Writes::Nothing:
                return 0;
            case Writes::Error:
                return -1;
        }
        return -1;
    }
    int Close(int fd) override {
        calls.push_back("close " + std::to_string(fd));
        return closeResult;
    }

    enum class Writes { All, OneByteShort, Nothing, Error };

    // What the calls return.
    int openResult = kFd;
    mode_t mode = S_IFCHR | 0660;
    int fstatResult = 0;
    uint32_t features = kTransmitter;
    int featuresResult = 0;
    int carrierResult = 0;
    Writes writes = Writes::All;
    int closeResult = 0;

    std::vector<std::string> calls;
    int openFlags = 0;
    std::vector<unsigned int> written;
};

using Calls = std::vector<std::string>;

std::unique_ptr<LircDevice> OpenOn(FakeDevice& fake) {
    uint32_t lastError = 0;
    auto device = LircDevice::Open(fake, "/dev/lirc1", lastError);
    EXPECT_EQ(lastError, 0u);
    fake.calls.clear();
    return device;
}

TEST(LircDeviceTest, OpensAReadWriteCharacterDeviceThatSendsPulses) {
    FakeDevice fake;
    uint32_t lastError = 0;
    auto device = LircDevice::Open(fake, "/dev/lirc1", lastError);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(fake.openFlags, O_RDWR | O_CLOEXEC);
    EXPECT_EQ(fake.calls, (Calls{"open /dev/lirc1", "fstat 7", "features 7"}));
    EXPECT_EQ(device->Features(), kTransmitter);
    EXPECT_EQ(LircDevice::FromHandle(device.get()), device.get());
    device.reset();
    EXPECT_EQ(fake.calls.back(), "close 7");
}

TEST(LircDeviceTest, OpenFailuresLeaveTheirLastErrorAndCloseTheDevice) {
    struct Case {
        const char* name;
        void (*set)(FakeDevice&);
        uint32_t lastError;
        Calls calls;
    };
    const Calls checked = {"open /dev/lirc1", "fstat 7", "features 7", "close 7"};
    const std::vector<Case> cases = {
        {"no device", [](FakeDevice& f) { f.openResult = -1; }, 0x20000001, {"open /dev/lirc1"}},
        {"fstat fails",
         [](FakeDevice& f) { f.fstatResult = -1; },
         0x20000003,
         {"open /dev/lirc1", "fstat 7", "close 7"}},
        {"regular file",
         [](FakeDevice& f) { f.mode = S_IFREG | 0644; },
         0x20000003,
         {"open /dev/lirc1", "fstat 7", "close 7"}},
        {"not LIRC", [](FakeDevice& f) { f.featuresResult = -1; }, 0x20000003, checked},
        {"receiver only",
         [](FakeDevice& f) { f.features = LIRC_CAN_REC_MODE2 | LIRC_CAN_SET_SEND_CARRIER; },
         0x20000003, checked},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDevice fake;
        c.set(fake);
        uint32_t lastError = 0;
        EXPECT_EQ(LircDevice::Open(fake, "/dev/lirc1", lastError), nullptr);
        EXPECT_EQ(lastError, c.lastError);
        EXPECT_EQ(fake.calls, c.calls);
    }
}

TEST(LircDeviceTest, SendsTheCarrierThenOneWriteOfTheDurations) {
    FakeDevice fake;
    auto device = OpenOn(fake);
    ASSERT_TRUE(device->Transmit(kCode, 16, 1));
    EXPECT_EQ(fake.calls, (Calls{"carrier 38381", "write 7 12"}));
    EXPECT_EQ(fake.written, (std::vector<unsigned int>{2605, 2605, 573}));
}

TEST(LircDeviceTest, CarrierIsLeftAloneWhenTheDeviceCannotSetIt) {
    FakeDevice fake;
    fake.features = LIRC_CAN_SEND_PULSE;
    auto device = OpenOn(fake);
    ASSERT_TRUE(device->Transmit(kCode, 16, 1));
    EXPECT_EQ(fake.calls, (Calls{"write 7 12"}));
}

TEST(LircDeviceTest, FailedCallsAndRefusedCodesFailTheTransmission) {
    struct Case {
        const char* name;
        void (*set)(FakeDevice&);
        std::string code;
        int format;
        Calls calls;
    };
    const auto none = [](FakeDevice&) {};
    const std::vector<Case> cases = {
        {"format 0", none, kCode, 0, {}},
        {"format 17", none, kCode, 17, {}},
        {"format 0x90", none, kCode, 0x90, {}},
        {"zero word", none, "0000 006C 0001 0000 0000 0010", 16, {}},
        {"not Pronto", none, "hello", 16, {}},
        {"carrier refused",
         [](FakeDevice& f) { f.carrierResult = -1; },
         kCode,
         16,
         {"carrier 38381"}},
        {"write fails",
         [](FakeDevice& f) { f.writes = FakeDevice::Writes::Error; },
         kCode,
         16,
         {"carrier 38381", "write 7 12"}},
        {"short write",
         [](FakeDevice& f) { f.writes = FakeDevice::Writes::OneByteShort; },
         kCode,
         16,
         {"carrier 38381", "write 7 12"}},
        {"nothing written",
         [](FakeDevice& f) { f.writes = FakeDevice::Writes::Nothing; },
         kCode,
         16,
         {"carrier 38381", "write 7 12"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDevice fake;
        auto device = OpenOn(fake);
        c.set(fake);
        EXPECT_FALSE(device->Transmit(c.code, c.format, 1));
        EXPECT_EQ(fake.calls, c.calls);
    }
}

TEST(LircDeviceTest, ClosesOnce) {
    FakeDevice fake;
    auto device = OpenOn(fake);
    EXPECT_TRUE(device->Close());
    EXPECT_FALSE(device->Transmit(kCode, 16, 1));
    device.reset();
    EXPECT_EQ(fake.calls, (Calls{"close 7"}));

    fake.closeResult = -1;
    device = OpenOn(fake);
    EXPECT_FALSE(device->Close());
}

TEST(LircDeviceTest, FailedAndNullHandlesAreNoDevice) {
    EXPECT_EQ(LircDevice::FromHandle(nullptr), nullptr);
    EXPECT_EQ(LircDevice::FromHandle(reinterpret_cast<void*>(static_cast<intptr_t>(-1))), nullptr);
}

// Generated codes reach the device as an odd count of non-zero values.
TEST(LircDeviceTest, NeverWritesAnEvenCountOrAZero) {
    Generator generator;
    generator.SetupProtocol();
    FakeDevice fake;
    auto device = OpenOn(fake);
    for (int function = 0; function < 256; function += 5) {
        for (const std::string& form :
             {generator.Protocol().FormDiscrete, generator.Protocol().FormRemote}) {
            const std::string code =
                generator.GenerateCode(form, std::to_string(function), "5A", "H").value_or("");
            SCOPED_TRACE(code);
            fake.written.clear();
            ASSERT_TRUE(device->Transmit(code, 16, 1));
            EXPECT_EQ(fake.written.size() % 2, 1u);
            for (unsigned int value : fake.written)
                EXPECT_NE(value, 0u);
        }
    }
}

}  // namespace
}  // namespace kestrel::lirc
