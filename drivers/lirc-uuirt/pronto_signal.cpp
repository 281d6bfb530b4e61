#include "pronto_signal.h"

#include <cmath>

#include "pronto_bursts.h"

namespace kestrel::lirc {

namespace {

constexpr const char* kEvenCount = "an even count of durations";
constexpr const char* kTooManyValues = "more durations than one write takes";
constexpr const char* kZeroDuration = "a duration of zero";
constexpr const char* kTooLong = "longer than one write takes";

// What one write takes: an odd count of at most kMaxValues values, none of
// them zero, at most kMaxTotalMicros in all.
Status FitsOneWrite(const std::vector<unsigned int>& durations) {
    if (durations.size() % 2 == 0) return Refused(kEvenCount);
    if (durations.size() > kMaxValues) return Refused(kTooManyValues);
    uint64_t total = 0;
    for (const unsigned int micros : durations) {
        if (micros == 0) return Refused(kZeroDuration);
        total += micros;
    }
    if (total > kMaxTotalMicros) return Refused(kTooLong);
    return {};
}

}  // namespace

Result<ProntoSignal> SignalOf(std::string_view text, int repeatCount) {
    const Result<uuirt::ProntoBursts> bursts =
        uuirt::BurstsOf(text, repeatCount, kMaxValues, kTooManyValues);
    if (!bursts) return Refused(bursts.reason());
    ProntoSignal signal;
    const double periodMicros = bursts->PeriodMicros();
    signal.carrierHz = static_cast<uint32_t>(std::lround(bursts->CarrierHz()));
    signal.durations.reserve(bursts->words.size());
    for (const uint32_t word : bursts->words) {
        const double micros = std::round(word * periodMicros);
        // A value beyond the whole write's length is kept just beyond it.
        signal.durations.push_back(
            static_cast<unsigned int>(micros > kMaxTotalMicros ? kMaxTotalMicros + 1 : micros));
    }
    const Status fits = FitsOneWrite(signal.durations);
    if (!fits) return Refused(fits.reason());
    return signal;
}

}  // namespace kestrel::lirc
