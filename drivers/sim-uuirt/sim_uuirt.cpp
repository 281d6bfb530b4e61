// A simulated transceiver driver: the driver library's five entry points
// and the optional ones, for running Kestrel and its tests without the
// hardware.
//
// It keeps no state but the count of KESTREL_SIM_LEARN_NEXT below. Every
// call reads its configuration from the environment (so a test may change
// it between calls) and appends one line describing the call to the log
// file named by KESTREL_SIM_LOG:
//
//   UUIRTGetDrvInfo result=1 apiVersion=256
//   UUIRTGetDrvVersion result=1 driverVersion=2610
//   UUIRTOpen handle=0x5157
//   UUIRTOpen handle=-1 lastError=0x20000001
//   UUIRTOpenEx handle=0x5157 flags=1 reserved0=null reserved1=null device=/dev/ttyUSB0
//       (device= only when a name was given; a failed one as UUIRTOpen's)
//   UUIRTGetUUIRTInfo result=1 handle=0x5157
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
//   KESTREL_SIM_LEARN           capture file UUIRTLearnIR plays (see below)
//   KESTREL_SIM_LEARN_DELAY     milliseconds UUIRTLearnIR listens before the
//                               capture is heard (default 0)
//   KESTREL_SIM_LEARN_FAIL      flag: UUIRTLearnIR fails as a device would (EIO)
//   KESTREL_SIM_LEARN_NEXT      flag: each learn since the last open plays
//                               the file's next capture (after the last, the
//                               first again), as successive presses
//   KESTREL_SIM_DEVICE_INFO_FAIL  flag: UUIRTGetUUIRTInfo fails
// UUIRTOpenEx opens as UUIRTOpen does, whatever the name. UUIRTGetUUIRTInfo
// reports firmware 9.5, protocol 1.1, dated 26 March 2004, for the handle
// UUIRTOpen returns.
// UUIRTTransmitIR also fails for a null code or a handle other than the one
// UUIRTOpen returns.
//
// UUIRTLearnIR plays the first capture of the file KESTREL_SIM_LEARN names
// (or the next one, see KESTREL_SIM_LEARN_NEXT):
// a Pronto hex line (the first line starting with 0000) as it stands, or
// the pulses and spaces of mode2 text ("pulse N", "space N", "carrier N",
// "timeout N") or ir-ctl text ("+N -N ...", "# carrier NHz, timeout N") up
// to the first timeout or blank line, written as a learned code (at the
// carrier the file reports, else 38000 Hz); other lines are skipped. It calls
// progress every 10 ms of the delay and once with 100 when it has the code,
// and returns zero with errno ECANCELED as soon as *abort is set. Without a
// file it listens until *abort is set. It fails with EINVAL for a format
// other than 16, a null code, another handle, a null abort flag without a
// file (it would never return) and a file that holds no readable capture;
// with the errno of opening a file it cannot open. Its log line:
//   UUIRTLearnIR result=1 handle=0x5157 format=16 param1=0 reserved0=null
//       reserved1=null code=0000 006D 001C 0000 ...   (one line)
//   UUIRTLearnIR result=0 handle=0x5157 format=16 param1=0 reserved0=null
//       reserved1=null error=ECANCELED

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "generator/pronto_reader.h"
#include "learned_code.h"
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

// How many learns KESTREL_SIM_LEARN_NEXT has played since the last open.
// The one thing the simulation keeps between calls, as a device would.
unsigned learnsSinceOpen = 0;

// One capture of a capture file, or an errno value.
struct PlayedCapture {
    std::string pronto;               // a Pronto line as it stands
    std::vector<uint32_t> durations;  // else mark first, in microseconds
    uint32_t carrierHz = 0;
    uint32_t timeoutMicros = 0;
    int error = 0;
};

bool ReadNumber(const std::string& text, uint32_t& value) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long number = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])) || *end != '\0' ||
        errno != 0 || number > 0xFFFFFFFFull) {
        return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

// A number with a unit after it ("38000Hz,").
bool ReadLeadingNumber(std::string text, uint32_t& value) {
    while (!text.empty() && !std::isdigit(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return ReadNumber(text, value);
}

std::vector<std::string> WordsOf(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while ((i = line.find_first_not_of(" \t\r", i)) != std::string::npos) {
        const size_t end = line.find_first_of(" \t\r", i);
        words.push_back(line.substr(i, end - i));
        i = end;
    }
    return words;
}

// Adds a pulse or a space; a space before the first pulse is silence.
void Heard(PlayedCapture& capture, bool pulse, uint32_t micros) {
    std::vector<uint32_t>& d = capture.durations;
    if (d.empty() && !pulse) return;
    if (!d.empty() && (d.size() % 2 == 1) == pulse) {
        d.back() += micros;  // two of a kind in a row
    } else {
        d.push_back(micros);
    }
}

// The capture of text that starts at start, which moves past it; ENODATA
// when the text holds no further capture.
PlayedCapture NextCapture(const std::string& text, size_t& start) {
    PlayedCapture capture;
    bool ended = false;
    while (!ended && start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t hash = line.find('#');
        const std::vector<std::string> comment =
            WordsOf(hash == std::string::npos ? "" : line.substr(hash + 1));
        const std::vector<std::string> words = WordsOf(line.substr(0, hash));
        if (words.empty() && comment.empty() && !capture.durations.empty()) break;
        if (!words.empty() && words[0] == "0000" && capture.durations.empty()) {
            const size_t first = line.find_first_not_of(" \t");
            capture.pronto = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
            if (!kestrel::ReadProntoCode(capture.pronto)) capture.error = EINVAL;
            return capture;
        }
        uint32_t value = 0;
        const bool report = !words.empty() && (words[0] == "pulse" || words[0] == "space" ||
                                               words[0] == "carrier" || words[0] == "timeout");
        if (report) {
            if (words.size() != 2 || !ReadNumber(words[1], value)) {
                capture.error = EINVAL;
                return capture;
            }
            if (words[0] == "carrier") capture.carrierHz = value;
            if (words[0] == "timeout") capture.timeoutMicros = value;
            if (words[0] == "pulse" || words[0] == "space") {
                Heard(capture, words[0] == "pulse", value);
            }
            ended = words[0] == "timeout" && !capture.durations.empty();
        } else if (!words.empty() && (std::isdigit(static_cast<unsigned char>(words[0][0])) ||
                                      words[0][0] == '+' || words[0][0] == '-')) {
            for (const std::string& word : words) {
                const bool sign = word[0] == '+' || word[0] == '-';
                if (!ReadNumber(sign ? word.substr(1) : word, value)) {
                    capture.error = EINVAL;
                    return capture;
                }
                Heard(capture, sign ? word[0] == '+' : capture.durations.size() % 2 == 0, value);
            }
        }  // any other line (a caption, what mode2 says of its device) is skipped
        for (size_t i = 0; i + 1 < comment.size(); ++i) {
            if (!ReadLeadingNumber(comment[i + 1], value)) continue;
            if (comment[i] == "carrier") capture.carrierHz = value;
            if (comment[i] == "timeout") {
                capture.timeoutMicros = value;
                ended = ended || !capture.durations.empty();
            }
        }
    }
    if (capture.durations.empty()) capture.error = ENODATA;
    return capture;
}

// Capture number index (from 0) of the file, counted round: after the last
// comes the first again.
PlayedCapture ReadCapture(const char* path, unsigned index) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        PlayedCapture capture;
        capture.error = errno;
        return capture;
    }
    constexpr size_t kMostRead = 1 << 20;
    std::string text(kMostRead, '\0');
    text.resize(std::fread(text.data(), 1, kMostRead, file));
    std::fclose(file);
    std::vector<PlayedCapture> heard;
    for (size_t start = 0;;) {
        PlayedCapture capture = NextCapture(text, start);
        if (capture.error == ENODATA && !heard.empty()) break;
        if (capture.error != 0) {
            if (capture.error == ENODATA) capture.error = EINVAL;
            return capture;
        }
        heard.push_back(std::move(capture));
        if (heard.size() > index) return heard.back();
    }
    return heard[index % heard.size()];
}

[[maybe_unused]] std::string ErrorName(int error) {
    switch (error) {
        case ECANCELED:
            return "ECANCELED";
        case EINVAL:
            return "EINVAL";
        case ENOENT:
            return "ENOENT";
        case EIO:
            return "EIO";
        case E2BIG:
            return "E2BIG";
        default:
            return std::to_string(error);
    }
}

// Listens for milliseconds (forever when negative) in 10 ms steps, telling
// progress; false as soon as the caller aborts.
bool Listen(long long milliseconds, UUIRTLearnCallback progress, void* user, const int* abort) {
    constexpr int kStepMillis = 10;
    for (long long waited = 0; milliseconds < 0 || waited < milliseconds; waited += kStepMillis) {
        if (kestrel::uuirt::AbortAsked(abort)) return false;
        if (progress != nullptr && milliseconds > 0) {
            progress(static_cast<unsigned int>(waited * 100 / milliseconds), 0, 0, user);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kStepMillis));
    }
    return !kestrel::uuirt::AbortAsked(abort);
}

// The learned code of the capture file, or an errno value.
[[maybe_unused]] int Learn(std::string& code, UUIRTLearnCallback progress, void* user,
                           const int* abort) {
    const char* path = std::getenv("KESTREL_SIM_LEARN");
    const bool hasFile = path != nullptr && *path != '\0';
    if (!hasFile && abort == nullptr) return EINVAL;  // it would listen forever
    if (!Listen(hasFile ? EnvNumber("KESTREL_SIM_LEARN_DELAY", 0) : -1, progress, user, abort)) {
        return ECANCELED;
    }
    if (EnvFlag("KESTREL_SIM_LEARN_FAIL")) return EIO;
    const unsigned index = EnvFlag("KESTREL_SIM_LEARN_NEXT")
                               ? __atomic_fetch_add(&learnsSinceOpen, 1u, __ATOMIC_RELAXED)
                               : 0;
    const PlayedCapture capture = ReadCapture(path, index);
    if (capture.error != 0) return capture.error;
    code = !capture.pronto.empty()
               ? capture.pronto
               : kestrel::uuirt::LearnedProntoText(capture.carrierHz, capture.durations,
                                                   capture.timeoutMicros);
    if (code.size() + 1 > static_cast<size_t>(kestrel::uuirt::kLearnBufferSize)) return E2BIG;
    if (progress != nullptr) progress(100, 100, capture.carrierHz, user);
    return 0;
}

// Opens as configured; details (the OpenEx arguments) end the log line.
void* Open(const char* entry, const std::string& details) {
    try {
        __atomic_store_n(&learnsSinceOpen, 0u, __ATOMIC_RELAXED);
        if (EnvSet("KESTREL_SIM_OPEN_ERROR")) {
            const auto lastError =
                static_cast<unsigned int>(EnvNumber("KESTREL_SIM_OPEN_ERROR", 0));
            char text[64];
            std::snprintf(text, sizeof text, " handle=-1 lastError=0x%08X", lastError);
            Log(entry + (text + details));
            errno = static_cast<int>(lastError);
            return FailedHandle();
        }
        void* handle = ConfiguredHandle();
        Log(entry + (" handle=" + Pointer(handle)) + details);
        return handle;
    } catch (...) {
        errno = static_cast<int>(kestrel::uuirt::OpenError::NoCommunication);
        return FailedHandle();
    }
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
    return Open("UUIRTOpen", "");
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

// Left out of the test build that stands for a library without the optional
// entry points.
#ifndef KESTREL_SIM_WITHOUT_OPTIONAL

UUIRT_EXPORT void* UUIRTOpenEx(char* deviceName, unsigned int flags, void* reserved0,
                               void* reserved1) {
    try {
        std::string details = " flags=" + std::to_string(flags) +
                              " reserved0=" + Pointer(reserved0) +
                              " reserved1=" + Pointer(reserved1);
        if (deviceName != nullptr) details += " device=" + Escaped(deviceName);
        return Open("UUIRTOpenEx", details);
    } catch (...) {
        errno = static_cast<int>(kestrel::uuirt::OpenError::NoCommunication);
        return FailedHandle();
    }
}

UUIRT_EXPORT int UUIRTGetUUIRTInfo(void* handle, UUIRTInfo* info) {
    try {
        const bool told = info != nullptr && handle == ConfiguredHandle() &&
                          !EnvFlag("KESTREL_SIM_DEVICE_INFO_FAIL");
        if (told) *info = UUIRTInfo{0x0905, 0x0101, 26, 3, 4};
        Log("UUIRTGetUUIRTInfo result=" + std::string(told ? "1" : "0") +
            " handle=" + Pointer(handle));
        return told ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

UUIRT_EXPORT int UUIRTLearnIR(void* handle, int codeFormat, char* code, UUIRTLearnCallback progress,
                              void* user, int* abort, unsigned int param1, void* reserved0,
                              void* reserved1) {
    try {
        std::string learned;
        int error = EINVAL;
        if (handle == ConfiguredHandle() && code != nullptr &&
            codeFormat == kestrel::uuirt::kProntoFormat) {
            error = Learn(learned, progress, user, abort);
        }
        std::string line = "UUIRTLearnIR result=" + std::string(error == 0 ? "1" : "0") +
                           " handle=" + Pointer(handle) + " format=" + std::to_string(codeFormat) +
                           " param1=" + std::to_string(param1) +
                           " reserved0=" + Pointer(reserved0) + " reserved1=" + Pointer(reserved1);
        line += error == 0 ? " code=" + Escaped(learned.c_str()) : " error=" + ErrorName(error);
        Log(line);
        if (error != 0) {
            errno = error;
            return 0;
        }
        kestrel::uuirt::CopyLearnedCode(learned, code);
        return 1;
    } catch (...) {
        errno = EIO;
        return 0;
    }
}

#endif
