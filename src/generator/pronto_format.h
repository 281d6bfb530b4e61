// The Pronto hex format as the generator writes it and the drivers read it:
// a learned (raw, modulated) code is the word 0000, the carrier's frequency
// word, the once-pair count and the repeat-pair count, then one word per
// mark or space counted in carrier periods.
//
// Header-only and free of other Kestrel code, so that a driver library can
// include it without linking the generator.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/rounding.h"

namespace kestrel {

// One unit of the frequency word, in microseconds: the Pronto clock period.
// A carrier period is the frequency word times this.
inline constexpr double kProntoClockMicros = 0.241246;

// The first word of a learned code, as written and as its value.
inline constexpr std::string_view kProntoLearnedWord = "0000";
inline constexpr uint32_t kProntoLearned = 0x0000;

// 0000, frequency word, once-pair count, repeat-pair count.
inline constexpr size_t kProntoHeaderWords = 4;

namespace pronto_detail {

// 1000000 / (hz x clock), the divisor rounded halves to even; 0 when the
// divisor rounds to 0.
inline int64_t WordOf(double hz) {
    int64_t divisor = 0;
    if (!RoundHalfEven(hz * kProntoClockMicros, divisor) || divisor == 0) return 0;
    return 1000000 / divisor;
}

}  // namespace pronto_detail

// The frequency word of a carrier in hertz: 1000000 / (hz x 0.241246), the
// divisor rounded halves to even; 0 below 1 Hz. Only carriers from 127 Hz
// to 1381716 Hz give a word that fits 16 bits and is at least 3.
inline int16_t ProntoFreqWord(int32_t carrierHz) {
    if (carrierHz < 1) return 0;
    return static_cast<int16_t>(pronto_detail::WordOf(carrierHz));
}

// The carrier in hertz that the frequency word of carrierHz stands for,
// rounded through whole microseconds (38380 Hz: word 108, 26 us, 38461 Hz).
inline float ProntoCarrierHz(int32_t carrierHz) {
    const int64_t word = pronto_detail::WordOf(carrierHz);
    return static_cast<float>(pronto_detail::WordOf(static_cast<double>(word)));
}

// The carrier period of a frequency word, in microseconds.
constexpr double ProntoPeriodOfWord(uint32_t frequencyWord) {
    return frequencyWord * kProntoClockMicros;
}

// A duration in carrier cycles of periodMicros (> 0): |micros| / period
// rounded halves away from zero (13 us at 26 us a cycle is one cycle).
constexpr int64_t ProntoCycles(int64_t micros, int64_t periodMicros) {
    const int64_t magnitude = micros < 0 ? -micros : micros;
    return magnitude / periodMicros + (2 * (magnitude % periodMicros) >= periodMicros ? 1 : 0);
}

}  // namespace kestrel
