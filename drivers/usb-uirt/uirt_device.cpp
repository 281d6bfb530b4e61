#include "uirt_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <thread>

#include "learned_code.h"
#include "uirt_discovery.h"

namespace kestrel::usb_uirt {

namespace {

using std::chrono::milliseconds;

// The firmware from which LIRC drops the data-terminal-ready line while it
// uses the device, and raises it again when done.
constexpr unsigned kDtrLowFirmware = 0x0905;
constexpr size_t kReadChunk = 4096;

const char* EnvText(const char* name) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? text : nullptr;
}

bool AnyStatus(std::span<const uint8_t> reply) {
    return IsStatus(reply[0]);
}

bool AnyVersion(std::span<const uint8_t> reply) {
    return VersionOf(reply).has_value();
}

int MillisUntil(UsbUirt::Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<milliseconds>(deadline - UsbUirt::Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60000));
}

std::string Hex(uint8_t byte) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

}  // namespace

Trace::Trace(const char* path) {
    if (path != nullptr && *path != '\0') {
        fd_ = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    }
}

Trace::~Trace() {
    if (fd_ >= 0) ::close(fd_);
}

void Trace::Line(std::string_view text) {
    if (fd_ < 0) return;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm utc{};
    gmtime_r(&now.tv_sec, &utc);
    char stamp[48];
    const size_t length = std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &utc);
    std::snprintf(stamp + length, sizeof stamp - length, ".%06ld ", now.tv_nsec / 1000);
    std::string line = stamp;
    line.append(text);
    line += '\n';
    // One write per line, so that lines of two processes never mix.
    if (::write(fd_, line.data(), line.size()) < 0) return;
}

void Trace::Bytes(char direction, std::span<const uint8_t> bytes) {
    if (fd_ < 0 || bytes.empty()) return;
    std::string text(1, direction);
    for (const uint8_t byte : bytes)
        text += " " + Hex(byte);
    Line(text);
}

void Trace::Note(std::string_view text) {
    Line(std::string("# ") + std::string(text));
}

std::unique_ptr<UsbUirt> UsbUirt::Open(const char* name, uuirt::OpenError& error) {
    error = uuirt::OpenError::NoConnection;
    auto trace = std::make_unique<Trace>(EnvText(kTraceVariable));
    std::string path = name != nullptr && *name != '\0' ? name : "";
    if (path.empty() && EnvText(kDeviceVariable) != nullptr) path = EnvText(kDeviceVariable);
    if (path.empty()) {
        // A sysfs of its own (a test's) comes without the system's links.
        const char* sysfs = EnvText(kSysfsVariable);
        const std::vector<std::string> found =
            sysfs != nullptr ? FindDevices(sysfs, "") : FindDevices(kSysfsRoot, kByIdFolder);
        if (found.empty()) {
            trace->Note("no USB-UIRT found");
            return nullptr;
        }
        path = found.front();
    }
    trace->Note("open " + path);
    // Without blocking on the modem lines; the port stays non-blocking and
    // every wait is a poll with a deadline.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EBUSY) error = uuirt::OpenError::InUse;
        trace->Note("cannot open: " + std::string(std::strerror(errno)));
        return nullptr;
    }
    const auto fail = [&](uuirt::OpenError why, const char* what) {
        trace->Note(what);
        ::close(fd);
        error = why;
        return nullptr;
    };
    // Both locks: TIOCEXCL keeps out other opens (but not root's), the
    // flock every process that asks for it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return fail(errno == EWOULDBLOCK ? uuirt::OpenError::InUse : uuirt::OpenError::NoConnection,
                    "held by another process");
    }
    // Raw 8N1 with RTS/CTS. The FTDI driver runs the device at its own rate
    // whatever is set here, as long as it is 38400. A pseudo-terminal keeps
    // the flow-control flag and ignores it.
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        return fail(uuirt::OpenError::NoConnection, "not a serial port");
    }
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    settings.c_cflag |= CS8 | CLOCAL | CREAD | CRTSCTS;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::cfsetispeed(&settings, B38400) != 0 || ::cfsetospeed(&settings, B38400) != 0 ||
        ::tcsetattr(fd, TCSANOW, &settings) != 0) {
        return fail(uuirt::OpenError::NoConnection, "cannot set the serial port up");
    }
    ::ioctl(fd, TIOCEXCL);
    std::unique_ptr<UsbUirt> device(new (std::nothrow) UsbUirt(fd, path, std::move(trace)));
    if (!device) return fail(uuirt::OpenError::NoCommunication, "out of memory");
    if (!device->ReadVersion()) {
        device->trace_->Note("no version answer");
        error = uuirt::OpenError::NoCommunication;
        return nullptr;
    }
    if (device->version_.firmware >= kDtrLowFirmware) {
        device->SetDtr(false);
        device->dtrCleared_ = true;
    }
    return device;
}

UsbUirt* UsbUirt::FromHandle(void* handle) {
    if (handle == nullptr || handle == uuirt::FailedHandle()) return nullptr;
    auto* device = static_cast<UsbUirt*>(handle);
    return device->magic_ == kMagic ? device : nullptr;
}

UsbUirt::UsbUirt(int fd, std::string path, std::unique_ptr<Trace> trace)
    : fd_(fd), path_(std::move(path)), trace_(std::move(trace)) {}

UsbUirt::~UsbUirt() {
    std::lock_guard lock(busy_);
    if (dtrCleared_) SetDtr(true);
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    trace_->Note("closed");
    magic_ = 0;
}

void UsbUirt::SetDtr(bool on) {
    int line = TIOCM_DTR;
    // A pseudo-terminal may refuse modem-line calls; nothing depends on them.
    ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line);
}

bool UsbUirt::Write(std::span<const uint8_t> bytes, Clock::time_point deadline) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            trace_->Bytes('>', bytes.subspan(done, static_cast<size_t>(n)));
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            trace_->Note("write failed: " + std::string(std::strerror(errno)));
            return false;
        }
        if (Clock::now() >= deadline) {
            trace_->Note("write timed out");
            return false;
        }
        // The device holds CTS while it is busy: wait for room, then try
        // again (also after a signal).
        pollfd wait{fd_, POLLOUT, 0};
        ::poll(&wait, 1, MillisUntil(deadline));
    }
    return true;
}

bool UsbUirt::ReadSome(Clock::time_point deadline) {
    pollfd wait{fd_, POLLIN, 0};
    const int ready = ::poll(&wait, 1, MillisUntil(deadline));
    if (ready < 0) return errno == EINTR;
    if (ready == 0) return true;
    uint8_t chunk[kReadChunk];
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n > 0) {
        trace_->Bytes('<', std::span(chunk, static_cast<size_t>(n)));
        input_.insert(input_.end(), chunk, chunk + n);
        return true;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    trace_->Note("read failed");
    return false;
}

bool UsbUirt::Discard() {
    const auto end = Clock::now() + milliseconds(kLimits.mostDiscardMillis);
    auto quiet = Clock::now() + milliseconds(kLimits.quietMillis);
    input_.clear();
    while (Clock::now() < std::min(quiet, end)) {
        if (!ReadSome(std::min(quiet, end))) return false;
        if (!input_.empty()) {
            input_.clear();
            quiet = Clock::now() + milliseconds(kLimits.quietMillis);
        }
    }
    return true;
}

bool UsbUirt::Exchange(std::span<const uint8_t> command, size_t replySize,
                       bool (*valid)(std::span<const uint8_t>), Clock::time_point deadline) {
    if (!Discard() || !Write(command, deadline)) return false;
    for (;;) {
        const std::optional<size_t> at = FindReply(input_, replySize, mode_, valid);
        if (at) {
            const auto first = input_.begin() + static_cast<std::ptrdiff_t>(*at);
            reply_.assign(first, first + static_cast<std::ptrdiff_t>(replySize));
            input_.erase(input_.begin(), first + static_cast<std::ptrdiff_t>(replySize));
            return true;
        }
        if (Clock::now() >= deadline || !ReadSome(deadline)) return false;
    }
}

uint8_t UsbUirt::NextStatus(Clock::time_point deadline) {
    for (;;) {
        const std::optional<size_t> at = FindReply(input_, 1, mode_, AnyStatus);
        if (at) {
            const uint8_t status = input_[*at];
            input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(*at) + 1);
            return status;
        }
        if (Clock::now() >= deadline || !ReadSome(deadline)) return 0;
    }
}

bool UsbUirt::ReadVersion() {
    static constexpr uint8_t kAsk[] = {kGetVersion};
    const std::vector<uint8_t> command = Framed(kAsk);
    if (!Exchange(command, kVersionReplySize, AnyVersion,
                  Clock::now() + milliseconds(kLimits.versionMillis))) {
        return false;
    }
    version_ = *VersionOf(reply_);
    char text[96];
    std::snprintf(text, sizeof text, "firmware %u.%u, protocol %u.%u, %04u-%02u-%02u",
                  version_.firmware >> 8, version_.firmware & 0xFF, version_.protocol >> 8,
                  version_.protocol & 0xFF, 2000u + version_.year, unsigned{version_.month},
                  unsigned{version_.day});
    trace_->Note(text);
    return true;
}

bool UsbUirt::SetMode(Mode mode) {
    const std::vector<uint8_t> command = ModeFrame(mode);
    if (!Exchange(command, 1, AnyStatus, Clock::now() + milliseconds(kLimits.replyMillis))) {
        trace_->Note("no answer to the mode command");
        return false;
    }
    if (reply_[0] != kCommandOk) {
        trace_->Note(std::string("mode refused: ") + StatusText(reply_[0]));
        return false;
    }
    mode_ = mode;
    return true;
}

Status UsbUirt::Transmit(std::string_view code, int format, int repeatCount, int& error) {
    std::unique_lock lock(busy_, milliseconds(kBusyMillis));
    if (!lock.owns_lock()) {
        error = EBUSY;
        return Refused("the device is busy");
    }
    const auto refuse = [&](int why, const std::string& reason) {
        trace_->Note("not sent: " + reason);
        error = why;
        return Refused(reason);
    };
    if (format != uuirt::kProntoFormat) return refuse(EINVAL, "not Pronto hex text");
    const Result<Transmission> sent = TransmissionOf(code, repeatCount);
    if (!sent) return refuse(EINVAL, sent.reason());
    if (!Discard()) return refuse(EIO, "the device cannot be read");
    const auto start = Clock::now();
    const auto length = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double, std::micro>(sent->micros));
    // A frame is answered at once; a stream once the device has sent it all.
    const auto deadline =
        start + (sent->streamed ? length + milliseconds(kLimits.streamEndMillis)
                                : Clock::duration(milliseconds(kLimits.replyMillis)));
    if (!Write(sent->bytes, deadline)) return refuse(EIO, "the write failed");
    for (uint8_t status = NextStatus(deadline);; status = NextStatus(deadline)) {
        if (status == 0) return refuse(EIO, "no answer");
        if (status == kCommandOk || (status == kTransmitting && !sent->streamed)) break;
        if (status != kTransmitting) return refuse(EIO, StatusText(status));
        // The closing status comes only once the device has sent the
        // signal, never with its first answer: what came along is its own.
        input_.clear();
    }
    std::this_thread::sleep_until(start + length);
    return {};
}

Result<std::string> UsbUirt::Learn(int format, const int* abort, UUIRTLearnCallback progress,
                                   void* user, int& error) {
    std::unique_lock lock(busy_, milliseconds(kBusyMillis));
    if (!lock.owns_lock()) {
        error = EBUSY;
        return Refused("the device is busy");
    }
    if ((format & ~uuirt::kLearnForceRaw) != uuirt::kProntoFormat) {
        error = EINVAL;
        return Refused("not Pronto hex text");
    }
    const char* formName = EnvText(kLearnFormVariable);
    const bool raw = (format & uuirt::kLearnForceRaw) != 0 ||
                     (formName != nullptr && std::string_view(formName) == "raw");
    const Mode previous = mode_;
    const auto tell = [&](unsigned percent, unsigned quality, unsigned long carrierHz) {
        if (progress != nullptr) progress(percent, quality, carrierHz, user);
    };
    tell(0, 0, 0);
    trace_->Note(raw ? "learn in raw mode" : "learn in wideband mode");
    SignalReader reader(raw ? ReceiveForm::Raw : ReceiveForm::Wideband);
    error = 0;
    if (!SetMode(raw ? Mode::Raw : Mode::Wideband)) error = EIO;
    auto lastByte = Clock::now();
    bool heard = false;
    while (error == 0 && !heard) {
        if (uuirt::AbortAsked(abort)) {
            error = ECANCELED;
            break;
        }
        // What came after the mode's reply is the start of a signal.
        for (size_t i = 0; i < input_.size() && !heard; ++i) {
            heard = reader.Take(input_[i]) && !reader.signal().micros.empty();
            lastByte = Clock::now();
        }
        input_.clear();
        if (heard) break;
        if (reader.Hearing()) {
            tell(50, 0, reader.signal().CarrierHz());
            if (Clock::now() - lastByte > milliseconds(kLimits.signalStallMillis)) {
                trace_->Note("signal stalled; dropped");
                reader.Reset();
            }
        }
        if (!ReadSome(Clock::now() + milliseconds(kLimits.learnSliceMillis))) error = EIO;
    }
    // Back to the mode it was in, whatever happened (the mode command may
    // have been taken without its answer coming); a second try for a device
    // that was busy sending the rest of a signal. A code heard is given
    // even when the device stays in the learning mode: a send works in any.
    if (!SetMode(previous) && !SetMode(previous)) trace_->Note("the mode was not put back");
    if (error != 0) {
        trace_->Note(error == ECANCELED ? "learn aborted" : "learn failed");
        return Refused(error == ECANCELED ? "the learning was cancelled" : "the device failed");
    }
    const HeardSignal& signal = reader.signal();
    const std::string code = uuirt::LearnedProntoText(signal.CarrierHz(), signal.micros, 0);
    trace_->Note("learned " + code);
    tell(100, 100, signal.CarrierHz());
    return code;
}

}  // namespace kestrel::usb_uirt
