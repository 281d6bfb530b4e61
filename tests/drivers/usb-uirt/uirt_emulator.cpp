#include "uirt_emulator.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace kestrel::test {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Two codes a remote might give in UIR mode; the first holds status values
// away from its start, the second starts with one.
const Bytes kUirBefore = {0x10, 0x21, 0x20, 0x80, 0x82, 0x21};
const Bytes kUirAfter = {0x21, 0x45, 0x67, 0x89, 0xAB, 0xCD};
// A streamed signal ends when the driver has written nothing for this long.
constexpr auto kStreamIdle = milliseconds(40);
// A press comes a little after the driver starts listening.
constexpr auto kPressDelay = milliseconds(30);

void AppendWord(Bytes& bytes, long value) {
    bytes.push_back(static_cast<uint8_t>(value >> 8));
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
}

}  // namespace

UirtEmulator::UirtEmulator() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    char name[128];
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        throw std::runtime_error("no pseudo-terminal");
    }
    path_ = name;
    // Raw from the start: an echoing slave would hand the answers back.
    slave_ = open(name, O_RDWR | O_NOCTTY);
    termios settings{};
    if (slave_ < 0 || tcgetattr(slave_, &settings) != 0) throw std::runtime_error("no slave");
    cfmakeraw(&settings);
    tcsetattr(slave_, TCSANOW, &settings);
    thread_ = std::thread(&UirtEmulator::Run, this);
}

UirtEmulator::~UirtEmulator() {
    stop_ = true;
    thread_.join();
    close(slave_);
    close(master_);
}

void UirtEmulator::Play(const PlayedSignal& signal) {
    std::lock_guard lock(mutex_);
    signal_ = signal;
    playing_ = true;
}

std::vector<Bytes> UirtEmulator::Frames() {
    std::lock_guard lock(mutex_);
    return frames_;
}

std::vector<Clock::time_point> UirtEmulator::Arrivals() {
    std::lock_guard lock(mutex_);
    return arrivals_;
}

uint8_t UirtEmulator::Mode() {
    std::lock_guard lock(mutex_);
    return mode_;
}

void UirtEmulator::Send(const Bytes& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

void UirtEmulator::Answer(const Bytes& reply, uint8_t newMode) {
    if (silent_) return;
    // A code before the answer comes from the mode the command was asked
    // in, one after it from the mode the command leaves the device in. The
    // new mode shows before the answer goes, for a test that looks at once.
    const bool before = slip_ && mode_ == 0x20;
    if (newMode != 0) {
        std::lock_guard lock(mutex_);
        mode_ = newMode;
    }
    if (before) Send(kUirBefore);
    Send(reply);
    if (slip_ && mode_ == 0x20) Send(kUirAfter);
}

Bytes UirtEmulator::Encoded(const PlayedSignal& signal, bool wideband) const {
    Bytes bytes = {0x13, 0x88};  // the gap before the signal
    for (size_t i = 0; i < signal.micros.size(); ++i) {
        const double micros = signal.micros[i];
        if (!wideband) {
            bytes.push_back(static_cast<uint8_t>(std::clamp(std::lround(micros / 50), 1L, 254L)));
            continue;
        }
        AppendWord(bytes, std::lround(micros / 0.4));  // 400 ns units
        if (i % 2 == 0) {
            const long cycles = std::lround(micros * signal.carrierHz / 1e6);
            if (cycles > 127) {
                AppendWord(bytes, cycles | 0x8000);
            } else {
                bytes.push_back(static_cast<uint8_t>(cycles));
            }
        }
    }
    bytes.push_back(0xFF);
    return bytes;
}

void UirtEmulator::Take(Bytes& input) {
    while (!input.empty()) {
        if (!stream_.empty()) {  // the rest is the streamed signal
            stream_.insert(stream_.end(), input.begin(), input.end());
            input.clear();
            return;
        }
        const uint8_t command = input[0];
        size_t size = 2;
        if (command == 0x36) {
            if (input.size() < 2) return;
            size = 2u + input[1];
        } else if (command != 0x20 && command != 0x21 && command != 0x23 && command != 0x24 &&
                   command != 0x25) {
            input.clear();
            Answer({0x82});
            return;
        }
        if (input.size() < size) return;
        const Bytes frame(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(size));
        input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(size));
        unsigned sum = 0;
        for (const uint8_t byte : frame)
            sum += byte;
        if (sum % 256 != 0) {
            Answer({0x80});
            continue;
        }
        const uint8_t status = answer_;
        bool play = false;
        {
            std::lock_guard lock(mutex_);
            if (command != 0x25) frames_.push_back(frame);
            if (command != 0x25) arrivals_.push_back(firstByte_);
            if (command == 0x25) stream_ = frame;
            play = playing_ && (command == 0x21 || command == 0x24);
            if (play) playing_ = false;
        }
        if (command == 0x23) {
            Answer(Bytes(std::begin(kVersion), std::end(kVersion)));
        } else if (command == 0x36 || command == 0x25) {
            Answer({status ? status : uint8_t{0x20}});
        } else {
            Answer({status ? status : uint8_t{0x21}}, status ? 0 : command);
        }
        if (play) {
            std::this_thread::sleep_for(kPressDelay);
            const Bytes signal = Encoded(signal_, command == 0x24);
            // In two pieces, as two USB packets would bring it.
            const size_t half = signal.size() / 2;
            Send(Bytes(signal.begin(), signal.begin() + static_cast<std::ptrdiff_t>(half)));
            std::this_thread::sleep_for(milliseconds(5));
            Send(Bytes(signal.begin() + static_cast<std::ptrdiff_t>(half), signal.end()));
        }
    }
}

void UirtEmulator::Run() {
    Bytes input;
    auto lastByte = Clock::now();
    while (!stop_) {
        pollfd wait{master_, POLLIN, 0};
        if (poll(&wait, 1, 5) > 0 && (wait.revents & POLLIN)) {
            uint8_t chunk[4096];
            const ssize_t n = read(master_, chunk, sizeof chunk);
            if (n > 0) {
                lastByte = Clock::now();
                if (input.empty() && stream_.empty()) firstByte_ = lastByte;
                input.insert(input.end(), chunk, chunk + n);
                Take(input);
            }
        } else if (wait.revents & (POLLHUP | POLLERR)) {
            std::this_thread::sleep_for(milliseconds(5));
        }
        if (!stream_.empty() && Clock::now() - lastByte > kStreamIdle) {
            {
                std::lock_guard lock(mutex_);
                frames_.push_back(stream_);
                arrivals_.push_back(firstByte_);
                stream_.clear();
            }
            if (answer_ == 0) Answer({0x21});
        }
    }
}

}  // namespace kestrel::test
