// An open USB-UIRT: the serial port it is reached through, held for this
// process alone, and the commands of its protocol over it. The driver
// library's handle is a pointer to one of these.
//
// Every wait is bounded (see kLimits in uirt_protocol.h); input the device
// sends on its own is discarded before each command and never taken for a
// reply. One call at a time uses the port: calls from other threads wait
// their turn, and a send waits no longer than kBusyMillis for a learn to end.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "uirt_protocol.h"
#include "uuirt_api.h"

namespace kestrel::usb_uirt {

// The environment: the device to open when the caller names none, a file
// the bytes both ways are appended to, the sysfs folder the device is looked
// for in (tests point it elsewhere; /dev/serial/by-id is then not looked
// in), and the form learning listens in ("raw" for raw mode; wideband
// otherwise).
inline constexpr const char* kDeviceVariable = "KESTREL_USB_UIRT_DEVICE";
inline constexpr const char* kTraceVariable = "KESTREL_USB_UIRT_TRACE";
inline constexpr const char* kSysfsVariable = "KESTREL_USB_UIRT_SYSFS";
inline constexpr const char* kLearnFormVariable = "KESTREL_USB_UIRT_LEARN";

// How long a call waits for another one on the same device to end.
inline constexpr int kBusyMillis = 2000;

// Writes every byte read and written, with the time, to a file.
class Trace {
  public:
    // Appends to path; no trace for null or "".
    explicit Trace(const char* path);
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    // direction: '>' written to the device, '<' read from it.
    void Bytes(char direction, std::span<const uint8_t> bytes);
    void Note(std::string_view text);

  private:
    void Line(std::string_view text);
    int fd_ = -1;
};

class UsbUirt {
  public:
    using Clock = std::chrono::steady_clock;

    // Opens the device: name when not null or "", else the one the
    // environment names, else the first one found (uirt_discovery.h).
    // nullptr on failure, with error: NoConnection when there is no device
    // or it cannot be opened as a serial port, InUse when another process
    // holds it, NoCommunication when it gives no valid version answer
    // within kLimits.versionMillis.
    static std::unique_ptr<UsbUirt> Open(const char* name, uuirt::OpenError& error);
    // The device behind a handle the library returned; nullptr for the
    // failed handle, a null handle or anything that is not such a device.
    static UsbUirt* FromHandle(void* handle);

    ~UsbUirt();
    UsbUirt(const UsbUirt&) = delete;
    UsbUirt& operator=(const UsbUirt&) = delete;

    const DeviceVersion& Version() const { return version_; }
    const std::string& Path() const { return path_; }

    // Sends a Pronto hex code (format 16 only; see TransmissionOf) and
    // returns once the device has taken it and the code's length has
    // passed. Refused, with error set to an errno value: EINVAL for a code
    // the device cannot send (nothing is written), EBUSY when another call
    // holds the device, EIO when the device refuses it or does not answer.
    Status Transmit(std::string_view code, int format, int repeatCount, int& error);
    // Listens for one signal and gives it as Pronto hex text (format 16
    // only; with kLearnForceRaw, or the environment's "raw", in raw mode),
    // then puts the device back in its mode. Refused, with error:
    // EINVAL for another format, EBUSY as for Transmit, ECANCELED as soon
    // as *abort is set, EIO when the device fails.
    Result<std::string> Learn(int format, const int* abort, UUIRTLearnCallback progress, void* user,
                              int& error);

  private:
    UsbUirt(int fd, std::string path, std::unique_ptr<Trace> trace);

    bool Write(std::span<const uint8_t> bytes, Clock::time_point deadline);
    // Reads what has come, waiting at most until deadline for something;
    // false when the port fails.
    bool ReadSome(Clock::time_point deadline);
    // Drops input until the line has been quiet (see kLimits).
    bool Discard();
    // Writes a command and reads its reply of replySize bytes, which valid
    // accepts; the reply is left in reply_. False when the write fails or
    // no such reply comes by deadline.
    bool Exchange(std::span<const uint8_t> command, size_t replySize,
                  bool (*valid)(std::span<const uint8_t>), Clock::time_point deadline);
    // The next status byte by deadline, skipping what the device sent on
    // its own; 0 when none came.
    uint8_t NextStatus(Clock::time_point deadline);
    bool SetMode(Mode mode);
    bool ReadVersion();
    // The device's data-terminal-ready line (some firmware wants it low).
    void SetDtr(bool on);

    static constexpr uint32_t kMagic = 0x55495254;  // "UIRT"
    uint32_t magic_ = kMagic;
    int fd_;
    std::string path_;
    std::unique_ptr<Trace> trace_;
    std::timed_mutex busy_;
    Mode mode_ = Mode::Uir;
    DeviceVersion version_;
    bool dtrCleared_ = false;
    // Input read but not yet used.
    std::vector<uint8_t> input_;
    std::vector<uint8_t> reply_;
};

}  // namespace kestrel::usb_uirt
