// A transmitter of the Linux kernel's IR framework, reached through its
// LIRC character device (/dev/lirc0 and so on), behind the driver library's
// entry points.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "util/result.h"
#include "uuirt_api.h"

namespace kestrel::lirc {

// The device calls the transmitter makes; tests replace them.
class DeviceCalls {
  public:
    virtual ~DeviceCalls() = default;
    virtual int Open(const char* path, int flags) = 0;
    virtual int Fstat(int fd, struct stat* status) = 0;
    // An ioctl whose argument is one 32-bit value.
    virtual int Ioctl(int fd, unsigned long request, uint32_t* value) = 0;
    virtual ssize_t Write(int fd, const void* data, size_t size) = 0;
    virtual int Close(int fd) = 0;
};

// The system's own calls.
DeviceCalls& SystemDeviceCalls();

// The device used when KESTREL_LIRC_DEVICE does not name one.
inline constexpr const char* kDefaultDevice = "/dev/lirc0";
inline constexpr const char* kDeviceVariable = "KESTREL_LIRC_DEVICE";

class LircDevice {
  public:
    // Opens path read-write, checks that it is a character device whose
    // features include sending pulses. nullptr on failure, with error:
    // NoConnection when the device cannot be opened, NoDriver when it is no
    // LIRC transmitter, NoCommunication when there is no memory for it.
    static std::unique_ptr<LircDevice> Open(DeviceCalls& calls, const char* path,
                                            uuirt::OpenError& error);
    // The device behind a handle the library returned; nullptr for the
    // failed handle, a null handle or anything that is not such a device.
    static LircDevice* FromHandle(void* handle);

    ~LircDevice();
    LircDevice(const LircDevice&) = delete;
    LircDevice& operator=(const LircDevice&) = delete;

    // Sends a Pronto hex code (format 16 only): sets the carrier when the
    // device can, then one write of the durations. Refused when the code is
    // refused (see SignalOf) or any call fails or writes short.
    Status Transmit(std::string_view code, int format, int repeatCount);
    // Closes the device; false when the close fails.
    bool Close();

    uint32_t Features() const { return features_; }

  private:
    LircDevice(DeviceCalls& calls, int fd, uint32_t features);

    static constexpr uint32_t kMagic = 0x4C495243;  // "LIRC"
    uint32_t magic_ = kMagic;
    DeviceCalls& calls_;
    int fd_;
    uint32_t features_;
};

}  // namespace kestrel::lirc
