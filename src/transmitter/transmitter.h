// The binding to the IR transceiver's driver library.
//
// The driver is a shared library outside the program, loaded at run time
// (never linked) the first time the transmitter is opened. It exports five
// entry points with C linkage; the binding checks the library's API and
// driver versions, opens the device once, sends Pronto hex codes and
// releases the device at the end. Every failure is returned as a refusal
// whose reason is the text to show; the caller decides how to show it. The
// driver's interface itself is stated in uuirt_api.h.
//
// Where the library comes from, in this order:
//   1. the file the user named (the settings file, KESTREL_UUIRT_LIBRARY or
//      --driver, see driver_choice.h; an absolute path, a relative one is
//      refused), and nothing else;
//   2. libuuirtdrv.so in the program's folder, by its absolute path;
//   3. libuuirtdrv.so through the system's library search;
//   4. the bundled USB-UIRT library in the program's folder.
// The current folder is never looked in.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/result.h"

namespace kestrel {

// The environment variable that may name the driver file explicitly.
inline constexpr const char* kDriverFileVariable = "KESTREL_UUIRT_LIBRARY";

// The reasons the binding gives, as the user reads them.
inline constexpr const char* kNoVersionText = "Unable to retrieve UIRT driver version!";
inline constexpr const char* kInvalidVersionText = "Invalid UIRT driver version!";
inline constexpr const char* kOldDriverText =
    "USB-UIRT API driver DLL  version 2.6.1 or later is required!";
inline constexpr const char* kNoDriverText = "Unable to find USB-UIRT Driver!";
inline constexpr const char* kNoConnectionText = "Unable to connect to USB-UIRT device!";
inline constexpr const char* kNoCommunicationText = "Unable to communicate with USB-UIRT device!";
inline constexpr const char* kFirmwareText =
    "The USB-UIRT's firmware is not compatible with this API DLL!";
// Not among the vendor library's texts: our own drivers report a device
// that another process holds.
inline constexpr const char* kInUseText = "The USB-UIRT is in use by another program!";
inline constexpr const char* kUnknownErrorText = "Unable to initialize USB-UIRT (unknown error)!";
inline constexpr const char* kTransmitErrorText = "Error Transmitting Pronto IR data";
// Our own texts for learning and for a named device.
inline constexpr const char* kCannotLearnText = "The driver library cannot learn codes.";
inline constexpr const char* kLearnCancelledText = "Learning was cancelled.";
inline constexpr const char* kLearnFailedText = "Learning failed: ";
inline constexpr const char* kNoNamedDeviceText = "The driver library cannot open a named device: ";

// The text for the last-error value the library left after a failed open.
std::string OpenErrorText(uint32_t lastError);

// Shown while a code is being transmitted: the window sets the wait cursor
// in Begin and restores it in End. The command line supplies none.
class WaitCursor {
  public:
    virtual ~WaitCursor() = default;
    virtual void Begin() = 0;
    virtual void End() = 0;
};

// Where to look for the driver library, and which device it opens.
struct DriverLocation {
    // The program's folder (absolute); libuuirtdrv.so there is tried first.
    // An empty or relative folder is not looked in.
    std::string programFolder = {};
    // When not empty, this file (an absolute path) and nothing else.
    std::string libraryFile = {};
    // When not empty, the device the library opens (a path such as
    // /dev/ttyUSB0); only a library with UUIRTOpenEx can honour it.
    std::string deviceName = {};
};

// What the open device reports of itself: firmware and protocol versions
// (high byte major, low byte minor) and the firmware's date.
struct TransceiverInfo {
    unsigned firmwareVersion = 0;
    unsigned protocolVersion = 0;
    int day = 0;
    int month = 0;
    int year = 0;  // four digits
};

// The flag a learn watches: Ask() may be called from any thread, and the
// learn returns soon after.
class LearnAbort {
  public:
    void Ask() { __atomic_store_n(&flag_, 1, __ATOMIC_RELEASE); }
    bool Asked() const { return __atomic_load_n(&flag_, __ATOMIC_ACQUIRE) != 0; }
    void Reset() { __atomic_store_n(&flag_, 0, __ATOMIC_RELEASE); }
    int* Flag() { return &flag_; }

  private:
    int flag_ = 0;
};

// Called while a learn listens, on the learning thread: progress 0-100,
// the signal's quality 0-100 and the carrier measured so far (0: unknown).
using LearnProgress =
    std::function<void(unsigned progress, unsigned quality, unsigned long carrierHz)>;

// The location the program uses: its folder, and the library and device
// the settings file and the environment name (ChooseDriver without flags;
// what it reports is dropped: a caller that shows it calls ChooseDriver).
DriverLocation DriverLocationFor(std::string programFolder);

class Transmitter {
  public:
    // Reads the settings and the environment now (DriverLocationFor);
    // nothing is loaded before the open.
    explicit Transmitter(std::string programFolder, WaitCursor* waitCursor = nullptr);
    explicit Transmitter(DriverLocation location, WaitCursor* waitCursor = nullptr);
    // Unloads the library unless a device is still open (a driver may still
    // run code for an open device; the process end releases it).
    ~Transmitter();
    Transmitter(const Transmitter&) = delete;
    Transmitter& operator=(const Transmitter&) = delete;

    // Loads the library, checks its versions and opens the device; refused,
    // with one of the texts above, unless the device is open and ready.
    Status OpenTransmitter();
    // Sends one Pronto hex line; true when the library reports it sent.
    // Makes no library call when no device is open, or for a text holding a
    // zero byte (the library would see it cut short).
    bool TransmitPronto(const std::string& prontoText);
    // TransmitPronto, refused with "Error Transmitting Pronto IR data" when
    // the code was not sent.
    Status SendPronto(const std::string& prontoText);
    // Releases the device if one is open.
    void CloseTransmitter();

    // Whether the loaded library can learn codes (it has UUIRTLearnIR).
    bool CanLearn() const;
    // Listens for one code through the open device and returns it as
    // Pronto hex text. Blocks until a code is heard, abort is asked (then
    // refused with kLearnCancelledText) or the device fails. The device is
    // never used by two calls at once: the caller sends nothing meanwhile.
    Result<std::string> LearnPronto(LearnAbort& abort, const LearnProgress& progress = {});
    // What the open device reports of itself; nothing when the library
    // cannot tell or no device is open.
    std::optional<TransceiverInfo> DeviceInfo();

    // 0 until an open is tried, -1 after a failed open, otherwise the handle
    // of the open device (kept after CloseTransmitter).
    intptr_t TransmitterHandle() const;
    // 0 until an open succeeds, then 16 (Pronto hex text).
    int32_t TransmitFormat() const { return transmitFormat_; }

    // The library file that was loaded ("" when none), and why the last load
    // failed ("" when it did not): for diagnostics, never shown as a message.
    const std::string& LibraryFile() const { return libraryFile_; }
    const std::string& LoadProblem() const { return loadProblem_; }

  private:
    struct EntryPoints;
    enum class Load { Loaded, NoLibrary, MissingEntryPoint };
    Load LoadLibrary();
    bool DeviceOpen() const;

    DriverLocation location_;
    WaitCursor* waitCursor_;
    void* library_ = nullptr;  // from dlopen
    std::unique_ptr<EntryPoints> entry_;
    void* handle_ = nullptr;
    bool closed_ = false;
    int32_t transmitFormat_ = 0;
    std::string libraryFile_;
    std::string loadProblem_;
};

}  // namespace kestrel
