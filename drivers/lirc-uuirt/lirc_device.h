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

// The versions the library reports.
inline constexpr unsigned int kApiVersion = 256;
inline constexpr unsigned int kDriverVersion = 2610;
// The one code format accepted: Pronto hex text.
inline constexpr int kProntoFormat = 16;

// Last-error values left in errno by a failed open; Kestrel shows them as
// "Unable to connect to USB-UIRT device!" (the device cannot be opened),
// "Unable to find USB-UIRT Driver!" (it is not a LIRC transmitter) and
// "Unable to communicate with USB-UIRT device!" (no memory for the handle).
inline constexpr uint32_t kErrorCannotOpen = 0x20000001;
inline constexpr uint32_t kErrorNoMemory = 0x20000002;
inline constexpr uint32_t kErrorNotTransmitter = 0x20000003;

class LircDevice {
  public:
    // Opens path read-write, checks that it is a character device whose
    // features include sending pulses. nullptr and lastError on failure.
    static std::unique_ptr<LircDevice> Open(DeviceCalls& calls, const char* path,
                                            uint32_t& lastError);
    // The device behind a handle the library returned; nullptr for the
    // failed handle, a null handle or anything that is not such a device.
    static LircDevice* FromHandle(void* handle);

    ~LircDevice();
    LircDevice(const LircDevice&) = delete;
    LircDevice& operator=(const LircDevice&) = delete;

    // Sends a Pronto hex code (format 16 only): sets the carrier when the
    // device can, then one write of the durations. False when the code is
    // refused or any call fails or writes short.
    bool Transmit(std::string_view code, int format, int repeatCount);
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
