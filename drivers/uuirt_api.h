// The transceiver driver library's interface: the one place that states it.
//
// A driver library is a shared library exporting these five entry points
// with C linkage. Kestrel loads it at run time (never links it), checks its
// API and driver versions, opens the device once, sends Pronto hex text and
// closes the device at the end. Every driver library built here includes
// this header and defines the entry points with UUIRT_EXPORT, so that a
// definition that strays from these prototypes does not compile.
#pragma once

#include <cstdint>

#define UUIRT_EXPORT extern "C" __attribute__((visibility("default")))

// Writes the API version the library speaks; non-zero on success.
UUIRT_EXPORT int UUIRTGetDrvInfo(unsigned int* apiVersion);
// Writes the library's own version number; non-zero on success.
UUIRT_EXPORT int UUIRTGetDrvVersion(unsigned int* driverVersion);
// Opens the device. On failure returns the failed handle (-1) and leaves
// one of the OpenError values in errno.
UUIRT_EXPORT void* UUIRTOpen(void);
// Sends one code in the given format, repeatCount times; non-zero when it
// was sent. Kestrel passes format 16, repeat count 1, inactivity wait 0 and
// null for the completion event and both reserved arguments.
UUIRT_EXPORT int UUIRTTransmitIR(void* handle, char* code, int format, int repeatCount,
                                 int inactivityWaitTime, void* event, void* reserved0,
                                 void* reserved1);
// Closes the device; non-zero on success.
UUIRT_EXPORT int UUIRTClose(void* handle);

// Optional entry points. A library may leave any of them out and still
// transmit; Kestrel looks each one up and uses it only when it is there.

// What UUIRTGetUUIRTInfo reports of the device: its firmware version and
// protocol version (high byte major, low byte minor) and the firmware's date
// (day 1-31, month 1-12, year counted from 2000).
struct UUIRTInfo {
    unsigned int firmwareVersion;
    unsigned int protocolVersion;
    unsigned char firmwareDay;
    unsigned char firmwareMonth;
    unsigned char firmwareYear;
};

// Called by UUIRTLearnIR while it listens: progress 0-100, the signal's
// quality 0-100 and the carrier measured so far in Hz (0 when unknown).
typedef void (*UUIRTLearnCallback)(unsigned int progress, unsigned int signalQuality,
                                   unsigned long carrierHz, void* user);

// Opens the named device (a path such as /dev/ttyUSB0; null or "" lets the
// library choose). Flag bit 0 asks for the device exclusively. Fails as
// UUIRTOpen does.
UUIRT_EXPORT void* UUIRTOpenEx(char* deviceName, unsigned int flags, void* reserved0,
                               void* reserved1);
// Fills info for the open device; non-zero on success.
UUIRT_EXPORT int UUIRTGetUUIRTInfo(void* handle, UUIRTInfo* info);
// Listens for one code and writes it, zero-terminated, into code (which
// holds kestrel::uuirt::kLearnBufferSize bytes) in codeFormat (16: Pronto
// hex text). Blocks until a code is learned or *abort becomes non-zero;
// progress, when not null, is called with user as it goes. param1 is
// reserved for format-dependent settings (pass 0). Non-zero when a code was
// learned; zero on an abort or a device error, with errno set (ECANCELED
// for an abort).
UUIRT_EXPORT int UUIRTLearnIR(void* handle, int codeFormat, char* code, UUIRTLearnCallback progress,
                              void* user, int* abort, unsigned int param1, void* reserved0,
                              void* reserved1);

namespace kestrel::uuirt {

// The entry points as the loader hands them over, and their names.
using GetDrvInfoFunction = decltype(&UUIRTGetDrvInfo);
using GetDrvVersionFunction = decltype(&UUIRTGetDrvVersion);
using OpenFunction = decltype(&UUIRTOpen);
using TransmitIRFunction = decltype(&UUIRTTransmitIR);
using CloseFunction = decltype(&UUIRTClose);

inline constexpr const char* kGetDrvInfoName = "UUIRTGetDrvInfo";
inline constexpr const char* kGetDrvVersionName = "UUIRTGetDrvVersion";
inline constexpr const char* kOpenName = "UUIRTOpen";
inline constexpr const char* kTransmitIRName = "UUIRTTransmitIR";
inline constexpr const char* kCloseName = "UUIRTClose";

using OpenExFunction = decltype(&UUIRTOpenEx);
using GetUUIRTInfoFunction = decltype(&UUIRTGetUUIRTInfo);
using LearnIRFunction = decltype(&UUIRTLearnIR);

inline constexpr const char* kOpenExName = "UUIRTOpenEx";
inline constexpr const char* kGetUUIRTInfoName = "UUIRTGetUUIRTInfo";
inline constexpr const char* kLearnIRName = "UUIRTLearnIR";

// UUIRTOpenEx's flag asking for the device exclusively.
inline constexpr unsigned int kOpenExclusive = 1;

// The size of the buffer UUIRTLearnIR writes the learned code into,
// terminating zero included.
inline constexpr int kLearnBufferSize = 8192;

// The file name of the driver library Kestrel looks for.
inline constexpr const char* kDriverFileName = "libuuirtdrv.so";

// The API version a library must report, and the oldest driver version
// accepted (the number that stands for release 2.6.1; compared as a signed
// number, so that a version with the top bit set counts as older).
inline constexpr unsigned int kApiVersion = 256;
inline constexpr int32_t kOldestDriverVersion = 2610;

// The code format of Pronto hex text.
inline constexpr int kProntoFormat = 16;
// A flag UUIRTLearnIR may take beside the format, as the vendor API has it:
// learn the signal as raw durations. The USB-UIRT library then listens in
// the device's raw mode; the other libraries here take format 16 alone.
inline constexpr int kLearnForceRaw = 0x0100;

// The handle UUIRTOpen returns when it fails.
inline void* FailedHandle() {
    return reinterpret_cast<void*>(static_cast<intptr_t>(-1));
}

// What UUIRTOpen leaves in errno when it fails.
enum class OpenError : uint32_t {
    NoConnection = 0x20000001,     // the device cannot be opened
    NoCommunication = 0x20000002,  // the device does not answer
    NoDriver = 0x20000003,         // no driver behind the device
    WrongFirmware = 0x20000004,    // the device's firmware does not fit the library
    InUse = 0x20000005,            // another process holds the device
};

}  // namespace kestrel::uuirt
