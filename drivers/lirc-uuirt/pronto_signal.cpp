#include "pronto_signal.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "generator/pronto_reader.h"

namespace kestrel::lirc {

namespace {

constexpr const char* kNoGapForRepeat = "a code ending with a pulse cannot be repeated";
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
    // Every word but the final space is sent at least once, so a longer
    // code cannot fit and is not read to its end.
    const Result<ProntoCode> read = ReadProntoCode(text, kProntoHeaderWords + kMaxValues + 1);
    if (!read) return Refused(read.reason());
    const ProntoCode& code = *read;
    const bool whole = code.repeat.empty();
    const std::span<const uint32_t> once = whole ? std::span<const uint32_t>() : code.once;
    const std::span<const uint32_t> repeat = whole ? code.once : code.repeat;
    const uint64_t copies = static_cast<uint64_t>(std::max(repeatCount, 1));
    if (copies > 1 && repeat.size() % 2 != 0) return Refused(kNoGapForRepeat);

    uint64_t count = once.size() + repeat.size() * copies;
    if (count % 2 == 0) --count;  // the final space is not sent
    if (count > kMaxValues) return Refused(kTooManyValues);

    ProntoSignal signal;
    const double periodMicros = code.PeriodMicros();
    signal.carrierHz = static_cast<uint32_t>(std::lround(code.CarrierHz()));
    signal.durations.reserve(count);
    for (uint64_t n = 0; n < count; ++n) {
        const uint32_t word = n < once.size() ? once[n] : repeat[(n - once.size()) % repeat.size()];
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
