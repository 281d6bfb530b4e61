// Learning a code through a LIRC receiver.
//
// The device is put in mode2 with a receive timeout of about 30 ms, and
// asked for carrier reports and for its wideband (learning) receiver when it
// has them. It is then read in steps of at most kPollMillis, so that *abort
// is noticed at once:
//   - input waiting from before the call is dropped;
//   - a pulse starts the signal; spaces before it are silence;
//   - a frequency report gives the carrier;
//   - a timeout report ends the signal, its value the final space; so does
//     kSilenceMillis without input after a pulse, for receivers that send
//     no timeout reports;
//   - an overflow report drops what was heard, and listening starts over;
//   - the signal ends at kMaxLearnedDurations.
// Carrier reports and the wideband receiver are switched off again after.

#include <linux/lirc.h>

#include <cerrno>
#include <vector>

#include "learned_code.h"
#include "lirc_device.h"

namespace kestrel::lirc {
namespace {

constexpr uint32_t kReceiveTimeoutMicros = 30000;
constexpr int kPollMillis = 20;
constexpr int kSilenceMillis = 200;
constexpr int kMostStaleReads = 64;

// Adds a pulse or a space; a space before the first pulse is silence.
void Heard(std::vector<uint32_t>& heard, bool pulse, uint32_t micros) {
    if (heard.empty() && !pulse) return;
    if (!heard.empty() && (heard.size() % 2 == 1) == pulse) {
        heard.back() += micros;  // two of a kind in a row
    } else {
        heard.push_back(micros);
    }
}

Result<std::string> Listen(DeviceCalls& calls, int fd, const int* abort,
                           UUIRTLearnCallback progress, void* user, int& error) {
    uint32_t values[64];
    for (int i = 0; i < kMostStaleReads && calls.Poll(fd, 0) > 0; ++i) {
        if (calls.Read(fd, values, sizeof values) <= 0) break;
    }
    std::vector<uint32_t> heard;
    uint32_t carrierHz = 0;
    uint32_t finalSpace = 0;
    int silentMillis = 0;
    const auto tell = [&](unsigned int percent) {
        if (progress != nullptr) progress(percent, 0, carrierHz, user);
    };
    tell(0);
    for (bool ended = false; !ended;) {
        if (uuirt::AbortAsked(abort)) {
            error = ECANCELED;
            return Refused("the learning was cancelled");
        }
        const int ready = calls.Poll(fd, kPollMillis);
        if (ready < 0 && errno != EINTR) {
            error = EIO;
            return Refused("the device cannot be read");
        }
        if (ready <= 0) {
            silentMillis += kPollMillis;
            ended = !heard.empty() && silentMillis >= kSilenceMillis;
            continue;
        }
        const ssize_t read = calls.Read(fd, values, sizeof values);
        if (read < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (read <= 0) {
            error = EIO;
            return Refused("the device cannot be read");
        }
        silentMillis = 0;
        for (size_t i = 0; i < static_cast<size_t>(read) / sizeof *values && !ended; ++i) {
            const uint32_t value = LIRC_VALUE(values[i]);
            switch (LIRC_MODE2(values[i])) {
                case LIRC_MODE2_PULSE:
                case LIRC_MODE2_SPACE:
                    Heard(heard, LIRC_IS_PULSE(values[i]), value);
                    break;
                case LIRC_MODE2_FREQUENCY:
                    carrierHz = value;
                    break;
                case LIRC_MODE2_TIMEOUT:
                    finalSpace = value;
                    ended = !heard.empty();
                    break;
                case LIRC_MODE2_OVERFLOW:
                    heard.clear();
                    break;
            }
            ended = ended || heard.size() >= uuirt::kMaxLearnedDurations;
        }
        if (!heard.empty() && !ended) tell(50);
    }
    tell(100);
    return uuirt::LearnedProntoText(carrierHz, heard, finalSpace);
}

}  // namespace

Result<std::string> LircDevice::Learn(const int* abort, UUIRTLearnCallback progress, void* user,
                                      int& error) {
    if (fd_ < 0) {
        error = EBADF;
        return Refused("the device is closed");
    }
    if ((features_ & LIRC_CAN_REC_MODE2) == 0) {
        error = ENOTSUP;
        return Refused("the device cannot receive");
    }
    uint32_t mode = LIRC_MODE_MODE2;
    if (calls_.Ioctl(fd_, LIRC_SET_REC_MODE, &mode) != 0) {
        error = EIO;
        return Refused("the device cannot receive in mode2");
    }
    // A receiver that refuses the timeout still ends a signal by silence.
    uint32_t timeout = kReceiveTimeoutMicros;
    if ((features_ & LIRC_CAN_SET_REC_TIMEOUT) != 0)
        calls_.Ioctl(fd_, LIRC_SET_REC_TIMEOUT, &timeout);
    const auto set = [&](unsigned long request, uint32_t value) {
        return calls_.Ioctl(fd_, request, &value) == 0;
    };
    const bool carrier =
        (features_ & LIRC_CAN_MEASURE_CARRIER) != 0 && set(LIRC_SET_MEASURE_CARRIER_MODE, 1);
    const bool wideband =
        (features_ & LIRC_CAN_USE_WIDEBAND_RECEIVER) != 0 && set(LIRC_SET_WIDEBAND_RECEIVER, 1);
    Result<std::string> learned = Listen(calls_, fd_, abort, progress, user, error);
    if (carrier) set(LIRC_SET_MEASURE_CARRIER_MODE, 0);
    if (wideband) set(LIRC_SET_WIDEBAND_RECEIVER, 0);
    return learned;
}

}  // namespace kestrel::lirc
