// Pronto code assembly: durations in microseconds become one line of Pronto
// hex (learned code): 0000, the carrier's frequency word, the once-pair
// count, 0000, then one word per duration in carrier cycles. Words are upper
// case with at least four digits; a count of 65536 cycles or more takes more.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "generator/durations.h"

namespace kestrel {

// The pair count of a header: half the durations, halves to even (53 give
// 26, 55 give 28).
int16_t ProntoPairCount(size_t durations);

class ProntoAssembler {
  public:
    explicit ProntoAssembler(int32_t carrierHz = 0);

    int32_t CarrierHz() const { return carrierHz_; }
    // The carrier period in whole microseconds that cycle counts are based
    // on: 1000000 / the carrier the frequency word stands for (26 for
    // 38380 Hz); none when the carrier has no such period, and then no code
    // can be assembled.
    std::optional<int32_t> PeriodMicros() const {
        if (period_ <= 0) return std::nullopt;
        return period_;
    }

    // The Pronto line of durations; only when there is a PeriodMicros().
    std::string Assemble(const DurationBuffer& durations);

  private:
    // The words of pairs of durations met before: a code repeats a few
    // pairs (the bit symbols) many times. Each entry holds its pair's two
    // words with their blanks; the initial key, durations 0 and 0, matches
    // the initial text.
    struct CachedPair {
        uint64_t key = 0;
        char text[16] = " 0000 0000";
    };
    bool CachePair(CachedPair& pair, uint64_t key, int32_t first, int32_t second);
    char* PutDuration(char* out, int32_t duration) const;

    int32_t carrierHz_;
    int16_t frequencyWord_;
    int32_t period_;
    std::array<CachedPair, 64> pairs_{};
};

}  // namespace kestrel
