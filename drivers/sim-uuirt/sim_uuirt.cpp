// A simulated transceiver driver: the driver library's five entry points,
// for running Kestrel and its tests without the hardware.
//
// It keeps no state. Every call reads its configuration from the
// environment (so a test may change it between calls) and appends one line
// describing the call to the log file named by KESTREL_SIM_LOG:
//
//   UUIRTGetDrvInfo result=1 apiVersion=256
//   UUIRTGetDrvVersion result=1 driverVersion=2610
//   UUIRTOpen handle=0x5157
//   UUIRTOpen handle=-1 lastError=0x20000001
//   UUIRTTransmitIR result=1 handle=0x5157 format=16 repeatCount=1 inactivityWaitTime=0
//       event=null reserved0=null reserved1=null code=0000 006C 0002 ...   (one line)
//   UUIRTClose result=1 handle=0x5157
//
// Fields are separated by single blanks; code= comes last and runs to the
// end of the line (it is left out when the code pointer is null). Bytes of
// the code outside 0x20-0x7E, and the backslash, are written as \xHH.
// Handles and pointers are written in hexadecimal with 0x, the failed
// handle as -1, a null pointer as null.
//
// Configuration (numbers in decimal or, with 0x, hexadecimal; a value that
// cannot be read counts as unset; a flag is set by any value but "" and "0"):
//   KESTREL_SIM_LOG             log file (appended to); no log when unset
//   KESTREL_SIM_API_VERSION     API version reported (default 256)
//   KESTREL_SIM_DRIVER_VERSION  driver version reported (default 2610)
//   KESTREL_SIM_INFO_FAIL       flag: UUIRTGetDrvInfo fails
//   KESTREL_SIM_VERSION_FAIL    flag: UUIRTGetDrvVersion fails
//   KESTREL_SIM_OPEN_ERROR      UUIRTOpen fails, leaving this value in errno
//   KESTREL_SIM_HANDLE          handle UUIRTOpen returns (default 0x5157)
//                               (-1: a failed open that leaves errno alone)
//   KESTREL_SIM_TRANSMIT_FAIL   flag: UUIRTTransmitIR fails
// UUIRTTransmitIR also fails for a null code or a handle other than the one
// UUIRTOpen returns.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "uuirt_api.h"

namespace {

using kestrel::uuirt::FailedHandle;

constexpr long long kDefaultApiVersion = kestrel::uuirt::kApiVersion;
constexpr long long kDefaultDriverVersion = kestrel::uuirt::kOldestDriverVersion;
constexpr long long kDefaultHandle = 0x5157;

// The number in the variable; fallback when it is unset or not a number.
// Keeps errno, so that a failed open with a configured handle of -1 leaves
// whatever errno held before the call.
long long EnvNumber(const char* name, long long fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    const int savedErrno = errno;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 0);
    const bool read = errno == 0 && end != text && *end == '\0';
    errno = savedErrno;
    return read ? value : fallback;
}

bool EnvSet(const char* name) {
    return std::getenv(name) != nullptr;
}

bool EnvFlag(const char* name) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' && std::string(text) != "0";
}

void* ConfiguredHandle() {
    return reinterpret_cast<void*>(
        static_cast<intptr_t>(EnvNumber("KESTREL_SIM_HANDLE", kDefaultHandle)));
}

std::string Pointer(const void* pointer) {
    const auto value = reinterpret_cast<uintptr_t>(pointer);
    if (pointer == nullptr) return "null";
    if (static_cast<intptr_t>(value) == -1) return "-1";
    char text[32];
    std::snprintf(text, sizeof text, "0x%" PRIxPTR, value);
    return text;
}

std::string Escaped(const char* code) {
    std::string out;
    for (const char* p = code; *p != '\0'; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte >= 0x20 && byte <= 0x7E && byte != '\\') {
            out += static_cast<char>(byte);
        } else {
            char text[8];
            std::snprintf(text, sizeof text, "\\x%02X", byte);
            out += text;
        }
    }
    return out;
}

// Appends line and a line end to the log in one write; keeps errno.
void Log(const std::string& line) noexcept {
    const int savedErrno = errno;
    const char* path = std::getenv("KESTREL_SIM_LOG");
    if (path != nullptr && *path != '\0') {
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const std::string text = line + "\n";
            size_t done = 0;
            while (done < text.size()) {
                const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
                if (n <= 0) break;
                done += static_cast<size_t>(n);
            }
            ::close(fd);
        }
    }
    errno = savedErrno;
}

}  // namespace

UUIRT_EXPORT int UUIRTGetDrvInfo(unsigned int* apiVersion) {
    try {
        if (apiVersion == nullptr || EnvFlag("KESTREL_SIM_INFO_FAIL")) {
            Log("UUIRTGetDrvInfo result=0");
            return 0;
        }
        *apiVersion =
            static_cast<unsigned int>(EnvNumber("KESTREL_SIM_API_VERSION", kDefaultApiVersion));
        Log("UUIRTGetDrvInfo result=1 apiVersion=" + std::to_string(*apiVersion));
        return 1;
    } catch (...) {
        return 0;
    }
}

UUIRT_EXPORT int UUIRTGetDrvVersion(unsigned int* driverVersion) {
    try {
        if (driverVersion == nullptr || EnvFlag("KESTREL_SIM_VERSION_FAIL")) {
            Log("UUIRTGetDrvVersion result=0");
            return 0;
        }
        *driverVersion = static_cast<unsigned int>(
            EnvNumber("KESTREL_SIM_DRIVER_VERSION", kDefaultDriverVersion));
        Log("UUIRTGetDrvVersion result=1 driverVersion=" + std::to_string(*driverVersion));
        return 1;
    } catch (...) {
        return 0;
    }
}

UUIRT_EXPORT void* UUIRTOpen(void) {
    try {
        if (EnvSet("KESTREL_SIM_OPEN_ERROR")) {
            const auto lastError =
                static_cast<unsigned int>(EnvNumber("KESTREL_SIM_OPEN_ERROR", 0));
            char text[64];
            std::snprintf(text, sizeof text, "UUIRTOpen handle=-1 lastError=0x%08X", lastError);
            Log(text);
            errno = static_cast<int>(lastError);
            return FailedHandle();
        }
        void* handle = ConfiguredHandle();
        Log("UUIRTOpen handle=" + Pointer(handle));
        return handle;
    } catch (...) {
        errno = static_cast<int>(kestrel::uuirt::OpenError::NoCommunication);
        return FailedHandle();
    }
}

UUIRT_EXPORT int UUIRTTransmitIR(void* handle, char* code, int format, int repeatCount,
                                 int inactivityWaitTime, void* event, void* reserved0,
                                 void* reserved1) {
    try {
        const bool sent = code != nullptr && handle == ConfiguredHandle() &&
                          !EnvFlag("KESTREL_SIM_TRANSMIT_FAIL");
        std::string line = "UUIRTTransmitIR result=" + std::string(sent ? "1" : "0") +
                           " handle=" + Pointer(handle) + " format=" + std::to_string(format) +
                           " repeatCount=" + std::to_string(repeatCount) +
                           " inactivityWaitTime=" + std::to_string(inactivityWaitTime) +
                           " event=" + Pointer(event) + " reserved0=" + Pointer(reserved0) +
                           " reserved1=" + Pointer(reserved1);
        if (code != nullptr) line += " code=" + Escaped(code);
        Log(line);
        return sent ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

UUIRT_EXPORT int UUIRTClose(void* handle) {
    try {
        Log("UUIRTClose result=1 handle=" + Pointer(handle));
        return 1;
    } catch (...) {
        return 0;
    }
}
