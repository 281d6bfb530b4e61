// The Pronto text reader of the Linux driver library over arbitrary text
// and repeat counts. Input: byte 0 picks the repeat count, the rest is the
// code text.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_targets.h"
#include "pronto_signal.h"

namespace kestrel::fuzz {

int FuzzLirc(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const int kRepeats[] = {0, 1, 2, 3, 5, 16, -1, INT_MAX};
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (const int repeat : {kRepeats[data[0] % 8], 1}) {
        const Result<lirc::ProntoSignal> signal = lirc::SignalOf(text, repeat);
        if (!signal) {
            KESTREL_FUZZ_CHECK(!signal.reason().empty());
            continue;
        }
        // What one write to the transmitter takes: an odd count of values,
        // none zero, within the limits.
        KESTREL_FUZZ_CHECK(signal->carrierHz > 0);
        KESTREL_FUZZ_CHECK(signal->durations.size() % 2 == 1);
        KESTREL_FUZZ_CHECK(signal->durations.size() <= lirc::kMaxValues);
        uint64_t total = 0;
        for (const unsigned int micros : signal->durations) {
            KESTREL_FUZZ_CHECK(micros > 0);
            total += micros;
        }
        KESTREL_FUZZ_CHECK(total <= lirc::kMaxTotalMicros);
    }
    return 0;
}

}  // namespace kestrel::fuzz

KESTREL_FUZZ_ENTRY(FuzzLirc)
