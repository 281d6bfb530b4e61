// Pronto hex text to what one write to a LIRC transmitter sends: the carrier
// frequency and the pulse and space durations in microseconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace kestrel::lirc {

// What the kernel takes in one write: at most this many values, an odd
// count (pulse first and last), no zero value, at most this long in all.
inline constexpr size_t kMaxValues = 1024;
inline constexpr uint64_t kMaxTotalMicros = 500000;

struct ProntoSignal {
    uint32_t carrierHz = 0;
    // Pulse, space, pulse, ... ending with a pulse.
    std::vector<unsigned int> durations;
};

// The signal of a learned Pronto code sent repeatCount times, as BurstsOf
// (pronto_bursts.h) lays it out, each word times the carrier period,
// rounded halves away from zero. Refused when the text is not such a code
// or the signal does not fit into one write.
Result<ProntoSignal> SignalOf(std::string_view text, int repeatCount);

}  // namespace kestrel::lirc
