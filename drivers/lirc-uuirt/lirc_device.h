// A transmitter of the Linux kernel's IR framework, reached through its
// LIRC character device (/dev/lirc0 and so on), behind the driver library's
// entry points; a device that can also receive learns codes.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/result.h"
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
    virtual ssize_t Read(int fd, void* data, size_t size) = 0;
    // Waits at most milliseconds for fd to have something to read: above 0
    // when it has, 0 when the time ran out, below 0 on failure.
    virtual int Poll(int fd, int milliseconds) = 0;
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
    // Listens in mode2 for one signal and gives it as Pronto hex text (see
    // lirc_learn.cpp). Refused, with error set to an errno value: ENOTSUP
    // when the device cannot receive in mode2, EIO when a call fails,
    // ECANCELED as soon as *abort is set.
    Result<std::string> Learn(const int* abort, UUIRTLearnCallback progress, void* user,
                              int& error);
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
