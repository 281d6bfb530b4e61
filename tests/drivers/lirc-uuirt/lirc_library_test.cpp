// The LIRC driver library loaded by the program's own binding, against
// devices every system has: none, a regular file and /dev/null.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "transmitter/transmitter.h"

namespace kestrel {
namespace {

class LircLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override { unsetenv("KESTREL_LIRC_DEVICE"); }
    void TearDown() override { unsetenv("KESTREL_LIRC_DEVICE"); }

    // Opens through the library with KESTREL_LIRC_DEVICE set to device.
    static std::string OpenWith(const std::string& device, intptr_t* handle = nullptr) {
        setenv("KESTREL_LIRC_DEVICE", device.c_str(), 1);
        Transmitter transmitter(DriverLocation{"", KESTREL_LIRC_UUIRT_FILE});
        const Status opened = transmitter.OpenTransmitter();
        std::string text = opened ? std::string() : opened.reason();
        if (handle != nullptr) *handle = transmitter.TransmitterHandle();
        transmitter.CloseTransmitter();
        return text;
    }
};

// The versions pass the binding's checks, so each open reaches the device.
TEST_F(LircLibraryTest, OpenReportsWhyTheDeviceCannotBeUsed) {
    intptr_t handle = 0;
    EXPECT_EQ(OpenWith("/nonexistent/lirc0", &handle), "Unable to connect to USB-UIRT device!");
    EXPECT_EQ(handle, -1);
    // A character device that is not a LIRC device.
    EXPECT_EQ(OpenWith("/dev/null"), "Unable to find USB-UIRT Driver!");

    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "kestrel-lirc-not-a-device";
    std::ofstream(file) << "x";
    EXPECT_EQ(OpenWith(file.string()), "Unable to find USB-UIRT Driver!");
    std::filesystem::remove(file);
}

}  // namespace
}  // namespace kestrel
